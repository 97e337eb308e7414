#include "TestSupport.h"

#include "platform/Browser.h"
#include "platform/CallLog.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Random.h"
#include "platform/Registry.h"
#include "platform/SoundPlayer.h"
#include "platform/Timer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace TestSupport {
QStringList& OpenedAddresses() {
    static QStringList list;
    return list;
}
int& EndCount() {
    static int n = 0;
    return n;
}
int& EndStatus() {
    static int status = 0;
    return status;
}

void QuietEnvironment(std::uint64_t seed) {
    Pacing::SetInstant(true);
    Timer::SetManual(true);
    SetClockMixing(false);
    SeedRandom(seed);
    Program::Reset();
    EndCount() = 0;
    EndStatus() = 0;
    Program::SetEndHook([](int status) {
        ++EndCount();
        EndStatus() = status;
    });
    Modal::SetHook(nullptr);
    OpenedAddresses().clear();
    Browser::SetOpener([](const QString& a) { OpenedAddresses().append(a); });
    CallLog::SetRecording(true);
    SoundPlayer::History().clear();
    MediaPlayer::Instance().Reset();
    Module1::Reset();
}

QStringList Sounds() {
    QStringList names;
    for (const QString& p : SoundPlayer::History()) names.append(QFileInfo(p).fileName());
    return names;
}

void ClearSounds() { SoundPlayer::History().clear(); }

std::vector<std::string> Bottom(std::vector<std::string> rows, size_t n) {
    std::vector<std::string> board(n > rows.size() ? n - rows.size() : 0, std::string(n, '.'));
    for (std::string& r : rows) {
        r.resize(n, '.');
        board.push_back(r);
    }
    return board;
}

void Store(const std::vector<std::pair<QString, QString>>& values) {
    Registry::Session store(QStringLiteral("Felmarch"), Registry::Session::Access::Change);
    for (const auto& [key, value] : values) store.Set(QStringLiteral("Quorbit"), key, value);
    if (!store.Commit()) ADD_FAILURE() << qPrintable(store.Problem());
}

ScopedConfigHome::ScopedConfigHome() : old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
}

ScopedConfigHome::~ScopedConfigHome() {
    qputenv("XDG_CONFIG_HOME", old_);
}

namespace {
// Starts `program` with `args`, its output to `log` (or nowhere), and `env` added; -1 when it could not.
// Everything is made before the fork: the child of a threaded process may not allocate (under the
// sanitizer another thread may hold the allocator's lock for ever).
pid_t Spawn(const QString& program, const QList<QByteArray>& args, const std::vector<std::pair<QByteArray, QByteArray>>& env,
            const QString& log = {}, int keepFd = -1) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return -1;
    const QByteArray file = QFile::encodeName(path);
    std::vector<QByteArray> owned(args.begin(), args.end());
    std::vector<char*> argv{const_cast<char*>(file.constData())};
    for (QByteArray& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env) environment.insert(QString::fromLocal8Bit(name), QString::fromLocal8Bit(value));
    std::vector<QByteArray> entries;
    for (const QString& entry : environment.toStringList()) entries.push_back(entry.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const int out = ::open(log.isEmpty() ? "/dev/null" : QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = ::fork();
    if (pid != 0) {
        if (out >= 0) ::close(out);
        return pid;
    }
    if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
    }
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != keepFd) ::close(fd);
    ::execve(file.constData(), argv.data(), envp.data());
    ::_exit(127);
}

void Stop(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

// Whether a window manager has announced itself on the display's root window.
bool ManagerRuns(int display) {
    const QByteArray name = ':' + QByteArray::number(display);
    xcb_connection_t* c = xcb_connect(name.constData(), nullptr);
    bool runs = false;
    if (!xcb_connection_has_error(c)) {
        const char atomName[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof atomName - 1, atomName), nullptr);
        if (atom && atom->atom != XCB_ATOM_NONE) {
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
            xcb_get_property_reply_t* p =
                xcb_get_property_reply(c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            runs = p && xcb_get_property_value_length(p) == 4;
            std::free(p);
        }
        std::free(atom);
    }
    xcb_disconnect(c);
    return runs;
}
}

