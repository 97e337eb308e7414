#include "platform/MediaPlayer.h"
#include "platform/AudioDevice.h"
#include "platform/AudioLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cmath>

// The player's state lives here, on the game's thread; loading and sounding the music is queued for
// the audio thread, which alone touches the device.
namespace {
// The music as the audio thread holds it, and what was last asked of it, so that a new device can
// sound it again. Never destroyed: the audio thread may outlive main's statics.
struct Music {
    Mix_Music* music = nullptr;  // loaded into the device open now
    QByteArray bytes;  // the decoder may read from them as long as the music lives
    quint64 tune = 0;  // the FileName it came from
    QByteArray file;
    bool playing = false;  // asked to play, and not paused or stopped since
    std::int32_t volume = 0;
};
Music& Held() {
    static Music* music = new Music;
    return *music;
}
// Each FileName is a new tune; the audio thread notes the last one it found unplayable.
std::atomic<quint64> latestTune{0};
std::atomic<quint64> unplayableTune{0};

bool LatestUnplayable() { return unplayableTune.load() == latestTune.load(); }

// These run on the audio thread, where AudioDevice::IsOpen() also means the library is there.
void ApplyVolume(std::int32_t volume) {
    Held().volume = volume;
    if (!AudioDevice::IsOpen()) return;
    const double gain = volume >= 0 ? 1.0 : std::pow(10.0, volume / 2000.0);
    AudioLibrary()->Mix_VolumeMusic(static_cast<int>(std::lround(gain * MIX_MAX_VOLUME)));
}

// While the device it was loaded into is still open.
void FreeMusic() {
    Music& held = Held();
    if (AudioDevice::IsOpen()) {
        AudioLibrary()->Mix_HaltMusic();
        if (held.music) AudioLibrary()->Mix_FreeMusic(held.music);
    }
    held.music = nullptr;
    held.bytes.clear();
}

// Reads and judges the held tune's file, and loads it into the device when one is open.
void LoadHeld() {
    Music& held = Held();
    bool exists = false;
    QByteArray bytes = SoundFiles::Read(held.file, exists);
    if (!SoundFiles::IsPlayableMidi(bytes)) {
        unplayableTune = held.tune;
        if (exists) SoundFiles::ReportDamaged(held.file, "not a playable MIDI file");
        return;
    }
    if (!AudioDevice::IsOpen()) return;
    const AudioFunctions* sdl = AudioLibrary();
    held.bytes = std::move(bytes);
    SDL_RWops* source = sdl->SDL_RWFromConstMem(held.bytes.constData(), static_cast<int>(held.bytes.size()));
    held.music = sdl->Mix_LoadMUSType_RW(source, MUS_MID, 1);
}

void LoadTune(const QByteArray& file, quint64 tune) {
    if (tune != latestTune.load()) return;  // a newer file is already on its way
    if (!AudioLibrary()) return;  // no sound libraries: everything is silent, no file is judged
    AudioDevice::Ready();
    FreeMusic();
    Music& held = Held();
    held.tune = tune;
    held.file = file;
    held.playing = false;
    LoadHeld();
}

void Sound(bool wasPaused, bool wasPlaying) {
    Music& held = Held();
    if (!AudioDevice::IsOpen()) return;
    // Not loaded yet, or loaded into a device that went away.
    if (!held.music && unplayableTune.load() != held.tune) LoadHeld();
    if (!held.music) return;
    const AudioFunctions* sdl = AudioLibrary();
    ApplyVolume(held.volume);
    // Playing music goes on where it is; paused music resumes.
    if (wasPlaying && sdl->Mix_PlayingMusic() && !sdl->Mix_PausedMusic()) return;
    if (wasPaused && sdl->Mix_PlayingMusic()) {
        sdl->Mix_ResumeMusic();
    } else {
        // Tracks are written to loop.
        sdl->Mix_PlayMusic(held.music, -1);
    }
}

void PlayTune(quint64 tune, std::int32_t volume, bool wasPaused, bool wasPlaying) {
    Music& held = Held();
    if (held.tune != tune) return;
    AudioDevice::Ready();
    held.playing = true;
    held.volume = volume;
    Sound(wasPaused, wasPlaying);
}

// A new device plays what the player's state says is playing, from the start, unless the job that
// opened it has started it already.
void RestoreMusic() {
    if (Held().playing && Held().tune == latestTune.load()) Sound(false, true);
}
}

MediaPlayer::MediaPlayer() { AudioDevice::Watch(FreeMusic, RestoreMusic); }

MediaPlayer& MediaPlayer::Instance() {
    static MediaPlayer player;
    return player;
}

std::int32_t MediaPlayer::PlayState() const { return LatestUnplayable() ? 0 : playState_; }

void MediaPlayer::SetFileName(const QString& path) {
    calls_.Add(QStringLiteral("FileName ") + path);
    fileName_ = path;
    playState_ = 0;
    const quint64 tune = latestTune.load() + 1;
    latestTune = tune;
    AudioDevice::Post([file = QFile::encodeName(path), tune] { LoadTune(file, tune); });
}

void MediaPlayer::Play() {
    calls_.Add(QStringLiteral("Play"));
    // A file that is not there, or not playable, cannot play: the call fails and nothing changes.
    if (fileName_.isEmpty() || !QFileInfo(fileName_).isFile() || LatestUnplayable()) return;
    const bool wasPaused = playState_ == 1;
    const bool wasPlaying = playState_ == 2;
    playState_ = 2;
    AudioDevice::Post([tune = latestTune.load(), volume = volume_, wasPaused, wasPlaying] {
        PlayTune(tune, volume, wasPaused, wasPlaying);
    });
}

void MediaPlayer::Pause() {
    calls_.Add(QStringLiteral("Pause"));
    if (playState_ == 2) playState_ = 1;
    AudioDevice::Post([] {
        Held().playing = false;
        if (AudioDevice::IsOpen() && AudioLibrary()->Mix_PlayingMusic()) AudioLibrary()->Mix_PauseMusic();
    });
}

void MediaPlayer::SetVolume(std::int32_t v) {
    calls_.Add(QStringLiteral("Volume %1").arg(v));
    volume_ = v;
    AudioDevice::Post([v] { ApplyVolume(v); });
}

void MediaPlayer::Reset() {
    AudioDevice::Post([] {
        Held().playing = false;
        if (AudioDevice::IsOpen()) AudioLibrary()->Mix_HaltMusic();
    });
    fileName_.clear();
    playState_ = 0;
    volume_ = 0;
    calls_.Entries().clear();
}

void DoubleVolume(MediaPlayer& player) {
    const std::int64_t doubled = static_cast<std::int64_t>(player.Volume()) * 2;
    if (doubled < INT32_MIN || doubled > INT32_MAX) return;
    player.SetVolume(static_cast<std::int32_t>(doubled));
}

void HalveVolume(MediaPlayer& player) {
    const double half = player.Volume() / 2.0;
    player.SetVolume(static_cast<std::int32_t>(std::nearbyint(half)));  // round-half-even by default
}
