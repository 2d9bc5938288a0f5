#include "platform/RadioGroup.h"

#include <QResizeEvent>

namespace platform {

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, QWidget *parent) : QGroupBox(caption, parent)
{
    m_group.setExclusive(true);
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("Item%1").arg(i));
        m_group.addButton(b, i);
        m_buttons << b;
    }
    connect(&m_group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on || id == m_index)
            return;
        m_index = id;
        emit changed();
    });
    place();
}

void RadioGroup::setItemIndex(int index)
{
    if (index == m_index)
        return;
    if (index < 0 || index >= m_buttons.size()) {
        m_group.setExclusive(false);
        for (QRadioButton *b : m_buttons)
            b->setChecked(false);
        m_group.setExclusive(true);
        m_index = -1;
        emit changed();
        return;
    }
    m_buttons[index]->setChecked(true); // signals through idToggled
}

void RadioGroup::setColumns(int columns)
{
    m_columns = columns < 1 ? 1 : columns;
    place();
}

void RadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    place();
}

// The items run down the first column, then the next, as evenly as the count allows.
void RadioGroup::place()
{
    const int n = int(m_buttons.size());
    if (n == 0)
        return;
    const int perColumn = (n + m_columns - 1) / m_columns;
    const int top = 20, left = 10, bottom = 6;
    const int columnWidth = (width() - 2 * left) / m_columns;
    const int rowHeight = qMax(20, (height() - top - bottom) / perColumn);
    for (int i = 0; i < n; ++i) {
        const int c = i / perColumn, r = i % perColumn;
        m_buttons[i]->setGeometry(left + c * columnWidth, top + r * rowHeight, columnWidth - 4, 20);
    }
}

} // namespace platform