PrivateX::PrivateX(const QString& windowManager, QSize screen) {
    // Xvfb writes its display number to the pipe once it is ready; it picks a free one itself unless
    // QUORBIT_TEST_DISPLAY names one (a shared machine may hand out display numbers).
    int fds[2];
    if (::pipe(fds) != 0) {
        problem_ = QStringLiteral("no pipe");
        return;
    }
    QList<QByteArray> args{"-displayfd", QByteArray::number(fds[1]), "-nolisten", "tcp", "-noreset", "-screen", "0",
                           QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()).toLatin1()};
    if (const QByteArray wanted = qgetenv("QUORBIT_TEST_DISPLAY"); !wanted.isEmpty()) args.prepend(':' + wanted);
    server_ = Spawn(QStringLiteral("Xvfb"), args, {}, {}, fds[1]);
    ::close(fds[1]);
    QByteArray number;
    char c = 0;
    while (server_ > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    bool ok = false;
    display_ = number.toInt(&ok);
    if (!ok) {
        problem_ = server_ > 0 ? QStringLiteral("Xvfb did not start") : QStringLiteral("Xvfb is not installed");
        Stop(server_);
        return;
    }
    if (windowManager.isEmpty()) return;
    manager_ = Spawn(windowManager, {}, {{"DISPLAY", ':' + QByteArray::number(display_)}});
    if (manager_ < 0) {
        problem_ = windowManager + QStringLiteral(" is not installed");
        return;
    }
    // A window mapped while the window manager is still starting can be missed by it.
    QElapsedTimer clock;
    clock.start();
    while (!ManagerRuns(display_)) {
        if (clock.elapsed() > 20000 || ::waitpid(manager_, nullptr, WNOHANG) != 0) {
            problem_ = windowManager + QStringLiteral(" did not start");
            return;
        }
        QThread::msleep(20);
    }
}

PrivateX::~PrivateX() {
    Stop(manager_);
    Stop(server_);
}

void PrivateX::Kill() { Stop(server_); }

