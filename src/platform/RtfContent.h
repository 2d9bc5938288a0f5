#pragma once
// The content of a rich-text document as the RTF reader produces it and the writer takes it:
// paragraphs of runs of text in one character style. Independent of QTextDocument, so that
// line buffers are read and written without building a document.
#include <QColor>
#include <QList>
#include <QString>

namespace platform::rtf {

struct CharStyle {
    QString family;       // empty: the document's default font
    double pointSize = 0; // 0: the default size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color;      // invalid: automatic (the text colour)
    QColor background; // invalid: none
    int vertical = 0;  // 1 superscript, -1 subscript

    bool operator==(const CharStyle &) const = default;
};

struct ParaStyle {
    enum Align { Left, Center, Right, Justify };
    // A list paragraph shows a marker before its text: a bullet, or its number in the run of
    // paragraphs of the same kind.
    enum List { NoList, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };
    Align align = Left;
    List list = NoList;
    int leftIndent = 0; // twips (1/1440 inch)
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;

    bool operator==(const ParaStyle &) const = default;
};

struct Run {
    QString text;
    CharStyle style;
};

struct Paragraph {
    ParaStyle para;
    QList<Run> runs;
    CharStyle markStyle; // the style of the paragraph mark: what an empty paragraph shows

    QString text() const;
};

// Paragraphs in the order of the stream. Every paragraph mark ends one paragraph, so a
// stream with n marks has n + 1 paragraphs; the last holds what follows the last mark and
// is empty when the stream ends with a mark. Never empty.
struct Content {
    QList<Paragraph> paragraphs{Paragraph{}};
};

// A line buffer as paragraphs: each line one paragraph, then the empty last one.
Content contentFromLines(const QStringList &lines);

// The lines of content as a rich edit counts them: one per paragraph, a soft line break
// (U+2028) also starting a line, and an empty last paragraph not counted.
QStringList linesOfContent(const Content &content);
// Appends the lines of one paragraph's text: one, or more when it holds soft line breaks.
void appendLinesOfParagraph(QStringList &lines, const QString &text);

} // namespace platform::rtf
