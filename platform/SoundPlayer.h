#pragma once
#include <QString>
#include <QStringList>

// Asynchronous WAV effects: returns at once, one effect at a time (a new one cuts the old), silence
// for a missing or damaged file.
namespace SoundPlayer {
void PlayAsync(const QString& path);
// Every path asked for, in order, while tests record.
QStringList& History();
}
