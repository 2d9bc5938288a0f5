#pragma once
// The link between a table of the engine and the data-aware controls that show it.
//
// A data source listens to its data set (an engine::Table it does not own) and passes every
// notification on as the signal tableEvent(); the data-aware controls (DBEdit, DBText,
// DBGrid, DBNavigator) bind to a data source, never to the table itself, so a window's
// controls follow whatever table its data source is given. The table must outlive the data
// source or be detached first (setDataSet(nullptr)).
#include "engine/Table.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace platform {

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);
    ~DataSource() override;

    void setDataSet(engine::Table *table);
    engine::Table *dataSet() const { return m_table; }
    // The data set, when there is one and it is open.
    engine::Table *activeDataSet() const;
    // The field of that name of the open data set; nullptr when closed or not found.
    engine::Field *field(const QString &name) const;
    // The data set is open and has a current record or a record being edited.
    bool hasRecord() const;
    // Text of a field of the current record (or of the record being edited); empty
    // without one.
    QString fieldText(const QString &name) const;

signals:
    // Also sent with Event::Opened or Event::Closed when the data set is replaced, so that
    // the controls show the new one at once.
    void tableEvent(engine::Table::Event event, int fieldIndex);
    void dataSetChanged();

private:
    engine::Table *m_table = nullptr;
    int m_listener = 0;
};

// A control's binding to a data source: the handler runs at every notification of the
// source's data set while the control (the context) lives; what escapes it is reported.
class DataLink {
public:
    using Handler = std::function<void(engine::Table::Event event, int fieldIndex)>;
    void bind(QObject *context, DataSource *source, Handler handler);
    DataSource *source() const { return m_source; }

private:
    QPointer<DataSource> m_source;
    QMetaObject::Connection m_connection;
};

} // namespace platform
