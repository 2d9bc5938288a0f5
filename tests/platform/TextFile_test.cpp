#include "platform/TextFile.h"

#include "platform/Files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
QList<QByteArray> bytesOf(const QStringList &lines)
{
    QList<QByteArray> out;
    for (const QString &l : lines)
        out << l.toLatin1();
    return out;
}
} // namespace

// Whatever pieces the bytes come in, the lines are the same.
TEST(TextFile, LinesEndAtCrLfLfOrCrUpToTheFirstLineOverTheBound)
{
    struct Case {
        QByteArray bytes;
        QStringList lines;
        int tooLong = 0;
        int maxLines = INT_MAX;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\n", {"a", "b", "c"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\r", {"a"}},
        {"abcd\r\nabcd", {"abcd", "abcd"}},       // the bound itself is a line
        {"ab\nabcde\nx", {"ab"}, 2},             // a line over it ends the lines
        {"abcde", {}, 1},
        {"ab\r\n\r\nabcdefgh\r\n", {"ab", ""}, 3},
        {"a\nb\nc\nabcdefgh", {"a", "b"}, 0, 2}, // at most two lines: the long one is never reached
        {QByteArray("a\0b\n", 4), {QString("a") + QChar(0) + "b"}},
    };
    for (const Case &c : cases) {
        for (qsizetype piece = 1; piece <= qMax<qsizetype>(1, c.bytes.size()); ++piece) {
            platform::LineSplitter splitter(4, c.maxLines);
            for (qsizetype at = 0; at < c.bytes.size(); at += piece)
                splitter.feed(QByteArrayView(c.bytes).sliced(at, qMin(piece, c.bytes.size() - at)));
            splitter.finish();
            EXPECT_EQ(splitter.lines(), bytesOf(c.lines)) << c.bytes.toStdString() << " / " << piece;
            EXPECT_EQ(splitter.tooLongLine(), c.tooLong) << c.bytes.toStdString();
        }
    }
}

TEST(TextFile, ReadsUtf8OrWindows1252AndWritesUtf8WithCrLf)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"\xEF\xBB\xBF" "canci\xC3\xB3n\r\n", {"canción"}},
        {"canci\xF3n\n\x80", {"canción", "€"}},
        {"canci\xC3\xB3n\n\x80", {"canciÃ³n", "€"}}, // one invalid byte makes every line Windows-1252
        {"a\n\xEF\xBB\xBF" "b", {"a", QString(QChar(0xFEFF)) + "b"}}, // only a leading mark is dropped
    };
    const QString path = dir.filePath("t.txt");
    for (const Case &c : cases) {
        ASSERT_TRUE(platform::saveFileAtomically(path, c.bytes));
        EXPECT_EQ(platform::readTextLines(path), (platform::TextLines{c.lines, 0})) << c.bytes.toStdString();
    }
    EXPECT_FALSE(platform::readTextLines(dir.filePath("falta.txt")));
    EXPECT_FALSE(platform::readTextLines(dir.path()));

    const QString out = dir.filePath("o.txt");
    ASSERT_TRUE(platform::saveTextLines(out, {"canción", ""}));
    EXPECT_EQ(platform::readWholeFile(out), QByteArray("canci\xC3\xB3n\r\n\r\n"));
    EXPECT_FALSE(platform::saveTextLines(dir.filePath("no/existe.txt"), {"x"}));
}

TEST(TextFile, AFileReadsUpToItsFirstLineOverOneMebibyte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("largo.txt");
    const QByteArray limite(platform::kMaxLineBytes, 'a');
    ASSERT_TRUE(platform::saveFileAtomically(path, "uno\r\n" + limite + "\r\n" + limite + "b\r\ntres\r\n"));
    const auto read = platform::readTextLines(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->lines, (QStringList{"uno", QString::fromLatin1(limite)}));
    EXPECT_EQ(read->tooLongLine, 3);
    EXPECT_EQ(platform::readTextLines(path, 2), (platform::TextLines{read->lines, 0}));
    EXPECT_EQ(platform::tooLongLineReason().toStdString(),
              "La línea es demasiado larga: tiene más de 1.048.576 bytes. El resto del archivo no se ha leído.");
}

TEST(TextFile, ControlCharactersOtherThanLineBreaksAndTabsArePictured)
{
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"a\tb\r\nc", "a\tb\r\nc"},
        {QString("x") + QChar(0) + "y", "x\u2400y"},
        {"\x01\x1B\x1F\x7F", "\u2401\u241B\u241F\u2421"},
        {"ñ€\u2400", "ñ€\u2400"},
    };
    for (const auto &[text, shown] : cases)
        EXPECT_EQ(platform::controlPictures(text), shown) << text.toStdString();
}

// The reader gives the lines readTextLines gives, one at a time, counted before they are read,
// and the same lines again after a rewind.
TEST(TextFile, AReaderGivesTheLinesOneByOneAndAgainAfterARewind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    const struct {
        QByteArray bytes;
        int maxLines = INT_MAX;
        QStringList lines;
        int tooLong = 0;
    } cases[] = {
        {"", INT_MAX, {}},
        {"\xEF\xBB\xBF" "uno\r\ndos\r\n", INT_MAX, {"uno", "dos"}},
        {"canci\xC3\xB3n\n" + QByteArray(200000, 'a') + "\n\x80", INT_MAX,
         {"canciÃ³n", QString(200000, 'a'), "€"}}, // the last line's byte decides for all
        // Lines past the last one read don't count.
        {"\xC3\xB3\nb\n\x80\n", 2, {"ó", "b"}},
        {"\xC3\xB3\n" + QByteArray(9, 'b') + "\nc\xF3", INT_MAX, {"ó"}, 2},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(platform::saveFileAtomically(path, c.bytes));
        platform::TextLineReader reader;
        ASSERT_TRUE(reader.open(path, c.maxLines, c.tooLong ? 8 : platform::kMaxLineBytes));
        EXPECT_EQ(reader.lineCount(), c.lines.size());
        EXPECT_EQ(reader.tooLongLine(), c.tooLong);
        for (int round = 0; round < 2; ++round) {
            QStringList read;
            QString line;
            while (reader.next(line))
                read << line;
            EXPECT_EQ(read, c.lines) << c.bytes.left(20).toStdString() << " round " << round;
            EXPECT_FALSE(reader.failed());
            ASSERT_TRUE(reader.rewind());
        }
    }
    platform::TextLineReader reader;
    EXPECT_FALSE(reader.open(dir.filePath("falta.txt")));
    EXPECT_FALSE(reader.open(dir.path()));
    QString line;
    EXPECT_FALSE(reader.next(line));
}
