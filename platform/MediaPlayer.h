#pragma once
#include "platform/CallLog.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The background music player. Volume is in hundredths of a decibel: 0 is loudest, lower is quieter.
class MediaPlayer {
public:
    static MediaPlayer& Instance();

    QString FileName() const { return fileName_; }
    void SetFileName(const QString& path);
    void Play();
    void Pause();
    // 0: nothing playing (never started, or a file that turned out not to be playable); otherwise
    // music is loaded and running (2) or paused (1).
    std::int32_t PlayState() const;
    std::int32_t Volume() const { return volume_; }
    void SetVolume(std::int32_t v);

    // Every call made, as "FileName <path>", "Play", "Pause", "Volume <v>", while tests record.
    QStringList& Calls() { return calls_.Entries(); }
    // Back to the start-up state (tests).
    void Reset();

private:
    MediaPlayer();
    QString fileName_;
    std::int32_t playState_ = 0;
    std::int32_t volume_ = 0;
    CallLog calls_;
};

// The music made quieter around a window and loud again after it: doubling and halving the value.
// A doubling that would leave 32 bits is skipped.
void DoubleVolume(MediaPlayer& player);
// Halves the current value, the nearest whole number, an exact half to the even neighbour.
void HalveVolume(MediaPlayer& player);
