#pragma once
// A message-loop timer as the windows use it: an interval in milliseconds and an enabled
// switch. While enabled it fires once per interval; an interval of 0 never fires (the timer
// stays enabled). Giving it a different interval, or switching it off and on, restarts its
// countdown; giving it the interval it already has, or enabling it while enabled, changes
// nothing.
#include <QObject>
#include <QTimer>

namespace platform {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject *parent = nullptr);

    int interval() const { return m_interval; }
    void setInterval(int milliseconds); // negative values count as 0
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);

    // Counting down: enabled with an interval above 0.
    bool isActive() const { return m_timer.isActive(); }
    // Milliseconds left until the next tick; -1 when not counting down.
    int remainingTime() const { return m_timer.remainingTime(); }

signals:
    void timeout();

private:
    void restart();

    QTimer m_timer;
    int m_interval = 1000;
    bool m_enabled = true;
};

} // namespace platform
