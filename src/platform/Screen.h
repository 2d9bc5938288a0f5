#pragma once
// Where a window stands on the screen.
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

// Puts the window in the middle of the primary screen's work area (the position "centred on
// the screen" or "on the desktop" of the class library).
inline void centreOnScreen(QWidget &window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace platform
