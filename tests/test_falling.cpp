// The falling block: its faces, the star and bomb counters, moves, blue cycling, keys and game over.
#include "TestSupport.h"

#include "platform/Random.h"

using namespace Module1;

namespace {
bool IsDigit(const QString& f) { return f.size() == 1 && f.at(0).isDigit(); }
bool IsOperator(const QString& f) { return f.size() == 1 && QStringLiteral("+-*/").contains(f.at(0)); }

const QHash<QString, QString>& KeyOfFace() {
    static const QHash<QString, QString> keys{
        {"0", "zero"}, {"1", "one"},   {"2", "two"},   {"3", "three"}, {"4", "four"},
        {"5", "five"}, {"6", "six"},   {"7", "seven"}, {"8", "eight"}, {"9", "nine"},
        {"+", "plus"}, {"-", "minus"}, {"*", "mult"},  {"/", "div"},   {"=", "equal"}, {"S", "star"}, {"B", "bomb1"}};
    return keys;
}
}

class FallingBlock : public GameTest {
protected:
    // An empty board of the given size with a falling block spawned and the keys free.
    void EmptyBoardWithFallingBlock(int size) {
        SetBoard(std::vector<std::string>(static_cast<size_t>(size), std::string(static_cast<size_t>(size), '.')));
        form->KeysLocked = false;
        form->SpawnBlock();
    }
    // Makes the falling block show `face` as a (possibly blue) block.
    void SetFallingFace(const QString& face, bool blue) {
        form->CurFace = face;
        form->IsBlueBlock = blue;
        form->SetBlockPicture(form->ImageListBlue, face, form->BlockCount, false);
    }
    bool FallingShows(const PictureList& list, const QString& key) const {
        const PictureBox* b = form->BlockAt(form->BlockCount);
        return b && b->GetPicture().Is(list, key);
    }
};

TEST_F(FallingBlock, FaceSequenceFollowsBlockNumberIncludingSetupBlocks) {
    SetBoard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "G1+......."});
    ASSERT_EQ(form->BlockCount, 3);
    int stars = 0, blue = 0, coloured = 0;
    for (Integer count = 3; count < 403; ++count) {
        form->BlockCount = count;
        form->StarCounter = 0;
        form->BombCounter = 0;
        form->IsBlueBlock = false;
        form->CreateBlock();
        form->ChooseNextFace();
        const QString face = form->CurFace;
        const int n = count + 1;
        ASSERT_EQ(KeyOf(count), KeyOfFace().value(face)) << "block " << count << " face " << face.toStdString();
        if (face == QLatin1String("S")) {
            ++stars;
            EXPECT_FALSE(form->IsBlueBlock);
            continue;
        }
        if (n % 4 == 0) {
            EXPECT_EQ(face, QStringLiteral("=")) << n;
            EXPECT_FALSE(form->IsBlueBlock) << "an \"=\" is never blue";
        } else if (n % 2 != 0) {
            EXPECT_TRUE(IsDigit(face)) << n << " " << face.toStdString();
        } else {
            EXPECT_TRUE(IsOperator(face)) << n << " " << face.toStdString();
        }
        if (n % 4 != 0) {
            ++coloured;
            if (form->IsBlueBlock) ++blue;
        }
    }
    // A star comes by chance about one block in ten; a digit or operator is blue about one in three.
    EXPECT_GT(stars, 15);
    EXPECT_LT(stars, 70);
    EXPECT_GT(blue, coloured / 5);
    EXPECT_LT(blue, coloured / 2);
}

TEST_F(FallingBlock, DueStarComesFirstAndDueBombWithTheNextBlock) {
    SetBoard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", ".........."});
    form->StarCounter = 7;
    form->BombCounter = 5;
    form->CreateBlock();
    form->ChooseNextFace();
    EXPECT_EQ(form->CurFace, QStringLiteral("S"));
    EXPECT_EQ(KeyOf(0), QStringLiteral("star"));
    EXPECT_EQ(form->StarCounter, 0);
    EXPECT_EQ(form->BombCounter, 5) << "the bomb waits for the next block";
    EXPECT_TRUE(form->LightTimer.Enabled());
    EXPECT_FALSE(form->BombTimer.Enabled());

    // The next block is the bomb, unless the one-in-ten star draw takes its place again.
    bool bomb = false;
    for (Integer i = 1; i < 40 && !bomb; ++i) {
        form->BlockCount = i;
        form->CreateBlock();
        form->ChooseNextFace();
        if (form->CurFace == QLatin1String("S")) {
            EXPECT_EQ(form->BombCounter, 5);
            continue;
        }
        ASSERT_EQ(form->CurFace, QStringLiteral("B"));
        EXPECT_EQ(KeyOf(i), QStringLiteral("bomb1"));
        EXPECT_EQ(form->BombCounter, 0);
        EXPECT_TRUE(form->BombTimer.Enabled());
        EXPECT_FALSE(form->IsBlueBlock);
        bomb = true;
    }
    EXPECT_TRUE(bomb);

    // Counters below their marks: never a bomb, and a star only by chance.
    int stars = 0;
    for (Integer i = 40; i < 140; ++i) {
        form->BlockCount = i;
        form->StarCounter = 6;
        form->BombCounter = 4;
        form->CreateBlock();
        form->ChooseNextFace();
        EXPECT_NE(form->CurFace, QStringLiteral("B"));
        if (form->CurFace == QLatin1String("S")) ++stars;
    }
    EXPECT_LT(stars, 30);
}

