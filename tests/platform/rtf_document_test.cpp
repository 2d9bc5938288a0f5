// Formatted rich text through RTF: long answers, the font style document, and documents
// that other programs write.
#include "platform/Rtf.h"
#include "platform/RtfReader.h"

#include <QFile>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QTextCharFormat charFormat(const QString &family, double size, bool bold = false, bool italic = false,
                           bool underline = false, QColor color = QColor())
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(size);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    if (color.isValid())
        f.setForeground(color);
    return f;
}

// Every fragment of the document with its style, for comparing two documents.
struct Piece {
    QString text;
    rtf::CharStyle style;
    bool operator==(const Piece &) const = default;
};

std::vector<Piece> pieces(const QTextDocument &doc)
{
    std::vector<Piece> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            out.push_back({it.fragment().text(), rtf::fromCharFormat(it.fragment().charFormat(), doc.defaultFont())});
        out.push_back({QStringLiteral("¶"), {}});
    }
    return out;
}

QByteArray readData(const char *name)
{
    QFile f(QStringLiteral(ORV_TEST_DATA_DIR "/rtf/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

// The run of a content that holds the text, or nullptr.
const rtf::Run *findRun(const rtf::Content &c, const QString &text)
{
    for (const rtf::Paragraph &p : c.paragraphs)
        for (const rtf::Run &r : p.runs)
            if (r.text.contains(text))
                return &r;
    return nullptr;
}

} // namespace

TEST(RtfDocument, FormattedLongAnswerRoundTrip)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centred);
    c.insertText(QStringLiteral("Título"), charFormat("DejaVu Serif", 16, true, false, false, QColor(0, 0, 128)));
    QTextBlockFormat left;
    left.setAlignment(Qt::AlignLeft);
    c.insertBlock(left);
    c.insertText(QStringLiteral("normal "), charFormat("DejaVu Sans", 11));
    c.insertText(QStringLiteral("cursiva"), charFormat("DejaVu Sans", 11, false, true));
    c.insertText(QStringLiteral(" y "), charFormat("DejaVu Sans", 11));
    c.insertText(QStringLiteral("subrayado rojo"), charFormat("DejaVu Sans", 11, false, false, true, Qt::red));
    c.insertText(QStringLiteral(" fin  "), charFormat("DejaVu Sans", 11));
    c.insertBlock(left);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText(QStringLiteral("derecha: ñandú € {x} \\"), charFormat("Liberation Mono", 9.5, true, true));

    const QByteArray rtfBytes = rtf::fromDocument(doc);
    for (const char *word : {"\\qc", "\\qr", "\\b", "\\i", "\\ul", "\\ulnone", "\\fs32", "\\fs19", "\\cf1",
                             "\\red0\\green0\\blue128;", "DejaVu Serif;", "\\'f1and\\'fa", "\\'80", "\\{x\\}"})
        EXPECT_TRUE(rtfBytes.contains(word)) << word << "\n" << rtfBytes.constData();

    QTextDocument back;
    rtf::toDocument(rtfBytes, back);
    EXPECT_EQ(pieces(back), pieces(doc)); // text, styles and paragraph marks
    EXPECT_EQ(back.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(back.lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    // Writing the copy again gives the same stream.
    EXPECT_EQ(rtf::fromDocument(back), rtfBytes);
}

TEST(RtfDocument, ParagraphMarksMapOntoBlocks)
{
    QTextDocument doc;
    rtf::toDocument("{\\rtf1 uno\\par dos\\par}", doc);
    EXPECT_EQ(doc.blockCount(), 3); // the stream ends with a mark: an empty last block
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("uno\ndos\n"));
    rtf::toDocument("{\\rtf1 uno\\par dos}", doc);
    EXPECT_EQ(doc.blockCount(), 2);
    EXPECT_EQ(rtf::toLines(rtf::fromDocument(doc)), (QStringList{"uno", "dos"}));
    doc.setPlainText(QString());
    EXPECT_EQ(rtf::toLines(rtf::fromDocument(doc)), QStringList{});
    // Plain text loads as plain text, in the document's default font.
    rtf::toDocument("l\xednea 1\r\nl\xednea 2", doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("línea 1\nlínea 2"));
}

TEST(RtfDocument, FontStyleDocument)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(14);
    font.setBold(true);
    font.setItalic(true);
    const QByteArray bytes = rtf::fromFontStyle(font, QColor(0, 0, 128));
    EXPECT_TRUE(bytes.contains("\\fs28")) << bytes.constData();
    const auto style = rtf::toFontStyle(bytes);
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(style->font.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(style->font.pointSizeF(), 14.0);
    EXPECT_TRUE(style->font.bold());
    EXPECT_TRUE(style->font.italic());
    EXPECT_EQ(style->color, QColor(0, 0, 128));
    // One character, in the style, then the paragraph mark.
    EXPECT_EQ(rtf::toLines(bytes).value(0).size(), 1);

    // A font given in pixels: 19 pixels are 14.25 points, written in half points.
    QFont pixels(QStringLiteral("Tahoma"));
    pixels.setPixelSize(19);
    const auto fromPixels = rtf::toFontStyle(rtf::fromFontStyle(pixels, Qt::black));
    ASSERT_TRUE(fromPixels.has_value());
    EXPECT_EQ(fromPixels->font.pointSizeF(), 14.5);

    EXPECT_FALSE(rtf::toFontStyle("not rich text").has_value());
    // A style without text: the paragraph mark's.
    const auto markOnly = rtf::toFontStyle("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs40\\i\\par}");
    ASSERT_TRUE(markOnly.has_value());
    EXPECT_EQ(markOnly->font.pointSizeF(), 20.0);
    EXPECT_TRUE(markOnly->font.italic());
    EXPECT_FALSE(markOnly->color.isValid());
}

// Lists: a document's lists are written as a rich edit writes them (the marker as text for
// readers without lists), and lists written so, by us or by a rich edit, read back as lists.
TEST(RtfDocument, ListsAreWrittenAndReadBackAsLists)
{
    using L = rtf::ParaStyle;
    struct Case {
        const char *rtf;
        QStringList lines;
        QList<L::List> lists; // of the paragraphs that hold text
    } cases[] = {
        // A rich edit's bullets: the marker in \pntext, the list in {\*\pn}, kept up to \pard.
        {"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}\\viewkind4\\uc1"
         "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720\\f0\\fs20 uno\\par"
         "{\\pntext\\f1\\'B7\\tab}dos\\par\\pard tres\\par}",
         {"uno", "dos", "tres"}, {L::Bullet, L::Bullet, L::NoList}},
        // Numbered: decimal unless the kind is named; \pnlvlcont is no list.
        {"{\\rtf1\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1{\\pntxta.}}a\\par"
         "\\pard{\\pntext b.\\tab}{\\*\\pn\\pnlvlbody\\pnlcltr{\\pntxta.}}b\\par"
         "\\pard{\\*\\pn\\pnlvlbody\\pnucrm}c\\par\\pard{\\*\\pn\\pnlvlcont}d}",
         {"a", "b", "c", "d"}, {L::Decimal, L::LowerAlpha, L::UpperRoman, L::NoList}},
        // Older writers: {\pn} without \*, and spaces.
        {"{\\rtf1{\\pn \\pnlvlblt\\pnf1\\pnindent360{\\pntxtb \\'b7}}uno\\par dos}", {"uno", "dos"}, {L::Bullet, L::Bullet}},
        // Destinations unknown after \* stay skipped.
        {"{\\rtf1{\\*\\pnseclvl1\\pnucrm x}uno}", {"uno"}, {L::NoList}},
    };
    for (const Case &c : cases) {
        const rtf::Content content = rtf::read(c.rtf);
        QList<L::List> lists;
        for (const rtf::Paragraph &p : content.paragraphs)
            if (!p.runs.isEmpty())
                lists << p.para.list;
        EXPECT_EQ(rtf::linesOfContent(content), c.lines) << c.rtf;
        EXPECT_EQ(lists, c.lists) << c.rtf;
    }

    // A document with lists of every kind, one of them nested, as a paste leaves them.
    const std::pair<QTextListFormat::Style, L::List> kinds[] = {
        {QTextListFormat::ListDisc, L::Bullet},         {QTextListFormat::ListCircle, L::Bullet},
        {QTextListFormat::ListSquare, L::Bullet},
        {QTextListFormat::ListDecimal, L::Decimal},     {QTextListFormat::ListLowerAlpha, L::LowerAlpha},
        {QTextListFormat::ListUpperAlpha, L::UpperAlpha}, {QTextListFormat::ListLowerRoman, L::LowerRoman},
        {QTextListFormat::ListUpperRoman, L::UpperRoman}};
    QTextDocument doc;
    QTextCursor cur(&doc);
    cur.insertText(QStringLiteral("Antes"));
    for (const auto &[style, kind] : kinds) {
        cur.insertBlock();
        QTextListFormat f;
        f.setStyle(style);
        cur.insertList(f);
        cur.insertText(QStringLiteral("primero"));
        cur.insertBlock();
        cur.insertText(QStringLiteral("segundo"));
        cur.insertBlock(QTextBlockFormat());
        cur.insertText(QStringLiteral("fuera"));
    }
    cur.insertBlock(QTextBlockFormat());
    QTextListFormat nested;
    nested.setIndent(2);
    nested.setStyle(QTextListFormat::ListSquare);
    cur.insertList(nested);
    cur.insertText(QStringLiteral("anidado"));
    cur.insertBlock(QTextBlockFormat());

    const QByteArray bytes = rtf::fromDocument(doc);
    for (const char *word : {"{\\*\\pn\\pnlvlblt", "{\\pntext\\'95\\tab}primero", "\\pndec", "{\\pntext 2.\\tab}segundo",
                             "\\pnlcltr", "{\\pntext b.\\tab}", "\\pnucltr", "\\pnlcrm", "{\\pntext ii.\\tab}", "\\pnucrm",
                             "{\\pntext II.\\tab}", "\\li600"})
        EXPECT_TRUE(bytes.contains(word)) << word << "\n" << bytes.constData();
    QTextDocument back;
    rtf::toDocument(bytes, back);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText()); // no marker in the text
    EXPECT_EQ(back.blockCount(), doc.blockCount());
    int lists = 0;
    for (QTextBlock b = doc.begin(), a = back.begin(); b.isValid() && a.isValid(); b = b.next(), a = a.next()) {
        ASSERT_EQ(a.textList() != nullptr, b.textList() != nullptr) << b.text().toStdString();
        if (!b.textList())
            continue;
        ++lists;
        const auto style = b.textList()->format().style();
        const auto *kind = std::find_if(std::begin(kinds), std::end(kinds), [&](auto &k) { return k.first == style; });
        EXPECT_EQ(rtf::read(bytes).paragraphs[b.blockNumber()].para.list, kind->second);
        EXPECT_EQ(a.textList()->itemNumber(a), b.textList()->itemNumber(b)) << b.text().toStdString();
    }
    EXPECT_EQ(lists, 17);
    EXPECT_FALSE(back.lastBlock().textList()); // the empty last paragraph is no list item
    EXPECT_EQ(rtf::fromDocument(back), bytes);

    // Markers are drawn in the style of their paragraph's mark, also in the last paragraph.
    QTextDocument last;
    QTextCursor end(&last);
    QTextCharFormat big = charFormat("DejaVu Sans", 20);
    end.createList(QTextListFormat::ListDecimal);
    end.setBlockCharFormat(big);
    end.insertText(QStringLiteral("uno"), charFormat("DejaVu Sans", 10));
    end.insertBlock(end.blockFormat(), big);
    end.insertText(QStringLiteral("dos"), charFormat("DejaVu Sans", 10));
    QTextDocument lastBack;
    rtf::toDocument(rtf::fromDocument(last), lastBack);
    ASSERT_EQ(lastBack.blockCount(), 2);
    for (QTextBlock b = lastBack.begin(); b.isValid(); b = b.next()) {
        EXPECT_TRUE(b.textList());
        EXPECT_EQ(b.charFormat().fontPointSize(), 20) << b.text().toStdString();
    }
}

