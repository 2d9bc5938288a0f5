#include "platform/RadioGroup.h"

#include <QVBoxLayout>

namespace platform {

RadioGroup::RadioGroup(const QString &caption, QWidget *parent) : QGroupBox(caption, parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(2);
}

void RadioGroup::setItems(const QStringList &items)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("item%1").arg(i));
        layout()->addWidget(b);
        connect(b, &QRadioButton::clicked, this, &RadioGroup::clicked);
        m_buttons << b;
    }
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
}

} // namespace platform
