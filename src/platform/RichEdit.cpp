#include "platform/RichEdit.h"

#include "platform/Rtf.h"

#include <QTextBlock>

namespace platform {

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent)
{
    setLineWrapMode(QTextEdit::NoWrap);
}

QStringList RichEdit::lines() const
{
    QStringList out;
    if (document()->isEmpty())
        return out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

void RichEdit::setLines(const QStringList &lines)
{
    setPlainText(lines.join(QChar('\n')));
}

void RichEdit::addLine(const QString &line)
{
    QStringList l = lines();
    l << line;
    setLines(l);
}

QByteArray RichEdit::saveToBytes() const
{
    return rtf::fromDocument(*document());
}

void RichEdit::loadFromBytes(const QByteArray &bytes)
{
    rtf::toDocument(bytes, *document());
}

} // namespace platform
