#pragma once
// An edit bound to one field of its data source's current record.
//
// It shows the field's text and follows every move, post and cancel of the data set. Typing
// puts the data set into edit state (or insert state when it is empty) and writes the text
// into the field at once, so the record's post stores what the edit holds and a cancel
// brings the stored text back. Numeric fields take only digits and a leading sign; a lone
// sign is not written. Read-only while the data set is closed and for read-only fields.
//
// setMaxLength(n): at most n characters; 0 (the default) takes a text field's width.
#include "platform/DataSource.h"

#include <QLineEdit>
#include <QPointer>

namespace platform {

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_link.source(); }
    void setDataField(const QString &name);
    QString dataField() const { return m_field; }
    // Hides QLineEdit::setMaxLength: the limit is applied again at every refresh.
    void setMaxLength(int length);
    int maxLengthSetting() const { return m_maxLength; }

private:
    void refresh();
    void write(const QString &text);

    DataLink m_link;
    QString m_field;
    int m_maxLength = 0;
    bool m_writing = false;
};

} // namespace platform
