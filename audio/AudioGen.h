// Build-time generator of the game's sound effects (WAV) and music (Standard MIDI Files).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace audiogen {

using Bytes = std::vector<std::uint8_t>;

// One generated file: bare name and contents.
struct AudioFile {
    std::string name;
    Bytes bytes;
};

constexpr int kSampleRate = 44100;

// Scales float samples so the largest magnitude becomes `peak` (0 < peak < 1) of full
// scale and rounds to 16 bits. Silence stays silence.
std::vector<std::int16_t> NormalizeToPcm16(const std::vector<double>& samples, double peak);

// A complete RIFF/WAVE file: 16-bit PCM, mono.
Bytes EncodeWav(const std::vector<std::int16_t>& pcm, int sampleRate);

// One MIDI event without its delta time: a channel message (status byte first) or a
// meta event (0xFF, type, length, data).
struct MidiEvent {
    std::uint32_t tick = 0;
    Bytes data;
};

struct MidiTrack {
    std::vector<MidiEvent> events;  // in non-decreasing tick order
    std::uint32_t endTick = 0;      // End-of-Track goes here (or at the last event, if later)
};

// Variable-length quantity as used for delta times; values above 0x0FFFFFFF are invalid.
void AppendVarLen(Bytes& out, std::uint32_t value);

// Format 1 Standard MIDI File. Throws std::invalid_argument on unsorted events,
// no tracks, or a value that does not fit.
Bytes EncodeMidi(std::uint16_t ticksPerQuarter, const std::vector<MidiTrack>& tracks);

// The seven effects, named as the game asks for them.
std::vector<AudioFile> MakeSoundEffects();

// "Quorbit1.mid" .. "Quorbit5.mid".
std::vector<AudioFile> MakeTunes();

// Creates `folder` (and parents) if needed and writes all twelve files.
// Returns false, after printing why to stderr, if anything fails.
bool WriteAllAudio(const std::string& folder);

}  // namespace audiogen
