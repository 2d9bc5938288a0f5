// The windows' timer: interval 0 never fires, and only a real change restarts the countdown
// (the rules are the same on the system's clock and on the fixed clock of tests).
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

TEST(Timer, FiresWhileEnabledWithAnIntervalAndNeverWithZero)
{
    platform::Timer t;
    t.setInterval(5);
    EXPECT_GT(ticksDuring(t, 200), 0);
    t.setEnabled(false);
    EXPECT_EQ(ticksDuring(t, 30), 0);
    t.setEnabled(true);
    t.setInterval(-5); // taken as 0: enabled, but never fires
    EXPECT_EQ(t.interval(), 0);
    EXPECT_TRUE(t.enabled() && !t.isActive());
    EXPECT_EQ(ticksDuring(t, 30), 0);
}

// ---- On the fixed clock of tests ----

#include "platform/Clock.h"

namespace {
struct FixedClock {
    FixedClock() { platform::clock::setNow(QDateTime(QDate(2026, 12, 5), QTime(10, 0))); }
    ~FixedClock() { platform::clock::reset(); }
    static qint64 elapsedMs() { return QDateTime(QDate(2026, 12, 5), QTime(10, 0)).msecsTo(platform::clock::now()); }
};
} // namespace

TEST(TimerOnTheFixedClock, KeepsTheTimerRulesAndFiresAtItsMomentsOnly)
{
    FixedClock fixed;
    platform::Timer a, zero, off;
    a.setInterval(60000);
    zero.setInterval(0);
    off.setInterval(1000);
    off.setEnabled(false);
    QList<qint64> ticks;
    QObject::connect(&a, &platform::Timer::timeout, [&] { ticks << FixedClock::elapsedMs(); });
    int others = 0;
    QObject::connect(&zero, &platform::Timer::timeout, [&] { ++others; });
    QObject::connect(&off, &platform::Timer::timeout, [&] { ++others; });

    QThread::msleep(20); // the system's time does not count
    EXPECT_EQ(ticks.size(), 0);
    platform::Timer::advanceClock(30000);
    a.setInterval(60000); // the same interval: the countdown goes on
    a.setEnabled(true);
    EXPECT_EQ(a.remainingTime(), 30000);
    platform::Timer::advanceClock(60000);
    EXPECT_EQ(ticks, QList<qint64>{60000});
    a.setEnabled(false); // off and on: a new countdown from 90 s
    a.setEnabled(true);
    platform::Timer::advanceClock(60000);
    a.setInterval(20000); // a new interval: a new countdown from 150 s
    platform::Timer::advanceClock(3600000 - 150000);
    EXPECT_EQ(ticks.mid(0, 3), (QList<qint64>{60000, 150000, 170000}));
    EXPECT_EQ(ticks.size(), 2 + (3600000 - 150000) / 20000);
    EXPECT_EQ(others, 0);
    EXPECT_EQ(FixedClock::elapsedMs(), 3600000);
}

TEST(TimerOnTheFixedClock, AHandlerMayMoveTheClockOnWithoutLosingOrRepeatingTicks)
{
    FixedClock fixed;
    platform::Timer slow, fast;
    slow.setInterval(10000);
    fast.setInterval(1000);
    int fastTicks = 0;
    QList<qint64> slowTicks;
    QObject::connect(&fast, &platform::Timer::timeout, [&] { ++fastTicks; });
    QObject::connect(&slow, &platform::Timer::timeout, [&] {
        slowTicks << FixedClock::elapsedMs();
        if (slowTicks.size() == 1)
            platform::Timer::advanceClock(25000); // a modal window left open meanwhile
    });
    platform::Timer::advanceClock(20000);
    EXPECT_EQ(FixedClock::elapsedMs(), 35000); // never back
    EXPECT_EQ(slowTicks, (QList<qint64>{10000, 20000, 30000}));
    EXPECT_EQ(fastTicks, 35);
}
