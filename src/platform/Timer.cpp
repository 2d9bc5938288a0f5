#include "platform/Timer.h"

#include <algorithm>

namespace platform {

Timer::Timer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    restart();
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

void Timer::restart()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
}

} // namespace platform
