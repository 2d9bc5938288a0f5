#include "platform/TextFile.h"

#include "platform/Files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(TextFile, LinesEndAtCrLfLfOrCrAndAFinalEndingAddsNoLine)
{
    const std::pair<QString, QStringList> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\n", {"a", "b", "c"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
    };
    for (const auto &[text, lines] : cases)
        EXPECT_EQ(platform::textLines(text), lines) << text.toStdString();
}

TEST(TextFile, ReadsUtf8OrWindows1252AndWritesUtf8WithCrLf)
{
    QTemporaryDir dir;
    const QString utf8 = dir.filePath("u.txt"), ansi = dir.filePath("a.txt"), out = dir.filePath("o.txt");
    ASSERT_TRUE(platform::saveFileAtomically(utf8, "\xEF\xBB\xBF" "canci\xC3\xB3n\r\n"));
    ASSERT_TRUE(platform::saveFileAtomically(ansi, "canci\xF3n\n\x80"));
    EXPECT_EQ(platform::readTextLines(utf8), QStringList{"canción"});
    EXPECT_EQ(platform::readTextLines(ansi), (QStringList{"canción", "€"}));
    EXPECT_FALSE(platform::readTextLines(dir.filePath("falta.txt")));
    ASSERT_TRUE(platform::saveTextLines(out, {"canción", ""}));
    EXPECT_EQ(platform::readWholeFile(out), QByteArray("canci\xC3\xB3n\r\n\r\n"));
    EXPECT_FALSE(platform::saveTextLines(dir.filePath("no/existe.txt"), {"x"}));
}