TEST(RtfDocument, LibreOfficeDocument)
{
    // Written by the word processor of Debian's libreoffice-writer-nogui (7.4), converted
    // with --convert-to rtf from a formatted Spanish text.
    const QByteArray bytes = readData("libreoffice_respuesta_larga.rtf");
    ASSERT_TRUE(rtf::isRtf(bytes));
    const QStringList lines = rtf::toLines(bytes);
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("¿Qué es la fotosíntesis?"),
                         QStringLiteral("Es el proceso por el que las plantas transforman la luz en energía química."),
                         QStringLiteral("Rojo, azul y subrayado: el niño comió piña en el año 2024."),
                         QStringLiteral("¡Centrado y con acentos: á é í ó ú ü Ñ!"),
                     }));

    const rtf::Content c = rtf::read(bytes);
    const rtf::Run *title = findRun(c, QStringLiteral("fotosíntesis"));
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->style.bold);
    EXPECT_EQ(title->style.family, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(title->style.pointSize, 14.0);
    const rtf::Run *italic = findRun(c, QStringLiteral("transforman"));
    ASSERT_NE(italic, nullptr);
    EXPECT_TRUE(italic->style.italic && !italic->style.bold);
    EXPECT_EQ(italic->style.family, QStringLiteral("Liberation Sans"));
    EXPECT_EQ(findRun(c, QStringLiteral("Rojo"))->style.color, QColor(255, 0, 0));
    EXPECT_EQ(findRun(c, QStringLiteral("azul"))->style.color, QColor(0, 0, 255));
    EXPECT_TRUE(findRun(c, QStringLiteral("subrayado"))->style.underline);
    EXPECT_FALSE(findRun(c, QStringLiteral("piña"))->style.underline);
    EXPECT_EQ(c.paragraphs[3].para.align, rtf::ParaStyle::Center);
    EXPECT_EQ(c.paragraphs[1].para.align, rtf::ParaStyle::Left);
}

