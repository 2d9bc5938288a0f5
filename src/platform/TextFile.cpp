#include "platform/TextFile.h"

#include "platform/Cp1252.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace platform {

LineSplitter::LineSplitter(qsizetype maxLineBytes, int maxLines) : m_maxLineBytes(maxLineBytes), m_maxLines(maxLines)
{
}

void LineSplitter::endLine()
{
    m_lines << m_current;
    m_current.clear();
}

bool LineSplitter::feed(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end && !stopped()) {
        if (m_afterCr) {
            m_afterCr = false;
            if (*p == '\n') {
                ++p;
                continue;
            }
        }
        const char *stop = p;
        while (stop < end && *stop != '\r' && *stop != '\n')
            ++stop;
        if (m_current.size() + (stop - p) > m_maxLineBytes) {
            m_tooLong = int(m_lines.size()) + 1;
            m_current = QByteArray();
            return false;
        }
        m_current.append(p, stop - p);
        p = stop;
        if (p < end) {
            m_afterCr = *p == '\r';
            ++p;
            endLine();
        }
    }
    return !stopped();
}

void LineSplitter::finish()
{
    if (!stopped() && !m_current.isEmpty())
        endLine();
    m_current = QByteArray();
}

QStringList decodeLines(const QList<QByteArray> &lines)
{
    QStringList out;
    out.reserve(lines.size());
    // The byte-order mark kept as a character, so that only the first line's is dropped.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    for (const QByteArray &line : lines) {
        out << utf8.decode(line);
        if (utf8.hasError())
            break;
    }
    if (utf8.hasError()) {
        out.clear();
        for (const QByteArray &line : lines)
            out << cp1252::decode(line);
    } else if (!out.isEmpty() && out.first().startsWith(QChar(0xFEFF))) {
        out.first().remove(0, 1);
    }
    return out;
}

std::optional<TextLines> readTextLines(const QString &path, int maxLines, qsizetype maxLineBytes)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    LineSplitter splitter(maxLineBytes, maxLines);
    QByteArray chunk(qsizetype(64) << 10, Qt::Uninitialized);
    for (;;) {
        const qint64 n = f.read(chunk.data(), chunk.size());
        if (n < 0)
            return std::nullopt;
        if (n == 0 || !splitter.feed(QByteArrayView(chunk.constData(), n)))
            break;
    }
    splitter.finish();
    return TextLines{decodeLines(splitter.lines()), splitter.tooLongLine()};
}

QString tooLongLineReason()
{
    static_assert(kMaxLineBytes == 1048576, "the text below states the bound");
    return QStringLiteral("La línea es demasiado larga: tiene más de 1.048.576 bytes. El resto del archivo no se ha leído.");
}

QString controlPictures(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\r' || u == u'\n')
            continue;
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return out;
}

bool saveTextLines(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return saveFileAtomically(path, bytes);
}

} // namespace platform
