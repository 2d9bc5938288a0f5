// Line buffers through RTF must come back exactly, blanks and line count included.
#include "platform/Cp1252.h"
#include "platform/Rtf.h"
#include "platform/RtfReader.h"

#include <gtest/gtest.h>

using namespace platform;

// The buffers the program keeps: a settings item (a 200-character options line, a
// 240-character version line, an empty line, a description), the preferences (with the one
// character outside ASCII), a saved password and a short answer; and blanks and empty lines.
TEST(RtfLines, LineBuffersComeBackExactly)
{
    QString options(200, u' ');
    options.replace(0, 41, QStringLiteral("1 0 1 0 1   60   0  Cno Eno Msi EXsi IMsi"));
    const QStringList buffers[] = {
        {options, QStringLiteral("Orvenda 2.0").leftJustified(240), QString(), QStringLiteral("Vocabulario"),
         QStringLiteral("  sangría inicial"), QStringLiteral("fin   ")},
        {QStringLiteral("SI__020__010__"), QStringLiteral("No       [Permitir repasar las fichas varias veces el mismo día]")},
        {QStringLiteral("RichEdit3"), QStringLiteral(" clave con {llaves} \\ y ñ ")},
        {QStringLiteral("El año pasado")},
        {},
        {QString()},
        {QString(), QString()},
        {QStringLiteral(" ")},
        {QStringLiteral("   "), QString(), QStringLiteral("  x  "), QString()},
        {QStringLiteral("a"), QString(), QString(), QString()},
        {QStringLiteral("\ttab\t"), QStringLiteral("trailing   ")},
    };
    for (const QStringList &lines : buffers) {
        const QByteArray rtf = rtf::fromLines(lines);
        ASSERT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        EXPECT_EQ(rtf::toLines(rtf), lines) << rtf.constData();
    }
    EXPECT_TRUE(rtf::fromLines(buffers[1]).contains("mismo d\\'eda]")); // a code-page byte
}

TEST(RtfLines, CharactersOutsideTheCodePageUseUnicodeEscapes)
{
    const QStringList lines = {QStringLiteral("€ “comillas” — ok"), QStringLiteral("Ωμέγα 日本 😀")};
    const QByteArray rtf = rtf::fromLines(lines);
    EXPECT_TRUE(rtf.contains("\\'80")) << rtf.constData();        // euro sign in Windows-1252
    EXPECT_TRUE(rtf.contains("\\u937?")) << rtf.constData();      // Omega
    EXPECT_TRUE(rtf.contains("\\u-10179?")) << rtf.constData();   // high surrogate of the emoji
    EXPECT_EQ(rtf::toLines(rtf), lines);
}

TEST(RtfLines, PlainTextFallback)
{
    // Not RTF: one line per text line, CR LF, LF or CR.
    EXPECT_EQ(rtf::toLines("uno\r\ndos\r\n"), (QStringList{"uno", "dos"}));
    EXPECT_EQ(rtf::toLines("uno\ndos"), (QStringList{"uno", "dos"}));
    EXPECT_EQ(rtf::toLines("uno\r\r\ndos\r\n\r\n"), (QStringList{"uno", "", "dos", ""}));
    EXPECT_EQ(rtf::toLines(""), QStringList{});
    // UTF-8, with or without a byte-order mark.
    EXPECT_EQ(rtf::toLines("d\xc3\xad" "a"), QStringList{QStringLiteral("día")});
    EXPECT_EQ(rtf::toLines("\xef\xbb\xbf" "d\xc3\xad" "a"), QStringList{QStringLiteral("día")});
    // Windows-1252 when not UTF-8: 0xED is í, 0x80 the euro sign, 0x93/0x94 quotes.
    EXPECT_EQ(rtf::toLines("d\xed" "a \x80 \x93x\x94"), QStringList{QStringLiteral("día € “x”")});
    // Something that only looks like RTF later on is still plain text.
    EXPECT_EQ(rtf::toLines(" {\\rtf1 x}"), QStringList{" {\\rtf1 x}"});
}

