#include "platform/DataSource.h"

#include "platform/Application.h"

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

engine::Field *DataSource::field(const QString &name) const
{
    engine::Table *t = activeDataSet();
    return t && !name.isEmpty() ? t->findField(name.toStdString()) : nullptr;
}

bool DataSource::hasRecord() const
{
    engine::Table *t = activeDataSet();
    return t && (t->state() != engine::Table::State::Browse || !t->isEmpty());
}

QString DataSource::fieldText(const QString &name) const
{
    engine::Field *f = field(name);
    if (!f || !hasRecord())
        return {};
    return QString::fromStdString(f->asString());
}

void DataLink::bind(QObject *context, DataSource *source, Handler handler)
{
    QObject::disconnect(m_connection);
    m_source = source;
    if (source)
        m_connection = QObject::connect(source, &DataSource::tableEvent, context,
                                        [handler = std::move(handler)](engine::Table::Event event, int field) {
                                            guarded([&] { handler(event, field); });
                                        });
}

} // namespace platform
