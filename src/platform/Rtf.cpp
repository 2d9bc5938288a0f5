#include "platform/Rtf.h"

#include "platform/Cp1252.h"
#include "platform/RtfReader.h"
#include "platform/RtfWriter.h"

#include <QTextBlock>
#include <QTextList>

#include <algorithm>
#include <QTextCursor>
#include <QTextDocument>

namespace platform::rtf {

namespace {

constexpr double kTwipsPerPixel = 15.0; // at 96 pixels an inch

// The longest block the document is given. A longer paragraph goes into several blocks, cut at
// its last soft line break before the limit (which the cut replaces) or else at the limit, so
// that laying out one block never costs more than this much text.
constexpr qsizetype kMaxBlockChars = 32768;

// A list one level deeper is drawn this much further right (Qt's indent width of 40 pixels).
constexpr int kTwipsPerListLevel = 600;

QTextListFormat::Style listStyleOf(ParaStyle::List list)
{
    switch (list) {
    case ParaStyle::Decimal: return QTextListFormat::ListDecimal;
    case ParaStyle::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case ParaStyle::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case ParaStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case ParaStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDisc;
    }
}

ParaStyle::List listOf(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListDecimal: return ParaStyle::Decimal;
    case QTextListFormat::ListLowerAlpha: return ParaStyle::LowerAlpha;
    case QTextListFormat::ListUpperAlpha: return ParaStyle::UpperAlpha;
    case QTextListFormat::ListLowerRoman: return ParaStyle::LowerRoman;
    case QTextListFormat::ListUpperRoman: return ParaStyle::UpperRoman;
    default: return ParaStyle::Bullet; // disc, circle, square
    }
}

// Puts the blocks of list paragraphs into lists: consecutive blocks of one kind share a list.
void makeLists(QTextDocument &doc, const QList<std::pair<int, ParaStyle::List>> &listBlocks)
{
    QTextList *list = nullptr;
    std::pair<int, ParaStyle::List> previous{-2, ParaStyle::NoList};
    for (const auto &[number, kind] : listBlocks) {
        const QTextBlock block = doc.findBlockByNumber(number);
        if (list && previous.first + 1 == number && previous.second == kind) {
            list->add(block);
        } else {
            QTextListFormat format;
            format.setStyle(listStyleOf(kind));
            list = QTextCursor(block).createList(format);
        }
        previous = {number, kind};
    }
}

void fillDocument(const Content &content, QTextDocument &doc)
{
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    QTextCursor cursor(&doc);
    // Cleared inside the edit, so that the whole edit reads as new content, which the
    // document's layout lays out lazily, as it does for setPlainText().
    cursor.beginEditBlock();
    doc.clear();
    cursor.setPosition(0);
    bool first = true;
    const CharStyle *lastStyle = nullptr; // runs often repeat the style of the one before
    QTextCharFormat lastFormat;
    int blockNumber = 0;
    QList<std::pair<int, ParaStyle::List>> listBlocks; // first block of each list paragraph
    for (const Paragraph &p : content.paragraphs) {
        if (!first) {
            cursor.insertBlock(toBlockFormat(p.para), toCharFormat(p.markStyle));
            ++blockNumber;
        }
        first = false;
        // What follows the last paragraph mark, when empty, is no list item: a list that ends
        // the text ends with its last mark.
        const bool emptyLast = &p == &content.paragraphs.back() && p.runs.isEmpty();
        if (p.para.list != ParaStyle::NoList && !emptyLast)
            listBlocks.append({blockNumber, p.para.list});
        qsizetype blockChars = 0;
        for (const Run &r : p.runs) {
            if (!lastStyle || !(*lastStyle == r.style)) {
                lastFormat = toCharFormat(r.style);
                lastStyle = &r.style;
            }
            if (blockChars + r.text.size() <= kMaxBlockChars) {
                cursor.insertText(r.text, lastFormat);
                blockChars += r.text.size();
                continue;
            }
            for (qsizetype at = 0; at < r.text.size();) {
                qsizetype n = std::min(r.text.size() - at, kMaxBlockChars - blockChars);
                bool softBreak = false;
                if (at + n < r.text.size()) {
                    const qsizetype cut = QStringView(r.text).mid(at, n).lastIndexOf(QChar(0x2028));
                    if (cut >= 0) {
                        n = cut;
                        softBreak = true;
                    }
                }
                cursor.insertText(r.text.mid(at, n), lastFormat);
                at += n + (softBreak ? 1 : 0);
                blockChars += n;
                if (at < r.text.size() || blockChars >= kMaxBlockChars) {
                    cursor.insertBlock(toBlockFormat(p.para), toCharFormat(p.markStyle));
                    ++blockNumber;
                    blockChars = 0;
                }
            }
        }
    }
    const Paragraph &head = content.paragraphs.front();
    QTextCursor start(&doc);
    start.setBlockFormat(toBlockFormat(head.para));
    start.setBlockCharFormat(toCharFormat(head.markStyle));
    makeLists(doc, listBlocks);
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(undo);
}

Content contentOf(const QTextDocument &doc)
{
    Content c;
    c.paragraphs.clear();
    const QFont def = doc.defaultFont();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        Paragraph p;
        p.para = fromBlockFormat(b.blockFormat());
        if (const QTextList *list = b.textList()) {
            p.para.list = listOf(list->format().style());
            p.para.leftIndent += (std::max(list->format().indent(), 1) - 1) * kTwipsPerListLevel;
        }
        p.markStyle = fromCharFormat(b.charFormat(), def);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.isValid())
                p.runs.append(Run{f.text(), fromCharFormat(f.charFormat(), def)});
        }
        c.paragraphs.append(std::move(p));
    }
    if (c.paragraphs.isEmpty())
        c.paragraphs.append(Paragraph{});
    return c;
}

} // namespace

