// Line buffers through RTF: settings lines, preferences lines, saved-password lines and
// short answers must come back exactly, blanks and line count included.
#include "platform/Cp1252.h"
#include "platform/Rtf.h"
#include "platform/RtfReader.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

QString settingsLine()
{
    // 200 characters: flags at fixed positions, everything else blank.
    QString s(200, u' ');
    const std::pair<int, const char *> fields[] = {
        {0, "1"}, {2, "0"}, {4, "1"}, {6, "0"}, {8, "1"}, {11, " 60"}, {15, "  0"},
        {20, "Cno"}, {24, "Eno"}, {28, "Msi"}, {32, "EXsi"}, {37, "IMsi"},
    };
    for (const auto &[at, text] : fields)
        s.replace(at, int(qstrlen(text)), QString::fromLatin1(text));
    return s;
}

const QStringList kPreferences = {
    QStringLiteral("ddmmaa__ESP_S_000-001-007-021-045-090-120-150-180-"),
    QStringLiteral("SI_SIPER_030-035-030-030-025-025-020-Parpad_SI_05__"),
    QStringLiteral("SI__020__010__"),
    QStringLiteral("No       [Permitir repasar las fichas varias veces el mismo día]"),
};

void expectRoundTrip(const QStringList &lines)
{
    const QByteArray rtf = rtf::fromLines(lines);
    ASSERT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    EXPECT_EQ(rtf::toLines(rtf), lines) << rtf.constData();
}

} // namespace

TEST(RtfLines, SettingsItemRoundTrip)
{
    const QString version = QStringLiteral("Orvenda 2.0").leftJustified(40) + QString(200, u' ');
    const QStringList lines = {settingsLine(), version, QString(), QStringLiteral("Vocabulario"),
                               QStringLiteral("  sangría inicial"), QStringLiteral("fin   ")};
    expectRoundTrip(lines);
    const QStringList back = rtf::toLines(rtf::fromLines(lines));
    ASSERT_EQ(back.size(), 6);
    EXPECT_EQ(back[0].size(), 200);
    EXPECT_EQ(back[1].size(), 240);
    EXPECT_EQ(back[0].mid(11, 3), QStringLiteral(" 60"));
}

TEST(RtfLines, PreferencesRoundTripWritesIAcuteAsCodePageByte)
{
    const QByteArray rtf = rtf::fromLines(kPreferences);
    EXPECT_TRUE(rtf.contains("mismo d\\'eda]")) << rtf.constData();
    EXPECT_EQ(rtf::toLines(rtf), kPreferences);
    EXPECT_EQ(rtf::toLines(rtf)[3].size(), 64);
}

TEST(RtfLines, BlanksAndEmptyLinesSurvive)
{
    expectRoundTrip({});
    expectRoundTrip({QString()});
    expectRoundTrip({QString(), QString()});
    expectRoundTrip({QStringLiteral(" ")});
    expectRoundTrip({QString(200, u' ')});
    expectRoundTrip({QStringLiteral("   "), QString(), QStringLiteral("  x  "), QString()});
    expectRoundTrip({QStringLiteral("a"), QString(), QString(), QString()});
    expectRoundTrip({QStringLiteral("\ttab\t"), QStringLiteral("trailing   ")});
}

TEST(RtfLines, SavedPasswordAndShortAnswer)
{
    expectRoundTrip({QStringLiteral("RichEdit3"), QStringLiteral(" clave con {llaves} \\ y ñ ")});
    expectRoundTrip({QStringLiteral("El año pasado")});
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

TEST(RtfLines, PreferencesWrittenByHandAsPlainText)
{
    QByteArray bytes;
    for (const QString &l : kPreferences)
        bytes += l.toUtf8() + "\r\n";
    EXPECT_EQ(rtf::toLines(bytes), kPreferences);
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
