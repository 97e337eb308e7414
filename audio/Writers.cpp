// WAV and MIDI encoders, and writing the generated files to disk.
#include "AudioGen.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <system_error>

namespace audiogen {

namespace {

void Put16LE(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32LE(Bytes& out, std::uint32_t v) {
    Put16LE(out, v & 0xFFFF);
    Put16LE(out, v >> 16);
}

void Put16BE(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

void Put32BE(Bytes& out, std::uint32_t v) {
    Put16BE(out, v >> 16);
    Put16BE(out, v & 0xFFFF);
}

// Byte-wise appends: GCC 12 warns falsely about vector range inserts at -O2.
void PutTag(Bytes& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void PutBytes(Bytes& out, const Bytes& more) {
    for (std::uint8_t b : more) out.push_back(b);
}

}  // namespace

std::vector<std::int16_t> NormalizeToPcm16(const std::vector<double>& samples, double peak) {
    double maxAbs = 0.0;
    for (double s : samples) maxAbs = std::max(maxAbs, std::abs(s));
    std::vector<std::int16_t> pcm(samples.size(), 0);
    if (maxAbs <= 0.0 || !std::isfinite(maxAbs)) return pcm;
    peak = std::clamp(peak, 0.0, 1.0);
    const double scale = peak * 32767.0 / maxAbs;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double v = std::round(samples[i] * scale);
        pcm[i] = static_cast<std::int16_t>(std::clamp(v, -32767.0, 32767.0));
    }
    return pcm;
}

Bytes EncodeWav(const std::vector<std::int16_t>& pcm, int sampleRate) {
    const auto dataBytes = static_cast<std::uint32_t>(pcm.size() * 2);
    Bytes out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32LE(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32LE(out, 16);
    Put16LE(out, 1);  // PCM
    Put16LE(out, 1);  // mono
    Put32LE(out, static_cast<std::uint32_t>(sampleRate));
    Put32LE(out, static_cast<std::uint32_t>(sampleRate) * 2);  // byte rate
    Put16LE(out, 2);                                            // block align
    Put16LE(out, 16);                                           // bits per sample
    PutTag(out, "data");
    Put32LE(out, dataBytes);
    for (std::int16_t s : pcm) Put16LE(out, static_cast<std::uint16_t>(s));
    return out;
}

void AppendVarLen(Bytes& out, std::uint32_t value) {
    if (value > 0x0FFFFFFF) throw std::invalid_argument("MIDI variable-length value too large");
    std::uint8_t groups[4];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (n > 1) out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

Bytes EncodeMidi(std::uint16_t ticksPerQuarter, const std::vector<MidiTrack>& tracks) {
    if (tracks.empty() || tracks.size() > 0xFFFF)
        throw std::invalid_argument("a MIDI file needs 1 to 65535 tracks");
    if (ticksPerQuarter == 0 || ticksPerQuarter > 0x7FFF)
        throw std::invalid_argument("ticks per quarter out of range");
    Bytes out;
    PutTag(out, "MThd");
    Put32BE(out, 6);
    Put16BE(out, 1);
    Put16BE(out, static_cast<std::uint32_t>(tracks.size()));
    Put16BE(out, ticksPerQuarter);
    for (const MidiTrack& track : tracks) {
        Bytes body;
        std::uint32_t now = 0;
        for (const MidiEvent& e : track.events) {
            if (e.tick < now) throw std::invalid_argument("MIDI events out of order");
            if (e.data.empty()) throw std::invalid_argument("empty MIDI event");
            // The writer adds End-of-Track itself; one in the middle would cut the track.
            if (e.data.size() >= 2 && e.data[0] == 0xFF && e.data[1] == 0x2F)
                throw std::invalid_argument("End-of-Track given as an event");
            AppendVarLen(body, e.tick - now);
            PutBytes(body, e.data);
            now = e.tick;
        }
        AppendVarLen(body, track.endTick > now ? track.endTick - now : 0);
        PutBytes(body, {0xFF, 0x2F, 0x00});
        PutTag(out, "MTrk");
        Put32BE(out, static_cast<std::uint32_t>(body.size()));
        PutBytes(out, body);
    }
    return out;
}

bool WriteAllAudio(const std::string& folder) {
    std::vector<AudioFile> files;
    try {
        files = MakeSoundEffects();
        std::vector<AudioFile> tunes = MakeTunes();
        files.insert(files.end(), tunes.begin(), tunes.end());
    } catch (const std::exception& e) {
        std::cerr << "quorbit_audiogen: " << e.what() << '\n';
        return false;
    }
    const std::filesystem::path dir(folder);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        std::cerr << "quorbit_audiogen: cannot create folder " << folder << '\n';
        return false;
    }
    for (const AudioFile& f : files) {
        const std::filesystem::path path = dir / f.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(f.bytes.data()),
                  static_cast<std::streamsize>(f.bytes.size()));
        out.close();
        if (!out) {
            std::cerr << "quorbit_audiogen: cannot write " << path.string() << '\n';
            return false;
        }
    }
    return true;
}

}  // namespace audiogen
