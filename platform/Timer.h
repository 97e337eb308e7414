#pragma once
#include <QObject>
#include <QTimer>
#include <functional>

// A window timer: Enabled and Interval as properties, one tick handler.
// A new Interval restarts the count; enabling a running timer leaves it alone; Interval 0 never ticks.
class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(int interval, QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    int Interval() const { return interval_; }
    void SetInterval(int ms);

    std::function<void()> OnTimer;

    // Runs the tick handler now, as a tick would (tests drive timers this way).
    void Fire();
    // Tests: timers keep their state but never tick by themselves.
    static void SetManual(bool manual);

private:
    void Restart();
    QTimer timer_;
    bool enabled_ = false;
    int interval_;
};
