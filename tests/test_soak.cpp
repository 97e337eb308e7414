// Whole games played by random keys and ticks; the board must stay consistent after every landing.
// QUORBIT_SOAK_GAMES sets the number of games (default 200).
#include "TestSupport.h"

#include "platform/NumberFormat.h"

#include <QTimer>
#include <cstdio>
#include <random>
#include <set>

using namespace Module1;

namespace {
int SoakGames() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUORBIT_SOAK_GAMES", &ok);
    return ok && n > 0 ? n : 200;
}
}

class Soak : public GameTest {
protected:
    // Everything that must hold after a landing has been dealt with. Empty when all is well.
    std::string CheckBoard(qint32& lastScore) const {
        const int n = BoardSize;
        auto where = [](int r, int c) { return " at (" + std::to_string(r) + "," + std::to_string(c) + ")"; };
        for (int i = 0; i <= n + 1; ++i) {
            for (const auto& [r, c] : {std::pair{0, i}, std::pair{n + 1, i}, std::pair{i, 0}, std::pair{i, n + 1}})
                if (!form->Board[r][c].Face.isEmpty()) return "border not empty" + where(r, c);
        }
        std::set<Long> inCells;
        for (int r = 0; r <= n + 1; ++r) {
            for (int c = 0; c <= n + 1; ++c) {
                const BoardCell& cell = form->Board[r][c];
                if (cell.Removing) return "cell still marked" + where(r, c);
                if (cell.Face.isEmpty()) continue;
                const PictureBox* b = form->BlockAt(cell.BlockIndex);
                if (!b) return "cell without a block" + where(r, c);
                if (b->objectName() != QStringLiteral("newBlock%1").arg(cell.BlockIndex))
                    return "block misnamed" + where(r, c);
                if (b->Left() != (c - 1) * 40 || b->Top() != (r - 1) * 40) return "block off its cell" + where(r, c);
                if (!inCells.insert(cell.BlockIndex).second) return "block in two cells" + where(r, c);
            }
        }
        for (Long i = 0; i < form->BlockCount; ++i)
            if (form->BlockAt(i) && !inCells.count(i)) return "block " + std::to_string(i) + " without a cell";
        if (form->BlockCount < 0) return "BlockCount out of bounds";
        if (form->StarCounter < 0 || form->BombCounter < 0) return "negative counter";
        if (GoblinCount < 0 || GoblinCount > Level) return "GoblinCount out of bounds";
        qint32 score = 0;
        if (!ReadWholeNumber(form->ScoreLabel->Caption(), score)) return "score caption is no number";
        if (score < lastScore) return "score went down";
        lastScore = score;
        return {};
    }
};

TEST_F(Soak, RandomGamesKeepTheBoardConsistent) {
    const int games = SoakGames();
    // Painting is not under test here and costs most of the time: play with the window closed.
    form->hide();
    std::mt19937 player(777);
    auto chance = [&player](int percent) { return static_cast<int>(player() % 100) < percent; };

    // Keys and ticks arriving while a landing or a level change lets events through.
    QTimer meddler;
    meddler.setInterval(0);
    int meddled = 0;
    QObject::connect(&meddler, &QTimer::timeout, [&] {
        if (!chance(2)) return;
        ++meddled;
        const Integer keys[] = {vbKeyLeft, vbKeyRight, vbKeySpace, vbKeyUp};
        form->backPic_KeyDown(keys[player() % 4], 0);
        if (form->GameTimer.Enabled()) form->GameTimer_Timer();
    });
    meddler.start();

    int landings = 0, levelsWon = 0, gameOvers = 0;
    for (int game = 0; game < games; ++game) {
        BoardSize = static_cast<Integer>(10 + player() % 6);
        Level = static_cast<Integer>(player() % 30);
        form->ResizeBoard();
        form->KeysLocked = true;
        form->StartNewGame();
        const bool generous = game % 3 == 0;
        qint32 lastScore = 0;
        std::string fault = CheckBoard(lastScore);
        ASSERT_EQ(fault, "") << "game " << game << " start";

        for (int action = 0; action < 1500; ++action) {
            if (!form->GameTimer.Enabled()) break;
            const int r = static_cast<int>(player() % 100);
            if (r < 20) form->backPic_KeyDown(vbKeyLeft, 0);
            else if (r < 40) form->backPic_KeyDown(vbKeyRight, 0);
            else if (r < 45) form->backPic_KeyDown(vbKeyUp, 0);
            else if (r < 50) form->backPic_KeyDown(vbKeyDown, 0);
            else if (r < 53) form->backPic_KeyDown(vbKeySpace, 0);
            else if (r < 56) form->backPic_KeyUp(vbKeySpace, 0);
            else {
                const Integer blocks = form->BlockCount;
                const Integer level = Level;
                form->GameTimer_Timer();
                if (form->BlockCount == blocks && Level == level && form->GameTimer.Enabled()) continue;
                ++landings;
                if (Level != level) ++levelsWon;
                fault = CheckBoard(lastScore);
                ASSERT_EQ(fault, "") << "game " << game << " action " << action << " level " << Level;
                EXPECT_FALSE(form->TickRunning);
                if (!form->GameTimer.Enabled()) {
                    // Game over: the block that could not enter stands over the taken entry cell.
                    EXPECT_TRUE(form->KeysLocked);
                    EXPECT_TRUE(form->GameOverTimer.Enabled());
                    ++gameOvers;
                } else {
                    EXPECT_FALSE(form->KeysLocked);
                    EXPECT_EQ(form->CurRow, 1);
                    EXPECT_EQ(form->CurCol, BoardSize / 2 + 1);
                    // Random play seldom beats every goblin: in some games the goblins give up now and
                    // then, so that the next landing ends the level.
                    if (generous && chance(10))
                        for (Long i = 0; i <= GoblinCount; ++i) form->SetGoblinAlive(i, false);
                }
            }
        }
        form->GameOverTimer.SetEnabled(false);
    }
    meddler.stop();
    // The games really were played: many landings, some won levels, some lost games.
    EXPECT_GT(landings, games * 5);
    EXPECT_GT(gameOvers, 0);
    EXPECT_GT(levelsWon, 0);
    EXPECT_GT(meddled, 0);
    std::printf("soak: %d games, %d landings, %d levels won, %d games lost, %d meddlings\n", games, landings,
                levelsWon, gameOvers, meddled);
    RecordProperty("landings", landings);
    RecordProperty("levelsWon", levelsWon);
    RecordProperty("gameOvers", gameOvers);
}
