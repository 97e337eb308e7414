// The game-over banner: its zoom, its end and the hand-over of the score to the table.
#include "TestSupport.h"

#include "dialogs/frmCustomInput.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"

#include <QImage>
#include <string>

using namespace Module1;

class BannerTest : public GameTest {
protected:
    // A lost game on a 10 x 10 field, as the game over leaves it: play stopped, the pause banner's
    // picture still in the box, the banner's timer started.
    void LoseGame(const QString& score) {
        SetBoard({"..........", "..........", "..........", "..........", "..........",
                  "..........", "..........", "..........", "..3.......", "G.1+2=3..G"});
        GoblinCount = 2;
        form->ScoreLabel->SetCaption(score);
        form->GmOv->SetPicture(form->ImageList2.ListImages(QStringLiteral("pause")));
        form->GameOver();
    }

    // A tick comes only while the timer runs.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i)
            if (form->GameOverTimer.Enabled()) form->GameOverTimer.Fire();
    }

    // Lists every window shown; the name prompt is answered with `name`.
    void CountWindows(const QString& name = QStringLiteral("Ann")) {
        Modal::SetHook([this, name](QDialog& d) {
            shown.push_back(d.metaObject()->className());
            if (auto* prompt = dynamic_cast<frmCustomInput*>(&d)) {
                if (PromptMode != 1) prompt->Text1->setText(name);
                prompt->hide();
            }
            if (onWindow) onWindow(d);
        });
    }

    std::vector<std::string> shown;
    std::function<void(QDialog&)> onWindow;
};

TEST_F(BannerTest, BannerGrowsFromATwentiethToFullSizeIn39Ticks) {
    LoseGame(QStringLiteral("0"));
    CountWindows();
    const double left = form->GmOv->Left(), top = form->GmOv->Top();
    ASSERT_EQ(left, 50);
    ASSERT_EQ(top, 150);

    Tick();
    EXPECT_TRUE(form->GmOv->Visible());
    EXPECT_EQ(form->GmOv->Width(), 15);
    EXPECT_EQ(form->GmOv->Height(), 5);
    EXPECT_FLOAT_EQ(form->GameOverZoom, 19.5f);
    // It grows from the top-left corner of its final place.
    EXPECT_EQ(form->GmOv->Left(), left);
    EXPECT_EQ(form->GmOv->Top(), top);

    Tick(20);  // the 21st tick: z = 10
    EXPECT_EQ(form->GmOv->Width(), 30);
    EXPECT_EQ(form->GmOv->Height(), 10);

    Tick(17);  // the 38th: z = 1.5, in single precision
    EXPECT_EQ(form->GmOv->Width(), 200);
    EXPECT_EQ(form->GmOv->Height(), static_cast<double>(100.0f / 1.5f));
    EXPECT_FLOAT_EQ(form->GameOverZoom, 1.0f);
    EXPECT_TRUE(form->GameOverTimer.Enabled());
    EXPECT_FALSE(form->Image1->Enabled());

    Tick();  // the 39th ends it
    EXPECT_EQ(form->GmOv->Width(), 300);
    EXPECT_EQ(form->GmOv->Height(), 100);
    EXPECT_FLOAT_EQ(form->GameOverZoom, 0.5f);
    EXPECT_FALSE(form->GameOverTimer.Enabled());
    EXPECT_TRUE(form->Image1->Enabled());
    EXPECT_FALSE(form->Image2->Enabled());
    EXPECT_TRUE(form->KeysLocked);
    EXPECT_TRUE(form->GmOv->Visible());
    EXPECT_EQ(form->GmOv->Left(), left);
    EXPECT_EQ(form->GmOv->Top(), top);

    // The whole box shows the game-over picture: nothing of the pause picture is left.
    const QImage shownImage = form->GmOv->Canvas().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage gamo = form->ImageList2.ListImages(QStringLiteral("GamO"))
                            .At(QSize(300, 100))
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    const QImage pause = form->ImageList2.ListImages(QStringLiteral("pause"))
                             .At(QSize(300, 100))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shownImage.size(), gamo.size());
    EXPECT_NE(gamo, pause);
    int differing = 0;
    for (int y = 0; y < gamo.height(); ++y)
        for (int x = 0; x < gamo.width(); ++x)
            if (shownImage.pixel(x, y) != gamo.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0);

    // A score that does not rank opens nothing.
    EXPECT_TRUE(shown.empty());
}

TEST_F(BannerTest, BannerEndHandsTheScoreOverOnceWithItsTimerOff) {
    LoseGame(QStringLiteral("500"));
    CountWindows();
    bool timerOffAtHandOver = false, newOnAtHandOver = false;
    onWindow = [&](QDialog&) {
        if (shown.size() != 1) return;
        timerOffAtHandOver = !form->GameOverTimer.Enabled();
        newOnAtHandOver = form->Image1->Enabled();
    };
    Tick(38);
    EXPECT_TRUE(shown.empty());
    Tick();
    EXPECT_TRUE(timerOffAtHandOver);
    EXPECT_TRUE(newOnAtHandOver);
    EXPECT_EQ(shown, (std::vector<std::string>{"frmCustomInput", "frmHighScores"}));
    EXPECT_EQ(TopScore[1], QStringLiteral("500"));
    EXPECT_EQ(TopScoreName[1], QStringLiteral("Ann"));
    EXPECT_EQ(TopScore[2], QStringLiteral("0"));

    // No further tick comes: the table holds the game once.
    Tick(50);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(TopScore[2], QStringLiteral("0"));
    EXPECT_EQ(form->GmOv->Width(), 300);
}

TEST_F(BannerTest, BannerEndWaitsForAnOpenSideBarWindow) {
    LoseGame(QStringLiteral("500"));
    MediaPlayer::Instance().SetVolume(-300);
    Tick(38);
    ASSERT_FLOAT_EQ(form->GameOverZoom, 1.0f);

    CountWindows();
    onWindow = [&](QDialog& d) {
        if (shown.size() != 1) return;
        // The banner ticks on inside the audio window and reaches full size, then waits.
        Tick(10);
        EXPECT_EQ(form->GmOv->Width(), 300);
        EXPECT_EQ(form->GmOv->Height(), 100);
        EXPECT_FLOAT_EQ(form->GameOverZoom, 0.5f);
        EXPECT_TRUE(form->GameOverTimer.Enabled());
        EXPECT_FALSE(form->Image1->Enabled());
        EXPECT_EQ(shown.size(), 1u);
        d.close();
    };
    form->Image3_Click();
    EXPECT_EQ(shown, std::vector<std::string>{"frmAudio"});
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_EQ(MediaPlayer::Instance().Volume(), -300);
    EXPECT_TRUE(form->GameOverTimer.Enabled());

    // The first tick after the window closed ends the banner and hands the score over once.
    onWindow = nullptr;
    Tick();
    EXPECT_FALSE(form->GameOverTimer.Enabled());
    EXPECT_TRUE(form->Image1->Enabled());
    EXPECT_EQ(form->GmOv->Width(), 300);
    EXPECT_EQ(form->GmOv->Height(), 100);
    EXPECT_EQ(shown, (std::vector<std::string>{"frmAudio", "frmCustomInput", "frmHighScores"}));
    EXPECT_EQ(TopScore[1], QStringLiteral("500"));
    EXPECT_EQ(TopScore[2], QStringLiteral("0"));
    Tick(5);
    EXPECT_EQ(shown.size(), 3u);
}
