// Damaged music and effect files on a running sound device, no device, or a sound server that dies under
// the game: silence, a line each on stderr, and a game that goes on (and sounds again once the server is
// back). Each set of files is played in a child process, which a freeze would hang.
#include "TestSupport.h"

#include "dialogs/frmAudio.h"
#include "platform/AudioDevice.h"
#include "platform/FileChooser.h"
#include "platform/Modal.h"
#include "platform/SoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstring>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Module1;

namespace {
qint64 CpuMs() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1000 + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1000;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A well-formed Standard MIDI File whose one track ends where it starts.
const QByteArray kEmptySong("MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\0\0\0\4\0\xff\x2f\0", 26);

// Where a sound server is killed and started again, the game child and its test take turns: the child
// says where it is and waits for a line from the test; the test waits for the child's word.
void Step(const char* name) {
    std::printf("AUDIO-STEP %s\n", name);
    std::fflush(stdout);
}

bool LineFromTest(int ms) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, ms) <= 0) return false;
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {}
    return true;
}

bool AwaitStep(QProcess& child, QByteArray& out, const char* name, const std::function<void()>& meanwhile = {}) {
    const QByteArray line = QByteArray("AUDIO-STEP ") + name + '\n';
    QElapsedTimer clock;
    clock.start();
    while (!out.contains(line) && clock.elapsed() < 180000 && child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(100);
        out += child.readAllStandardOutput();
        if (meanwhile) meanwhile();
    }
    return out.contains(line);
}

void Tell(QProcess& child) {
    child.write("\n");
    while (child.bytesToWrite() > 0 && child.state() != QProcess::NotRunning) child.waitForBytesWritten(100);
}

bool Eventually(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 120000) return false;
        QThread::msleep(100);
    }
    return true;
}

// On the game's side: whether the audio thread has a device open once all that is queued has run.
bool DeviceOpen() {
    auto open = std::make_shared<std::atomic<bool>>(true);
    AudioDevice::Post([open] { *open = AudioDevice::IsOpen(); });
    AudioDevice::Drain(60000);
    return *open;
}

// Where the server was, a socket that turns away every client that tries to reach one, and counts them.
class EmptyServerSocket {
public:
    explicit EmptyServerSocket(const QString& path) : path_(QFile::encodeName(path)) {
        ::unlink(path_.constData());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.constData(), sizeof address.sun_path - 1);
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 64) != 0)
            ADD_FAILURE() << "no socket in the server's place";
    }
    ~EmptyServerSocket() {
        if (fd_ >= 0) ::close(fd_);
        ::unlink(path_.constData());
    }
    EmptyServerSocket(const EmptyServerSocket&) = delete;
    EmptyServerSocket& operator=(const EmptyServerSocket&) = delete;
    int TurnAway() {
        for (int client; fd_ >= 0 && (client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; ++tries_) ::close(client);
        return tries_;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    int tries_ = 0;
};

// The server dies under the game that plays its music and comes back: the game goes on silently,
// trying the server again at its effects, never more often than once a second, and its next effect
// then brings its stream back with the tune it was playing.
void RestartServer(QProcess& child, QByteArray& out, TestSupport::PrivateSoundServer& server) {
    ASSERT_TRUE(AwaitStep(child, out, "sounding")) << out.toStdString();
    EXPECT_TRUE(Eventually([&] { return !server.Streams().isEmpty(); })) << "no stream before the server died";
    EXPECT_TRUE(Eventually([&] { return server.Peak(300) > 100; })) << "silent before the server died";
    server.Kill();
    {
        EmptyServerSocket empty(server.Socket());
        QElapsedTimer gone;
        gone.start();
        Tell(child);
        ASSERT_TRUE(AwaitStep(child, out, "gone", [&] { empty.TurnAway(); })) << out.toStdString();
        const qint64 seconds = gone.elapsed() / 1000;
        EXPECT_GE(empty.TurnAway(), 2) << "the server was never tried again";
        EXPECT_LE(empty.TurnAway(), seconds + 1) << "tried more than once a second in " << seconds << " s";
    }
    ASSERT_TRUE(server.Start()) << server.Problem().toStdString();
    Tell(child);
    ASSERT_TRUE(Eventually([&] { return !server.Streams().isEmpty(); })) << "the game's stream never came back";
    Tell(child);
    ASSERT_TRUE(AwaitStep(child, out, "waiting")) << out.toStdString();
    EXPECT_TRUE(Eventually([&] { return server.Peak(300) > 100; })) << "the music never came back";
    Tell(child);
}
}

