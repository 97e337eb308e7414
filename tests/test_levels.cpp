// New game, round start, the level's speed and music, goblin seeding, filling and the set-up animation.
#include "TestSupport.h"

#include "platform/MediaPlayer.h"
#include "platform/Random.h"
#include "platform/Registry.h"

#include <QTimer>

using namespace Module1;

namespace {
std::vector<std::string> EmptyRows(int n) {
    return std::vector<std::string>(static_cast<size_t>(n), std::string(static_cast<size_t>(n), '.'));
}
}

class Levels : public GameTest {
protected:
    // Occupancy of the board: "G" for goblins, "x" for any other block.
    std::vector<std::string> Occupancy() const {
        std::vector<std::string> rows = BoardRows();
        for (std::string& r : rows)
            for (char& c : r)
                if (c != '.' && c != 'G') c = 'x';
        return rows;
    }
    // The cells of the field holding a goblin, row by row.
    std::vector<std::pair<int, int>> Goblins() const {
        std::vector<std::pair<int, int>> cells;
        for (int r = 1; r <= BoardSize; ++r)
            for (int c = 1; c <= BoardSize; ++c)
                if (form->Board[r][c].Face == QLatin1String("G")) cells.emplace_back(r, c);
        return cells;
    }
    void StartGameAt(int boardSize, int startLevel) {
        BoardSize = static_cast<Integer>(boardSize);
        Level = static_cast<Integer>(startLevel - 1);
        form->ResizeBoard();
        form->KeysLocked = true;
        form->StartNewGame();
    }
};

TEST_F(Levels, NewGameAtLevelOneStartsPlay) {
    MaxLevel = 0;
    StartGameAt(13, 1);
    EXPECT_EQ(form->DropInterval, 1000);
    EXPECT_EQ(form->GameTimer.Interval(), 1000);
    EXPECT_EQ(form->LevelLabel->Caption(), QStringLiteral("1"));
    EXPECT_EQ(Level, 1);
    EXPECT_EQ(MaxLevel, 1);
    ASSERT_EQ(GoblinCount, 1);
    // The one goblin is block 0, in the bottom row or the row above it.
    const auto goblins = Goblins();
    ASSERT_EQ(goblins.size(), 1u);
    const auto [row, col] = goblins[0];
    EXPECT_GE(row, 12);
    EXPECT_EQ(form->Board[row][col].BlockIndex, 0);
    EXPECT_TRUE(form->IsGoblinAlive(0));
    EXPECT_EQ(form->BlockAt(0)->objectName(), QStringLiteral("newBlock0"));
    // Every set-up block is shown; the falling block waits at the entry cell.
    for (Long i = 0; i < form->BlockCount; ++i) EXPECT_TRUE(form->BlockAt(i)->Visible()) << i;
    ASSERT_NE(form->BlockAt(form->BlockCount), nullptr);
    EXPECT_TRUE(form->BlockAt(form->BlockCount)->Visible());
    EXPECT_EQ(form->CurRow, 1);
    EXPECT_EQ(form->CurCol, 7);
    EXPECT_FALSE(form->KeysLocked);
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->GoblinTimer.Enabled());
    for (ImageBox* b : {form->Image1, form->Image2, form->Image3, form->Image4, form->Image5, form->Image6})
        EXPECT_TRUE(b->Enabled());
    // The field has dropped back to its place at full size, with its sound.
    EXPECT_DOUBLE_EQ(form->backPic->Left(), 10);
    EXPECT_DOUBLE_EQ(form->backPic->Top(), 10);
    EXPECT_DOUBLE_EQ(form->backPic->Width(), 520);
    EXPECT_DOUBLE_EQ(form->backPic->Height(), 520);
    EXPECT_EQ(TestSupport::Sounds().count(QStringLiteral("bomb.wav")), 1);
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("0"));
}

