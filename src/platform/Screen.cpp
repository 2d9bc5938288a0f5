#include "platform/Screen.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {
const char *const AboveProperty = "platformCentredAbove";
const char *const KeptProperty = "platformCentreKept";

// Centres the watched parent's control again when the parent changes size.
class CentreKeeper : public QObject {
public:
    explicit CentreKeeper(QWidget &control) : QObject(&control), m_control(&control)
    {
        control.parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && m_control && watched == m_control->parentWidget())
            centre(*m_control, m_control->property(AboveProperty).toInt());
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> m_control;
};
} // namespace

QRect desktopArea()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return QRect(0, 0, 1024, 768);
}

QPoint centredPosition(QSize size, const QRect &area, int above)
{
    const int left = area.x() + std::max(0, (area.width() - size.width()) / 2);
    const int top = area.y() + std::max(0, (area.height() - size.height()) / 2 - above);
    return {left, top};
}

void centre(QWidget &widget, int above)
{
    if (widget.isWindow()) {
        widget.move(centredPosition(widget.frameGeometry().size(), desktopArea(), above));
        return;
    }
    if (const QWidget *parent = widget.parentWidget())
        widget.move(centredPosition(widget.size(), parent->rect(), above));
}

void keepCentred(QWidget &control, int above)
{
    if (!control.parentWidget())
        return;
    if (!control.property(KeptProperty).toBool()) {
        control.setProperty(KeptProperty, true);
        new CentreKeeper(control);
    }
    control.setProperty(AboveProperty, above);
    centre(control, above);
}

} // namespace platform
