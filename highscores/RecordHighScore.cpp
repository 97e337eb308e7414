// The end of a lost game: the score goes into the table, the player names it, the table is shown.
#include "dialogs/frmCustomInput.h"
#include "game/frmMain.h"
#include "highscores/HighScoreTable.h"
#include "highscores/frmHighScores.h"
#include "platform/Modal.h"

#include <memory>

using namespace Module1;

void frmMain::RecordHighScore() {
    const int place = HighScoreTable::FindPlace(ScoreLabel->Caption(), TopScore);
    if (place == 0) return;
    HighScoreTable::ShiftDown(TopScore, TopScoreName, place);
    const auto i = static_cast<size_t>(place);
    TopScore[i] = ScoreLabel->Caption();
    TopScoreName[i] = AskPlayerName(static_cast<Integer>(place));
    // The prompt was heard at full loudness; the table window halves this again when it closes.
    DoubleVolume(MediaPlayer1);
    frmHighScores table;
    Modal::Show(table);
}

QString frmMain::AskPlayerName(Integer place) {
    PromptText = HighScoreTable::NamePrompt(place);
    PromptCaption = QStringLiteral("Enter Name:");
    PromptMode = 0;
    NewScoreRank = place;
    auto box = std::make_unique<frmCustomInput>();
    Modal::Show(*box);
    // Taken as typed: no trimming and nothing in place of an empty name.
    return box->Text1->text();
}
