#pragma once
#include <QByteArray>
#include <functional>

// The sound device lives on an audio thread of its own: the game's thread only queues work there and
// never waits on the device, so a slow device or a damaged file cannot hold up a window. Without a
// device (or with no soundfont for MIDI) the game runs silently.
namespace AudioDevice {
// Starts the audio thread, which loads the sound libraries and opens the device; returns at once.
// Later calls do nothing.
void Open();
// Opens once the program's first window is on screen, so that loading the libraries and the soundfont
// cannot slow its way there; what is asked for before then waits in the queue.
void OpenAfterFirstWindow();
// Queues `job` for the audio thread, to run after every job queued before it (and after the device
// has been opened or found missing); opens the device unless it waits for the first window. Jobs
// beyond a few thousand waiting are dropped.
void Post(std::function<void()> job);
// On the audio thread: whether the device is open.
bool IsOpen();
// On the audio thread, as a tune or an effect starts: a device that SDL reports lost (its sound server
// gone) is closed, and where none is open one is opened, at most once a second so that a missing
// server costs nothing; whether one is open now.
bool Ready();
// For the music, whose loaded tune belongs to its device: `whenLost` runs on the audio thread before a
// lost device is closed, `whenOpened` after the job in which Ready() opened one. Set before anything
// is queued.
void Watch(void (*whenLost)(), void (*whenOpened)());
// Waits up to `ms` until every job queued so far has run; true when they all have (tests).
bool Drain(int ms);
}

// Sound files as the audio thread takes them: only regular files of sensible size, read whole, so
// that a folder, a pipe or a huge file never reaches the decoders.
namespace SoundFiles {
// The file's bytes; empty when it is missing, not a regular file, unreadable or too large. `exists`
// tells a missing file (silence, nothing to say) from a damaged one.
QByteArray Read(const QByteArray& path, bool& exists);
// A RIFF WAVE file, the only kind the effects take.
bool IsWave(const QByteArray& bytes);
// A Standard MIDI File that FluidSynth reads and that lasts longer than no time at all: anything else
// would make the synthesiser try again and again, for ever, on the audio thread.
bool IsPlayableMidi(const QByteArray& bytes);
// One line on standard error per damaged file, however often it is asked for.
void ReportDamaged(const QByteArray& path, const char* what);
}