QString Paragraph::text() const
{
    if (runs.size() == 1)
        return runs.front().text;
    QString s;
    for (const Run &r : runs)
        s += r.text;
    return s;
}

Content contentFromLines(const QStringList &lines)
{
    Content c;
    c.paragraphs.clear();
    c.paragraphs.reserve(lines.size() + 1);
    for (const QString &line : lines) {
        Paragraph p;
        if (!line.isEmpty())
            p.runs.append(Run{line, {}});
        c.paragraphs.append(std::move(p));
    }
    c.paragraphs.append(Paragraph{});
    return c;
}

QStringList linesOfContent(const Content &content)
{
    QStringList lines;
    const qsizetype n = content.paragraphs.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QString text = content.paragraphs[i].text();
        if (i + 1 == n && text.isEmpty())
            break;
        appendLinesOfParagraph(lines, text);
    }
    return lines;
}

void appendLinesOfParagraph(QStringList &lines, const QString &text)
{
    if (text.contains(QChar(0x2028)))
        lines += text.split(QChar(0x2028));
    else
        lines += text;
}

QByteArray fromDocument(const QTextDocument &doc)
{
    return fromContent(contentOf(doc), doc.defaultFont());
}

QByteArray fromContent(const Content &content, const QFont &defaultFont)
{
    return write(content, WriteDefaults{defaultFont.family(), pointSizeOf(defaultFont)});
}

void toDocument(const QByteArray &bytes, QTextDocument &doc)
{
    fillDocument(read(bytes), doc);
}

void contentToDocument(const Content &content, QTextDocument &doc)
{
    fillDocument(content, doc);
}

void firstLineToDocument(const QByteArray &bytes, QTextDocument &doc, qsizetype maxChars)
{
    fillDocument(readFirstLine(bytes, maxChars), doc);
}

QByteArray fromLines(const QStringList &lines)
{
    return write(contentFromLines(lines));
}

QStringList toLines(const QByteArray &bytes)
{
    return linesOfContent(read(bytes));
}

QByteArray fromFontStyle(const QFont &font, const QColor &color)
{
    const CharStyle style = charStyleOf(font, color);
    Content c;
    Paragraph &p = c.paragraphs.front();
    p.runs.append(Run{QStringLiteral("A"), style});
    p.markStyle = style;
    Paragraph last;
    last.markStyle = style;
    c.paragraphs.append(last);
    return write(c, WriteDefaults{style.family, style.pointSize});
}

std::optional<FontStyle> toFontStyle(const QByteArray &bytes)
{
    if (!isRtf(bytes))
        return std::nullopt;
    const Content c = read(bytes);
    const CharStyle *style = &c.paragraphs.front().markStyle;
    for (const Paragraph &p : c.paragraphs) {
        if (!p.runs.isEmpty()) {
            style = &p.runs.front().style;
            break;
        }
    }
    return FontStyle{fontOf(*style), style->color};
}