TEST_F(Levels, DropIntervalFollowsTheLevelWithSixteenBitLimits) {
    SetBoard(EmptyRows(10));
    struct Case {
        int previous, interval;
    } cases[] = {{0, 1000}, {1, 950}, {19, 50}, {20, 1}, {40, 1}, {300, 1}};
    for (const Case& c : cases) {
        form->ClearBoard();
        Level = static_cast<Integer>(c.previous);
        form->NextLevel();
        EXPECT_EQ(form->DropInterval, c.interval) << "level " << c.previous + 1;
        EXPECT_EQ(form->GameTimer.Interval(), c.interval);
        EXPECT_EQ(Level, c.previous + 1);
        EXPECT_EQ(form->LevelLabel->Caption(), QString::number(c.previous + 1));
    }
    // 50 x 700 leaves 16 bits: that step is skipped and the last interval stays.
    form->ClearBoard();
    form->DropInterval = 400;
    Level = 700;
    form->NextLevel();
    EXPECT_EQ(form->DropInterval, 400);
    EXPECT_EQ(form->GameTimer.Interval(), 400);
    EXPECT_EQ(Level, 701);
    // Level + 1 at the 16-bit top is skipped; the level is still played.
    form->ClearBoard();
    Level = 32767;
    form->NextLevel();
    EXPECT_EQ(Level, 32767);
    EXPECT_EQ(MaxLevel, 32767);
    EXPECT_EQ(form->LevelLabel->Caption(), QStringLiteral("32767"));
    EXPECT_GT(GoblinCount, 0);
    EXPECT_LE(GoblinCount, 100);
}

TEST_F(Levels, GoblinWalksUpItsColumnAndIsGivenUpPastRowOne) {
    // Only row 1 is free: a walk from the bottom either lands exactly there or jumps past it.
    int placed = 0, givenUp = 0;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        std::vector<std::string> rows(10, std::string(10, '1'));
        rows[0] = "..........";
        SetBoard(rows);
        SeedRandom(seed);
        Level = 1;
        form->SetupLevel();
        const auto goblins = Goblins();
        if (GoblinCount == 1) {
            ++placed;
            ASSERT_EQ(goblins.size(), 1u);
            EXPECT_EQ(goblins[0].first, 1);
        } else {
            EXPECT_EQ(GoblinCount, 0);
            EXPECT_TRUE(goblins.empty());
            ++givenUp;
        }
    }
    EXPECT_GT(placed, 0);
    EXPECT_GT(givenUp, 0);

    // A full board gives every goblin up.
    SetBoard(std::vector<std::string>(10, std::string(10, '2')));
    const Integer before = form->BlockCount;
    Level = 5;
    form->SetupLevel();
    EXPECT_EQ(GoblinCount, 0);
    EXPECT_EQ(form->BlockCount, before);

    // Many goblins: all on distinct cells, blocks 0 .. GoblinCount - 1, beyond 200 fine.
    SetBoard(EmptyRows(15));
    Level = 230;
    form->SetupLevel();
    EXPECT_GT(GoblinCount, 0);
    EXPECT_LE(GoblinCount, 225);
    const auto goblins = Goblins();
    EXPECT_EQ(static_cast<int>(goblins.size()), GoblinCount);
    for (const auto& [r, c] : goblins) {
        EXPECT_LT(form->Board[r][c].BlockIndex, GoblinCount);
        EXPECT_TRUE(form->IsGoblinAlive(form->Board[r][c].BlockIndex));
    }
}

TEST_F(Levels, SetupResetsCountersAndLocksButtonsDuringTheAnimation) {
    SetBoard(EmptyRows(12));
    form->BombCounter = 4;
    form->StarCounter = 6;
    form->KeysLocked = true;
    form->SkipAnimation = false;
    bool sawDisabled = false, sawEnabled = false;
    double lowestWidth = 1e9;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (ImageBox* b : {form->Image1, form->Image2, form->Image3, form->Image4, form->Image5, form->Image6})
            (b->Enabled() ? sawEnabled : sawDisabled) = true;
        lowestWidth = std::min(lowestWidth, form->backPic->Width());
        // A key during the animation moves nothing; it only marks the skip.
        form->backPic_KeyDown(vbKeyLeft, 0);
    });
    probe.start();
    Level = 2;
    form->SetupLevel();
    probe.stop();
    EXPECT_TRUE(sawDisabled);
    EXPECT_FALSE(sawEnabled);
    EXPECT_LT(lowestWidth, 1.0);
    EXPECT_TRUE(form->SkipAnimation);
    EXPECT_EQ(form->BombCounter, 0);
    EXPECT_EQ(form->StarCounter, 0);
    for (ImageBox* b : {form->Image1, form->Image2, form->Image3, form->Image4, form->Image5, form->Image6})
        EXPECT_TRUE(b->Enabled());
}

