#include "platform/Timer.h"

#include "platform/Clock.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {
// Every timer alive, in the order of creation.
std::vector<Timer *> &allTimers()
{
    static std::vector<Timer *> timers;
    return timers;
}

qint64 clockMs()
{
    return clock::now().toMSecsSinceEpoch();
}
} // namespace

Timer::Timer(QObject *parent) : QObject(parent)
{
    allTimers().push_back(this);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_onFixedClock)
            emit timeout();
    });
    restart();
}

Timer::~Timer()
{
    auto &timers = allTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void Timer::setInterval(int milliseconds)
{
    milliseconds = std::max(milliseconds, 0);
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    restart();
}

void Timer::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    restart();
}

int Timer::remainingTime() const
{
    if (!isActive())
        return -1;
    if (m_onFixedClock)
        return int(std::max<qint64>(m_dueAt - clockMs(), 0));
    return m_timer.remainingTime();
}

void Timer::restart()
{
    m_timer.stop();
    m_onFixedClock = clock::isFixed();
    if (!isActive())
        return;
    if (m_onFixedClock)
        m_dueAt = clockMs() + m_interval;
    else
        m_timer.start(m_interval);
}

void Timer::fire()
{
    // The next tick, unless the handler restarts the countdown; ticks the clock jumped over
    // come as one, as with a message loop that was busy.
    m_dueAt += m_interval;
    if (m_dueAt <= clockMs())
        m_dueAt = clockMs() + m_interval;
    emit timeout();
}

void Timer::advanceClock(qint64 milliseconds)
{
    if (!clock::isFixed())
        return;
    const qint64 target = clockMs() + std::max<qint64>(milliseconds, 0);
    for (;;) {
        Timer *next = nullptr;
        for (Timer *t : allTimers()) {
            if (t->m_onFixedClock && t->isActive() && t->m_dueAt <= target && (!next || t->m_dueAt < next->m_dueAt))
                next = t;
        }
        if (!next)
            break;
        if (next->m_dueAt > clockMs())
            clock::setNow(QDateTime::fromMSecsSinceEpoch(next->m_dueAt));
        next->fire();
    }
    if (clockMs() < target)
        clock::setNow(QDateTime::fromMSecsSinceEpoch(target));
}

} // namespace platform
