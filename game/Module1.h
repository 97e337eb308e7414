#pragma once
#include "platform/Types.h"

#include <QString>
#include <array>

// Run-wide state shared by every window. Entries 1 to 10 of the two table arrays are the high-score
// table; entry 11 takes whatever an insertion pushes out.
namespace Module1 {
inline Integer BoardSize = 0;
inline QString MusicFile;
inline Integer GoblinCount = 0;
inline bool MusicOn = false;
inline bool SoundEffectsOn = false;
inline bool RandomMusic = false;
inline bool NewGameRequested = false;
inline Integer Level = 0;
inline Integer MaxLevel = 0;
inline std::array<QString, 12> TopScore;      // 1 To 11
inline std::array<QString, 12> TopScoreName;  // 1 To 11
inline QString PromptText;
inline QString PromptCaption;
inline Integer PromptMode = 0;
inline Integer NewScoreRank = 0;

// Everything back to 0, False or the empty text, as before the main window loads.
void Reset();
// The folder holding the sound effects and music, with a trailing slash.
QString AudioFolder();
}

void PlaySoundEffect(const QString& fileName);
