// The real game ended the ways a desktop session ends it: SIGTERM (logout, shutdown), SIGHUP and
// the X server going away all save the table as the close box does, and a save that fails says so.
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <sys/wait.h>
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

    // Started and past its start-up: the signal handlers are in place.
    bool Start() {
        process_.setProcessEnvironment(env_);
        process_.start(QString::fromUtf8(QUORBIT_BINARY), {});
        if (!process_.waitForStarted(10000)) return false;
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

void ExpectSaved(const TestSupport::ScopedConfigHome& home) {
    QSettings raw(home.File(), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("Quorbit"));
    EXPECT_EQ(raw.childKeys().size(), 21);
    EXPECT_EQ(raw.value(QStringLiteral("MaxLevel")).toString(), QStringLiteral("9"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScore1")).toString(), QStringLiteral("3,570"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName1")).toString(), QStringLiteral("Ann"));
    EXPECT_EQ(raw.value(QStringLiteral("TopScoreName10")).toString(), QStringLiteral("---"));
}
}

TEST(SessionEnd, TermAndHangUpSaveAsTheCloseBoxDoesAndAFailedSaveSaysSo) {
    struct Case {
        int sig;
        bool blocked;
    };
    for (Case c : {Case{SIGTERM, false}, Case{SIGHUP, false}, Case{SIGTERM, true}}) {
        SCOPED_TRACE(c.sig);
        SCOPED_TRACE(c.blocked);
        TestSupport::ScopedConfigHome home;
        // A folder where the file should be: as good as a read-only folder, even for root.
        if (c.blocked) ASSERT_TRUE(QDir().mkpath(home.File()));
        else StoreEarlierRun();
        RealGame game(home.Path());
        ASSERT_TRUE(game.Start());
        game.Signal(c.sig);
        ASSERT_TRUE(game.Finish());
        const QString errors = game.Errors();
        EXPECT_TRUE(game.ExitedNormally()) << errors.toStdString();
        if (c.blocked) {
            EXPECT_NE(game.ExitCode(), 0) << errors.toStdString();
            EXPECT_TRUE(errors.contains(home.File())) << errors.toStdString();
        } else {
            EXPECT_EQ(game.ExitCode(), 0) << errors.toStdString();
            ExpectSaved(home);
        }
    }
}

TEST(SessionEnd, TheXServerGoingAwaySavesToo) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed (scripts/setup.sh installs it)";
    TestSupport::ScopedConfigHome home;
    StoreEarlierRun();

    // Xvfb writes its display number to the pipe once it is ready; it picks a free one itself unless
    // QUORBIT_TEST_DISPLAY names one (a shared machine may hand out display numbers).
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    QList<QByteArray> args{"Xvfb", "-displayfd", QByteArray::number(fds[1]), "-nolisten", "tcp", "-screen", "0",
                           "1024x768x24"};
    if (const QByteArray wanted = qgetenv("QUORBIT_TEST_DISPLAY"); !wanted.isEmpty()) args.insert(1, ':' + wanted);
    std::vector<char*> argv;
    for (QByteArray& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const QByteArray program = QFile::encodeName(xvfb);
    const pid_t server = ::fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        ::close(fds[0]);
        ::execv(program.constData(), argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    QByteArray number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    bool ok = false;
    const int display = number.toInt(&ok);
    if (!ok) {
        ::kill(server, SIGKILL);
        ::waitpid(server, nullptr, 0);
        FAIL() << "Xvfb did not start";
    }

    RealGame game(home.Path());
    game.OnDisplay(display);
    const bool started = game.Start();
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
    ASSERT_TRUE(started);
    ASSERT_TRUE(game.Finish());
    ExpectSaved(home);
}
