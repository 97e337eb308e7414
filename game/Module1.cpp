#include "game/Module1.h"
#include "platform/SoundPlayer.h"

#include <QCoreApplication>

namespace Module1 {
void Reset() {
    BoardSize = 0;
    MusicFile.clear();
    GoblinCount = 0;
    MusicOn = SoundEffectsOn = RandomMusic = NewGameRequested = false;
    Level = MaxLevel = 0;
    TopScore.fill(QString());
    TopScoreName.fill(QString());
    PromptText.clear();
    PromptCaption.clear();
    PromptMode = 0;
    NewScoreRank = 0;
}

QString AudioFolder() { return QCoreApplication::applicationDirPath() + QStringLiteral("/audio/"); }
}

void PlaySoundEffect(const QString& fileName) {
    if (!Module1::SoundEffectsOn) return;
    SoundPlayer::PlayAsync(Module1::AudioFolder() + fileName);
}
