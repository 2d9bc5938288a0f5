#include "platform/RadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace platform {

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, QWidget *parent) : QGroupBox(caption, parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 6, 4);
    layout->setSpacing(2);
    for (const QString &item : items) {
        auto *b = new QRadioButton(item, this);
        layout->addWidget(b);
        m_buttons << b;
        connect(b, &QRadioButton::clicked, this, &RadioGroup::clicked);
    }
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
    if (index == itemIndex())
        return;
    if (QRadioButton *b = button(index))
        b->setChecked(true);
    emit clicked();
}

} // namespace platform
