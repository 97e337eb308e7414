// The new-game, audio, instructions, prompt and splash windows.
#include "TestSupport.h"

#include "dialogs/frmAudio.h"
#include "dialogs/frmCustomInput.h"
#include "dialogs/frmInstruct.h"
#include "dialogs/frmLogo.h"
#include "dialogs/frmOptions.h"
#include "platform/FileChooser.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"

#include <QImage>
#include <QMap>
#include <QTest>

using namespace Module1;

namespace {
// Windows with no main window behind them.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { TestSupport::QuietEnvironment(); }
    void TearDown() override {
        Modal::SetHook(nullptr);
        FileChooser::SetHook(nullptr);
    }
};

QStringList& Calls() { return MediaPlayer::Instance().Calls(); }

// The colour a button really shows, away from its border and caption.
QColor ShownColour(QPushButton* b) {
    const QImage img = b->grab().toImage();
    return img.pixelColor(img.width() / 2, 5);
}

// Shown and made the active window, so that focus moves as on screen.
void ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}
}

// ---- New-game dialog ----

using NewGameAfterStartUp = GameTest;
using NewGameDialog = DialogTest;

TEST_F(NewGameAfterStartUp, FirstNewOpensAtLevelOneAndStartUpSize) {
    frmOptions dlg;
    EXPECT_EQ(dlg.Slider2->value(), 1);
    EXPECT_EQ(dlg.Label3->text(), "1");
    EXPECT_EQ(dlg.Slider1->value(), BoardSize);
    EXPECT_EQ(dlg.Label4->text(), QStringLiteral("%1 x %1").arg(BoardSize));
    EXPECT_EQ(dlg.Slider1->minimum(), 10);
    EXPECT_EQ(dlg.Slider1->maximum(), 15);
    EXPECT_EQ(dlg.Slider2->maximum(), MaxLevel);
    EXPECT_EQ(dlg.windowTitle(), "Quorbit!");
    EXPECT_EQ(dlg.size(), QSize(362, 353));
}

TEST_F(NewGameDialog, LevelSliderFollowsMaxLevelAndStaysValid) {
    BoardSize = 13;
    Level = 1;
    MaxLevel = 12;
    {
        frmOptions dlg;
        dlg.Slider2->setValue(12);
        EXPECT_EQ(dlg.Slider2->value(), 12);
        EXPECT_EQ(dlg.Label3->text(), "12");
    }
    MaxLevel = 5;
    {
        frmOptions dlg;
        dlg.Slider2->setValue(7);
        EXPECT_EQ(dlg.Slider2->value(), 5);
    }
    for (Integer bad : {Integer(0), Integer(-3)}) {
        MaxLevel = bad;
        frmOptions dlg;
        EXPECT_GE(dlg.Slider2->maximum(), dlg.Slider2->minimum());
        EXPECT_EQ(dlg.Slider2->value(), 1);
        EXPECT_EQ(dlg.Label3->text(), "1");
        dlg.Command1->click();
        EXPECT_EQ(Level, 0);
    }
}

TEST_F(NewGameDialog, PlayStoresTheChosenLevelAndSize) {
    MaxLevel = 10;
    Level = 7;
    BoardSize = 15;
    Modal::SetHook([](QDialog& d) {
        auto& dlg = dynamic_cast<frmOptions&>(d);
        EXPECT_EQ(dlg.Slider2->value(), 7);
        EXPECT_EQ(dlg.Label4->text(), "15 x 15");
        dlg.Slider1->setValue(12);
        EXPECT_EQ(dlg.Label4->text(), "12 x 12");
        dlg.Command1->click();
        EXPECT_FALSE(dlg.isVisible());
    });
    {
        frmOptions dlg;
        Modal::Show(dlg);
    }
    EXPECT_TRUE(NewGameRequested);
    EXPECT_EQ(Level, 6);  // the set-up adds 1: the game starts at level 7
    EXPECT_EQ(BoardSize, 12);

    NewGameRequested = false;
    Modal::SetHook([](QDialog& d) {
        auto& dlg = dynamic_cast<frmOptions&>(d);
        dlg.Slider2->setValue(1);
        EXPECT_EQ(dlg.Label3->text(), "1");
        dlg.Command1->click();
    });
    {
        frmOptions dlg;
        Modal::Show(dlg);
    }
    EXPECT_TRUE(NewGameRequested);
    EXPECT_EQ(Level, 0);
}

