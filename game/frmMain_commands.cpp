// The side-bar commands: button pictures, letter hot keys, New, pause and the four windows.
#include "dialogs/frmAudio.h"
#include "dialogs/frmCustomInput.h"
#include "dialogs/frmInstruct.h"
#include "dialogs/frmOptions.h"
#include "game/frmMain.h"
#include "highscores/frmHighScores.h"
#include "platform/Modal.h"

using namespace Module1;

namespace {
// The main window takes no input while a modal window is up; the programmatic path (a hot key or
// a click that got through) must not stack a second window either.
bool WindowAlreadyUp() { return Modal::Depth() > 0; }

// Play stopped under a window; at a game over the blocks stay in view behind the banner.
void Suspend(frmMain& f) {
    if (!f.GmOv->Visible()) f.HideBlocks();
    f.GameTimer.SetEnabled(false);
}

// Play goes on only in a started game that is not lost: the banner shows from its first tick on,
// the running banner timer covers the time before it.
void Resume(frmMain& f) {
    f.ShowBlocks();
    if (!f.GmOv->Visible() && !f.GameOverTimer.Enabled() && GoblinCount > 0) f.GameTimer.SetEnabled(true);
    f.backPic->setFocus(Qt::OtherFocusReason);
}

// The audio, instructions and high-score commands. The high-score window halves the volume itself
// when it unloads, so its caller leaves that step out.
template <class Window>
void ShowOverGame(frmMain& f, bool halveAfter) {
    if (WindowAlreadyUp()) return;
    Suspend(f);
    DoubleVolume(f.MediaPlayer1);
    {
        Window window;
        Modal::Show(window);
    }
    if (halveAfter) HalveVolume(f.MediaPlayer1);
    Resume(f);
}

void ShowButton(ImageBox* button, const PictureList& list, const char* key) {
    button->SetPicture(list.ListImages(QLatin1String(key)));
}
}

// ---- New ----

void frmMain::Image1_Click() {
    if (WindowAlreadyUp()) return;
    // A new game must not start under a landing that is still being processed: the landing would
    // carry on over the fresh board.
    if (TickRunning) return;
    // Only a running game is suspended around the dialog, and only a running game resumes on Cancel.
    const bool running = GameTimer.Enabled();
    if (running) {
        GameTimer.SetEnabled(false);
        HideBlocks();
    }
    DoubleVolume(MediaPlayer1);
    {
        frmOptions options;
        Modal::Show(options);
    }
    HalveVolume(MediaPlayer1);
    if (NewGameRequested) {
        KeysLocked = true;
        NewGameRequested = false;
        ResizeBoard();
        StartNewGame();
        if (running) ShowBlocks();
    } else if (running) {
        GameTimer.SetEnabled(true);
        backPic->setFocus(Qt::OtherFocusReason);
        ShowBlocks();
    } else {
        backPic->setFocus(Qt::OtherFocusReason);
    }
}

// ---- Pause and resume ----

void frmMain::Image2_Click() {
    if (WindowAlreadyUp()) return;
    GmOv->SetPicture(ImageList2.ListImages(QStringLiteral("pause")));
    // Pausing and resuming are the same steps in the same order, each undoing the other.
    const bool pausing = GameTimer.Enabled();
    if (pausing)
        DoubleVolume(MediaPlayer1);
    else
        HalveVolume(MediaPlayer1);
    // Pause itself stays enabled so that the same button or P resumes.
    for (ImageBox* b : {Image1, Image3, Image4, Image5, Image6}) b->SetEnabled(!pausing);
    GameTimer.SetEnabled(!pausing);
    KeysLocked = pausing;
    if (pausing)
        HideBlocks();
    else
        ShowBlocks();
    PauseTimer.SetEnabled(pausing);
    if (!pausing) GmOv->SetVisible(false);
    backPic->setFocus(Qt::OtherFocusReason);
}

void frmMain::PauseTimer_Timer() { GmOv->SetVisible(!GmOv->Visible()); }

// ---- Button pictures ----

// Image<n>_MouseDown and Image<n>_MouseUp: the button shows "<key>2" while pressed, "<key>1" at rest.
#define BUTTON_PICTURES(n, key)                                                         \
    void frmMain::Image##n##_MouseDown() { ShowButton(Image##n, ImageList1, key "2"); } \
    void frmMain::Image##n##_MouseUp() { ShowButton(Image##n, ImageList1, key "1"); }
BUTTON_PICTURES(1, "new")
BUTTON_PICTURES(2, "pause")
BUTTON_PICTURES(3, "audio")
BUTTON_PICTURES(4, "instruct")
BUTTON_PICTURES(5, "high")
BUTTON_PICTURES(6, "exit")
#undef BUTTON_PICTURES

// ---- Hot keys ----

// Locked keys or not, the letter of an enabled button runs its command; P comes first.
void frmMain::HotKeys(Integer KeyCode) {
    if (Image2->Enabled() && KeyCode == vbKeyP) Image2_Click();
    else if (Image1->Enabled() && KeyCode == vbKeyN) Image1_Click();
    else if (Image3->Enabled() && KeyCode == vbKeyA) Image3_Click();
    else if (Image4->Enabled() && KeyCode == vbKeyI) Image4_Click();
    else if (Image5->Enabled() && KeyCode == vbKeyH) Image5_Click();
    else if (Image6->Enabled() && KeyCode == vbKeyE) Image6_Click();
}

// ---- Audio, instructions, high scores, exit ----

void frmMain::Image3_Click() { ShowOverGame<frmAudio>(*this, true); }
void frmMain::Image4_Click() { ShowOverGame<frmInstruct>(*this, true); }
void frmMain::Image5_Click() { ShowOverGame<frmHighScores>(*this, false); }

void frmMain::Image6_Click() {
    if (WindowAlreadyUp()) return;
    Suspend(*this);
    PromptText = QStringLiteral("Are you sure you want to exit 'Quorbit!'?");
    PromptCaption = QStringLiteral("Exit Game?");
    PromptMode = 1;
    DoubleVolume(MediaPlayer1);
    bool yes = false;
    {
        frmCustomInput prompt;
        Modal::Show(prompt);
        HalveVolume(MediaPlayer1);
        yes = prompt.AnsweredYes;
    }
    if (yes) {
        // Saves the settings and ends the program: nothing may resume after it.
        Form_Unload();
        return;
    }
    Resume(*this);
}
