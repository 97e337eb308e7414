// The end of a lost game: the score goes into the table, the player names it, the table is shown.
#include "dialogs/frmCustomInput.h"
#include "game/frmMain.h"
#include "highscores/HighScoreTable.h"
#include "highscores/frmHighScores.h"
#include "platform/Modal.h"
#include "platform/Program.h"

#include <QMessageBox>
#include <memory>

using namespace Module1;

void frmMain::RecordHighScore() {
    // Another instance may have stored scores since this one started: the place, the prompt's words
    // and the red row are chosen from the table the save will write.
    Settings::ReadTableAgain();
    const int place = HighScoreTable::FindPlace(ScoreLabel->Caption(), TopScore);
    if (place == 0) return;
    HighScoreTable::ShiftDown(TopScore, TopScoreName, place);
    const auto i = static_cast<size_t>(place);
    const QString score = ScoreLabel->Caption();
    TopScore[i] = score;
    NamedScore = score;
    const QString name = AskPlayerName(static_cast<Integer>(place));
    TopScoreName[i] = name;
    if (Program::Ended()) return;
    // Stored at once: a crash or a power cut later in the run cannot take the entry. The table then
    // also shows what other instances stored meanwhile, so the new row may have moved.
    Settings::NoteNewEntry(score, name);
    const Settings::Outcome saved = SaveSettings();
    if (saved.Saved) {
        NewScoreRank = static_cast<Integer>(saved.NewestPlace);
    } else {
        QMessageBox problem(QMessageBox::Warning, QStringLiteral("Quorbit!"),
                            QStringLiteral("The high-score table could not be saved.\n\n%1").arg(saved.Problem),
                            QMessageBox::Ok, this);
        Modal::Show(problem);
    }
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
    OpenNamePrompt = box.get();
    Modal::Show(*box);
    OpenNamePrompt = nullptr;
    // Taken as typed: no trimming and nothing in place of an empty name.
    return box->Text1->text();
}
