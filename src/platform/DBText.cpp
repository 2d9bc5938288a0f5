#include "platform/DBText.h"

namespace platform {

DBText::DBText(QWidget *parent) : Label(parent) {}

void DBText::setDataSource(DataSource *source)
{
    m_link.bind(this, source, [this](engine::Table::Event, int) { refresh(); });
    refresh();
}

void DBText::setDataField(const QString &name)
{
    m_field = name;
    refresh();
}

void DBText::refresh()
{
    const QString text = dataSource() ? dataSource()->fieldText(m_field) : QString();
    if (text != caption())
        setCaption(text);
}

} // namespace platform
