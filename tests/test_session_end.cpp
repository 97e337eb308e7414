// The real game ended the ways a desktop session ends it: SIGTERM (logout, shutdown), SIGHUP and
// the X server going away all save the table as the close box does, and a save that fails says so.
// A Wayland compositor going away ends it with no handler run: what was earned is on disk already.
#include "TestSupport.h"

#include "dialogs/frmCustomInput.h"
#include "dialogs/frmOptions.h"
#include "highscores/HighScoreTable.h"
#include "platform/Modal.h"
#include "platform/Program.h"

#include <QApplication>
#include <QTimer>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr char kChildReady[] = "CHILD-READY ";

// The game's process on a settings folder of its own.
class RealGame {
public:
    explicit RealGame(const QString& configHome) {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        env_.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    ~RealGame() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    void OnDisplay(int display) {
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env_.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    }
    void OnWayland(const TestSupport::PrivateWayland& compositor) {
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), compositor.RuntimeDir());
        // The full path: the test runner gives every process a runtime folder of its own.
        env_.insert(QStringLiteral("WAYLAND_DISPLAY"), compositor.RuntimeDir() + QLatin1Char('/') + compositor.Socket());
        env_.remove(QStringLiteral("DISPLAY"));
    }

    bool Launch(const QString& program = QString::fromUtf8(QUORBIT_BINARY), const QStringList& args = {}) {
        process_.setProcessEnvironment(env_);
        process_.start(program, args);
        return process_.waitForStarted(10000);
    }
    // Past its start-up: the signal handlers are in place.
    bool Ready() {
        const QString status = QStringLiteral("/proc/%1/status").arg(process_.processId());
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000 && process_.state() == QProcess::Running) {
            QFile f(status);
            if (f.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : f.readAll().split('\n')) {
                    if (!line.startsWith("SigCgt:")) continue;
                    bool ok = false;
                    const qulonglong caught = line.mid(7).trimmed().toULongLong(&ok, 16);
                    if (ok && (caught & (1ULL << (SIGTERM - 1)))) return true;
                }
            }
            QThread::msleep(20);
        }
        return false;
    }
    bool Start() { return Launch() && Ready(); }
    // The test binary as a game whose name prompt is open, "Zed" typed (SessionEndChild below).
    bool AtNamePrompt() { return AtChildMoment(QStringLiteral("WaitsAtTheNamePrompt")); }
    // The test binary as a game paused at the level after the stored MaxLevel.
    bool PausedAboveTheStoredMaxLevel() { return AtChildMoment(QStringLiteral("WaitsPausedAboveTheStoredMaxLevel")); }
    // The Qt platform the child said it runs on.
    QString Platform() const { return platform_; }
    void Signal(int sig) { ::kill(static_cast<pid_t>(process_.processId()), sig); }
    bool Finish() { return process_.waitForFinished(30000); }
    bool ExitedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }
    int ExitCode() const { return process_.exitCode(); }
    QString Errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    bool AtChildMoment(const QString& child) {
        // The test runner gives every process a settings folder of its own: the child takes this one.
        env_.insert(QStringLiteral("QUORBIT_CHILD_HOME"), env_.value(QStringLiteral("XDG_CONFIG_HOME")));
        env_.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.warning=false"));
        if (!Launch(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SessionEndChild.") + child}))
            return false;
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const qsizetype at = out.indexOf(kChildReady);
            const qsizetype end = at < 0 ? -1 : out.indexOf('\n', at);
            if (end >= 0) {
                const qsizetype from = at + qsizetype(sizeof kChildReady) - 1;
                platform_ = QString::fromUtf8(out.mid(from, end - from));
                return true;
            }
            if (clock.elapsed() > 30000 || process_.state() != QProcess::Running) return false;
            process_.waitForReadyRead(100);
            out += process_.readAllStandardOutput();
        }
    }

    QString platform_;
    QTemporaryDir runtime_;
    QProcessEnvironment env_;
    QProcess process_;
};

// A table of an earlier run: only MaxLevel and the first entry, so a save shows as the other 19 keys.
void StoreEarlierRun() {
    TestSupport::Store({{QStringLiteral("MaxLevel"), QStringLiteral("9")},
                        {QStringLiteral("TopScore1"), QStringLiteral("3,570")},
                        {QStringLiteral("TopScoreName1"), QStringLiteral("Ann")}});
}

