// Whole games played by random keys, ticks and side-bar commands; the board must stay consistent
// after every landing. QUORBIT_SOAK_GAMES sets the number of games of each test (defaults below).
#include "TestSupport.h"

#include "dialogs/frmAudio.h"
#include "dialogs/frmCustomInput.h"
#include "dialogs/frmInstruct.h"
#include "dialogs/frmOptions.h"
#include "highscores/frmHighScores.h"
#include "platform/Modal.h"
#include "platform/NumberFormat.h"
#include "platform/Program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <set>

using namespace Module1;

namespace {
int SoakGames(int fallback = 200) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUORBIT_SOAK_GAMES", &ok);
    return ok && n > 0 ? n : fallback;
}
}

class Soak : public GameTest {
protected:
    // The play key that r (0 to 99) picks by the upper limits of Left, Right, Up, Down, Space down and
    // Space up; false when r lies past them all.
    bool PlayKey(int r, const std::array<int, 6>& limits) {
        static constexpr std::pair<Integer, bool> kKeys[] = {
            {vbKeyLeft, true}, {vbKeyRight, true}, {vbKeyUp, true}, {vbKeyDown, true}, {vbKeySpace, true}, {vbKeySpace, false}};
        for (size_t i = 0; i < limits.size(); ++i) {
            if (r >= limits[i]) continue;
            const auto [key, down] = kKeys[i];
            if (down)
                form->backPic_KeyDown(key, 0);
            else
                form->backPic_KeyUp(key, 0);
            return true;
        }
        return false;
    }
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
            if (PlayKey(static_cast<int>(player() % 100), {20, 40, 45, 50, 53, 56})) continue;
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

namespace {
// Top-level windows alive, and those of them still shown.
int TopLevels() { return static_cast<int>(QApplication::topLevelWidgets().size()); }
int ShownDialogs() {
    int n = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<const QDialog*>(w)) ++n;
    return n;
}

// A name as a player might type it: letters, "&", blanks and an accented letter, possibly too long.
QString RandomName(std::mt19937& rng) {
    static const QString chars = QStringLiteral("abcXYZ& \u00e9q");
    QString name;
    const int length = static_cast<int>(rng() % 13);
    for (int i = 0; i < length; ++i) name.append(chars.at(static_cast<qsizetype>(rng() % chars.size())));
    return name;
}
}

