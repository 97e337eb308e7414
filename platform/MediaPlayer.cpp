#include "platform/MediaPlayer.h"
#include "platform/AudioDevice.h"

#include <QFileInfo>
#include <SDL_mixer.h>
#include <cmath>

namespace {
// The call log serves tests; a long game must not grow it without end.
void Record(QStringList& log, const QString& call) {
    if (log.size() >= 4096) log.erase(log.begin(), log.begin() + 2048);
    log.append(call);
}
}

MediaPlayer& MediaPlayer::Instance() {
    static MediaPlayer player;
    return player;
}

void MediaPlayer::SetFileName(const QString& path) {
    Record(calls_, QStringLiteral("FileName ") + path);
    fileName_ = path;
    playState_ = 0;
    if (!AudioDevice::Open()) return;
    Mix_HaltMusic();
    if (music_) {
        Mix_FreeMusic(static_cast<Mix_Music*>(music_));
        music_ = nullptr;
    }
    music_ = Mix_LoadMUS(path.toLocal8Bit().constData());
}

void MediaPlayer::Play() {
    Record(calls_, QStringLiteral("Play"));
    // A file that is not there cannot play: the call fails and nothing changes.
    if (fileName_.isEmpty() || !QFileInfo(fileName_).isFile()) return;
    const bool wasPaused = playState_ == 1;
    const bool wasPlaying = playState_ == 2;
    playState_ = 2;
    if (!AudioDevice::IsOpen() || !music_) return;
    ApplyVolume();
    // Playing music goes on where it is; paused music resumes.
    if (wasPlaying && Mix_PlayingMusic() && !Mix_PausedMusic()) return;
    if (wasPaused && Mix_PlayingMusic()) {
        Mix_ResumeMusic();
    } else {
        // Tracks are written to loop.
        Mix_PlayMusic(static_cast<Mix_Music*>(music_), -1);
    }
}

void MediaPlayer::Pause() {
    Record(calls_, QStringLiteral("Pause"));
    if (playState_ == 2) playState_ = 1;
    if (AudioDevice::IsOpen() && Mix_PlayingMusic()) Mix_PauseMusic();
}

void MediaPlayer::SetVolume(std::int32_t v) {
    Record(calls_, QStringLiteral("Volume %1").arg(v));
    volume_ = v;
    ApplyVolume();
}

void MediaPlayer::ApplyVolume() {
    if (!AudioDevice::IsOpen()) return;
    const double gain = volume_ >= 0 ? 1.0 : std::pow(10.0, volume_ / 2000.0);
    Mix_VolumeMusic(static_cast<int>(std::lround(gain * MIX_MAX_VOLUME)));
}

void MediaPlayer::Reset() {
    if (AudioDevice::IsOpen()) Mix_HaltMusic();
    fileName_.clear();
    playState_ = 0;
    volume_ = 0;
    calls_.clear();
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