TEST_F(NewGameDialog, CancelOrClosingChangesNothing) {
    MaxLevel = 10;
    Level = 4;
    BoardSize = 13;
    int shown = 0;
    for (bool viaCancel : {true, false}) {
        Modal::SetHook([&shown, viaCancel](QDialog& d) {
            ++shown;
            auto& dlg = dynamic_cast<frmOptions&>(d);
            dlg.Slider1->setValue(15);
            dlg.Slider2->setValue(9);
            if (viaCancel) dlg.Command3->click();
            // otherwise left open: closed as by the close box
        });
        frmOptions dlg;
        Modal::Show(dlg);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_FALSE(NewGameRequested);
        EXPECT_EQ(Level, 4);
        EXPECT_EQ(BoardSize, 13);
    }
    EXPECT_EQ(shown, 2);
}

TEST_F(NewGameDialog, FocusStartsOnPlayAndReturnsThereAfterSliderRelease) {
    MaxLevel = 10;
    Level = 1;
    BoardSize = 13;
    frmOptions dlg;
    ShowActive(dlg);
    EXPECT_EQ(dlg.focusWidget(), dlg.Command1);
    for (QSlider* s : {dlg.Slider1, dlg.Slider2}) {
        s->setFocus();
        ASSERT_EQ(dlg.focusWidget(), s);
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(s->width() - 5, s->height() / 2));
        EXPECT_EQ(dlg.focusWidget(), dlg.Command1);
    }
    // Enter then starts the game.
    QTest::keyClick(dlg.Command1, Qt::Key_Return);
    EXPECT_TRUE(NewGameRequested);
}

// ---- Audio dialog ----

using AudioAfterStartUp = GameTest;
using AudioDialog = DialogTest;

TEST_F(AudioAfterStartUp, StartUpSettingsOpenWithoutTouchingThePlayer) {
    frmAudio dlg;
    EXPECT_TRUE(dlg.Check2->isChecked());
    EXPECT_TRUE(dlg.Check1->isChecked());
    EXPECT_FALSE(dlg.Check3->isChecked());
    EXPECT_TRUE(dlg.Check3->isEnabled());
    EXPECT_TRUE(Calls().isEmpty()) << Calls().join(", ").toStdString();
    EXPECT_EQ(dlg.size(), QSize(329, 225));
    EXPECT_EQ(dlg.windowTitle(), "Quorbit! Audio Options");
    // The whole OK button lies inside the client area.
    EXPECT_TRUE(dlg.rect().contains(dlg.Command1->geometry()));
}

TEST_F(AudioDialog, MusicOffOpensUntickedAndPausesTheMusic) {
    MusicOn = false;
    SoundEffectsOn = false;
    RandomMusic = true;
    frmAudio dlg;
    EXPECT_FALSE(dlg.Check1->isChecked());
    EXPECT_FALSE(dlg.Check3->isEnabled());
    EXPECT_TRUE(dlg.Check3->isChecked());
    EXPECT_FALSE(dlg.Check2->isChecked());
    EXPECT_EQ(Calls(), QStringList{"Pause"});
    // OK keeps random music off while the music is off, whatever its tick.
    dlg.Command1->click();
    EXPECT_FALSE(RandomMusic);
    EXPECT_FALSE(MusicOn);
    EXPECT_FALSE(SoundEffectsOn);
}

TEST_F(AudioDialog, TickingMusicPlaysAtOnceAndOkPausesBeforeTheFirstGame) {
    MusicOn = false;
    GoblinCount = 0;
    frmAudio dlg;
    Calls().clear();
    dlg.Check1->click();
    EXPECT_EQ(Calls(), QStringList{"Play"});
    EXPECT_TRUE(dlg.Check3->isEnabled());
    dlg.Command1->click();
    EXPECT_EQ(Calls().last(), "Pause");
    EXPECT_TRUE(MusicOn);
    EXPECT_FALSE(dlg.isVisible());

    // Once a game has started OK leaves the music playing.
    GoblinCount = 3;
    frmAudio again;
    Calls().clear();
    again.Command1->click();
    EXPECT_EQ(Calls(), QStringList{"Play"});
}

