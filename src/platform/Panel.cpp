#include "platform/Panel.h"

#include "platform/Application.h"
#include "platform/Clicks.h"
#include "platform/Colors.h"

#include <QMouseEvent>

namespace platform {

Panel::Panel(QWidget *parent) : QFrame(parent)
{
    setMouseTracking(true);
}

void Panel::setColor(const QColor &color)
{
    setBackgroundColor(*this, color);
}

void Panel::mouseMoveEvent(QMouseEvent *event)
{
    QFrame::mouseMoveEvent(event);
    event->accept();
    guarded([this] { emit mouseMoved(); });
}

void Panel::mousePressEvent(QMouseEvent *event)
{
    if (!clicks::press(event, m_pressed))
        QFrame::mousePressEvent(event);
}

void Panel::mouseReleaseEvent(QMouseEvent *event)
{
    if (clicks::release(this, event, m_pressed))
        guarded([this] { emit clicked(); });
    else
        QFrame::mouseReleaseEvent(event);
}

} // namespace platform
