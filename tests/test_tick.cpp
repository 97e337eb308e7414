// The game tick: fall, landing, points, nesting and the level end.
#include "TestSupport.h"

#include "platform/MediaPlayer.h"
#include "platform/NumberFormat.h"

#include <QTimer>
#include <functional>

using namespace Module1;

class GameTick : public GameTest {
protected:
    // Ticks until the falling block has landed; the number of ticks that slid.
    int TicksUntilLanding() {
        const Integer before = form->BlockCount;
        int slides = 0;
        for (int i = 0; i < 40 && form->BlockCount == before; ++i) {
            const Integer row = form->CurRow;
            form->GameTimer_Timer();
            if (form->BlockCount == before && form->CurRow == row + 1) ++slides;
        }
        return slides;
    }
    qint32 Score() const {
        qint32 v = -1;
        ReadWholeNumber(form->ScoreLabel->Caption(), v);
        return v;
    }
    static std::vector<std::string> GoblinInCorner() {
        return {"..........", "..........", "..........", "..........", "..........",
                "..........", "..........", "..........", "..........", "G........."};
    }
};

TEST_F(GameTick, BlockSlidesOneCellPerTickAndLandsOnTheBottomOrABlock) {
    Start(GoblinInCorner(), "7");
    PictureBox* b = form->BlockAt(form->BlockCount);
    const Integer index = form->BlockCount;
    form->GameTimer_Timer();
    EXPECT_EQ(form->CurRow, 2);
    EXPECT_EQ(b->Top(), 40);
    EXPECT_EQ(b->Left(), 200);
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());
    // Down to row 10: the border row below is empty, the bottom of the field stops it.
    EXPECT_EQ(TicksUntilLanding(), 8);
    EXPECT_EQ(form->Board[10][6].Face, QStringLiteral("7"));
    EXPECT_EQ(form->Board[10][6].BlockIndex, index);
    EXPECT_EQ(form->BlockCount, index + 1);
    EXPECT_EQ(b->Top(), 360);
    EXPECT_TRUE(form->Board[11][6].Face.isEmpty());
    // The next block is on its way.
    EXPECT_EQ(form->CurRow, 1);
    EXPECT_EQ(form->CurCol, 6);
    ASSERT_NE(form->BlockAt(form->BlockCount), nullptr);
    EXPECT_TRUE(form->BlockAt(form->BlockCount)->Visible());
    EXPECT_FALSE(form->KeysLocked);

    // Above a taken cell it lands in whatever row it is.
    Start({"..........", "..........", ".....1....", ".....1....", ".....1....", ".....1....", ".....1....",
           ".....1....", ".....1....", "G....1...."},
          "4");
    EXPECT_EQ(TicksUntilLanding(), 1);
    EXPECT_EQ(form->Board[2][6].Face, QStringLiteral("4"));
}

TEST_F(GameTick, LandingScoresByFaceAndPlaysItsClick) {
    struct Case {
        const char* face;
        int points;
        const char* sound;
    } cases[] = {{"7", 70, "block_click.wav"}, {"1", 10, "block_click.wav"}, {"9", 90, "block_click.wav"},
                 {"0", 100, "block_click.wav"}, {"+", 100, "block_click.wav"}, {"=", 100, "block_click.wav"},
                 {"S", 100, "star_click.wav"}, {"B", 100, "block_click.wav"}};
    for (const Case& c : cases) {
        Start(GoblinInCorner(), QLatin1String(c.face));
        form->ScoreLabel->SetCaption(QStringLiteral("1000"));
        TicksUntilLanding();
        EXPECT_EQ(Score(), 1000 + c.points) << c.face;
        ASSERT_FALSE(TestSupport::Sounds().isEmpty());
        EXPECT_EQ(TestSupport::Sounds().first(), QLatin1String(c.sound)) << c.face;
    }
    // A caption that is no number is left alone, and the landing goes on.
    Start(GoblinInCorner(), "5");
    form->ScoreLabel->SetCaption(QStringLiteral("oops"));
    const Integer before = form->BlockCount;
    TicksUntilLanding();
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("oops"));
    EXPECT_EQ(form->BlockCount, before + 1);
}

