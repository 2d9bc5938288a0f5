#include "platform/Label.h"

#include "platform/Application.h"
#include "platform/Clicks.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QStringList>
#include <QTextLayout>

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

QString wrapToWidth(const QString &text, const QFont &font, int width)
{
    QStringList out;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString &paragraph : displayText(text).split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        bool any = false;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(qMax(1, width));
            QString piece = paragraph.mid(line.textStart(), line.textLength());
            // The blank where a line was broken is not drawn at its end.
            if (line.textStart() + line.textLength() < paragraph.size())
                while (piece.endsWith(QLatin1Char(' ')))
                    piece.chop(1);
            out << piece;
            any = true;
        }
        layout.endLayout();
        if (!any)
            out << QString();
    }
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