// The game starts with the file given as its first tune, and a new game's level start plays it and
// drops the board in with a bang; a few blocks fall; in the middle of the game the player picks the
// file again in the audio dialog, and the game goes on; then the effects given are played. Reports
// the CPU used in 150 ms while idle afterwards and the longest audio call. Where the sound server is
// killed and started again, all after the first blocks falling plays without it.
TEST(DamagedAudioChild, PlaysOnWithTheFilesGiven) {
    const QString tune = qEnvironmentVariable("QUORBIT_CHILD_TUNE");
    if (tune.isEmpty()) GTEST_SKIP() << "runs only as a child of DamagedAudio.SilenceNeverFreezesNorCrashes";
    const QStringList effects = qEnvironmentVariable("QUORBIT_CHILD_EFFECTS").split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    qputenv("SDL_AUDIODRIVER", qgetenv("QUORBIT_CHILD_DRIVER"));  // before the audio thread starts
    TestSupport::QuietEnvironment();
    Modal::SetHook([](QDialog& d) { d.close(); });
    auto form = std::make_unique<frmMain>();
    form->Form_Load();

    qint64 longest = 0;
    auto timed = [&](const std::function<void()>& call) {
        QElapsedTimer clock;
        clock.start();
        call();
        longest = std::max(longest, clock.elapsed());
    };
    auto play = [&] {
        for (int tick = 0; tick < 30; ++tick) {
            form->GameTimer_Timer();
            QThread::msleep(5);
        }
    };
    MusicFile = tune;
    timed([&] { form->MediaPlayer1.SetFileName(MusicFile); });
    BoardSize = 10;
    Level = 0;
    form->ResizeBoard();
    form->KeysLocked = true;
    form->StartNewGame();
    play();
    // The sound server is killed here, and the game plays on.
    const bool restart = qEnvironmentVariableIsSet("QUORBIT_CHILD_RESTART");
    if (restart) {
        Step("sounding");
        LineFromTest(300000);
    }

    FileChooser::SetHook([&](const QString&, const QString&, const QString&) { return tune; });
    Modal::SetHook([&](QDialog& d) {
        if (auto* audio = qobject_cast<frmAudio*>(&d)) {
            timed([audio] { audio->Command3_Click(); });
            timed([audio] { audio->Command1_Click(); });
        }
        d.close();
    });
    form->Image3_Click();
    Modal::SetHook([](QDialog& d) { d.close(); });
    play();
    for (int round = 0; round < 3; ++round)
        for (const QString& effect : effects) timed([&] { SoundPlayer::PlayAsync(effect); });
    if (restart) {
        // The lost device is let go at an effect once SDL has seen it gone; the effects after it try
        // again, in vain, but not each of them.
        QElapsedTimer clock;
        clock.start();
        while (DeviceOpen() && clock.elapsed() < 60000) {
            SoundPlayer::PlayAsync(effects.value(0));
            QThread::msleep(100);
        }
        for (int effect = 0; effect < 15; ++effect) {
            timed([&] { SoundPlayer::PlayAsync(effects.value(0)); });
            QThread::msleep(100);
        }
    }

    // Loading tunes and the soundfont is real work, which a loaded machine stretches over seconds; only
    // once the queue is empty does the game have to be quiet. A queue that never empties is a freeze.
    const bool drained = AudioDevice::Drain(60000);
    // The quietest of a few short stretches: a stray burst shows in some of them, a spinning core in all.
    qint64 quietest = 1000000;
    for (int stretch = 0; stretch < 6; ++stretch) {
        const qint64 before = CpuMs();
        QThread::msleep(150);
        quietest = std::min(quietest, CpuMs() - before);
    }
    std::printf("AUDIO-CHILD drained=%d cpu_ms=%lld longest_call_ms=%lld\n", drained ? 1 : 0,
                static_cast<long long>(quietest), static_cast<long long>(longest));
    std::fflush(stdout);
    if (restart) {
        // The server is back. Effects that are missing files sound nothing themselves: whatever the
        // test then hears is the music, brought back by the first effect that found the server.
        Step("gone");
        LineFromTest(300000);
        const QString nothing = QDir::temp().filePath(QStringLiteral("quorbit-no-such-effect.wav"));
        while (!LineFromTest(300)) SoundPlayer::PlayAsync(nothing);
        Step("waiting");
        LineFromTest(300000);
    }
    FileChooser::SetHook(nullptr);
    Modal::SetHook(nullptr);
    form.reset();
}

