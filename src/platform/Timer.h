#pragma once
// A message-loop timer as the windows use it: an interval in milliseconds and an enabled
// switch. While enabled it fires once per interval; an interval of 0 never fires (the timer
// stays enabled). Giving it a different interval, or switching it off and on, restarts its
// countdown; giving it the interval it already has, or enabling it while enabled, changes
// nothing.
//
// Timers count down on the program's clock. While the clock runs by itself they are Qt timers
// of the event loop. While a test holds the clock fixed (platform::clock::setNow), they count
// down on that fixed clock instead and fire only when the test moves it on with
// Timer::advanceClock: an hour of timers then runs in as long as their handlers take.
#include <QObject>
#include <QTimer>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject *parent = nullptr);
    ~Timer() override;

    int interval() const { return m_interval; }
    void setInterval(int milliseconds); // negative values count as 0
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);

    // Counting down: enabled with an interval above 0.
    bool isActive() const { return m_enabled && m_interval > 0; }
    // Milliseconds left until the next tick; -1 when not counting down.
    int remainingTime() const;

    // Tests, with the clock fixed: moves the clock forward by the given milliseconds, stopping
    // at each moment a timer falls due to fire it there (its handler sees that moment as now).
    // Timers due at the same moment fire in the order they were created. A handler may move
    // the clock on itself (a break window left open for ten minutes): the clock never goes
    // back, and what fell due meanwhile has fired by then.
    static void advanceClock(qint64 milliseconds);

signals:
    void timeout();

private:
    void restart();
    void fire();

    QTimer m_timer;
    int m_interval = 1000;
    bool m_enabled = true;
    bool m_onFixedClock = false;
    qint64 m_dueAt = 0; // on the fixed clock: milliseconds since the epoch of the next tick
};

} // namespace platform
