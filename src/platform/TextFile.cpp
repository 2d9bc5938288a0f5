#include "platform/TextFile.h"

#include "engine/EngineError.h"
#include "platform/Cp1252.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace platform {

LineSplitter::LineSplitter(qsizetype maxLineBytes, int maxLines, Sink sink)
    : m_maxLineBytes(maxLineBytes), m_maxLines(maxLines), m_sink(std::move(sink))
{
}

void LineSplitter::endLine()
{
    ++m_count;
    if (m_sink)
        m_sink(std::move(m_current));
    else
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
            m_tooLong = m_count + 1;
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

namespace {
// Decodes lines one by one as UTF-8; a byte-order mark is kept as a character, so that only the
// first line's is dropped. hasError() stays set from the first line that is not valid UTF-8.
QStringDecoder utf8Lines()
{
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
}

// Decodes the line with the decoder of utf8Lines(); false when it is not valid UTF-8 (or an
// earlier line was not).
bool decodesAsUtf8(QStringDecoder &decoder, const QByteArray &line)
{
    const QString text = decoder.decode(line);
    return !decoder.hasError();
}

QString decodeLine(const QByteArray &line, bool utf8, bool first)
{
    if (!utf8)
        return cp1252::decode(line);
    QStringDecoder decoder = utf8Lines();
    QString text = decoder.decode(line);
    if (first && text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}
} // namespace

QStringList decodeLines(const QList<QByteArray> &lines)
{
    QStringDecoder utf8 = utf8Lines();
    for (const QByteArray &line : lines)
        if (!decodesAsUtf8(utf8, line))
            break;
    QStringList out;
    out.reserve(lines.size());
    for (const QByteArray &line : lines)
        out << decodeLine(line, !utf8.hasError(), out.isEmpty());
    return out;
}

bool TextLineReader::open(const QString &path, int maxLines, qsizetype maxLineBytes)
{
    close();
    m_file.setFileName(path);
    if (!QFileInfo(path).isFile() || !m_file.open(QIODevice::ReadOnly))
        return false;
    m_maxLines = maxLines;
    m_maxLineBytes = maxLineBytes;
    m_chunk = QByteArray(qsizetype(64) << 10, Qt::Uninitialized);
    // The first reading: the encoding, the number of lines and the line too long.
    QStringDecoder utf8 = utf8Lines();
    LineSplitter splitter(maxLineBytes, maxLines, [&](QByteArray &&line) {
        if (!utf8.hasError())
            decodesAsUtf8(utf8, line);
    });
    for (;;) {
        const qint64 n = m_file.read(m_chunk.data(), m_chunk.size());
        if (n < 0) {
            close();
            return false;
        }
        if (n == 0 || !splitter.feed(QByteArrayView(m_chunk.constData(), n)))
            break;
    }
    splitter.finish();
    m_utf8 = !utf8.hasError();
    m_lineCount = splitter.lineCount();
    m_tooLong = splitter.tooLongLine();
    if (!rewind()) {
        close();
        return false;
    }
    return true;
}

void TextLineReader::close()
{
    m_file.close();
    m_splitter.reset();
    m_pending.clear();
    m_chunk = QByteArray();
    m_lineCount = m_tooLong = m_given = 0;
    m_failed = m_atEnd = false;
}

bool TextLineReader::rewind()
{
    m_pending.clear();
    m_given = 0;
    m_atEnd = false;
    m_splitter = std::make_unique<LineSplitter>(m_maxLineBytes, m_maxLines,
                                                [this](QByteArray &&line) { m_pending.push_back(std::move(line)); });
    m_failed = !m_file.isOpen() || !m_file.seek(0);
    return !m_failed;
}

// Reads pieces of the file until a line is pending or the lines are over.
bool TextLineReader::fill()
{
    while (m_pending.empty() && !m_atEnd && !m_failed) {
        const qint64 n = m_file.read(m_chunk.data(), m_chunk.size());
        if (n < 0) {
            m_failed = true;
        } else if (n == 0 || !m_splitter->feed(QByteArrayView(m_chunk.constData(), n))) {
            m_splitter->finish();
            m_atEnd = true;
        }
    }
    return !m_pending.empty();
}

bool TextLineReader::next(QString &line)
{
    // No more lines than the first reading counted, even if the file changed since.
    if (m_failed || !m_splitter || m_given >= m_lineCount || !fill())
        return false;
    line = decodeLine(m_pending.front(), m_utf8, m_given == 0);
    m_pending.pop_front();
    ++m_given;
    return true;
}

std::optional<TextLines> readTextLines(const QString &path, int maxLines, qsizetype maxLineBytes)
{
    TextLineReader reader;
    if (!reader.open(path, maxLines, maxLineBytes))
        return std::nullopt;
    TextLines out;
    out.tooLongLine = reader.tooLongLine();
    QString line;
    while (reader.next(line))
        out.lines << line;
    if (reader.failed())
        return std::nullopt;
    return out;
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

int wholeNumber(const QString &text)
{
    const std::string shown = controlPictures(text).toStdString();
    try {
        return engine::strToInt(shown);
    } catch (const engine::ConversionError &) {
        throw engine::ConversionError("'" + engine::shortenedText(shown) + "' no es un número entero válido");
    }
}

} // namespace platform
