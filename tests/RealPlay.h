#pragma once
// The game played at real speed by its own GameTimer, for tests and benchmarks that look at a shown
// window. Header-only: the benchmarks include it without the test support.
#include "game/frmMain.h"
#include "platform/Timer.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <utility>

namespace RealPlay {
// Runs `then` once, when the watched button is disabled: the removal disables the pause button right
// after its one-second pause, before any block shrinks.
class DisableWatch : public QObject {
public:
    DisableWatch(QWidget* button, std::function<void()> then) : then_(std::move(then)) {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && !static_cast<QWidget*>(watched)->isEnabled() && then_) {
            auto then = std::move(then_);
            then_ = nullptr;
            then();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

// Lets GameTimer tick by itself every `interval` ms until the falling block has landed and that tick
// has ended; the time the landing tick began, in ms of `clock` (-1 when it never landed).
inline qint64 PlayUntilLanded(frmMain& f, int interval, const QElapsedTimer& clock) {
    const Integer before = f.BlockCount;
    const auto tick = f.GameTimer.OnTimer;
    qint64 started = -1;
    QEventLoop loop;
    f.GameTimer.OnTimer = [&] {
        // Ticks that fall due while a landing lets events run find TickRunning set.
        const bool outer = !f.TickRunning;
        const qint64 now = clock.elapsed();
        tick();
        if (!outer) return;
        if (f.BlockCount != before) {
            started = now;
            loop.quit();
        }
    };
    Timer::SetManual(false);
    f.GameTimer.SetEnabled(true);
    f.GameTimer.SetInterval(interval);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    f.GameTimer.SetEnabled(false);
    // Back to timers that never tick by themselves; those the next spawn enabled stay enabled.
    Timer::SetManual(true);
    for (Timer* t : {&f.GoblinTimer, &f.PauseTimer, &f.BlueBlockTimer, &f.LightTimer, &f.BombTimer, &f.GameOverTimer})
        t->SetInterval(t->Interval());
    f.GameTimer.OnTimer = tick;
    return started;
}
}
