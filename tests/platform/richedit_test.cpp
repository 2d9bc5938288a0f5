// The rich-edit control as a line buffer and as the holder of the display font style.
#include "platform/RichEdit.h"
#include "platform/Rtf.h"

#include <QCoreApplication>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <functional>

using platform::RichEdit;

TEST(RichEdit, LinesAsARichEditCountsThem)
{
    RichEdit edit;
    EXPECT_EQ(edit.lines(), QStringList{});
    edit.setLines({"uno", "", "  tres  "});
    EXPECT_EQ(edit.lines(), (QStringList{"uno", "", "  tres  "}));
    EXPECT_EQ(edit.lineCount(), 3);
    EXPECT_EQ(edit.line(2), QStringLiteral("  tres  "));
    EXPECT_EQ(edit.line(3), QString());

    edit.addLine(QStringLiteral("cuatro"));
    edit.addLine(QString());
    EXPECT_EQ(edit.lines(), (QStringList{"uno", "", "  tres  ", "cuatro", ""}));
    edit.deleteLine(0);
    edit.deleteLine(0);
    edit.deleteLine(0);
    edit.deleteLine(7); // out of range: nothing
    EXPECT_EQ(edit.lines(), (QStringList{"cuatro", ""}));
    edit.insertLine(0, QStringLiteral("cero"));
    edit.setLine(2, QStringLiteral("dos"));
    EXPECT_EQ(edit.lines(), (QStringList{"cero", "cuatro", "dos"}));

    // Text typed without a final line end is one line; a new line goes after it.
    edit.setPlainText(QStringLiteral("escrito"));
    EXPECT_EQ(edit.lines(), QStringList{"escrito"});
    edit.addLine(QStringLiteral("añadido"));
    EXPECT_EQ(edit.lines(), (QStringList{"escrito", "añadido"}));

    edit.clear();
    edit.addLine(QStringLiteral("solo"));
    EXPECT_EQ(edit.lines(), QStringList{"solo"});
    // A soft line break starts a line too.
    edit.setPlainText(QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b"));
    EXPECT_EQ(edit.lines(), (QStringList{"a", "b"}));
}

TEST(RichEdit, SaveAndLoadKeepLinesExactly)
{
    const QStringList lines = {QString(200, u' '), QStringLiteral("Orvenda").leftJustified(240), QString(),
                               QStringLiteral("Descripción con acentos: í ñ ¿?")};
    RichEdit source;
    source.setLines(lines);
    const QByteArray bytes = source.saveToBytes();
    RichEdit target;
    target.loadFromBytes(bytes);
    EXPECT_EQ(target.lines(), lines);
    // The editor's stream and the line writer's read back alike.
    EXPECT_EQ(platform::rtf::toLines(bytes), lines);
    target.loadFromBytes(platform::rtf::fromLines(lines));
    EXPECT_EQ(target.lines(), lines);
    // Plain text loads too.
    target.loadFromBytes("uno\r\ndos\r\n");
    EXPECT_EQ(target.lines(), (QStringList{"uno", "dos"}));

    // Through files: a file that cannot be read leaves the lines, one that cannot be written fails.
    QTemporaryDir dir;
    ASSERT_TRUE(source.saveToFile(dir.filePath("Orvenda02.stu")));
    ASSERT_TRUE(target.loadFromFile(dir.filePath("Orvenda02.stu")));
    EXPECT_EQ(target.lines(), lines);
    EXPECT_FALSE(target.loadFromFile(dir.filePath("missing.stu")));
    EXPECT_EQ(target.lines(), lines);
    EXPECT_FALSE(source.saveToFile(dir.filePath("no/such/folder/x.stu")));
}

TEST(RichEdit, FontStyleReadFromTheSelectionAfterTheFirstCharacter)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSize(18);
    font.setItalic(true);
    RichEdit style;
    style.loadFromBytes(platform::rtf::fromFontStyle(font, QColor(0, 128, 0)));
    // What a rich edit's selection of start 1, length 1 reports: here the paragraph mark.
    const QTextCharFormat f = style.charFormatAt(1);
    EXPECT_EQ(f.fontFamilies().toStringList().value(0), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(f.fontPointSize(), 18.0);
    EXPECT_TRUE(f.fontItalic());
    EXPECT_EQ(f.foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(style.charFormatAt(0).fontPointSize(), 18.0);
    EXPECT_EQ(style.charFormatAt(99).fontPointSize(), 18.0);

    // Saving the style again after taking a new font: all text and marks take it.
    QTextCharFormat bigger;
    bigger.setFontPointSize(24);
    bigger.setFontWeight(QFont::Bold);
    style.mergeFormatIntoAll(bigger);
    const auto saved = platform::rtf::toFontStyle(style.saveToBytes());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->font.pointSizeF(), 24.0);
    EXPECT_TRUE(saved->font.bold());
    EXPECT_TRUE(saved->font.italic());
    EXPECT_EQ(style.charFormatAt(1).fontPointSize(), 24.0);
}

TEST(RichEdit, ClearedLinesKeepTheFormatOfTheContent)
{
    // A short answer written after the whole buffer took the display style keeps that style.
    RichEdit answer;
    answer.setLines({"x"});
    QTextCharFormat style;
    style.setFontFamilies({QStringLiteral("DejaVu Sans")});
    style.setFontPointSize(15);
    style.setForeground(QColor(0, 0, 128));
    answer.mergeFormatIntoAll(style);
    answer.setLines({QStringLiteral("respuesta corta")});
    const auto written = platform::rtf::toFontStyle(answer.saveToBytes());
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->font.pointSizeF(), 15.0);
    EXPECT_EQ(written->color, QColor(0, 0, 128));
    EXPECT_EQ(answer.lines(), QStringList{"respuesta corta"});
}

