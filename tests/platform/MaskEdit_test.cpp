// The masked edit reads every position, an empty one as a blank.
#include "platform/MaskEdit.h"

#include <gtest/gtest.h>

TEST(MaskEdit, ReadsEachPositionWithBlanksForTheEmptyOnes)
{
    platform::MaskEdit e;
    e.setEditMask(QStringLiteral("999;1;_"));
    const struct {
        const char *set;
        const char *read;
    } cases[] = {{"20", "20 "}, {"", "   "}, {"7", "7  "}, {"123", "123"}, {"1 2", "1 2"}, {"4567", "456"}};
    for (const auto &c : cases) {
        e.setText(QString::fromLatin1(c.set));
        EXPECT_EQ(e.text(), QString::fromLatin1(c.read)) << c.set;
    }
    e.setEditMask(QStringLiteral("99;1;_"));
    e.setText(QStringLiteral("5"));
    EXPECT_EQ(e.text(), QStringLiteral("5 "));
}
