#include "platform/Program.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {
bool ended = false;
std::function<void(int)> endHook;
std::function<void()> endRequest;
std::function<void()> saveRequest;

// A signal handler may do next to nothing: it wakes the event loop through a pipe, and the end runs
// there, on the one thread. A second signal before the first was handled means the loop is stuck:
// the default action then ends the program as it would have without us.
int wakeFds[2] = {-1, -1};
volatile std::sig_atomic_t signalPending = 0;

void OnSignal(int sig) {
    if (signalPending) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    signalPending = 1;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
    errno = saved;
}

void RunEndRequest() {
    if (!ended && endRequest) endRequest();
}
}

namespace Program {
void End(int status) {
    ended = true;
    if (endHook) {
        endHook(status);
        return;
    }
    std::fflush(nullptr);
    // Nothing may resume afterwards: no event loop, no pending animation step.
    std::_Exit(status);
}
bool Ended() { return ended; }
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
            RunEndRequest();
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
    std::atexit(RunEndRequest);
}
}