TEST_F(AudioDialog, UntickingMusicClearsRandomMusicOnOk) {
    MusicOn = true;
    SoundEffectsOn = true;
    RandomMusic = false;
    frmAudio dlg;
    dlg.Check3->click();
    ASSERT_TRUE(dlg.Check3->isChecked());
    dlg.Check1->click();
    EXPECT_FALSE(dlg.Check3->isEnabled());
    EXPECT_EQ(Calls(), QStringList{"Pause"});
    dlg.Check2->click();
    dlg.Command1->click();
    EXPECT_FALSE(RandomMusic);
    EXPECT_FALSE(MusicOn);
    EXPECT_FALSE(SoundEffectsOn);
}

TEST_F(AudioDialog, ClosingWithoutOkKeepsTheSettingsButNotThePlayer) {
    MusicOn = true;
    SoundEffectsOn = true;
    RandomMusic = true;
    Modal::SetHook([](QDialog& d) {
        auto& dlg = dynamic_cast<frmAudio&>(d);
        dlg.Check1->click();
        dlg.Check2->click();
    });
    frmAudio dlg;
    Modal::Show(dlg);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(MusicOn);
    EXPECT_TRUE(SoundEffectsOn);
    EXPECT_TRUE(RandomMusic);
    EXPECT_EQ(Calls(), QStringList{"Pause"});
}

TEST_F(AudioDialog, ChoosingMusicLoadsTheFileAndPlaysOnlyWhenTicked) {
    MusicOn = true;
    MusicFile = "/old.mid";
    QString title, filter, folder;
    FileChooser::SetHook([&](const QString& t, const QString& f, const QString& d) {
        title = t;
        filter = f;
        folder = d;
        return QString();  // cancelled
    });
    frmAudio dlg;
    dlg.Command3->click();
    EXPECT_EQ(title, "Select Background Music:");
    EXPECT_EQ(filter, "MIDI Music Files (.mid) (*.mid)");
    EXPECT_EQ(folder + "/", AudioFolder());
    EXPECT_FALSE(folder.endsWith('/'));
    EXPECT_EQ(MusicFile, "/old.mid");
    EXPECT_TRUE(Calls().isEmpty());

    FileChooser::SetHook([](const QString&, const QString&, const QString&) { return QStringLiteral("/m/a.mid"); });
    dlg.Command3->click();
    EXPECT_EQ(MusicFile, "/m/a.mid");
    EXPECT_EQ(Calls(), (QStringList{"FileName /m/a.mid", "Play"}));

    // Music off: loaded, not played.
    dlg.Check1->click();
    Calls().clear();
    FileChooser::SetHook([](const QString&, const QString&, const QString&) { return QStringLiteral("/m/b.mid"); });
    dlg.Command3->click();
    EXPECT_EQ(MusicFile, "/m/b.mid");
    EXPECT_EQ(Calls(), QStringList{"FileName /m/b.mid"});
    EXPECT_EQ(MediaPlayer::Instance().FileName(), "/m/b.mid");
}

// ---- Instructions window ----

using InstructionsWindow = DialogTest;

TEST_F(InstructionsWindow, OpensOnObjectiveAndEachTabBringsItsPageForwardHighlightingOnlyItself) {
    frmInstruct dlg;
    dlg.show();
    EXPECT_EQ(dlg.size(), QSize(609, 289));
    EXPECT_TRUE(dlg.rect().contains(dlg.Command3->geometry()));
    struct Tab {
        QPushButton* button;
        PictureBox* page;
    };
    const Tab tabs[] = {{dlg.Command1, dlg.Picture1}, {dlg.Command2, dlg.Picture2},
                        {dlg.Command5, dlg.Picture4}, {dlg.Command4, dlg.Picture3}};
    auto expectInFront = [&](const Tab& tab) {
        EXPECT_EQ(dlg.FrontPage(), tab.page) << tab.button->objectName().toStdString();
        for (const Tab& other : tabs) {
            const QColor want = other.button == tab.button ? QColor(255, 255, 192) : QColor(Qt::white);
            EXPECT_EQ(ShownColour(other.button), want) << other.button->objectName().toStdString();
        }
        EXPECT_EQ(ShownColour(dlg.Command3), QColor(Qt::white));
    };
    expectInFront(tabs[0]);  // as opened
    for (const Tab& tab : {tabs[1], tabs[2], tabs[0], tabs[3]}) {
        tab.button->click();
        expectInFront(tab);
    }

    // Pressing the tab in front again changes nothing.
    const QImage before = dlg.grab().toImage();
    dlg.Command4->click();
    EXPECT_EQ(dlg.grab().toImage(), before);
    EXPECT_EQ(dlg.FrontPage(), dlg.Picture3);
}

