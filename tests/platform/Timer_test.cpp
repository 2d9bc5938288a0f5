// The windows' timer: interval 0 never fires, and only a real change restarts the countdown.
#include "platform/Timer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace {
// Runs the event loop for about `ms` milliseconds; returns the ticks seen.
int ticksDuring(platform::Timer &timer, int ms)
{
    int ticks = 0;
    const auto c = QObject::connect(&timer, &platform::Timer::timeout, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    QObject::disconnect(c);
    return ticks;
}
} // namespace

TEST(Timer, FiresWhileEnabledWithAnInterval)
{
    platform::Timer t;
    t.setInterval(5);
    EXPECT_TRUE(t.isActive());
    EXPECT_GT(ticksDuring(t, 200), 0);
    t.setEnabled(false);
    EXPECT_FALSE(t.isActive());
    EXPECT_EQ(ticksDuring(t, 30), 0);
}

TEST(Timer, AnIntervalOfZeroNeverFiresThoughEnabled)
{
    platform::Timer t;
    t.setInterval(0);
    EXPECT_TRUE(t.enabled());
    EXPECT_FALSE(t.isActive());
    EXPECT_EQ(ticksDuring(t, 30), 0);
    t.setInterval(-5);
    EXPECT_EQ(t.interval(), 0);
    EXPECT_EQ(ticksDuring(t, 10), 0);
}

TEST(Timer, OnlyAChangedIntervalOrOffAndOnRestartsTheCountdown)
{
    platform::Timer t;
    t.setInterval(100000);
    QThread::msleep(100);
    const int before = t.remainingTime();
    EXPECT_LE(before, 99950);
    t.setInterval(100000); // the same interval
    t.setEnabled(true);    // already enabled
    EXPECT_LE(t.remainingTime(), before);
    t.setInterval(200000);
    EXPECT_GE(t.remainingTime(), 199950);
    QThread::msleep(100);
    t.setEnabled(false);
    EXPECT_EQ(t.remainingTime(), -1);
    t.setEnabled(true);
    EXPECT_GE(t.remainingTime(), 199950);
}