TEST_F(FallingBlock, SetOperPicMapsZeroToThreeAndIgnoresOthers) {
    EmptyBoardWithFallingBlock(10);
    const char* faces[] = {"+", "-", "*", "/"};
    const char* keys[] = {"plus", "minus", "mult", "div"};
    for (Integer i = 0; i < 4; ++i) {
        form->SetOperPic(i);
        EXPECT_EQ(form->CurFace, QLatin1String(faces[i]));
        EXPECT_TRUE(FallingShows(form->ImageListBlue, QLatin1String(keys[i])));
    }
    for (Integer bad : {Integer(4), Integer(-1), Integer(32767)}) {
        form->SetOperPic(bad);
        EXPECT_EQ(form->CurFace, QStringLiteral("/"));
        EXPECT_TRUE(FallingShows(form->ImageListBlue, QStringLiteral("div")));
    }
}

TEST_F(FallingBlock, MovesStopAtTheEdgesAndAtOccupiedCells) {
    EmptyBoardWithFallingBlock(10);
    ASSERT_EQ(form->CurCol, 6);
    PictureBox* b = form->BlockAt(form->BlockCount);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(b->Left(), 200);

    form->backPic_KeyDown(vbKeyRight, 0);
    EXPECT_EQ(form->CurCol, 7);
    EXPECT_EQ(b->Left(), 240);
    for (int i = 0; i < 5; ++i) form->backPic_KeyDown(vbKeyRight, 0);
    EXPECT_EQ(form->CurCol, 10);
    EXPECT_EQ(b->Left(), 360);
    EXPECT_EQ(form->CurRow, 1);
    for (int i = 0; i < 12; ++i) form->backPic_KeyDown(vbKeyLeft, 0);
    EXPECT_EQ(form->CurCol, 1);
    EXPECT_EQ(b->Left(), 0);

    // Blocks on both sides of the entry cell: nothing moves either way.
    SetBoard({"....1.2...", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", ".........."});
    form->KeysLocked = false;
    form->SpawnBlock();
    b = form->BlockAt(form->BlockCount);
    ASSERT_NE(b, nullptr);
    form->backPic_KeyDown(vbKeyLeft, 0);
    form->backPic_KeyDown(vbKeyRight, 0);
    EXPECT_EQ(form->CurCol, 6);
    EXPECT_EQ(b->Left(), 200);
    // One row further down the way is free.
    form->GameTimer_Timer();
    ASSERT_EQ(form->CurRow, 2);
    form->backPic_KeyDown(vbKeyRight, 0);
    EXPECT_EQ(form->CurCol, 7);
}

TEST_F(FallingBlock, UpAndDownCycleOnlyABlueBlockBothWays) {
    EmptyBoardWithFallingBlock(10);
    struct Press {
        Integer key;
        const char* face;
        const char* picture;
    };
    const std::pair<const char*, std::vector<Press>> runs[] = {
        {"9", {{vbKeyUp, "0", "zero"}, {vbKeyDown, "9", "nine"}, {vbKeyDown, "8", "eight"}}},
        {"/",
         {{vbKeyUp, "+", "plus"}, {vbKeyDown, "/", "div"}, {vbKeyDown, "*", "mult"}, {vbKeyDown, "-", "minus"},
          {vbKeyUp, "*", "mult"}, {vbKeyUp, "/", "div"}}},
    };
    for (const auto& [start, presses] : runs) {
        SetFallingFace(start, true);
        for (const Press& p : presses) {
            form->backPic_KeyDown(p.key, 0);
            EXPECT_EQ(form->CurFace, QLatin1String(p.face)) << start;
            EXPECT_TRUE(FallingShows(form->ImageListBlue, QLatin1String(p.picture))) << p.face;
        }
    }

    // Not blue, a star, a bomb, an "=": no change of face or picture.
    SetFallingFace("5", false);
    form->backPic_KeyDown(vbKeyUp, 0);
    form->backPic_KeyDown(vbKeyDown, 0);
    form->backPic_KeyDown(vbKeyDown, 0);
    EXPECT_EQ(form->CurFace, QStringLiteral("5"));
    EXPECT_TRUE(FallingShows(form->ImageListBlue, QStringLiteral("five")));
    SetFallingFace("+", false);
    form->backPic_KeyDown(vbKeyUp, 0);
    EXPECT_EQ(form->CurFace, QStringLiteral("+"));
    for (const char* face : {"S", "B", "="}) {
        form->CurFace = QLatin1String(face);
        form->IsBlueBlock = face[0] == '=';
        form->backPic_KeyDown(vbKeyUp, 0);
        form->backPic_KeyDown(vbKeyDown, 0);
        EXPECT_EQ(form->CurFace, QLatin1String(face));
    }
}

TEST_F(FallingBlock, SpaceDropsFastAndItsReleaseRestoresTheIntervalEvenWhileLocked) {
    EmptyBoardWithFallingBlock(10);
    form->DropInterval = 650;
    form->GameTimer.SetInterval(650);
    form->GameTimer.SetEnabled(true);
    form->backPic_KeyDown(vbKeySpace, 0);
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_EQ(form->GameTimer.Interval(), 1);
    EXPECT_FALSE(form->SkipAnimation);
    form->backPic_KeyUp(vbKeySpace, 0);
    EXPECT_EQ(form->GameTimer.Interval(), 650);
    // Only Space's release counts.
    form->backPic_KeyDown(vbKeySpace, 0);
    form->backPic_KeyUp(vbKeyLeft, 0);
    EXPECT_EQ(form->GameTimer.Interval(), 1);

    // Locked: any key only sets SkipAnimation; the release of Space still restores the interval.
    form->GameTimer.SetEnabled(false);
    form->KeysLocked = true;
    const int col = form->CurCol;
    form->backPic_KeyDown(vbKeySpace, 0);
    EXPECT_TRUE(form->SkipAnimation);
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_EQ(form->GameTimer.Interval(), 1);
    form->backPic_KeyUp(vbKeySpace, 0);
    EXPECT_EQ(form->GameTimer.Interval(), 650);
    form->SkipAnimation = false;
    form->backPic_KeyDown(vbKeyRight, 0);
    EXPECT_TRUE(form->SkipAnimation);
    EXPECT_EQ(form->CurCol, col);
    form->SkipAnimation = false;
    form->backPic_KeyDown(200, 0);
    EXPECT_TRUE(form->SkipAnimation);
}

TEST_F(FallingBlock, LetterKeyWhileLockedSetsSkipAnimationAndStillRunsItsCommand) {
    EmptyBoardWithFallingBlock(10);
    form->GameTimer.SetEnabled(true);
    form->Image2->SetEnabled(true);
    form->KeysLocked = true;
    form->backPic_KeyDown(vbKeyP, 0);
    EXPECT_TRUE(form->SkipAnimation);
    EXPECT_TRUE(form->PauseTimer.Enabled()) << "P paused the game";
    EXPECT_FALSE(form->GameTimer.Enabled());
    // Unlocked, P resumes: the game keys do not swallow letters.
    form->SkipAnimation = false;
    form->KeysLocked = false;
    form->backPic_KeyDown(vbKeyP, 0);
    EXPECT_FALSE(form->SkipAnimation);
    EXPECT_TRUE(form->GameTimer.Enabled());
}

TEST_F(FallingBlock, SpawnIntoTakenEntryCellEndsTheGame) {
    SetBoard({".....7....", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "G........."});
    form->KeysLocked = false;
    form->GameTimer.SetEnabled(true);
    form->Image1->SetEnabled(true);
    form->Image2->SetEnabled(true);
    form->BombCounter = 5;
    form->SpawnBlock();
    PictureBox* b = form->BlockAt(form->BlockCount);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->Visible()) << "the new block shows over the taken cell";
    EXPECT_EQ(b->Left(), 200);
    EXPECT_EQ(b->Top(), 0);
    EXPECT_TRUE(form->KeysLocked);
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_FALSE(form->Image1->Enabled());
    EXPECT_FALSE(form->Image2->Enabled());
    EXPECT_TRUE(form->Image3->Enabled());
    EXPECT_TRUE(form->GameOverTimer.Enabled());
    EXPECT_FLOAT_EQ(form->GameOverZoom, 20.0f);
    EXPECT_TRUE(TestSupport::Sounds().contains(QStringLiteral("game_over.wav")));
    // The board keeps the taken cell as it was.
    EXPECT_EQ(form->Board[1][6].Face, QStringLiteral("7"));
    // Its own animation timer keeps running (a bomb here, unless a star took its place).
    EXPECT_TRUE(form->BombTimer.Enabled() || form->LightTimer.Enabled());

    // Keys now move nothing.
    form->backPic_KeyDown(vbKeyLeft, 0);
    EXPECT_EQ(b->Left(), 200);
    EXPECT_TRUE(form->SkipAnimation);
}
