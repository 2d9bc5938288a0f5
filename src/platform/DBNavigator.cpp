#include "platform/DBNavigator.h"

#include "platform/Application.h"

#include <QEvent>
#include <QHBoxLayout>

namespace platform {

DBNavigator::DBNavigator(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const struct {
        const char *name;
        Qt::ArrowType arrow;
        const char *text;
    } buttons[] = {
        {"First", Qt::NoArrow, "|◀"}, {"Prior", Qt::LeftArrow, ""}, {"Next", Qt::RightArrow, ""},
        {"Last", Qt::NoArrow, "▶|"},
    };
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(buttons[i].name));
        b->setToolTip(QString::fromLatin1(buttons[i].name));
        if (buttons[i].arrow != Qt::NoArrow)
            b->setArrowType(buttons[i].arrow);
        else
            b->setText(QString::fromUtf8(buttons[i].text));
        b->setFixedSize(25, 25);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        m_buttons[i] = b;
        const auto which = static_cast<Button>(i);
        on(b, &QToolButton::clicked, this, [this, which] { btnClick(which); });
    }
    refresh();
}

void DBNavigator::setDataSource(DataSource *source)
{
    m_link.bind(this, source, [this](engine::Table::Event, int) { refresh(); });
    refresh();
}

void DBNavigator::btnClick(Button which)
{
    engine::Table *t = dataSource() ? dataSource()->activeDataSet() : nullptr;
    if (!t)
        return;
    if (BeforeAction && !BeforeAction(which))
        return;
    switch (which) {
    case First: t->first(); break;
    case Prior: t->prior(); break;
    case Next: t->next(); break;
    case Last: t->last(); break;
    }
    refresh();
    emit clicked(which);
}

void DBNavigator::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        refresh();
}

void DBNavigator::refresh()
{
    engine::Table *t = dataSource() ? dataSource()->activeDataSet() : nullptr;
    const bool usable = t && !t->isEmpty();
    const bool up = usable && !t->bof();
    const bool down = usable && !t->eof();
    m_buttons[First]->setEnabled(up);
    m_buttons[Prior]->setEnabled(up);
    m_buttons[Next]->setEnabled(down);
    m_buttons[Last]->setEnabled(down);
}

} // namespace platform