TEST(RtfLines, ForeignLineBuffers)
{
    // As a rich edit writes a buffer: no trailing mark after the last line.
    EXPECT_EQ(rtf::toLines("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil MS Sans Serif;}}"
                           "\\viewkind4\\uc1\\pard\\f0\\fs17 uno\\par\r\n  dos\\par\r\n}\r\n"),
              (QStringList{"uno", "  dos"}));
    EXPECT_EQ(rtf::toLines("{\\rtf1 sin marca}"), QStringList{"sin marca"});
    EXPECT_EQ(rtf::toLines("{\\rtf1 a\\line b\\par c}"), (QStringList{"a", "b", "c"}));
    // A backslash before a line end is a paragraph mark.
    EXPECT_EQ(rtf::toLines("{\\rtf1 a\\\nb}"), (QStringList{"a", "b"}));
}

// The first line alone is the first of the lines read whole, cut at the limit, with the style
// it starts with; the reading stops there (what follows may be anything).
TEST(RtfLines, TheFirstLineAloneIsTheFirstOfAllTheLines)
{
    const QByteArray inputs[] = {
        "{\\rtf1 uno\\par dos}", "{\\rtf1 a\\line b\\par c}", "{\\rtf1 {\\b negrita} y m\\'e1s\\par x}",
        "{\\rtf1\\par segunda}", "{\\rtf1 \\u8364? euro}", "{\\rtf1 {{{{x}}}}", "{\\rtf1 a\\\nb}",
        "uno\r\ndos", "\ndos", "d\xc3\xad" "a\nx", "\xef\xbb\xbf" "d\xc3\xad" "a", "d\xed" "a \x80\rx",
        "d\xc3\xad" "a\n\xed", QByteArray("\0\x01\x07z\n", 5), "", "{\\rtf1 }",
    };
    for (const QByteArray &in : inputs) {
        SCOPED_TRACE(in.toStdString());
        const rtf::Content first = rtf::readFirstLine(in, 100);
        ASSERT_EQ(first.paragraphs.size(), 1);
        EXPECT_EQ(first.paragraphs.front().text(), rtf::toLines(in).value(0));
    }
    EXPECT_EQ(rtf::readFirstLine("{\\rtf1 {\\b abc}def\\par x}", 4).paragraphs.front().text(), "abcd");
    EXPECT_TRUE(rtf::readFirstLine("{\\rtf1 {\\b abc}def\\par x}", 4).paragraphs.front().runs.front().style.bold);
    EXPECT_EQ(rtf::readFirstLine("d\xc3\xad" "a\xc3\xad", 2).paragraphs.front().text(), QStringLiteral("dí"));
    EXPECT_EQ(rtf::readFirstLine(QByteArray(1 << 20, '\0'), 4096).paragraphs.front().text(), QString(4096, QChar(0)));
}

TEST(Cp1252, TableMatchesTheCodePage)
{
    // Every defined byte maps to one character and back; the five undefined ones do not.
    int undefined = 0;
    for (int b = 0; b < 256; ++b) {
        const char16_t ch = cp1252::toUnicode(uchar(b));
        if (ch == 0xFFFD) {
            ++undefined;
            continue;
        }
        EXPECT_EQ(cp1252::fromUnicode(ch), b) << b;
    }
    EXPECT_EQ(undefined, 5);
    // Where it differs from ISO 8859-1.
    EXPECT_EQ(cp1252::toUnicode(0x80), u'\u20AC');
    EXPECT_EQ(cp1252::toUnicode(0x8A), u'\u0160');
    EXPECT_EQ(cp1252::toUnicode(0x9F), u'\u0178');
    EXPECT_EQ(cp1252::fromUnicode(u'\u0081'), -1);
    EXPECT_EQ(cp1252::fromUnicode(u'\u0100'), -1);
    EXPECT_EQ(cp1252::fromUnicode(u'í'), 0xED);
}
