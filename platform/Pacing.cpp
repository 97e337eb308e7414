#include "platform/Pacing.h"
#include "platform/Program.h"

#include <QCoreApplication>
#include <chrono>
#include <thread>

namespace {
bool instantPacing = false;
// When the last pause was due to end. A frame's own drawing counts towards its pause, so that an
// animation of n frames of 10 ms takes n x 10 ms, not n x (10 ms + drawing time).
std::chrono::steady_clock::time_point lastDue;
}

namespace Pacing {
void Sleep(int ms) {
    if (instantPacing || ms <= 0 || Program::Ended()) return;
    using namespace std::chrono;
    const auto now = steady_clock::now();
    auto due = lastDue + milliseconds(ms);
    // A pause that does not follow closely on the last one starts its count now.
    if (due <= now) due = now + milliseconds(ms);
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