TEST_F(InstructionsWindow, InstructionPagesHoldTheKeyAndScoringTables) {
    frmInstruct dlg;
    // The texts standing at height y on a page, left to right, each after its x.
    auto row = [](QWidget* page, int y) {
        QMap<int, QString> byX;
        for (QLabel* l : page->findChildren<QLabel*>())
            if (l->y() == y) byX.insert(l->x(), l->text());
        QStringList cells;
        for (auto it = byX.cbegin(); it != byX.cend(); ++it) cells << QStringLiteral("%1 %2").arg(it.key()).arg(*it);
        return cells.join(" | ");
    };
    EXPECT_EQ(row(dlg.Picture2, 32), "32 Key: | 200 Action:");
    EXPECT_EQ(row(dlg.Picture2, 48), "32 Left/Right Arrows | 200 Moves object to the left and right.");
    EXPECT_EQ(row(dlg.Picture2, 80), "32 Spacebar | 200 Increases the speed of the descending object.");
    EXPECT_EQ(row(dlg.Picture2, 176), "32 E | 200 Shortcut for exiting the game.");
    EXPECT_EQ(row(dlg.Picture4, 24), "8 Action: | 208 Point Value:");
    EXPECT_EQ(row(dlg.Picture4, 120), "8 Create Equation | 208 Number of Blocks x 100");
    EXPECT_EQ(row(dlg.Picture4, 144), "208 x 2 If Equation Contains Addition or Subtraction");
    EXPECT_EQ(row(dlg.Picture4, 168), "208 x 4 If Equation Contains Multiplication or Division");
    EXPECT_EQ(row(dlg.Picture4, 192), "8 Complete Level | 208 Level Number x 100");
    // Every text fits on its page and, wrapped, inside its label.
    for (PictureBox* page : {dlg.Picture1, dlg.Picture2, dlg.Picture3, dlg.Picture4}) {
        for (QLabel* l : page->findChildren<QLabel*>()) {
            const int h = l->wordWrap() ? l->heightForWidth(l->width()) : l->sizeHint().height();
            EXPECT_TRUE(page->rect().contains(QRect(l->pos(), QSize(l->width(), h)))) << l->text().toStdString();
            if (l->wordWrap()) {
                EXPECT_LE(h, l->height()) << l->text().toStdString();
            }
        }
    }
    // The red tiles of the objective spell 1+2=3.
    auto* one = dlg.Picture1->findChild<ImageBox*>("one");
    ASSERT_NE(one, nullptr);
    EXPECT_TRUE(one->GetPicture().Is(Pictures::ImageListRed(), "one"));
    EXPECT_EQ(one->geometry(), QRect(104, 56, 40, 40));

    dlg.Command3->click();
    EXPECT_FALSE(dlg.isVisible());
}

// ---- Prompt box ----

using PromptBox = DialogTest;

