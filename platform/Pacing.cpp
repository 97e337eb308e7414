#include "platform/Pacing.h"
#include "platform/Program.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
bool instantPacing = false;
// Where the running animation's current frame began: when its last pause was due to end, or when the
// drawing of its first frame started. A frame's own drawing counts towards its pause, so that an
// animation of n frames of 10 ms takes n x 10 ms, not n x (10 ms + drawing). Once the event loop has
// waited for events, the time since is no drawing: the next pause counts from its call.
std::optional<Clock::time_point> frameStart;
// Drawing a frame takes well under the animations' 10 ms frame: a longer time since the frame began is
// other work, which a pause never absorbs.
constexpr auto kFrameDrawing = std::chrono::milliseconds(10);
QPointer<QAbstractEventDispatcher> watched;

void WatchEventLoop() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || dispatcher == watched) return;
    watched = dispatcher;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [] { frameStart.reset(); });
    frameStart.reset();
}
}

namespace Pacing {
void Sleep(int ms) {
    Program::ServeSignal();
    if (instantPacing || ms <= 0 || Program::Ended()) return;
    WatchEventLoop();
    const auto now = Clock::now();
    const auto length = std::chrono::milliseconds(ms);
    auto due = now + length;
    if (frameStart && now - *frameStart < std::min<Clock::duration>(length, kFrameDrawing))
        due = *frameStart + length;
    std::this_thread::sleep_until(due);
    frameStart = due;
}

void FrameStarts() {
    if (instantPacing) return;
    WatchEventLoop();
    const auto now = Clock::now();
    if (!frameStart || now - *frameStart >= kFrameDrawing) frameStart = now;
}

void DoEvents() {
    if (Program::Ended()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetInstant(bool instant) { instantPacing = instant; }
bool Instant() { return instantPacing; }
}
