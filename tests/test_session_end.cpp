// The real game ended the ways a desktop session ends it: SIGTERM (logout, shutdown), SIGHUP and
// the X server going away all save the table as the close box does, and a save that fails says so.
#include "TestSupport.h"

#include "dialogs/frmCustomInput.h"
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
    bool AtNamePrompt() {
        // The test runner gives every process a settings folder of its own: the child takes this one.
        env_.insert(QStringLiteral("QUORBIT_CHILD_PROMPT"), env_.value(QStringLiteral("XDG_CONFIG_HOME")));
        env_.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.warning=false"));
        if (!Launch(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SessionEndChild.WaitsAtTheNamePrompt")}))
            return false;
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (!out.contains("PROMPT-OPEN") && clock.elapsed() < 30000 && process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
            out += process_.readAllStandardOutput();
        }
        return out.contains("PROMPT-OPEN");
    }
    void Signal(int sig) { ::kill(static_cast<pid_t>(process_.processId()), sig); }
    bool Finish() { return process_.waitForFinished(30000); }
    bool ExitedNormally() const { return process_.exitStatus() == QProcess::NormalExit; }
    int ExitCode() const { return process_.exitCode(); }
    QString Errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
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

// The earlier run's table, saved whole; with `named`, the entry of the open prompt below Ann, once.
void ExpectSaved(const TestSupport::ScopedConfigHome& home, bool named = false) {
    QSettings raw(home.File(), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("Quorbit"));
    EXPECT_EQ(raw.childKeys().size(), 21);
    EXPECT_EQ(raw.value(QStringLiteral("MaxLevel")).toString(), QStringLiteral("9"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScore1")).toString(), QStringLiteral("3,570"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName1")).toString(), QStringLiteral("Ann"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName10")).toString(), QStringLiteral("---"));
    if (!named) return;
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName2")).toString(), QStringLiteral("Zed"));
    EXPECT_EQ(HighScoreTable::ScoreValue(raw.value(QStringLiteral("TopScore2")).toString()), 2500);
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName3")).toString(), QStringLiteral("---"));
}
}

// Run by the tests below in a process of its own: a game just lost with 2,500 points, its name prompt
// open with "Zed" typed, and the program's real end.
TEST(SessionEndChild, WaitsAtTheNamePrompt) {
    const QByteArray configHome = qgetenv("QUORBIT_CHILD_PROMPT");
    if (configHome.isEmpty()) GTEST_SKIP() << "runs only as a child of SessionEnd";
    qputenv("XDG_CONFIG_HOME", configHome);
    TestSupport::QuietEnvironment();
    Modal::SetHook([](QDialog& d) { d.close(); });
    frmMain form;
    form.Form_Load();
    Modal::SetHook(nullptr);
    Program::SetEndHook(nullptr);
    Program::OnEndRequest([&form] { form.Form_Unload(); }, [&form] { form.SaveSettings(); });
    form.ScoreLabel->SetCaption(QStringLiteral("2500"));
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<frmCustomInput*>(w)) box->Text1->setText(QStringLiteral("Zed"));
        std::printf("PROMPT-OPEN\n");
        std::fflush(stdout);
    });
    form.RecordHighScore();
    ADD_FAILURE() << "the prompt closed before the program ended";
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
    ExpectSaved(home, true);
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
    TestSupport::ScopedConfigHome home;
    StoreEarlierRun();
    TestSupport::PrivateX x;
    ASSERT_EQ(x.Problem(), QString());
    const int display = x.Display();

    // On the same display: an idle game, and one whose name prompt is open.
    RealGame game(home.Path());
    game.OnDisplay(display);
    const bool started = game.Start();
    TestSupport::ScopedConfigHome promptHome;
    StoreEarlierRun();
    RealGame prompted(promptHome.Path());
    prompted.OnDisplay(display);
    const bool prompting = prompted.AtNamePrompt();
    x.Kill();
    ASSERT_TRUE(started);
    ASSERT_TRUE(prompting);
    for (RealGame* g : {&game, &prompted}) {
        ASSERT_TRUE(g->Finish());
        // Saved, but the run was cut short: no success to report.
        EXPECT_TRUE(g->ExitedNormally());
        EXPECT_NE(g->ExitCode(), 0);
    }
    ExpectSaved(home);
    ExpectSaved(promptHome, true);
}
