#include "platform/Colors.h"

#include <QPalette>
#include <QWidget>

namespace platform {

void setBackgroundColor(QWidget &widget, const QColor &color)
{
    if (!color.isValid()) {
        widget.setAutoFillBackground(false);
        return;
    }
    QPalette p = widget.palette();
    p.setColor(QPalette::Window, color);
    widget.setPalette(p);
    widget.setAutoFillBackground(true);
}

} // namespace platform
