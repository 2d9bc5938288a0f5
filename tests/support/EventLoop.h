#pragma once
// Tests that run the real event loop: wait for what the window system does in its own time.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace testsupport {

// Runs the event loop until `done` holds or `ms` milliseconds have passed; returns `done`.
inline bool waitUntil(const std::function<bool()> &done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace testsupport
