#pragma once
// A label that shows one field of its data source's current record, following every move,
// edit and post. Empty while the data set is closed or has no record.
#include "platform/DataSource.h"
#include "platform/Label.h"

#include <QPointer>

namespace platform {

class DBText : public Label {
    Q_OBJECT
public:
    explicit DBText(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_link.source(); }
    void setDataField(const QString &name);
    QString dataField() const { return m_field; }

private:
    void refresh();

    DataLink m_link;
    QString m_field;
};

} // namespace platform
