#include "platform/DBEdit.h"

#include "platform/Application.h"

#include <QRegularExpressionValidator>

namespace platform {

namespace {
bool isNumeric(const engine::Field &f)
{
    return f.type() == engine::FieldType::SmallInt || f.type() == engine::FieldType::AutoInc;
}
} // namespace

DBEdit::DBEdit(QWidget *parent) : QLineEdit(parent)
{
    on(this, &QLineEdit::textEdited, this, &DBEdit::write);
    refresh();
}

void DBEdit::setDataSource(DataSource *source)
{
    m_link.bind(this, source, [this](engine::Table::Event, int) { refresh(); });
    refresh();
}

void DBEdit::setDataField(const QString &name)
{
    m_field = name;
    refresh();
}

void DBEdit::setMaxLength(int length)
{
    m_maxLength = length;
    refresh();
}

void DBEdit::refresh()
{
    if (m_writing)
        return;
    engine::Field *f = dataSource() ? dataSource()->field(m_field) : nullptr;
    setReadOnly(!f || f->readOnly());
    int limit = 32767;
    if (m_maxLength > 0)
        limit = m_maxLength;
    else if (f && f->type() == engine::FieldType::String)
        limit = f->size();
    QLineEdit::setMaxLength(limit);
    static const QRegularExpression integer(QStringLiteral("[+-]?[0-9]*"));
    if (f && isNumeric(*f)) {
        if (!validator())
            setValidator(new QRegularExpressionValidator(integer, this));
    } else if (const QValidator *v = validator()) {
        setValidator(nullptr);
        delete v;
    }
    const QString text = dataSource() ? dataSource()->fieldText(m_field) : QString();
    if (text != this->text())
        setText(text);
}

void DBEdit::write(const QString &text)
{
    engine::Table *t = dataSource() ? dataSource()->activeDataSet() : nullptr;
    engine::Field *f = dataSource() ? dataSource()->field(m_field) : nullptr;
    if (!t || !f || f->readOnly())
        return;
    m_writing = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_writing};
    if (t->state() == engine::Table::State::Browse)
        t->edit();
    if (isNumeric(*f) && (text == QLatin1String("-") || text == QLatin1String("+")))
        return;
    f->setAsString(text.toStdString());
}

} // namespace platform