TEST(RichEdit, LinesToBytesWritesWhatSetLinesWouldAndLeavesTheContentAsItIs)
{
    QTextCharFormat style;
    style.setFontFamilies({QStringLiteral("DejaVu Sans")});
    style.setFontPointSize(15);
    style.setFontWeight(QFont::Bold);
    style.setForeground(QColor(0, 0, 128));
    const QStringList contents[] = {{}, {"x"}, {"uno", "", "tres"}};
    const QStringList written[] = {{}, {""}, {"respuesta corta"}, {"dos", "líneas ñ {\\}"}, {QString(1, QChar(0))},
                                   {"a\nb", "c\r\nd"}, {"e\u2029f", "g\u2028h\ti", "\u20ac\U0001F600"}};
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(19);
    for (const int kind : {0, 1, 2}) { // plain, every character styled, the edit's font set
        for (const QStringList &content : contents) {
            for (const QStringList &lines : written) {
                RichEdit edit, reference;
                for (RichEdit *e : {&edit, &reference}) {
                    if (kind == 2)
                        e->setFont(font);
                    e->setLines(content);
                    if (kind == 1)
                        e->mergeFormatIntoAll(style);
                }
                const QByteArray before = edit.saveToBytes();
                reference.setLines(lines);
                EXPECT_EQ(edit.linesToBytes(lines), reference.saveToBytes()) << content.join('|').toStdString();
                EXPECT_EQ(edit.saveToBytes(), before);
            }
        }
    }
}

// Content set or loaded whole shows from its first line: the caret at the start, the box
// scrolled to the top.
TEST(RichEdit, ContentSetOrLoadedWholeShowsFromItsFirstLine)
{
    QStringList many;
    for (int i = 0; i < 60; ++i)
        many << QStringLiteral("línea %1").arg(i);
    const std::function<void(RichEdit &)> fills[] = {[&](RichEdit &e) { e.setLines(many); },
                                                     [&](RichEdit &e) { e.loadFromBytes(platform::rtf::fromLines(many)); }};
    for (const auto &fill : fills) {
        RichEdit edit;
        edit.resize(300, 120);
        edit.show();
        edit.moveCursor(QTextCursor::End);
        fill(edit);
        QCoreApplication::processEvents();
        EXPECT_EQ(edit.textCursor().position(), 0);
        EXPECT_EQ(edit.verticalScrollBar()->value(), 0);
    }
}

// An answer to be looked at that holds more than a box lays out at once shows its start and a
// closing line that says so, read-only, and gives back the bytes loaded whole; one within the
// limits shows whole. Text put into the box afterwards ends the part shown.
TEST(RichEdit, ADisplayShowsTheStartOfAnAnswerTooLongAndKeepsItWhole)
{
    const QByteArray many = "{\\rtf1 " + QByteArray("linea\\par ").repeated(RichEdit::kDisplayMaxLines + 5) + "}";
    const QByteArray plain = QByteArray("x").repeated(RichEdit::kDisplayMaxChars + 1);
    const QByteArray fits = platform::rtf::fromLines({"uno", "dos"});
    const struct {
        const char *what;
        QByteArray bytes;
        qsizetype lines, letters; // shown: lines (the closing line included), and the first letter's count
    } cases[] = {
        {"lines", many, RichEdit::kDisplayMaxLines + 1, RichEdit::kDisplayMaxLines},
        {"characters", plain, -1, RichEdit::kDisplayMaxChars},
        {"within the limits", fits, 2, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        RichEdit e;
        e.loadForDisplay(c.bytes);
        const bool cut = &c != &cases[2];
        if (c.lines >= 0) {
            EXPECT_EQ(e.lines().size(), c.lines);
        }
        const QString text = e.toPlainText();
        EXPECT_EQ(text.left(cut ? text.lastIndexOf(u'\n') : text.size()).count(e.line(0).front()), c.letters);
        EXPECT_EQ(e.isCut(), cut);
        EXPECT_EQ(e.isReadOnly(), cut);
        EXPECT_EQ(e.lines().last().startsWith(QStringLiteral("[…]")), cut);
        e.mergeFormatIntoAll(QTextCharFormat());
        EXPECT_EQ(e.saveToBytes() == c.bytes, cut);
        e.clear();
        EXPECT_FALSE(e.isReadOnly());
        EXPECT_TRUE(e.lines().isEmpty());
        EXPECT_TRUE(platform::rtf::toLines(e.saveToBytes()).isEmpty());
    }
}
