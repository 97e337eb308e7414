#pragma once
// Shared test helpers: a quiet, instant, seeded game and boards written as strings.
#include "game/frmMain.h"

#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <memory>
#include <string>
#include <vector>

namespace TestSupport {
// Instant pacing, manual timers, seeded random source, no clock mixing, modal windows closed at once,
// browser and program end caught, sound and music history cleared.
void QuietEnvironment(std::uint64_t seed = 12345);
// Every effect played since the last clear, as bare file names ("bomb.wav").
QStringList Sounds();
void ClearSounds();
// Addresses that would have been opened in the browser.
QStringList& OpenedAddresses();
// An n x n board with the given rows at the bottom, each padded on the right with empty cells.
std::vector<std::string> Bottom(std::vector<std::string> rows, size_t n = 10);
// How often the program was ended, and the exit status it was last ended with.
int& EndCount();
int& EndStatus();

// Writes values ("MaxLevel", "TopScore1"...) into the settings file's "Quorbit" section, as an earlier
// run or another instance would have saved them.
void Store(const std::vector<std::pair<QString, QString>>& values);

// Points the settings store at a fresh private folder while it lives, then back.
class ScopedConfigHome {
public:
    ScopedConfigHome();
    ~ScopedConfigHome();
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;
    QString Path() const { return dir_.path(); }
    // The settings file the game writes.
    QString File() const { return dir_.path() + QStringLiteral("/Felmarch/Quorbit.conf"); }

private:
    QByteArray old_;
    QTemporaryDir dir_;
};

// The desktops the real game is run on: a private X server, with a window manager when one is
// named, and a private Wayland compositor. Each starts in its constructor and is gone with it; a
// tool that is not installed is a failure (scripts/setup.sh installs them all).
class PrivateX {
public:
    // `windowManager` is a program on PATH ("openbox", "fluxbox"); none when empty.
    explicit PrivateX(const QString& windowManager = {}, QSize screen = QSize(1024, 768));
    ~PrivateX();
    PrivateX(const PrivateX&) = delete;
    PrivateX& operator=(const PrivateX&) = delete;
    // Empty once the server (and its window manager) runs; else why not.
    QString Problem() const { return problem_; }
    int Display() const { return display_; }
    // The server ends at once, as a crash or a killed session ends it.
    void Kill();

private:
    pid_t server_ = -1;
    pid_t manager_ = -1;
    int display_ = -1;
    QString problem_;
};

// weston, headless (no seat, no input), on a socket of its own in a private runtime folder.
class PrivateWayland {
public:
    PrivateWayland();
    ~PrivateWayland();
    PrivateWayland(const PrivateWayland&) = delete;
    PrivateWayland& operator=(const PrivateWayland&) = delete;
    QString Problem() const { return problem_; }
    // For a client: XDG_RUNTIME_DIR and WAYLAND_DISPLAY, or the socket's whole path as WAYLAND_DISPLAY
    // for one that sets its own runtime folder (the test binary does).
    QString RuntimeDir() const { return runtime_.path(); }
    QString Socket() const { return QStringLiteral("quorbit-test"); }
    QString SocketPath() const { return runtime_.filePath(Socket()); }
    // What the compositor said: its protocol errors among it.
    QString Log() const;
    // The compositor ends at once, as a crash or the end of a session ends it.
    void Kill();

private:
    QTemporaryDir runtime_;
    pid_t compositor_ = -1;
    QString problem_;
};

// A PulseAudio server playing into a null sink, on a socket of its own in a private folder; it can be
// killed and started again on the same socket, as a player restarts the desktop's sound.
class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;
    QString Problem() const { return problem_; }
    QString Socket() const { return dir_.filePath(QStringLiteral("socket")); }
    // For a client: PULSE_SERVER.
    QString Address() const { return QStringLiteral("unix:") + Socket(); }
    // The server ends at once, as a crash ends it.
    void Kill();
    // Starts it (again) and waits until it serves clients; false, with Problem() set, when it does not.
    bool Start();
    // The streams playing into it, a line each; empty when none or when the server is not there.
    QString Streams() const;
    // The loudest sample its sink plays in `ms`, recorded from the sink's monitor; -1 when nothing was recorded.
    int Peak(int ms) const;

private:
    QTemporaryDir dir_;
    pid_t server_ = -1;
    QString problem_;
};
}

// A loaded main window, idle, as after start-up (splash closed at once).
class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lays out an N x N board (N = number of rows) and places the blocks given, one text row per board
    // row, "." for an empty cell; faces as the game writes them ("G", "S", "B", digits, "+-*/=").
    void SetBoard(const std::vector<std::string>& rows);
    // SetBoard, GoblinCount counted from the goblins placed, and a block of `face` falling from the
    // top of the middle column (a blue one when `blue`), GameTimer on at 800 ms.
    void Start(const std::vector<std::string>& rows, const QString& face, bool blue = false);
    // The board as text rows, same notation.
    std::vector<std::string> BoardRows() const;
    // The marks, "X" for a marked cell and "." otherwise.
    std::vector<std::string> MarkRows() const;
    // Picture key shown by a block ("" when none or no block).
    QString KeyOf(Long blockIndex) const;
    QString KeyAt(int row, int col) const;

    // Each test starts on its own empty settings folder: what one saves never reaches another.
    TestSupport::ScopedConfigHome home;
    std::unique_ptr<frmMain> form;
};