TEST_F(Soak, RandomGamesWithCommandsAndWindows) {
    const int games = SoakGames(100);
    form->hide();
    std::mt19937 player(4242);
    auto pick = [&player](int n) { return static_cast<int>(player() % static_cast<unsigned>(n)); };
    auto chance = [&pick](int percent) { return pick(100) < percent; };
    MaxLevel = std::max<Integer>(MaxLevel, 30);
    const int topLevels = TopLevels();

    struct {
        int started = 0, cancelled = 0, windows = 0, audio = 0, instruct = 0, tables = 0, exits = 0, names = 0;
        int leftOpen = 0, meddled = 0, landings = 0, levelsWon = 0, gameOvers = 0, replaced = 0, pauses = 0;
    } t;
    QString lastName;
    Integer lastRank = 0;

    // Every window answered as a random player would; timers tick under it as under a real one.
    Modal::SetHook([&](QDialog& d) {
        ++t.windows;
        QCoreApplication::processEvents();
        if (auto* o = dynamic_cast<frmOptions*>(&d)) {
            o->Slider1->setValue(10 + pick(6));
            o->Slider2->setValue(1 + pick(std::min<int>(30, MaxLevel)));
            if (chance(75)) {
                ++t.started;
                o->Command1_Click();
            } else {
                ++t.cancelled;
                if (chance(50)) o->Command3_Click();
            }
        } else if (auto* a = dynamic_cast<frmAudio*>(&d)) {
            ++t.audio;
            for (QCheckBox* c : {a->Check1, a->Check2, a->Check3})
                if (chance(50)) c->click();
            a->Command1_Click();
        } else if (auto* i = dynamic_cast<frmInstruct*>(&d)) {
            ++t.instruct;
            QPushButton* tabs[] = {i->Command1, i->Command2, i->Command4, i->Command5};
            tabs[pick(4)]->click();
            if (chance(80)) i->Command3_Click();
        } else if (auto* h = dynamic_cast<frmHighScores*>(&d)) {
            ++t.tables;
            if (chance(10)) h->Command1_Click();
            if (chance(70)) h->Command3_Click();
        } else if (auto* p = dynamic_cast<frmCustomInput*>(&d)) {
            if (PromptMode == 1) {
                ++t.exits;
                p->Command1_Click();  // never Yes: the program would end
            } else {
                ++t.names;
                p->Text1->setText(RandomName(player));
                lastName = p->Text1->text();
                lastRank = NewScoreRank;
                if (chance(70)) p->Command1_Click();
            }
        } else {
            ADD_FAILURE() << "unexpected window " << d.objectName().toStdString();
        }
        if (d.isVisible()) ++t.leftOpen;
    });

    const Integer keys[] = {vbKeyLeft, vbKeyRight, vbKeyUp,  vbKeyDown, vbKeySpace, vbKeyN,
                            vbKeyP,    vbKeyA,     vbKeyI,   vbKeyH,    vbKeyE};
    ImageBox* buttons[] = {form->Image1, form->Image2, form->Image3, form->Image4, form->Image5, form->Image6};
    Timer* animations[] = {&form->GoblinTimer,    &form->LightTimer, &form->BombTimer,
                           &form->BlueBlockTimer, &form->PauseTimer, &form->GameOverTimer};
    auto press = [&](Integer key) {
        if (key == vbKeySpace && chance(50)) form->backPic_KeyUp(key, 0);
        else form->backPic_KeyDown(key, 0);
    };
    // A click on a disabled button does nothing.
    auto click = [&](int i) {
        if (!buttons[i]->Enabled()) return;
        switch (i) {
        case 0: return form->Image1_Click();
        case 1: return form->Image2_Click();
        case 2: return form->Image3_Click();
        case 3: return form->Image4_Click();
        case 4: return form->Image5_Click();
        default: return form->Image6_Click();
        }
    };
    auto tickAnimation = [&] {
        Timer* timer = animations[pick(6)];
        if (timer->Enabled()) timer->Fire();
    };
    // Something a player or a timer might do while an animation lets events through. Under a window
    // the main window takes no input; only its timers run.
    auto meddle = [&] {
        ++t.meddled;
        if (Modal::Depth() > 0) return tickAnimation();
        switch (pick(4)) {
        case 0: return press(keys[pick(11)]);
        case 1: return click(pick(6));
        case 2:
            if (form->GameTimer.Enabled()) form->GameTimer_Timer();
            return;
        default: return tickAnimation();
        }
    };

    // A chain of zero-time events: each link may meddle and posts the next, so that they reach
    // DoEvents calls all through a removal, a level end or a level set-up.
    QObject context;
    bool stepRunning = false;
    int pendingLinks = 0;
    std::function<void(int)> link = [&](int left) {
        --pendingLinks;
        if (!stepRunning) return;
        if (chance(15)) meddle();
        if (left <= 0) return;
        ++pendingLinks;
        QTimer::singleShot(0, &context, [&link, left] { link(left - 1); });
    };

    auto run = [&](const std::function<void()>& action) {
        if (chance(25)) {
            ++pendingLinks;
            const int length = pick(120);
            QTimer::singleShot(0, &context, [&link, length] { link(length); });
        }
        stepRunning = true;
        action();
        stepRunning = false;
        for (int i = 0; pendingLinks > 0 && i < 1000; ++i) QCoreApplication::processEvents();
    };

    // A random step while a game is running, paused or over.
    auto anything = [&] {
        const int r = pick(100);
        if (PlayKey(r, {18, 36, 40, 44, 47, 50})) return;
        if (r < 51) press(keys[6 + pick(5)]);  // every letter but N
        else if (r < 52) click(1 + pick(5));  // every button but New
        else if (r < 56) tickAnimation();
        else if (form->GameTimer.Enabled()) form->GameTimer_Timer();
    };

    QElapsedTimer clock;
    clock.start();
    qint32 lastScore = 0;
    std::int32_t volume = 0;
    int started = t.started, gameSteps = 0, steps = 0;
    bool generous = false, wasOver = false;
    const int maxSteps = games * 4000;
    while (t.started <= games && steps < maxSteps) {
        ++steps;
        // The music's loudness between windows; some games start quieter than full.
        if (Modal::Depth() == 0 && !form->PauseTimer.Enabled() && !form->GameTimer.Enabled() &&
            !form->GameOverTimer.Enabled()) {
            volume = chance(50) ? 0 : -300;
            form->MediaPlayer1.SetVolume(volume);
            form->MediaPlayer1.Calls().clear();
            TestSupport::ClearSounds();
        }
        const Integer blocks = form->BlockCount;
        const Integer level = Level;
        const bool playing = form->GameTimer.Enabled();
        const bool over = form->GameOverTimer.Enabled();
        const bool paused = form->PauseTimer.Enabled();

        if (!playing && !over && !paused) {
            // No game running: New, by button or key, most of the time.
            run([&] { chance(70) ? click(0) : chance(90) ? press(vbKeyN) : anything(); });
        } else if (paused) {
            run([&] {
                const int r = pick(100);
                if (r < 20) chance(50) ? click(1) : press(vbKeyP);
                else if (r < 40) form->PauseTimer.Fire();
                else anything();
            });
        } else if (over) {
            // Commands come now and then before the banner has shown and while it grows.
            run([&] {
                const int r = pick(100);
                if (r < 55) form->GameOverTimer.Fire();
                else if (r < 60) press(keys[6 + pick(5)]);
                else if (r < 65) click(1 + pick(5));
                else anything();
            });
        } else if (++gameSteps > 1500 || (chance(1) && chance(5))) {
            // A long game, and now and then any game, gives way to a new one.
            run([&] { chance(50) ? click(0) : press(vbKeyN); });
        } else {
            run([&] {
                if (chance(1) && chance(20)) {
                    ++t.pauses;
                    click(1);
                } else {
                    anything();
                }
            });
        }

        ASSERT_EQ(Modal::Depth(), 0) << "step " << steps;
        ASSERT_EQ(ShownDialogs(), 0) << "step " << steps;
        ASSERT_EQ(TopLevels(), topLevels) << "step " << steps;
        ASSERT_FALSE(form->TickRunning);
        ASSERT_FALSE(Program::Ended());
        if (t.started != started) {
            if (playing) ++t.replaced;
            started = t.started;
            lastScore = 0;
            gameSteps = 0;
            generous = chance(33);
            wasOver = false;
        }
        const std::string fault = CheckBoard(lastScore);
        ASSERT_EQ(fault, "") << "step " << steps << " game " << t.started << " level " << Level;
        ASSERT_GE(form->BlockCount, 0);
        ASSERT_LE(GoblinCount, Level);
        ASSERT_LE(Level, MaxLevel);
        ASSERT_EQ(form->LevelLabel->Caption(), QString::number(Level)) << "step " << steps;
        if (!form->PauseTimer.Enabled()) {
            ASSERT_EQ(form->MediaPlayer1.Volume(), volume)
                << "step " << steps << " calls " << form->MediaPlayer1.Calls().join(QLatin1Char(',')).toStdString();
        }
        // Nothing but the falling block lives outside the cells (the whole array now and then: it is long).
        const auto end = steps % 64 == 0 ? form->Blocks.end()
                                         : form->Blocks.begin() + std::min<std::ptrdiff_t>(
                                               form->BlockCount + 1, std::ssize(form->Blocks));
        const auto boxes = std::count_if(form->Blocks.begin(), end, [](const PictureBox* b) { return b; });
        int filled = 0;
        for (int r = 1; r <= BoardSize; ++r)
            for (int c = 1; c <= BoardSize; ++c)
                if (!form->Board[r][c].Face.isEmpty()) ++filled;
        ASSERT_LE(boxes, filled + 1) << "step " << steps;

        const bool landed = form->BlockCount != blocks || Level != level;
        if (playing && landed && t.started == started) {
            ++t.landings;
            if (Level != level) ++t.levelsWon;
            if (form->GameOverTimer.Enabled()) {
                ++t.gameOvers;
                EXPECT_TRUE(form->KeysLocked);
                EXPECT_FALSE(form->GameTimer.Enabled());
            } else if (form->GameTimer.Enabled()) {
                EXPECT_FALSE(form->KeysLocked);
                if (generous && chance(10))
                    for (Long i = 0; i <= GoblinCount; ++i) form->SetGoblinAlive(i, false);
            }
        }
        // After the banner: the score is in the table under the name typed, and the table is in order.
        if (over && !form->GameOverTimer.Enabled()) {
            ASSERT_FALSE(wasOver);
            wasOver = true;
            ASSERT_FALSE(form->GameTimer.Enabled());
            ASSERT_TRUE(form->Image1->Enabled());
            if (lastRank >= 1 && lastRank <= 10) {
                EXPECT_EQ(TopScoreName[static_cast<size_t>(lastRank)], lastName);
                EXPECT_EQ(TopScore[static_cast<size_t>(lastRank)], form->ScoreLabel->Caption());
            }
            lastRank = 0;
            for (int k = 1; k < 10; ++k) {
                qint32 upper = 0, lower = 0;
                ASSERT_TRUE(ReadWholeNumber(TopScore[static_cast<size_t>(k)], upper));
                ASSERT_TRUE(ReadWholeNumber(TopScore[static_cast<size_t>(k + 1)], lower));
                ASSERT_GE(upper, lower) << "place " << k;
            }
        }
    }
    Modal::SetHook(nullptr);
    ASSERT_LT(steps, maxSteps) << "games stopped starting";
    // The games really were played, and every kind of window came up.
    EXPECT_GT(t.landings, games * 5);
    EXPECT_GT(t.gameOvers, 0);
    EXPECT_GT(t.levelsWon, 0);
    EXPECT_GT(t.meddled, 0);
    EXPECT_GT(t.audio, 0);
    EXPECT_GT(t.instruct, 0);
    EXPECT_GT(t.tables, 0);
    EXPECT_GT(t.exits, 0);
    EXPECT_GT(t.names, 0);
    EXPECT_GT(t.pauses, 0);
    std::printf("soak with commands: %d games (%d replaced by New), %d steps, %d landings, %d levels won, "
                "%d games lost, %d windows (%d audio, %d instructions, %d tables, %d exit, %d names, "
                "%d cancelled, %d left open), %d pauses, %d meddlings, %.1f s\n",
                t.started, t.replaced, steps, t.landings, t.levelsWon, t.gameOvers, t.windows, t.audio,
                t.instruct, t.tables, t.exits, t.names, t.cancelled, t.leftOpen, t.pauses, t.meddled,
                clock.elapsed() / 1000.0);
    RecordProperty("landings", t.landings);
    RecordProperty("windows", t.windows);
}

