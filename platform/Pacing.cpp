#include "platform/Pacing.h"
#include "platform/Program.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <chrono>
#include <optional>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
bool instantPacing = false;
// When the last pause of the running animation was due to end. A frame's own drawing counts towards
// its pause, so that an animation of n frames of 10 ms takes n x 10 ms, not n x (10 ms + drawing).
// Once the event loop has waited for events, the time since is no drawing: the next pause counts
// from its call.
std::optional<Clock::time_point> lastDue;
QPointer<QAbstractEventDispatcher> watched;

void WatchEventLoop() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || dispatcher == watched) return;
    watched = dispatcher;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [] { lastDue.reset(); });
    lastDue.reset();
}
}

namespace Pacing {
void Sleep(int ms) {
    if (instantPacing || ms <= 0 || Program::Ended()) return;
    WatchEventLoop();
    const auto now = Clock::now();
    const auto length = std::chrono::milliseconds(ms);
    auto due = now + length;
    // Only a frame that follows closely on the last pause has its drawing counted in.
    if (lastDue && *lastDue + length > now) due = *lastDue + length;
    std::this_thread::sleep_until(due);
    lastDue = due;
}

void DoEvents() {
    if (Program::Ended()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetInstant(bool instant) { instantPacing = instant; }
bool Instant() { return instantPacing; }
}
