// Fuzz target: the text-file reader on any bytes. The bytes are split into lines as a file is
// read, in pieces whose size the input chooses, with a line bound and a line count the input
// chooses too, and decoded as UTF-8 or else Windows-1252. Checks that the pieces change
// nothing, that a sink gets the lines that would be kept, that the lines are the bytes less
// their endings up to the first line over the bound, and that decoding keeps each line's text.
#include "platform/Cp1252.h"
#include "platform/TextFile.h"

#include "FuzzCheck.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const qsizetype piece = 1 + data[0] % 64;
    const qsizetype bound = data[1] % 2 ? platform::kMaxLineBytes : data[1] / 2;
    const int maxLines = data[2] % 4 ? INT_MAX : data[2] / 4 + 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 3, qsizetype(size) - 3);

    platform::LineSplitter whole(bound, maxLines), inPieces(bound, maxLines);
    whole.feed(bytes);
    whole.finish();
    for (qsizetype at = 0; at < bytes.size() && !inPieces.stopped(); at += piece)
        inPieces.feed(QByteArrayView(bytes).sliced(at, qMin(piece, bytes.size() - at)));
    inPieces.finish();
    check(whole.lines() == inPieces.lines() && whole.tooLongLine() == inPieces.tooLongLine());
    // Handed to a sink, the same lines, none kept.
    QList<QByteArray> sunk;
    platform::LineSplitter sinking(bound, maxLines, [&](QByteArray &&line) { sunk << line; });
    sinking.feed(bytes);
    sinking.finish();
    check(sunk == whole.lines() && sinking.lines().isEmpty() && sinking.lineCount() == whole.lines().size()
          && sinking.tooLongLine() == whole.tooLongLine());

    // The same lines, split naively.
    QList<QByteArray> expected;
    int tooLong = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size() && expected.size() < maxLines; ++i) {
        const bool end = i == bytes.size();
        if (!end && bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (i - start > bound) {
            tooLong = int(expected.size()) + 1;
            break;
        }
        if (end && i == start)
            break;
        expected << bytes.mid(start, i - start);
        if (!end && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    check(whole.lines() == expected && whole.tooLongLine() == tooLong);

    const QStringList lines = platform::decodeLines(whole.lines());
    check(lines.size() == whole.lines().size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &raw = whole.lines()[i];
        const bool utf8 = lines[i].toUtf8() == raw || (i == 0 && "\xEF\xBB\xBF" + lines[i].toUtf8() == raw);
        check(utf8 || lines[i] == platform::cp1252::decode(raw));
        check(!lines[i].contains(QLatin1Char('\r')) && !lines[i].contains(QLatin1Char('\n')));
    }
    check(!platform::controlPictures(lines.join(QChar(0))).contains(QChar(0)));
    return 0;
}
