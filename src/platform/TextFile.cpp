#include "platform/TextFile.h"

#include "platform/Cp1252.h"
#include "platform/Files.h"

namespace platform {

QStringList textLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

std::optional<QStringList> readTextLines(const QString &path)
{
    const std::optional<QByteArray> bytes = readWholeFile(path);
    if (!bytes)
        return std::nullopt;
    return textLines(cp1252::decodeText(*bytes));
}

bool saveTextLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return saveFileAtomically(path, bytes);
}

} // namespace platform
