// Damaged music and effect files on a running sound device, or no device: silence, a line each on stderr,
// and a game that goes on. Each set of files is played in a child process, which a freeze would hang.
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
#include <sys/resource.h>
#include <sys/stat.h>

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
}

// The game starts with the file given as its first tune, and a new game's level start plays it and
// drops the board in with a bang; a few blocks fall; in the middle of the game the player picks the
// file again in the audio dialog, and the game goes on; then the effects given are played. Reports
// the CPU used in 150 ms while idle afterwards and the longest audio call.
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

    std::vector<std::unique_ptr<QProcess>> children;
    for (const Case& c : cases) {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORBIT_CHILD_TUNE"), c.tune);
        env.insert(QStringLiteral("QUORBIT_CHILD_EFFECTS"), c.effects.join(QLatin1Char('\n')));
        env.insert(QStringLiteral("QUORBIT_CHILD_DRIVER"), c.driver);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.warning=false"));  // the headless platform's
        child->setProcessEnvironment(env);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=DamagedAudioChild.PlaysOnWithTheFilesGiven")});
        children.push_back(std::move(child));
    }
    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; i < cases.size(); ++i) {
        QProcess& child = *children[i];
        SCOPED_TRACE(cases[i].tune.toStdString() + " with " + cases[i].effects.join(QLatin1Char(' ')).toStdString());
        if (!child.waitForFinished(static_cast<int>(std::max<qint64>(1000, 90000 - clock.elapsed())))) {
            child.kill();
            child.waitForFinished();
            ADD_FAILURE() << "the game froze";
            continue;
        }
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        const QStringList errors = QString::fromLocal8Bit(child.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (child.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "crashed\n" << out.toStdString();
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
