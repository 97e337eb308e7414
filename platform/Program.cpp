#include "platform/Program.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {
bool ended = false;
std::function<void(int)> endHook;
std::function<void()> endRequest;
std::function<void()> saveRequest;

// A signal handler may do next to nothing: it wakes the event loop through a pipe, and the end runs
// there, on the one thread. A logout sends SIGTERM and at once SIGHUP, and a user may press Ctrl+C
// twice: a signal while the first is pending is the same request. Only a first signal left unread for
// longer than any pause or animation of the game means a stuck loop; the default action then ends the
// program as it would have without us.
constexpr long kStuckAfterSeconds = 10;
int wakeFds[2] = {-1, -1};
enum : int { kNoSignal, kSignalUnread, kSignalRead };
// Lock-free atomics: a signal may arrive on any thread, the audio thread among them.
std::atomic<int> signalState{kNoSignal};
std::atomic<long> firstSignalAt{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<long>::is_always_lock_free);
// Set when the end comes through exit() rather than the program's own end: the run was cut short.
bool cutShort = false;

long MonotonicSeconds() {
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
    return static_cast<long>(now.tv_sec);
}

void OnSignal(int sig) {
    if (signalState == kSignalUnread && MonotonicSeconds() - firstSignalAt >= kStuckAfterSeconds) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    if (signalState != kNoSignal) return;
    firstSignalAt.store(MonotonicSeconds());
    int none = kNoSignal;
    if (!signalState.compare_exchange_strong(none, kSignalUnread)) return;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
    errno = saved;
}

void RunEndRequest() {
    if (!ended && endRequest) endRequest();
}

void OnExit() {
    cutShort = true;
    RunEndRequest();
}
}

namespace Program {
void End(int status) {
    ended = true;
    if (cutShort && status == 0) status = 1;
    if (endHook) {
        endHook(status);
        return;
    }
    std::fflush(nullptr);
    // Nothing may resume afterwards: no event loop, no pending animation step.
    std::_Exit(status);
}
bool Ended() { return ended; }

void ServeSignal() {
    int unread = kSignalUnread;
    if (signalState.compare_exchange_strong(unread, kSignalRead)) RunEndRequest();
}
void SetEndHook(std::function<void(int)> hook) { endHook = std::move(hook); }
void Reset() { ended = false; }

void OnEndRequest(std::function<void()> end, std::function<void()> save) {
    endRequest = std::move(end);
    saveRequest = std::move(save);
    if (::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
            char buffer[16];
            while (::read(wakeFds[0], buffer, sizeof buffer) > 0) {
            }
            ServeSignal();
        });
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &action, nullptr);
    }
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, RunEndRequest);
#if QT_CONFIG(sessionmanager)
    if (qGuiApp)
        QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, qGuiApp, [](QSessionManager&) {
            if (!ended && saveRequest) saveRequest();
        });
#endif
    // Qt's X11 platform calls exit() when the connection to the X server breaks. Registered after
    // start-up, this runs before the static objects that start-up made (the settings code's) go.
    std::atexit(OnExit);
}
}