// Found by the soak: a window opened after the game is lost but before the banner's first tick
// must not set the lost game going again.
TEST_F(Soak, WindowBeforeTheBannerShowsKeepsTheLostGameOver) {
    for (const Integer key : {vbKeyA, vbKeyI, vbKeyH, vbKeyE}) {
        form->ResetGame();
        SetBoard({"....G.....", "....1.....", "....2.....", "....3.....", "....4.....", "....5.....",
                  "....6.....", "....7.....", "....8.....", "....9....."});
        // Column 6 full to the top: the next block cannot enter.
        for (Integer row = 1; row <= 10; ++row) form->PlaceBlock(6, row, QStringLiteral("1"));
        GoblinCount = 1;
        Level = 1;
        form->ScoreLabel->SetCaption(QStringLiteral("0"));
        form->SpawnBlock();
        ASSERT_TRUE(form->GameOverTimer.Enabled());
        ASSERT_FALSE(form->GmOv->Visible());
        const auto before = BoardRows();
        Modal::SetHook([](QDialog& d) {
            if (auto* p = dynamic_cast<frmCustomInput*>(&d)) p->Command1_Click();  // Exit? No
            else d.close();
        });
        form->backPic_KeyDown(key, 0);
        EXPECT_FALSE(form->GameTimer.Enabled()) << key;
        EXPECT_TRUE(form->KeysLocked) << key;
        // A tick, had the timer been set going, would land the block over the taken entry cell.
        if (form->GameTimer.Enabled()) form->GameTimer_Timer();
        EXPECT_EQ(BoardRows(), before) << key;
        for (int i = 0; i < 100 && form->GameOverTimer.Enabled(); ++i) form->GameOverTimer.Fire();
        EXPECT_FALSE(form->GameOverTimer.Enabled()) << key;
        EXPECT_FALSE(form->GameTimer.Enabled()) << key;
        Modal::SetHook(nullptr);
    }
}
