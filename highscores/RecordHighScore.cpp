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
    const QString score = ScoreLabel->Caption();
    int place = HighScoreTable::FindPlace(score, TopScore);
    if (place == 0) return;
    HighScoreTable::ShiftDown(TopScore, TopScoreName, place);
    TopScore[static_cast<size_t>(place)] = score;
    TopScoreName[static_cast<size_t>(place)] = frmCustomInput::Text1Preset();
    // Stored before the prompt opens, under the name it opens with: a display server that goes away
    // meanwhile may end the program with no handler run (Wayland's does).
    Settings::NoteNewEntry(score, frmCustomInput::Text1Preset());
    const Settings::Outcome early = SaveSettings();
    if (early.Saved) place = early.NewestPlace;
    // Other instances filled the table in the meantime.
    if (place == 0) return;
    const QString name = AskPlayerName(static_cast<Integer>(place));
    TopScoreName[static_cast<size_t>(place)] = name;
    if (Program::Ended()) return;
    // Renamed at once: a crash or a power cut later in the run cannot take the name. The table then
    // also shows what other instances stored meanwhile, so the new row may have moved.
    Settings::RenameNewEntry(name);
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