TEST_F(GameTick, LandingEndsFastDropAndBlueFlashing) {
    Start(GoblinInCorner(), "4", true);
    form->BlueBlockTimer_Timer();
    ASSERT_TRUE(form->BlockAt(form->BlockCount)->GetPicture().Is(form->ImageListBlue2, "four"));
    form->backPic_KeyDown(vbKeySpace, 0);
    ASSERT_EQ(form->GameTimer.Interval(), 1);
    const Integer index = form->BlockCount;
    TicksUntilLanding();
    EXPECT_TRUE(form->BlockAt(index)->GetPicture().Is(form->ImageListBlue, "four"));
    EXPECT_FALSE(form->BlueBlockTimer.Enabled());
    EXPECT_EQ(form->BlueBlinkCount, 0);
    EXPECT_EQ(form->GameTimer.Interval(), 800);
    // The next block is not blue unless it drew so itself.
    if (!form->BlueBlockTimer.Enabled()) {
        EXPECT_FALSE(form->IsBlueBlock);
    }
}

TEST_F(GameTick, GoblinsRemainLooksUpToGoblinCountIncluded) {
    bool result = true;
    GoblinCount = -1;
    form->SetGoblinAlive(0, true);
    form->GoblinsRemain(result);
    EXPECT_FALSE(result);
    GoblinCount = 0;
    form->GoblinsRemain(result);
    EXPECT_TRUE(result);
    form->SetGoblinAlive(0, false);
    GoblinCount = 2;
    form->SetGoblinAlive(2, true);
    form->GoblinsRemain(result);
    EXPECT_TRUE(result) << "the index GoblinCount counts";
    form->SetGoblinAlive(2, false);
    form->SetGoblinAlive(3, true);
    result = true;
    form->GoblinsRemain(result);
    EXPECT_FALSE(result);
    GoblinCount = 260;
    form->SetGoblinAlive(250, true);
    form->GoblinsRemain(result);
    EXPECT_TRUE(result);
}

TEST_F(GameTick, LandingOnTheLastFreeEntryEndsTheGameWithoutLevelEnd) {
    Start({"..........", ".....1....", ".....1....", ".....1....", ".....1....", ".....1....", ".....1....",
           ".....1....", ".....1....", "G....1...."},
          "2");
    Level = 4;
    EXPECT_EQ(TicksUntilLanding(), 0);
    EXPECT_EQ(form->Board[1][6].Face, QStringLiteral("2"));
    EXPECT_EQ(Level, 4);
    EXPECT_TRUE(form->KeysLocked);
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->GameOverTimer.Enabled());
    EXPECT_EQ(TestSupport::Sounds(), (QStringList{"block_click.wav", "game_over.wav"}));
}

class LevelEnd : public GameTick {
protected:
    // Blocks 0 to 2 rest on a board without goblins; the falling "7" is block 3. Level 3 ends.
    void StartLastLanding() {
        Start({"..........", "..........", "..........", "..........", "..........", "..........",
               "..........", "........3.", "..........", "1.2......."},
              "7");
        Level = 3;
        form->ScoreLabel->SetCaption(QStringLiteral("0"));
        MediaPlayer::Instance().Calls().clear();
    }
    // Runs `probe` at each chance to handle events while level 3 is ending.
    void WhileEnding(const std::function<void()>& probe) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this, probe] {
            if (Level == 3 && form->KeysLocked && !form->Image1->Enabled()) probe();
        });
        timer_.start();
    }
    void TearDown() override {
        timer_.stop();
        GameTick::TearDown();
    }
    QTimer timer_;
};

TEST_F(LevelEnd, EveryBlockShrinksThenTheBonusAndTheNextLevel) {
    StartLastLanding();
    bool shrunk[4] = {}, hidden[3] = {};
    WhileEnding([&] {
        for (int i = 0; i < 4; ++i) {
            const PictureBox* b = form->BlockAt(i);
            if (b && b->GetPicture().IsNull()) shrunk[i] = true;
            if (i < 3 && b && !b->Visible()) hidden[i] = true;
        }
    });
    TicksUntilLanding();
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(shrunk[i]) << i;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(hidden[i]) << i;
    EXPECT_EQ(Score(), 70 + 300);
    EXPECT_EQ(Level, 4);
    EXPECT_EQ(form->LevelLabel->Caption(), QStringLiteral("4"));
    EXPECT_EQ(form->DropInterval, 850);
    EXPECT_FALSE(form->KeysLocked);
    EXPECT_TRUE(form->Image1->Enabled());
    EXPECT_TRUE(form->Image2->Enabled());
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_GT(GoblinCount, 0);
    // Music on without random music: no fade, no pause.
    EXPECT_FALSE(MediaPlayer::Instance().Calls().contains(QStringLiteral("Pause")));
}

