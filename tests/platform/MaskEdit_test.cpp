// The masked edit reads every position, an empty one as a blank.
#include "platform/MaskEdit.h"

#include "platform/Clock.h"

#include <QTest>
#include <QWidget>

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

// A click on the shown edit: past the first empty position the caret goes there, so typed
// digits fill the edit from its start; a click on a digit already typed stays, to change it.
namespace {
// The caret's place on screen, to click on a given character.
struct ShownMaskEdit : platform::MaskEdit {
    using platform::MaskEdit::MaskEdit;
    using QLineEdit::cursorRect;
};
} // namespace

TEST(MaskEdit, AClickPutsTheCaretAtTheFirstEmptyPosition)
{
    struct Case {
        const char *mask;
        const char *before;
        int clickAt; // character position clicked, -1 past the end
        const char *typed;
        const char *after;
    } cases[] = {
        {"999;1;_", "", -1, "42", "42 "},
        {"999;1;_", "", 2, "7", "7  "},
        {"!99/99/00;1;_", "", -1, "051226", "05/12/26"},
        {"9999;1;_", "1", -1, "5", "15  "},
        {"999;1;_", "123", 1, "9", "193"},
    };
    for (const Case &c : cases) {
        QWidget window;
        auto *e = new ShownMaskEdit(&window);
        e->setEditMask(QString::fromLatin1(c.mask));
        e->setText(QString::fromLatin1(c.before));
        e->setGeometry(10, 10, 200, 24);
        window.resize(240, 60);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        int x = e->width() - 6;
        if (c.clickAt >= 0) {
            e->setCursorPosition(c.clickAt);
            x = e->cursorRect().center().x() + 1;
        }
        e->setCursorPosition(0);
        QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(x, e->height() / 2));
        QTest::keyClicks(e, QString::fromLatin1(c.typed));
        EXPECT_EQ(e->text(), QString::fromLatin1(c.after).replace(QLatin1Char('/'), platform::clock::dateSeparator()))
            << c.mask << " [" << c.before << "] " << c.clickAt;
    }
}
