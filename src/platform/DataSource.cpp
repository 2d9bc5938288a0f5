#include "platform/DataSource.h"

namespace platform {

DataSource::DataSource(QObject *parent) : QObject(parent) {}

DataSource::~DataSource()
{
    if (m_table)
        m_table->removeListener(m_listener);
}

void DataSource::setDataSet(engine::Table *table)
{
    if (table == m_table)
        return;
    if (m_table)
        m_table->removeListener(m_listener);
    m_table = table;
    m_listener = 0;
    if (m_table)
        m_listener = m_table->addListener(
            [this](engine::Table::Event event, int field) { emit tableEvent(event, field); });
    emit dataSetChanged();
    const bool open = m_table && m_table->active();
    emit tableEvent(open ? engine::Table::Event::Opened : engine::Table::Event::Closed, -1);
}

engine::Table *DataSource::activeDataSet() const
{
    return m_table && m_table->active() ? m_table : nullptr;
}

} // namespace platform
