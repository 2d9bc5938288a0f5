#pragma once
// A click as the controls count it: the left button pressed on the control and released
// over it.
#include <QMouseEvent>
#include <QWidget>

namespace platform::clicks {

// At a press: remembers a left-button press and accepts it, so the release comes back.
inline bool press(QMouseEvent *event, bool &pressed)
{
    if (event->button() != Qt::LeftButton)
        return false;
    pressed = true;
    event->accept();
    return true;
}

// At a release: true when it completes a click on the widget.
inline bool release(const QWidget *widget, QMouseEvent *event, bool &pressed)
{
    const bool wasPressed = pressed;
    pressed = false;
    return wasPressed && event->button() == Qt::LeftButton && widget->rect().contains(event->position().toPoint());
}

} // namespace platform::clicks
