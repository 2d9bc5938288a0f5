#include "platform/RadioGroup.h"

#include <QGridLayout>

namespace platform {

RadioGroup::RadioGroup(const QString &caption, QWidget *parent) : QGroupBox(caption, parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(2);
}

void RadioGroup::setItems(const QStringList &items)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    m_index = -1;
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("item%1").arg(i));
        connect(b, &QRadioButton::clicked, this, &RadioGroup::clicked);
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || i == m_index)
                return;
            m_index = i;
            emit changed();
        });
        m_buttons << b;
    }
    place();
}

void RadioGroup::setColumns(int columns)
{
    m_columns = columns < 1 ? 1 : columns;
    place();
}

void RadioGroup::place()
{
    auto *grid = static_cast<QGridLayout *>(layout());
    const int perColumn = (int(m_buttons.size()) + m_columns - 1) / m_columns;
    for (int i = 0; i < m_buttons.size(); ++i)
        grid->addWidget(m_buttons[i], i % perColumn, i / perColumn);
}

QStringList RadioGroup::items() const
{
    QStringList out;
    for (const QRadioButton *b : m_buttons)
        out << b->text();
    return out;
}

int RadioGroup::itemIndex() const
{
    for (int i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i]->isChecked())
            return i;
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (QRadioButton *b = m_buttons.value(index)) {
        b->setChecked(true);
        return;
    }
    for (QRadioButton *b : m_buttons) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
    if (m_index != -1) {
        m_index = -1;
        emit changed();
    }
}

} // namespace platform