TEST(RtfDocument, LibreOfficeDocumentWithPicture)
{
    // The same word processor; the paragraph between holds an embedded PNG picture.
    // The picture's paragraph is empty, the picture skipped.
    EXPECT_EQ(rtf::toLines(readData("libreoffice_con_imagen.rtf")),
              (QStringList{"Antes de la imagen: corazón", "", "Después de la imagen, ¿verdad?"}));
}

TEST(RtfReader, WhatOtherWritersUse)
{
    struct Case {
        const char *rtf;
        QStringList lines;
    } cases[] = {
        // \uN with its fallback, \ucN changing the fallback's length, negative values.
        {"{\\rtf1\\ansi\\ansicpg1252 \\u225?\\u241\\'f1{\\uc2\\u233 xx}\\uc0\\u250 y}", {"áñéúy"}},
        {"{\\rtf1 \\u-3937?}", {QString(QChar(0xF09F))}},
        // Hex escapes in upper and lower case; the code page of the document and of a font.
        {"{\\rtf1\\ansi\\ansicpg1252 \\'E1\\'e9\\'80}", {"áé€"}},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}", {"Аб"}},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}\\f0\\'e1\\f1\\'e1}", {"áб"}},
        {"{\\rtf1\\ansi\\ansicpg65001 \\'c3\\'a1}", {"á"}},
        // 8-bit bytes in the stream itself: UTF-8 when they read as such, else the code page.
        {"{\\rtf1 d\xc3\xad" "a d\xed" "a}", {"día día"}},
        // Escaped characters, tabs, special characters.
        {"{\\rtf1 \\{a\\}\\\\b\\tab c\\~d\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}",
         {QStringLiteral("{a}\\b\tc\u00A0d—–‘’“”•")}},
        // Destinations skipped whole, ignorable or not.
        {"{\\rtf1{\\*\\generator Foo 1.0;}{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
         "{\\*\\unknowndest zzz}{\\header cabecera}{\\pict\\pngblip 89504e47}texto}",
         {"texto"}},
        // Fields show their result; hidden text does not show.
        {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt enlace}} {\\v oculto}visible}",
         {"enlace visible"}},
        // Binary data is skipped by its length, braces in it included.
        {"{\\rtf1 a{\\*\\blob\\bin4 }{\\}b}c}", {"ac"}},
        // A font table without groups, and \plain returning to the default font.
        {"{\\rtf1\\deff1{\\fonttbl\\f0\\froman Times;\\f1\\fswiss Arial;}\\f0 a\\plain b}", {"ab"}},
        // Tables: cells separated by tabs, rows by paragraph marks.
        {"{\\rtf1\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row c\\par}", {"a\tb\t", "c"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(rtf::toLines(c.rtf), c.lines) << c.rtf;

    const rtf::Content plain = rtf::read("{\\rtf1\\deff1{\\fonttbl\\f0\\froman Times;\\f1\\fswiss Arial;}\\f0\\b a\\plain b}");
    ASSERT_EQ(plain.paragraphs.front().runs.size(), 2);
    EXPECT_EQ(plain.paragraphs.front().runs[0].style.family, QStringLiteral("Times"));
    EXPECT_TRUE(plain.paragraphs.front().runs[0].style.bold);
    EXPECT_EQ(plain.paragraphs.front().runs[1].style.family, QStringLiteral("Arial"));
    EXPECT_FALSE(plain.paragraphs.front().runs[1].style.bold);

    // Font names with escapes in the font's own code page or as \uN.
    const rtf::Content names = rtf::read("{\\rtf1{\\fonttbl{\\f0\\fnil \\u26126?\\u26397? Gothic;}"
                                         "{\\f1\\fcharset204 \\'c0rial{\\*\\falt Arial};}}\\f0 x\\f1 y}");
    ASSERT_EQ(names.paragraphs.front().runs.size(), 2);
    EXPECT_EQ(names.paragraphs.front().runs[0].style.family, QStringLiteral("明朝 Gothic"));
    EXPECT_EQ(names.paragraphs.front().runs[1].style.family, QStringLiteral("Аrial"));

    // \b0, \i0, \ulnone and group ends switch formatting off again.
    const rtf::Content off = rtf::read("{\\rtf1 \\b\\i\\ul a\\b0 b\\i0 c\\ulnone d{\\b e}f}");
    const auto &runs = off.paragraphs.front().runs;
    ASSERT_EQ(runs.size(), 6);
    EXPECT_TRUE(runs[0].style.bold && runs[0].style.italic && runs[0].style.underline);
    EXPECT_TRUE(!runs[1].style.bold && runs[1].style.italic);
    EXPECT_TRUE(!runs[2].style.italic && runs[2].style.underline);
    EXPECT_FALSE(runs[3].style.underline);
    EXPECT_TRUE(runs[4].style.bold);
    EXPECT_FALSE(runs[5].style.bold);
}

TEST(RtfReader, MalformedInputNeverFails)
{
    const QByteArray deep = "{\\rtf1 a" + QByteArray(200000, '{') + "b" + QByteArray(200000, '}') + "c}";
    struct Case {
        QByteArray rtf;
        QStringList lines;
    } cases[] = {
        {"{\\rtf", {}},
        {"{\\rtf1 sin cierre", {"sin cierre"}},
        {"{\\rtf1 a\\par b", {"a", "b"}},
        {"{\\rtf1 a}}}}b\\par c", {"a"}},
        {"{\\rtf1 {{{{a", {"a"}},
        {"{\\rtf1 a\\", {"a"}},
        {"{\\rtf1 a\\'", {"a"}},
        {"{\\rtf1 a\\'4", {"a\x04"}},
        {"{\\rtf1 a\\'zz b}", {"azz b"}},
        {"{\\rtf1\\fs999999999999999999999999 a\\li-99999999999999 b}", {"ab"}},
        {"{\\rtf1\\u99999999999?a\\u-99999999?b}", {"ab"}},
        {"{\\rtf1\\uc99999999 \\u65 abc}", {"A"}},
        {"{\\rtf1 a\\bin999999999 xyz}", {"a"}},
        {"{\\rtf1 a\\bin-5 b}", {"ab"}},
        {"{\\rtf1\\cf999 a\\cf-1 b\\f999 c}", {"abc"}},
        {"{\\rtf1 " + QByteArray(10000, 'x').replace("x", "\\abcdefghijklmnopqrstuvwxyzabcdefghij") + " end}", {"end"}},
        {QByteArray("{\\rtf1 a\0b\x01" "c}", 13), {"abc"}},
        {"{\\rtf1{\\fonttbl{\\f0 Sin cierre", {}},
        {"{\\rtf1{\\colortbl;\\red999\\green-4\\blue;\\red1;}\\cf1 a\\cf2 b}", {"ab"}},
        {deep, {"ac"}}, // nesting beyond the limit is skipped
    };
    for (const Case &c : cases)
        EXPECT_EQ(rtf::toLines(c.rtf), c.lines) << c.rtf.left(80).constData();

    // Nesting beyond the limit is skipped whole, but reading goes on after it.
    const QByteArray nested = "{\\rtf1 " + QByteArray(rtf::kMaxDepth - 1, '{') + "in" +
                              QByteArray(rtf::kMaxDepth - 1, '}') + QByteArray(rtf::kMaxDepth + 5, '{') + "too deep" +
                              QByteArray(rtf::kMaxDepth + 5, '}') + " out}";
    EXPECT_EQ(rtf::toLines(nested), QStringList{"in out"});

    QTextDocument doc;
    rtf::toDocument(deep, doc);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("ac"));
}