TEST_F(Levels, ShrinkTakesThirtyNineCentredSteps) {
    SetBoard(EmptyRows(15));
    ASSERT_DOUBLE_EQ(form->backPic->Width(), 600);
    form->ShrinkBoard();
    // 600 / (1.00 x 1.01 x ... x 1.38) is about 0.81; one step fewer or more gives 1.12 or 0.58.
    EXPECT_NEAR(form->backPic->Width(), 0.8094, 0.01);
    EXPECT_NEAR(form->backPic->Height(), 0.8094, 0.01);
    // Centred with the size before the last division.
    EXPECT_NEAR(form->backPic->Left(), (620 - 0.8094 * 1.38) / 2, 0.02);
    EXPECT_NEAR(form->backPic->Top(), (620 - 0.8094 * 1.38) / 2, 0.02);

    TestSupport::ClearSounds();
    form->backPic->SetTop(-590);
    form->DropBoardIn();
    EXPECT_DOUBLE_EQ(form->backPic->Top(), 10);
    EXPECT_EQ(TestSupport::Sounds(), QStringList{QStringLiteral("bomb.wav")});
}

TEST_F(Levels, FillAroundGoblinsCoversSidesDownToTheBottom) {
    using TestSupport::Bottom;
    struct Case {
        const char* what;
        std::vector<std::string> board, occupancy;
    };
    const Case cases[] = {
        {"bottom row: nothing below; the sides get their bottom cell only", Bottom({"....G"}),
         Bottom({"....x", "...xGx"})},
        {"row 1, first column: nothing above, no outer side; column 2 filled from row 1 to the bottom",
         Bottom({"G", "", "", "", "", "", "", "", "", ""}),
         Bottom({"Gx", "xx", ".x", ".x", ".x", ".x", ".x", ".x", ".x", ".x"})},
        {"last column: no outer side", Bottom({".........G", "", "", "", "", ""}),
         Bottom({".........x", "........xG", "........xx", "........x.", "........x.", "........x.", "........x."})},
        {"a taken side cell stops that side's fill", Bottom({"....G7", "", "...3", "", "", ""}),
         Bottom({"....x", "...xGx", "...xx", "...x", "...x", "...x", "...x"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetBoard(c.board);
        form->FillAroundGoblins();
        EXPECT_EQ(Occupancy(), c.occupancy);
        // A fill keeps the blocks already there; the blocks it adds are shown by the caller later, so
        // they are made hidden, and never goblins.
        for (size_t row = 0; row < 10; ++row)
            for (size_t col = 0; col < 10; ++col) {
                const char before = c.board[row][col];
                const BoardCell& cell = form->Board[row + 1][col + 1];
                if (before != '.') {
                    EXPECT_EQ(cell.Face, QString(QChar(before)));
                } else if (!cell.Face.isEmpty()) {
                    EXPECT_NE(cell.Face, QStringLiteral("G"));
                    EXPECT_FALSE(form->BlockAt(cell.BlockIndex)->Visible());
                }
            }
    }
}

TEST_F(Levels, RandomFaceGivesOperatorsAndDigitsInTheirShares) {
    QHash<QString, int> seen;
    const int draws = 4000;
    for (int i = 0; i < draws; ++i) ++seen[form->RandomFace()];
    int total = 0;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
        const QString& f = it.key();
        ASSERT_EQ(f.size(), 1) << f.toStdString();
        const bool op = QStringLiteral("+-*/=").contains(f);
        ASSERT_TRUE(op || f.at(0).isDigit()) << f.toStdString();
        // 1/10 for each operator and "=", 1/20 for each digit.
        const double expected = draws * (op ? 0.10 : 0.05);
        EXPECT_NEAR(it.value(), expected, expected * 0.3) << f.toStdString();
        total += it.value();
    }
    EXPECT_EQ(seen.size(), 15);
    EXPECT_EQ(total, draws);
}

TEST_F(Levels, MusicFollowsRandomMusicAndWhatIsPlaying) {
    MediaPlayer& player = MediaPlayer::Instance();
    SetBoard(EmptyRows(10));
    auto nextLevel = [&] {
        form->ClearBoard();
        Level = 0;
        player.Calls().clear();
        form->NextLevel();
    };

    // Random music: every level loads one of the five tracks and plays it, playing or not.
    MusicOn = true;
    RandomMusic = true;
    QSet<QString> tracks;
    for (int i = 0; i < 30; ++i) {
        nextLevel();
        ASSERT_EQ(player.Calls().size(), 2);
        EXPECT_EQ(player.Calls()[0], QStringLiteral("FileName ") + MusicFile);
        EXPECT_EQ(player.Calls()[1], QStringLiteral("Play"));
        tracks.insert(MusicFile);
    }
    EXPECT_EQ(tracks.size(), 5);
    for (int k = 1; k <= 5; ++k) EXPECT_TRUE(tracks.contains(AudioFolder() + QStringLiteral("Quorbit%1.mid").arg(k)));
    // Random music with music off still loads and plays.
    MusicOn = false;
    nextLevel();
    EXPECT_EQ(player.Calls().size(), 2);

    // Not random, music on, a track playing: untouched.
    RandomMusic = false;
    MusicOn = true;
    player.SetFileName(AudioFolder() + QStringLiteral("Quorbit3.mid"));
    player.Play();
    ASSERT_NE(player.PlayState(), 0) << "the generated tracks are beside the tests";
    const QString fileBefore = MusicFile;
    nextLevel();
    EXPECT_TRUE(player.Calls().isEmpty()) << player.Calls().join(", ").toStdString();
    EXPECT_EQ(MusicFile, fileBefore);

    // Not random, nothing playing: the current file is loaded and played when music is wanted.
    player.Reset();
    MusicFile = AudioFolder() + QStringLiteral("Quorbit2.mid");
    nextLevel();
    EXPECT_EQ(player.Calls(), (QStringList{QStringLiteral("FileName ") + MusicFile, QStringLiteral("Play")}));
    player.Reset();
    MusicOn = false;
    nextLevel();
    EXPECT_TRUE(player.Calls().isEmpty());
}

TEST_F(Levels, EntryCellTakenAtLevelStartEndsTheGameButRaisesMaxLevel) {
    // StartRound builds on what the board holds: a block in the entry cell of a 10 board.
    SetBoard({".....5....", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", ".........."});
    TestSupport::Store({{QStringLiteral("MaxLevel"), QStringLiteral("3")}});
    MaxLevel = 3;
    Level = 3;
    form->KeysLocked = true;
    form->StartRound();
    EXPECT_EQ(Level, 4);
    EXPECT_EQ(MaxLevel, 4);
    // On disk as the level starts: an end that runs no handler cannot take it.
    const Registry::Session stored(QStringLiteral("Felmarch"), Registry::Session::Access::Read);
    EXPECT_EQ(stored.Get(QStringLiteral("Quorbit"), QStringLiteral("MaxLevel"), QString()), QStringLiteral("4"));
    EXPECT_TRUE(form->KeysLocked);
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->GoblinTimer.Enabled());
    EXPECT_TRUE(form->GameOverTimer.Enabled());
    EXPECT_FALSE(form->Image1->Enabled());
    EXPECT_FALSE(form->Image2->Enabled());
    EXPECT_TRUE(TestSupport::Sounds().contains(QStringLiteral("game_over.wav")));

    // A new game whose first block is fine enables the pause button; the game runs.
    form->GameOverTimer.SetEnabled(false);
    StartGameAt(10, 1);
    EXPECT_TRUE(form->Image2->Enabled());
    EXPECT_FALSE(form->KeysLocked);
    EXPECT_TRUE(form->GameTimer.Enabled());
}

TEST_F(Levels, LevelThousandPlacesTheFixedArrangement) {
    SetBoard(EmptyRows(15));
    form->BombCounter = 3;
    GoblinCount = 4;
    Level = 999;
    TestSupport::ClearSounds();
    form->NextLevel();
    EXPECT_EQ(Level, 1000);
    EXPECT_EQ(form->BombCounter, 3) << "no set-up: counters stay";
    EXPECT_EQ(GoblinCount, 4);
    EXPECT_FALSE(TestSupport::Sounds().contains(QStringLiteral("bomb.wav"))) << "no drop animation";
    const std::vector<std::string> rows = BoardRows();
    const std::vector<std::string> expected{
        "...............", "....../........", "....../........", "....../........", "....../........",
        "....../........", "....../........", "....../........", "......1........", "......1........",
        "......5=5......", "......-**......", "......2**......", "......=**......", "G.....9**......"};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(form->Board[15][1].BlockIndex, 0);
    EXPECT_TRUE(form->IsGoblinAlive(0));
    EXPECT_EQ(form->BlockCount, 25);
    for (Long i = 0; i < form->BlockCount; ++i) EXPECT_TRUE(form->BlockAt(i)->Visible());

    // A smaller board: the arrangement runs past the field but stays in the array.
    SetBoard(EmptyRows(10));
    Level = 999;
    form->NextLevel();
    EXPECT_EQ(form->Board[15][1].Face, QStringLiteral("G"));
    EXPECT_EQ(form->Board[2][7].Face, QStringLiteral("/"));
    EXPECT_EQ(form->BlockCount, 25);
}
