#include "platform/Timer.h"
#include "platform/Program.h"

namespace {
bool manualTimers = false;
}

Timer::Timer(int interval, QObject* parent) : QObject(parent), interval_(interval) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Fire(); });
}

void Timer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Restart();
}

void Timer::SetInterval(int ms) {
    interval_ = ms;
    Restart();
}

void Timer::Restart() {
    timer_.stop();
    if (enabled_ && interval_ > 0 && !manualTimers) timer_.start(interval_);
}

void Timer::Fire() {
    if (Program::Ended()) return;
    if (OnTimer) OnTimer();
}

void Timer::SetManual(bool manual) { manualTimers = manual; }