TEST(DamagedAudio, SilenceNeverFreezesNorCrashes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray midi = ReadAll(AudioFolder() + QStringLiteral("Quorbit1.mid"));
    const QByteArray wave = ReadAll(AudioFolder() + QStringLiteral("bomb.wav"));
    ASSERT_GT(midi.size(), 1000);
    ASSERT_GT(wave.size(), 1000);
    QByteArray garbage;
    QRandomGenerator rng(11);
    for (int i = 0; i < 3000; ++i) garbage.append(static_cast<char>(rng.bounded(256)));

    const QString d = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(Write(d + "zero.mid", {}));
    ASSERT_TRUE(Write(d + "garbage.mid", garbage));
    ASSERT_TRUE(Write(d + "truncated.mid", midi.left(midi.size() / 2)));  // cut inside a track
    ASSERT_TRUE(Write(d + "empty_song.mid", kEmptySong));
    ASSERT_TRUE(QDir().mkdir(d + "folder.mid"));
    ASSERT_EQ(mkfifo(QFile::encodeName(d + "pipe.mid").constData(), 0600), 0);
    ASSERT_TRUE(Write(d + "zero.wav", {}));
    ASSERT_TRUE(Write(d + "garbage.wav", garbage));
    ASSERT_TRUE(Write(d + "truncated.wav", wave.left(wave.size() / 2)));
    ASSERT_TRUE(Write(d + "tune.wav", midi));
    ASSERT_TRUE(QDir().mkdir(d + "folder.wav"));
    ASSERT_EQ(mkfifo(QFile::encodeName(d + "pipe.wav").constData(), 0600), 0);

    struct Case {
        QString tune;
        QStringList effects;
        int damaged;  // files that may each report one line
        QString driver = QStringLiteral("dummy");
        TestSupport::PrivateSoundServer* server = nullptr;  // killed and started again while the game plays
    };
    const QStringList goodEffects{AudioFolder() + QStringLiteral("bomb.wav")};
    std::vector<Case> cases;
    for (const char* name : {"zero.mid", "garbage.mid", "truncated.mid", "empty_song.mid", "folder.mid", "pipe.mid"})
        cases.push_back({d + name, goodEffects, 1});
    QStringList badEffects;
    for (const char* name : {"zero.wav", "garbage.wav", "truncated.wav", "tune.wav", "folder.wav", "pipe.wav"})
        badEffects << d + name;
    cases.push_back({AudioFolder() + QStringLiteral("Quorbit2.mid"), badEffects, 6});
    // A driver SDL does not have: no device opens, which is told once.
    cases.push_back({AudioFolder() + QStringLiteral("Quorbit2.mid"), goodEffects, 1, QStringLiteral("nosuch")});
    // A sound server that dies while the music plays: silence, told once, until it is back.
    TestSupport::PrivateSoundServer server;
    ASSERT_EQ(server.Problem(), QString());
    cases.push_back({AudioFolder() + QStringLiteral("Quorbit2.mid"), goodEffects, 1, QStringLiteral("pulseaudio"), &server});

    std::vector<std::unique_ptr<QProcess>> children;
    for (const Case& c : cases) {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORBIT_CHILD_TUNE"), c.tune);
        env.insert(QStringLiteral("QUORBIT_CHILD_EFFECTS"), c.effects.join(QLatin1Char('\n')));
        env.insert(QStringLiteral("QUORBIT_CHILD_DRIVER"), c.driver);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.warning=false"));  // the headless platform's
        if (c.server) {
            env.insert(QStringLiteral("QUORBIT_CHILD_RESTART"), QStringLiteral("1"));
            env.insert(QStringLiteral("PULSE_SERVER"), c.server->Address());
        }
        child->setProcessEnvironment(env);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=DamagedAudioChild.PlaysOnWithTheFilesGiven")});
        children.push_back(std::move(child));
    }
    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; i < cases.size(); ++i) {
        QProcess& child = *children[i];
        SCOPED_TRACE(cases[i].tune.toStdString() + " with " + cases[i].effects.join(QLatin1Char(' ')).toStdString() +
                     " on " + cases[i].driver.toStdString());
        QByteArray early;
        if (cases[i].server) {
            RestartServer(child, early, *cases[i].server);
            if (HasFatalFailure()) {
                child.kill();
                child.waitForFinished();
                continue;
            }
            clock.restart();
        }
        if (!child.waitForFinished(static_cast<int>(std::max<qint64>(1000, 90000 - clock.elapsed())))) {
            child.kill();
            child.waitForFinished();
            ADD_FAILURE() << "the game froze";
            continue;
        }
        const QString out = QString::fromLocal8Bit(early + child.readAllStandardOutput());
        const QStringList errors = QString::fromLocal8Bit(child.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (child.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "crashed\n" << out.toStdString() << errors.join(QLatin1Char('\n')).left(4000).toStdString();
            continue;
        }
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        int drained = 0;
        long long cpu = -1, longest = -1;
        const qsizetype at = out.indexOf(QLatin1String("AUDIO-CHILD"));
        ASSERT_GE(at, 0) << out.toStdString();
        ASSERT_EQ(std::sscanf(out.mid(at).toLatin1().constData(),
                              "AUDIO-CHILD drained=%d cpu_ms=%lld longest_call_ms=%lld", &drained, &cpu, &longest),
                  3);
        EXPECT_EQ(drained, 1) << "the audio thread never finished its work";
        EXPECT_LT(cpu, 75) << "a core spins while the game is idle";
        EXPECT_LT(longest, 200) << "the game's thread waited on the sound";
        // A line per damaged file at most, and nothing from the synthesiser.
        EXPECT_LE(errors.size(), cases[i].damaged) << errors.join(QLatin1Char('\n')).left(2000).toStdString();
        for (const QString& line : errors) EXPECT_TRUE(line.startsWith(QLatin1String("quorbit: "))) << line.toStdString();
        EXPECT_EQ(errors.filter(QLatin1String("no audio device opened")).size(), cases[i].driver == "dummy" ? 0 : 1);
    }
}