// A crafted document may change font, size or style at every character; what it brings is kept
// within bounds, the text whole, the first fonts, sizes and styles as written.
TEST(RtfReader, FontsSizesAndStylesAreBounded)
{
    const int n = 3000;
    QByteArray fonts = "{\\rtf1\\ansi\\deff0{\\fonttbl", fontText, sizes = "{\\rtf1 ", colours = "{\\rtf1{\\colortbl;",
               colourText;
    QString text;
    for (int i = 0; i < n; ++i) {
        fonts += "{\\f" + QByteArray::number(i) + "\\fnil Fuente" + QByteArray::number(i) + ";}";
        fontText += "\\f" + QByteArray::number(i) + " x";
        sizes += "\\fs" + QByteArray::number(i + 1) + " x";
        colours += "\\red" + QByteArray::number(i % 256) + "\\green" + QByteArray::number(i / 256) + "\\blue7;";
        colourText += "\\cf" + QByteArray::number(i + 1) + " x";
        text += u'x';
    }
    struct Case {
        const char *what;
        QByteArray rtf;
        int most;                                         // distinct values the text may bring
        std::function<QString(const rtf::CharStyle &)> of; // the value of a run's style
        QString first;                                    // the first run's value
    } cases[] = {
        {"a font per character", fonts + "}" + fontText + "}", rtf::kMaxFamilies,
         [](const rtf::CharStyle &s) { return s.family; }, "Fuente0"},
        {"a size per character", sizes + "}", rtf::kMaxSizes,
         [](const rtf::CharStyle &s) { return QString::number(s.pointSize); }, "0.5"},
        {"a colour per character", colours + "}" + colourText + "}", rtf::kMaxStyles,
         [](const rtf::CharStyle &s) { return s.color.name(); }, "#000007"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const rtf::Content content = rtf::read(c.rtf);
        ASSERT_EQ(content.paragraphs.size(), 1);
        const auto &runs = content.paragraphs[0].runs;
        ASSERT_FALSE(runs.isEmpty());
        EXPECT_EQ(content.paragraphs[0].text(), text);
        EXPECT_EQ(c.of(runs[0].style), c.first);
        QSet<QString> values;
        for (const rtf::Run &r : runs)
            values.insert(c.of(r.style));
        // The bounded ones and the shared style's.
        EXPECT_GE(values.size(), c.most);
        EXPECT_LE(values.size(), c.most + 1);

        // A document of it meets as few fonts when laid out.
        QTextDocument doc;
        rtf::toDocument(c.rtf, doc);
        EXPECT_EQ(doc.toPlainText(), text);
        QSet<QString> laidOut;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                laidOut.insert(it.fragment().charFormat().font().families().join(',') + "/"
                               + QString::number(it.fragment().charFormat().font().pointSizeF()));
        EXPECT_LE(laidOut.size(), std::max(rtf::kMaxFamilies, rtf::kMaxSizes) + 1);
    }

    // The font table keeps the fonts a document can use; text in a font past its bound takes
    // the default family.
    const rtf::Content table = rtf::read(fonts + "}\\f" + QByteArray::number(n - 1) + " y\\f0 z}");
    ASSERT_EQ(table.paragraphs[0].runs.size(), 2);
    EXPECT_EQ(table.paragraphs[0].runs[0].style.family, QString());
    EXPECT_EQ(table.paragraphs[0].runs[1].style.family, "Fuente0");
}