// A game on a settings folder of its own that holds the earlier run's table.
struct EarlierRunGame {
    EarlierRunGame() { StoreEarlierRun(); }
    TestSupport::ScopedConfigHome home;
    RealGame game{home.Path()};
};

// The earlier run's table, saved whole, with `maxLevel`; with an `entry` name, the open prompt's entry
// below Ann under that name, once.
void ExpectSaved(const TestSupport::ScopedConfigHome& home, const QString& entry = {},
                 const QString& maxLevel = QStringLiteral("9")) {
    QSettings raw(home.File(), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("Quorbit"));
    EXPECT_EQ(raw.childKeys().size(), 21);
    EXPECT_EQ(raw.value(QStringLiteral("MaxLevel")).toString(), maxLevel);
    EXPECT_EQ(raw.value(QStringLiteral("TopScore1")).toString(), QStringLiteral("3,570"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName1")).toString(), QStringLiteral("Ann"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName10")).toString(), QStringLiteral("---"));
    if (entry.isEmpty()) return;
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName2")).toString(), entry);
    EXPECT_EQ(HighScoreTable::ScoreValue(raw.value(QStringLiteral("TopScore2")).toString()), 2500);
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName3")).toString(), QStringLiteral("---"));
}

// The children below say they have reached their moment, and on which Qt platform.
void SayReady() {
    std::printf("%s%s\n", kChildReady, qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
}

// A child's game on the settings folder its parent gave, started as main() starts it, with the
// program's real end.
std::unique_ptr<frmMain> ChildGame() {
    qputenv("XDG_CONFIG_HOME", qgetenv("QUORBIT_CHILD_HOME"));
    TestSupport::QuietEnvironment();
    Modal::SetHook([](QDialog& d) { d.close(); });
    auto form = std::make_unique<frmMain>();
    form->Form_Load();
    Modal::SetHook(nullptr);
    Program::SetEndHook(nullptr);
    frmMain* f = form.get();
    Program::OnEndRequest([f] { f->Form_Unload(); }, [f] { f->SaveSettings(); });
    return form;
}
}

// Run by the tests below in a process of its own: a game just lost with 2,500 points, its name prompt
// open with "Zed" typed, and the program's real end.
TEST(SessionEndChild, WaitsAtTheNamePrompt) {
    if (qEnvironmentVariableIsEmpty("QUORBIT_CHILD_HOME")) GTEST_SKIP() << "runs only as a child of SessionEnd";
    const std::unique_ptr<frmMain> form = ChildGame();
    form->ScoreLabel->SetCaption(QStringLiteral("2500"));
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<frmCustomInput*>(w)) box->Text1->setText(QStringLiteral("Zed"));
        SayReady();
    });
    form->RecordHighScore();
    ADD_FAILURE() << "the prompt closed before the program ended";
}

// Likewise: a new game at the highest level offered, the stored MaxLevel, won with its first landing
// (every goblin beaten), the next level begun and paused, and the program's real end.
TEST(SessionEndChild, WaitsPausedAboveTheStoredMaxLevel) {
    if (qEnvironmentVariableIsEmpty("QUORBIT_CHILD_HOME")) GTEST_SKIP() << "runs only as a child of SessionEnd";
    const std::unique_ptr<frmMain> form = ChildGame();
    Modal::SetHook([](QDialog& d) {
        if (auto* options = qobject_cast<frmOptions*>(&d)) {
            options->Slider2->setValue(options->Slider2->maximum());
            options->Command1_Click();
        }
    });
    form->Image1_Click();
    Modal::SetHook(nullptr);
    const Integer started = Module1::Level;
    for (Long i = 0; i <= Module1::GoblinCount; ++i) form->SetGoblinAlive(i, false);
    for (int tick = 0; tick < 100 && Module1::Level == started; ++tick) form->GameTimer_Timer();
    EXPECT_EQ(Module1::Level, started + 1);
    form->Image2_Click();
    SayReady();
    QApplication::exec();
    ADD_FAILURE() << "the event loop ended before the program did";
}

TEST(SessionEnd, AnEndWhileTheNamePromptIsOpenSavesTheEntryAsTyped) {
    TestSupport::ScopedConfigHome home;
    StoreEarlierRun();
    RealGame game(home.Path());
    ASSERT_TRUE(game.AtNamePrompt());
    game.Signal(SIGTERM);
    game.Signal(SIGHUP);
    ASSERT_TRUE(game.Finish());
    const QString errors = game.Errors();
    EXPECT_TRUE(game.ExitedNormally()) << errors.toStdString();
    EXPECT_EQ(game.ExitCode(), 0) << errors.toStdString();
    ExpectSaved(home, QStringLiteral("Zed"));
}