PrivateWayland::PrivateWayland() {
    // A compositor refuses a runtime folder that others can read.
    QFile::setPermissions(runtime_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    compositor_ = Spawn(QStringLiteral("weston"),
                        {"--backend=headless-backend.so", "--socket=" + Socket().toLatin1(), "--no-config",
                         "--idle-time=0", "--width=1280", "--height=1024"},
                        {{"XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path())}}, runtime_.filePath(QStringLiteral("log")));
    if (compositor_ < 0) {
        problem_ = QStringLiteral("weston is not installed");
        return;
    }
    // Clients that connect once the socket is there wait until the compositor serves them.
    const QString socket = runtime_.filePath(Socket());
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(socket)) {
        if (clock.elapsed() > 20000 || ::waitpid(compositor_, nullptr, WNOHANG) != 0) {
            problem_ = QStringLiteral("weston did not start: ") + Log();
            compositor_ = -1;
            return;
        }
        QThread::msleep(20);
    }
}

PrivateWayland::~PrivateWayland() { Stop(compositor_); }

QString PrivateWayland::Log() const {
    QFile f(runtime_.filePath(QStringLiteral("log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

void PrivateWayland::Kill() { Stop(compositor_); }

PrivateSoundServer::PrivateSoundServer() {
    for (const char* tool : {"pactl", "parec"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            problem_ = QString::fromLatin1(tool) + QStringLiteral(" is not installed");
    if (problem_.isEmpty()) Start();
}

PrivateSoundServer::~PrivateSoundServer() { Stop(server_); }

void PrivateSoundServer::Kill() { Stop(server_); }

bool PrivateSoundServer::Start() {
    // No configuration of the machine's: only the sink and the socket, open to any client. As root it
    // runs in a user's mode, with its home, runtime and state in the private folder.
    const QByteArray dir = QFile::encodeName(dir_.path());
    server_ = Spawn(QStringLiteral("pulseaudio"),
                    {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm", "--use-pid-file=no", "-L",
                     "module-null-sink", "-L",
                     "module-native-protocol-unix auth-anonymous=1 socket=" + QFile::encodeName(Socket())},
                    {{"HOME", dir}, {"XDG_RUNTIME_DIR", dir}, {"PULSE_RUNTIME_PATH", dir + "/pulse"}},
                    dir_.filePath(QStringLiteral("log")));
    if (server_ < 0) {
        problem_ = QStringLiteral("pulseaudio is not installed");
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("-s"), Address(), QStringLiteral("info")});
        if (info.waitForFinished(60000) && info.exitCode() == 0) return true;
        if (clock.elapsed() > 30000 || ::waitpid(server_, nullptr, WNOHANG) != 0) {
            QFile log(dir_.filePath(QStringLiteral("log")));
            problem_ = QStringLiteral("pulseaudio did not start: ") +
                       (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
            Stop(server_);
            return false;
        }
        QThread::msleep(50);
    }
}

QString PrivateSoundServer::Streams() const {
    QProcess list;
    list.start(QStringLiteral("pactl"), {QStringLiteral("-s"), Address(), QStringLiteral("list"), QStringLiteral("short"),
                                         QStringLiteral("sink-inputs")});
    return list.waitForFinished(60000) && list.exitCode() == 0 ? QString::fromLocal8Bit(list.readAllStandardOutput()).trimmed() : QString();
}

int PrivateSoundServer::Peak(int ms) const {
    // 16-bit stereo at 44.1 kHz, the sink's own format: what the clients played, unchanged.
    const qint64 wanted = ms * 44100LL / 1000 * 4;
    QProcess record;
    record.start(QStringLiteral("parec"), {QStringLiteral("-s"), Address(), QStringLiteral("-d"), QStringLiteral("null.monitor"),
                                           QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                                           QStringLiteral("--rate=44100"), QStringLiteral("--channels=2")});
    QByteArray pcm;
    QElapsedTimer clock;
    clock.start();
    while (pcm.size() < wanted && record.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        record.waitForReadyRead(1000);
        pcm += record.readAllStandardOutput();
    }
    record.kill();
    record.waitForFinished(60000);
    if (pcm.size() < wanted) return -1;
    int peak = 0;
    for (qint64 i = 0; i + 1 < wanted; i += 2) {
        const auto sample = static_cast<std::int16_t>(static_cast<quint8>(pcm[i]) | static_cast<quint8>(pcm[i + 1]) << 8);
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}
}

void GameTest::SetUp() {
    TestSupport::QuietEnvironment();
    // The splash closes at once; other windows are left to each test's own hook.
    Modal::SetHook([](QDialog& d) { d.close(); });
    form = std::make_unique<frmMain>();
    form->Form_Load();
    Modal::SetHook(nullptr);
    MediaPlayer::Instance().Calls().clear();
    TestSupport::ClearSounds();
}

void GameTest::TearDown() {
    form.reset();
    Modal::SetHook(nullptr);
}

void GameTest::SetBoard(const std::vector<std::string>& rows) {
    Module1::BoardSize = static_cast<Integer>(rows.size());
    form->ResizeBoard();
    form->ClearBoard();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const char ch = rows[r][c];
            if (ch == '.') continue;
            form->PlaceBlock(static_cast<Integer>(c + 1), static_cast<Integer>(r + 1), QString(QChar(ch)));
        }
    }
    form->ShowBlocks();
}

void GameTest::Start(const std::vector<std::string>& rows, const QString& face, bool blue) {
    SetBoard(rows);
    // Every goblin within reach of GoblinsRemain, wherever SetBoard put it in the block order.
    Module1::GoblinCount = 0;
    for (int r = 1; r <= Module1::BoardSize; ++r)
        for (int c = 1; c <= Module1::BoardSize; ++c)
            if (form->Board[r][c].Face == QLatin1String("G"))
                Module1::GoblinCount =
                    std::max<Integer>(Module1::GoblinCount, static_cast<Integer>(form->Board[r][c].BlockIndex + 1));
    form->DropInterval = 800;
    form->GameTimer.SetInterval(800);
    form->KeysLocked = false;
    form->SpawnBlock();
    form->LightTimer.SetEnabled(false);
    form->BombTimer.SetEnabled(false);
    form->BlueBlockTimer.SetEnabled(blue);
    form->CurFace = face;
    form->IsBlueBlock = blue;
    if (face == QLatin1String("S"))
        form->BlockAt(form->BlockCount)->SetPicture(form->ImageListGoblin0.ListImages(QStringLiteral("star")));
    else if (face == QLatin1String("B"))
        form->BlockAt(form->BlockCount)->SetPicture(form->ImageListGoblin0.ListImages(QStringLiteral("bomb1")));
    else
        form->SetBlockPicture(form->ImageListBlue, face, form->BlockCount, false);
    form->GameTimer.SetEnabled(true);
    TestSupport::ClearSounds();
}

std::vector<std::string> GameTest::BoardRows() const {
    std::vector<std::string> rows;
    for (int r = 1; r <= Module1::BoardSize; ++r) {
        std::string line;
        for (int c = 1; c <= Module1::BoardSize; ++c) {
            const QString& f = form->Board[r][c].Face;
            line += f.isEmpty() ? '.' : f.at(0).toLatin1();
        }
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> GameTest::MarkRows() const {
    std::vector<std::string> rows;
    for (int r = 1; r <= Module1::BoardSize; ++r) {
        std::string line;
        for (int c = 1; c <= Module1::BoardSize; ++c) line += form->Board[r][c].Removing ? 'X' : '.';
        rows.push_back(line);
    }
    return rows;
}

QString GameTest::KeyOf(Long blockIndex) const {
    const PictureBox* b = form->BlockAt(blockIndex);
    return b ? b->GetPicture().key : QString();
}

QString GameTest::KeyAt(int row, int col) const {
    const BoardCell& cell = form->Board[row][col];
    if (cell.Face.isEmpty()) return {};
    return KeyOf(cell.BlockIndex);
}