QTextCharFormat toCharFormat(const CharStyle &s)
{
    QTextCharFormat f;
    if (!s.family.isEmpty())
        f.setFontFamilies(QStringList{s.family});
    if (s.pointSize > 0)
        f.setFontPointSize(s.pointSize);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontStrikeOut(s.strikeOut);
    if (s.color.isValid())
        f.setForeground(s.color);
    if (s.background.isValid())
        f.setBackground(s.background);
    if (s.vertical != 0)
        f.setVerticalAlignment(s.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                              : QTextCharFormat::AlignSubScript);
    return f;
}

CharStyle fromCharFormat(const QTextCharFormat &f, const QFont &def)
{
    CharStyle s;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        s.family = families.front();
    else if (f.hasProperty(QTextFormat::FontFamily))
        s.family = f.stringProperty(QTextFormat::FontFamily);
    if (s.family.isEmpty())
        s.family = def.family();
    if (f.hasProperty(QTextFormat::FontPointSize))
        s.pointSize = f.fontPointSize();
    else if (f.hasProperty(QTextFormat::FontPixelSize))
        s.pointSize = f.intProperty(QTextFormat::FontPixelSize) * 72.0 / 96.0;
    else
        s.pointSize = pointSizeOf(def);
    s.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold
                                                     : def.weight() >= QFont::DemiBold;
    s.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : def.italic();
    s.underline = f.fontUnderline() || (!f.hasProperty(QTextFormat::TextUnderlineStyle)
                                        && !f.hasProperty(QTextFormat::FontUnderline)
                                        && def.underline());
    s.strikeOut = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : def.strikeOut();
    if (f.foreground().style() != Qt::NoBrush)
        s.color = f.foreground().color();
    if (f.background().style() != Qt::NoBrush)
        s.background = f.background().color();
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        s.vertical = 1;
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        s.vertical = -1;
    return s;
}

QTextBlockFormat toBlockFormat(const ParaStyle &s)
{
    QTextBlockFormat f;
    switch (s.align) {
    case ParaStyle::Left: f.setAlignment(Qt::AlignLeft); break;
    case ParaStyle::Center: f.setAlignment(Qt::AlignHCenter); break;
    case ParaStyle::Right: f.setAlignment(Qt::AlignRight); break;
    case ParaStyle::Justify: f.setAlignment(Qt::AlignJustify); break;
    }
    if (s.leftIndent)
        f.setLeftMargin(s.leftIndent / kTwipsPerPixel);
    if (s.rightIndent)
        f.setRightMargin(s.rightIndent / kTwipsPerPixel);
    if (s.firstIndent)
        f.setTextIndent(s.firstIndent / kTwipsPerPixel);
    if (s.spaceBefore)
        f.setTopMargin(s.spaceBefore / kTwipsPerPixel);
    if (s.spaceAfter)
        f.setBottomMargin(s.spaceAfter / kTwipsPerPixel);
    return f;
}

ParaStyle fromBlockFormat(const QTextBlockFormat &f)
{
    ParaStyle s;
    const Qt::Alignment a = f.alignment();
    if (a & Qt::AlignHCenter)
        s.align = ParaStyle::Center;
    else if (a & Qt::AlignJustify)
        s.align = ParaStyle::Justify;
    else if (a & (Qt::AlignRight))
        s.align = ParaStyle::Right;
    auto tw = [](double px) { return int(std::lround(px * kTwipsPerPixel)); };
    s.leftIndent = tw(f.leftMargin());
    s.rightIndent = tw(f.rightMargin());
    s.firstIndent = tw(f.textIndent());
    s.spaceBefore = tw(f.topMargin());
    s.spaceAfter = tw(f.bottomMargin());
    return s;
}

double pointSizeOf(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72.0 / 96.0;
    return 10;
}

CharStyle charStyleOf(const QFont &font, const QColor &color)
{
    CharStyle s;
    s.family = font.family();
    s.pointSize = pointSizeOf(font);
    s.bold = font.weight() >= QFont::DemiBold;
    s.italic = font.italic();
    s.underline = font.underline();
    s.strikeOut = font.strikeOut();
    s.color = color;
    return s;
}

QFont fontOf(const CharStyle &s, const QFont &base)
{
    QFont f = base;
    if (!s.family.isEmpty())
        f.setFamilies(QStringList{s.family});
    if (s.pointSize > 0)
        f.setPointSizeF(s.pointSize);
    f.setBold(s.bold);
    f.setItalic(s.italic);
    f.setUnderline(s.underline);
    f.setStrikeOut(s.strikeOut);
    return f;
}

} // namespace platform::rtf
