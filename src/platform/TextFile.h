#pragma once
// Plain-text files as lists of lines, as the class library's string lists load them, read with
// a bound on the length of a line.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <QFile>

#include <climits>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

// The longest line a text file may hold, in bytes (its ending not counted).
inline constexpr qsizetype kMaxLineBytes = qsizetype(1) << 20;

// Splits bytes into lines as they come, in pieces of any size. A line ends at CR LF, LF or CR;
// a last line without an ending counts, an ending after the last line adds no empty line, and
// no bytes give no line. Splitting stops, and every further byte is ignored, at the first line
// longer than the bound (that line is not kept) or once maxLines lines are counted. Lines are
// kept in lines(), or handed one by one to a sink (and not kept); memory stays within the kept
// lines and one bound.
class LineSplitter {
public:
    using Sink = std::function<void(QByteArray &&line)>;
    explicit LineSplitter(qsizetype maxLineBytes = kMaxLineBytes, int maxLines = INT_MAX, Sink sink = {});

    // The next bytes; false once splitting has stopped.
    bool feed(QByteArrayView bytes);
    // The end of the bytes: an unended last line becomes a line.
    void finish();

    const QList<QByteArray> &lines() const { return m_lines; }
    // The lines found so far, kept or handed to the sink.
    int lineCount() const { return m_count; }
    // The number (from 1) of the first line longer than the bound; 0 when there is none.
    int tooLongLine() const { return m_tooLong; }
    bool stopped() const { return m_tooLong != 0 || m_count >= m_maxLines; }

private:
    void endLine();

    qsizetype m_maxLineBytes;
    int m_maxLines;
    Sink m_sink;
    QList<QByteArray> m_lines;
    QByteArray m_current;
    bool m_afterCr = false;
    int m_count = 0;
    int m_tooLong = 0;
};

// Lines of bytes as text: all of them UTF-8 when they are valid UTF-8 (a byte-order mark at
// the start of the first is dropped), else all of them Windows-1252.
QStringList decodeLines(const QList<QByteArray> &lines);

// A text file's lines: those before the first line longer than the bound, and that line's
// number (from 1; 0 when every line is within the bound). At most maxLines lines are read;
// the file is read no further than they and that line.
struct TextLines {
    QStringList lines;
    int tooLongLine = 0;
    bool operator==(const TextLines &) const = default;
};

// The lines of a text file read as UTF-8, or as Windows-1252 when they are not valid UTF-8
// (decodeLines); nothing when the file cannot be read. Reads through TextLineReader.
std::optional<TextLines> readTextLines(const QString &path, int maxLines = INT_MAX,
                                       qsizetype maxLineBytes = kMaxLineBytes);

// A text file's lines one at a time, decoded as readTextLines decodes them, in memory bounded
// by one line and one piece of the file whatever the number of lines. Opening reads the file
// once to learn its encoding (every line up to the bound must be valid UTF-8 for any to be read
// as UTF-8), its number of lines and its line too long; the lines are then read again from the
// start as next() asks for them.
class TextLineReader {
public:
    // False when the file cannot be read.
    bool open(const QString &path, int maxLines = INT_MAX, qsizetype maxLineBytes = kMaxLineBytes);
    void close();

    // What the first reading found: the lines that will be given, and the number (from 1) of the
    // line too long that ends them (0 when none is).
    int lineCount() const { return m_lineCount; }
    int tooLongLine() const { return m_tooLong; }

    // The next line; false after the last one, or when the file can no longer be read (failed()).
    bool next(QString &line);
    // Back to the first line; false when the file can no longer be read.
    bool rewind();
    bool failed() const { return m_failed; }

private:
    bool fill();

    QFile m_file;
    qsizetype m_maxLineBytes = kMaxLineBytes;
    int m_maxLines = INT_MAX;
    bool m_utf8 = true;
    int m_lineCount = 0;
    int m_tooLong = 0;
    bool m_failed = false;
    bool m_atEnd = false;
    int m_given = 0;
    std::unique_ptr<LineSplitter> m_splitter;
    std::deque<QByteArray> m_pending;
    QByteArray m_chunk;
};

// Why a line longer than the bound was not read, for the messages that name the line.
QString tooLongLineReason();

// The text with each control character other than tab, CR and LF (NUL included) replaced by the
// symbol that pictures it (U+2400 to U+2421), so that a text shown or passed on as a C string
// is never cut or garbled by the characters it holds.
QString controlPictures(const QString &text);

// The whole number that a text read from a file or typed into a cell stands for, read as
// engine::strToInt reads it; otherwise engine::ConversionError saying so in Spanish, with the
// text quoted as controlPictures shows it (shortened as engine::shortenedText does).
int wholeNumber(const QString &text);

// Writes the lines as UTF-8, each ended by CR LF, through a temporary file renamed over the
// target (see saveFileAtomically); false when it could not be written.
bool saveTextLines(const QString &path, const QStringList &lines);

} // namespace platform
