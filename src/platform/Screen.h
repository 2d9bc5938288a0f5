#pragma once
// Where a window stands on the screen: the program's one centring routine.
//
// "Centred on the screen" and "on the desktop" both mean the middle of the desktop's work
// area: the primary screen less its panels and task bars.
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// The desktop's work area (1024 x 768 at the origin when there is no screen).
QRect desktopArea();

// The top-left corner that puts a box of `size` in the middle of `area`, `above` pixels
// higher; a box larger than the area, or raised past its top, starts at the area's edge.
QPoint centredPosition(QSize size, const QRect &area, int above = 0);

// Centres a window (its frame) in the desktop's work area, or a control in its parent's
// client area, `above` pixels higher.
void centre(QWidget &widget, int above = 0);

// Keeps a control centred in its parent: now, and each time the parent changes size (a
// window that is maximised gets its size only after it is shown).
void keepCentred(QWidget &control, int above = 0);

} // namespace platform