TEST(SessionEnd, TermAndHangUpSaveAsTheCloseBoxDoesAndAFailedSaveSaysSo) {
    struct Case {
        std::vector<int> sent;  // back to back, as a logout sends TERM and at once HUP
        bool blocked;
    };
    const std::vector<Case> cases{{{SIGTERM}, false}, {{SIGHUP}, false}, {{SIGTERM}, true}, {{SIGTERM, SIGHUP}, false}};
    // All started at once: each start sits out the splash's three seconds.
    std::vector<std::unique_ptr<TestSupport::ScopedConfigHome>> homes;
    std::vector<std::unique_ptr<RealGame>> games;
    for (const Case& c : cases) {
        homes.push_back(std::make_unique<TestSupport::ScopedConfigHome>());
        // A folder where the file should be: as good as a read-only folder, even for root.
        if (c.blocked) ASSERT_TRUE(QDir().mkpath(homes.back()->File()));
        else StoreEarlierRun();
        games.push_back(std::make_unique<RealGame>(homes.back()->Path()));
        ASSERT_TRUE(games.back()->Launch());
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        RealGame& game = *games[i];
        SCOPED_TRACE(testing::PrintToString(c.sent));
        SCOPED_TRACE(c.blocked);
        ASSERT_TRUE(game.Ready());
        for (int sig : c.sent) game.Signal(sig);
        ASSERT_TRUE(game.Finish());
        const QString errors = game.Errors();
        EXPECT_TRUE(game.ExitedNormally()) << errors.toStdString();
        if (c.blocked) {
            EXPECT_NE(game.ExitCode(), 0) << errors.toStdString();
            EXPECT_TRUE(errors.contains(homes[i]->File())) << errors.toStdString();
        } else {
            EXPECT_EQ(game.ExitCode(), 0) << errors.toStdString();
            ExpectSaved(*homes[i]);
        }
    }
    games.clear();
    while (!homes.empty()) homes.pop_back();  // each puts back the one before it
}

TEST(SessionEnd, TheXServerGoingAwaySavesToo) {
    TestSupport::PrivateX x;
    ASSERT_EQ(x.Problem(), QString());

    // On the same display: an idle game, and one whose name prompt is open.
    EarlierRunGame idle, prompted;
    idle.game.OnDisplay(x.Display());
    const bool started = idle.game.Start();
    prompted.game.OnDisplay(x.Display());
    const bool prompting = prompted.game.AtNamePrompt();
    x.Kill();
    ASSERT_TRUE(started);
    ASSERT_TRUE(prompting);
    for (RealGame* g : {&idle.game, &prompted.game}) {
        ASSERT_TRUE(g->Finish());
        // Saved, but the run was cut short: no success to report.
        EXPECT_TRUE(g->ExitedNormally());
        EXPECT_NE(g->ExitCode(), 0);
    }
    ExpectSaved(idle.home);
    ExpectSaved(prompted.home, QStringLiteral("Zed"));
}

TEST(SessionEnd, TheWaylandCompositorGoingAwayLosesNothingEarned) {
    TestSupport::PrivateWayland compositor;
    ASSERT_EQ(compositor.Problem(), QString());

    // On the same compositor: a paused game a level above the stored MaxLevel, and a lost one whose
    // name prompt is open with "Zed" typed.
    EarlierRunGame levelled, prompted;
    levelled.game.OnWayland(compositor);
    const bool paused = levelled.game.PausedAboveTheStoredMaxLevel();
    prompted.game.OnWayland(compositor);
    const bool prompting = prompted.game.AtNamePrompt();
    compositor.Kill();
    ASSERT_TRUE(paused) << compositor.Log().toStdString();
    ASSERT_TRUE(prompting) << compositor.Log().toStdString();
    for (RealGame* g : {&levelled.game, &prompted.game}) {
        EXPECT_EQ(g->Platform(), QStringLiteral("wayland"));
        ASSERT_TRUE(g->Finish());
        EXPECT_TRUE(g->ExitedNormally());
        EXPECT_NE(g->ExitCode(), 0);
    }
    // No handler ran: the level as it began, the entry under the name the prompt opened with.
    ExpectSaved(levelled.home, {}, QStringLiteral("10"));
    ExpectSaved(prompted.home, frmCustomInput::Text1Preset());
}
