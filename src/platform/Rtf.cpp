#include "platform/Rtf.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>

namespace platform::rtf {

namespace {
QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8.decode(bytes);
    if (!utf8.hasError())
        return s;
    QStringDecoder latin(QStringDecoder::System);
    return QString::fromLatin1(bytes);
}
} // namespace

QByteArray fromDocument(const QTextDocument &doc)
{
    return fromLines(doc.toPlainText().split(QChar('\n')));
}

void toDocument(const QByteArray &bytes, QTextDocument &doc)
{
    doc.setPlainText(toLines(bytes).join(QChar('\n')));
}

QByteArray fromLines(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

QStringList toLines(const QByteArray &bytes)
{
    QString s = decodeText(bytes);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s.split(QChar('\n'));
}

} // namespace platform::rtf