TEST_F(PromptBox, YesNoModeAnswersAndStartsOnNo) {
    PromptMode = 1;
    PromptText = "Are you sure you want to exit?";
    PromptCaption = "Exit";
    {
        frmCustomInput box;
        ShowActive(box);
        EXPECT_TRUE(box.Command2->isVisible());
        EXPECT_FALSE(box.Text1->isVisible());
        EXPECT_EQ(box.Command1->text(), "No");
        EXPECT_EQ(box.Label1->text(), PromptText);
        EXPECT_EQ(box.windowTitle(), "Exit");
        EXPECT_EQ(box.focusWidget(), box.Command1);
        EXPECT_FALSE(box.AnsweredYes);
        box.Command2->click();
        EXPECT_TRUE(box.AnsweredYes);
        EXPECT_FALSE(box.isVisible());
    }
    {
        frmCustomInput box;
        EXPECT_FALSE(box.AnsweredYes);
        ShowActive(box);
        QTest::keyClick(box.focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(box.AnsweredYes);
        EXPECT_FALSE(box.isVisible());
    }
    {
        frmCustomInput box;
        ShowActive(box);
        box.Command2->setFocus();
        QTest::keyClick(box.focusWidget(), Qt::Key_Space);
        EXPECT_TRUE(box.AnsweredYes);
    }
    {
        // The close box answers No.
        frmCustomInput box;
        box.show();
        box.close();
        EXPECT_FALSE(box.AnsweredYes);
        EXPECT_FALSE(box.isVisible());
    }
}

TEST_F(PromptBox, EveryOtherModeGivesTheNameEntry) {
    PromptText = "Congratulations!  You have a top 10 score!  Please enter your name:";
    PromptCaption = "Enter Name:";
    for (Integer mode : {Integer(0), Integer(2), Integer(-1)}) {
        PromptMode = mode;
        frmCustomInput box;
        ShowActive(box);
        EXPECT_TRUE(box.Text1->isVisible());
        EXPECT_FALSE(box.Command2->isVisible());
        EXPECT_EQ(box.Command1->text(), "OK");
        EXPECT_EQ(box.Text1->selectedText(), "Name");
        EXPECT_EQ(box.focusWidget(), box.Text1);
        EXPECT_EQ(box.windowTitle(), "Enter Name:");
        // Typing replaces the preset name, ten characters at most.
        QTest::keyClicks(box.Text1, "Maximilianus");
        EXPECT_EQ(box.Text1->text(), "Maximilian");
        box.Command1->click();
        EXPECT_FALSE(box.isVisible());
        EXPECT_FALSE(box.AnsweredYes);
        EXPECT_EQ(box.Text1->text(), "Maximilian");
    }
}

TEST_F(PromptBox, NameEntryReturnsWhatTheFieldHolds) {
    PromptMode = 0;
    {
        frmCustomInput box;
        ShowActive(box);
        QTest::keyClick(box.Text1, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.Text1->text(), "Name");
    }
    {
        frmCustomInput box;
        ShowActive(box);
        QTest::keyClick(box.Text1, Qt::Key_Delete);
        QTest::keyClick(box.Text1, Qt::Key_Enter);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.Text1->text(), "");
    }
    {
        // The close box answers as OK, with the name as typed.
        frmCustomInput box;
        ShowActive(box);
        QTest::keyClicks(box.Text1, "Bob ");
        box.close();
        EXPECT_FALSE(box.isVisible());
        EXPECT_FALSE(box.AnsweredYes);
        EXPECT_EQ(box.Text1->text(), "Bob ");
    }
}

TEST_F(PromptBox, PromptMessageIsShownAsWrittenAndWraps) {
    PromptMode = 0;
    PromptText = "<b>Tom & Jerry</b> " + QString(60, 'x');
    frmCustomInput box;
    EXPECT_EQ(box.Label1->text(), PromptText);
    EXPECT_EQ(box.Label1->textFormat(), Qt::PlainText);
    EXPECT_TRUE(box.Label1->wordWrap());
    EXPECT_EQ(box.size(), QSize(345, 169));
}

// ---- Splash window ----

using SplashWindow = DialogTest;

TEST_F(SplashWindow, SplashClosesItselfAfterItsOneTick) {
    frmLogo logo;
    EXPECT_TRUE(logo.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(logo.size(), QSize(542, 240));
    EXPECT_TRUE(logo.logotime.Enabled());
    EXPECT_EQ(logo.logotime.Interval(), 3000);
    int ticks = 0;
    Modal::SetHook([&ticks](QDialog& d) {
        auto& splash = dynamic_cast<frmLogo&>(d);
        // Keys and clicks neither close it early nor keep it up.
        QTest::keyClick(&splash, Qt::Key_Escape);
        QTest::keyClick(&splash, Qt::Key_Return);
        QTest::mouseClick(splash.Image1, Qt::LeftButton);
        EXPECT_TRUE(splash.isVisible());
        splash.logotime.Fire();
        ++ticks;
        EXPECT_FALSE(splash.isVisible());
        EXPECT_FALSE(splash.logotime.Enabled());
    });
    Modal::Show(logo);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(logo.isVisible());
    EXPECT_FALSE(logo.logotime.Enabled());
}
