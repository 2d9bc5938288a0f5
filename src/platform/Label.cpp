#include "platform/Label.h"

#include "platform/Application.h"
#include "platform/Clicks.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QStringList>
#include <QTextBoundaryFinder>

namespace platform {

namespace {
QString displayText(const QString &caption)
{
    QString s = caption;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}
} // namespace

Label::Label(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    setMouseTracking(true);
}

Label::Label(const QString &caption, QWidget *parent) : Label(parent)
{
    setCaption(caption);
}

void Label::setCaption(const QString &caption)
{
    m_caption = caption;
    setText(displayText(caption));
    fitToCaption();
}

void Label::setFontColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

QColor Label::fontColor() const
{
    return palette().color(QPalette::WindowText);
}

void Label::setAutoSize(bool on)
{
    m_autoSize = on;
    fitToCaption();
}

void Label::setWordWrap(bool on)
{
    QLabel::setWordWrap(on);
    fitToCaption();
}

QSize Label::captionSize() const
{
    const QFontMetrics fm(font());
    QString text = displayText(m_caption);
    if (text.isEmpty())
        text = QStringLiteral(" ");
    int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
    QRect bounds(0, 0, 100000, 100000);
    if (wordWrap()) {
        flags |= Qt::TextWordWrap;
        bounds.setWidth(qMax(1, width()));
    }
    const QRect r = fm.boundingRect(bounds, flags, text);
    // Trailing blanks count in the width, as the caption is drawn with them.
    int w = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        w = qMax(w, fm.horizontalAdvance(line));
    return QSize(wordWrap() ? width() : qMax(w, r.width()), r.height());
}

void Label::fitToCaption()
{
    if (!m_autoSize)
        return;
    resize(captionSize());
}

namespace {
// Adds a wrapped paragraph's lines to `out` (which held `before` lines), at least one, greedily: each word goes on the line with the
// blanks before it while it fits; a word that does not is moved to a new line, its blanks
// dropped at the break; a word wider than the whole width is cut between characters. Each
// character is measured a bounded number of times, so the time is linear in the text.
void wrapParagraph(const QString &paragraph, const QFontMetricsF &fm, qreal room, QStringList &out, qsizetype before)
{
    QString line;
    qreal used = 0;
    bool hasWord = false; // the line holds more than blanks
    auto endLine = [&] {
        out << line;
        line.clear();
        used = 0;
        hasWord = false;
    };
    // Cuts a text too wide for the room between its characters (never within a character).
    auto cut = [&](const QString &piece) {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, piece);
        qsizetype from = 0;
        for (qsizetype to = finder.toNextBoundary(); to > 0; from = to, to = finder.toNextBoundary()) {
            const qreal a = to - from == 1 ? fm.horizontalAdvance(piece.at(from))
                                           : fm.horizontalAdvance(piece.mid(from, to - from));
            if (used + a > room && !line.isEmpty())
                endLine();
            line += QStringView(piece).mid(from, to - from);
            used += a;
            hasWord = true;
        }
    };
    const qsizetype n = paragraph.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype j = i;
        while (j < n && paragraph.at(j) == QLatin1Char(' '))
            ++j;
        qsizetype k = j;
        while (k < n && paragraph.at(k) != QLatin1Char(' '))
            ++k;
        const QString blanks = paragraph.mid(i, j - i);
        const QString word = paragraph.mid(j, k - j);
        i = k;
        const qreal wb = fm.horizontalAdvance(blanks);
        const qreal ww = word.isEmpty() ? 0 : fm.horizontalAdvance(word);
        if (used + wb + ww <= room) {
            line += blanks + word;
            used += wb + ww;
            hasWord = hasWord || !word.isEmpty();
        } else if (word.isEmpty()) {
            // Blanks at the end of the paragraph that do not fit are not drawn.
        } else if (hasWord && ww <= room) {
            endLine();
            line = word;
            used = ww;
            hasWord = true;
        } else if (hasWord) {
            endLine();
            cut(word);
        } else {
            cut(blanks + word); // the paragraph's first word, with the blanks that lead it
        }
    }
    if (!line.isEmpty() || out.size() == before)
        out << line;
}
} // namespace

QString wrapToWidth(const QString &text, const QFont &font, int width)
{
    const QFontMetricsF fm(font);
    QStringList out;
    for (const QString &paragraph : displayText(text).split(QLatin1Char('\n')))
        wrapParagraph(paragraph, fm, qMax(1, width), out, out.size());
    return out.join(QLatin1Char('\r'));
}

void Label::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToCaption();
}

void Label::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    clicks::press(event, m_pressed);
}

void Label::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (clicks::release(this, event, m_pressed))
        guarded([this] { emit clicked(); });
}

void Label::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    event->accept(); // the move is over this label only, not over what lies beneath
    guarded([this] { emit mouseMoved(); });
}

} // namespace platform