TEST_F(LevelEnd, KeyDuringTheEndSkipsTheRestButAnEarlierKeyDoesNot) {
    StartLastLanding();
    // A key before the level end (during the pass) is forgotten when it begins.
    form->SkipAnimation = true;
    bool shrunk[4] = {}, hidden[3] = {}, pressed = false;
    WhileEnding([&] {
        if (!pressed && form->BlockAt(0) && form->BlockAt(0)->GetPicture().IsNull()) {
            form->backPic_KeyDown(vbKeyDown, 0);
            pressed = true;
        }
        for (int i = 0; i < 4; ++i) {
            const PictureBox* b = form->BlockAt(i);
            if (b && b->GetPicture().IsNull()) shrunk[i] = true;
            if (i < 3 && b && !b->Visible()) hidden[i] = true;
        }
    });
    TicksUntilLanding();
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(shrunk[0]);
    EXPECT_FALSE(shrunk[1]);
    EXPECT_FALSE(shrunk[2]);
    EXPECT_FALSE(shrunk[3]);
    EXPECT_TRUE(hidden[1]);
    EXPECT_TRUE(hidden[2]);
    EXPECT_EQ(Score(), 370);
    EXPECT_EQ(Level, 4);
}

TEST_F(LevelEnd, TickDueDuringTheEndDoesNotStartASecondLanding) {
    StartLastLanding();
    int nested = 0;
    bool runningSeen = false;
    WhileEnding([&] {
        runningSeen = runningSeen || form->TickRunning;
        if (nested < 3) {
            ++nested;
            form->GameTimer_Timer();
            form->GameTimer.Fire();
        }
    });
    TicksUntilLanding();
    EXPECT_EQ(nested, 3);
    EXPECT_TRUE(runningSeen);
    EXPECT_FALSE(form->TickRunning);
    EXPECT_EQ(Score(), 370) << "one landing, one bonus";
    EXPECT_EQ(Level, 4);
    EXPECT_EQ(form->CurRow, 1);
}

TEST_F(LevelEnd, RandomMusicFadesAndPausesThenRestoresTheVolume) {
    StartLastLanding();
    MusicOn = true;
    RandomMusic = true;
    MediaPlayer& player = MediaPlayer::Instance();
    player.SetVolume(-500);
    player.Calls().clear();
    TicksUntilLanding();
    const QStringList calls = player.Calls();
    const qsizetype pause = calls.indexOf(QStringLiteral("Pause"));
    ASSERT_EQ(pause, 900);
    EXPECT_EQ(calls.first(), QStringLiteral("Volume -502"));
    EXPECT_EQ(calls[899], QStringLiteral("Volume -2300"));
    EXPECT_EQ(calls[901], QStringLiteral("Volume -500"));
    EXPECT_EQ(player.Volume(), -500);
    // Then the next level starts its own track.
    EXPECT_TRUE(calls[902].startsWith(QStringLiteral("FileName ")));
    EXPECT_EQ(calls[903], QStringLiteral("Play"));

    // Music off: no fade even with random music.
    StartLastLanding();
    MusicOn = false;
    player.Calls().clear();
    TicksUntilLanding();
    EXPECT_FALSE(player.Calls().contains(QStringLiteral("Pause")));
}

TEST_F(LevelEnd, BonusThatLeavesSixteenBitsIsSkipped) {
    StartLastLanding();
    Level = 400;
    TicksUntilLanding();
    EXPECT_EQ(Score(), 70);
    EXPECT_EQ(Level, 401);
    // 327 x 100 still fits.
    StartLastLanding();
    Level = 327;
    TicksUntilLanding();
    EXPECT_EQ(Score(), 70 + 32700);
}
