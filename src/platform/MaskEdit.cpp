#include "platform/MaskEdit.h"

#include "platform/Clock.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace platform {

MaskEdit::MaskEdit(QWidget *parent) : QLineEdit(parent) {}

void MaskEdit::setEditMask(const QString &mask)
{
    if (mask == m_mask)
        return;
    const QString before = m_mask.isEmpty() ? QString() : text();
    m_mask = mask;
    const QStringList parts = mask.split(QLatin1Char(';'));
    m_blank = parts.size() >= 3 && !parts[2].isEmpty() ? parts[2].at(0) : QLatin1Char('_');
    // Qt's mask letters for digits are the other way round: '0' optional, '9' required.
    QString qtMask;
    m_empty.clear();
    for (QChar c : parts.value(0)) {
        if (c == QLatin1Char('!'))
            continue;
        if (c == QLatin1Char('9') || c == QLatin1Char('0')) {
            qtMask += c == QLatin1Char('9') ? QLatin1Char('0') : QLatin1Char('9');
            m_empty += QLatin1Char(' ');
            continue;
        }
        const QChar literal = c == QLatin1Char('/') ? clock::dateSeparator() : c;
        qtMask += QLatin1Char('\\') + QString(literal);
        m_empty += literal;
    }
    setInputMask(qtMask + QLatin1Char(';') + m_blank);
    if (!before.isEmpty())
        setText(before);
}

bool MaskEdit::isBlank() const
{
    return m_mask.isEmpty() ? QLineEdit::text().isEmpty() : text() == m_empty;
}

QString MaskEdit::text() const
{
    if (m_mask.isEmpty())
        return QLineEdit::text();
    QString shown = displayText();
    for (QChar &c : shown)
        if (c == m_blank)
            c = QLatin1Char(' ');
    return shown;
}

void MaskEdit::setText(const QString &text)
{
    if (m_mask.isEmpty()) {
        QLineEdit::setText(text);
        return;
    }
    // A blank stays an empty position where it stands.
    QString t = text;
    for (QChar &c : t)
        if (c == QLatin1Char(' '))
            c = m_blank;
    QLineEdit::setText(t);
}

int MaskEdit::firstEmptyPosition() const
{
    const QString shown = displayText();
    for (int i = 0; i < shown.size() && i < m_empty.size(); ++i)
        if (shown.at(i) == m_blank && m_empty.at(i) == QLatin1Char(' '))
            return i;
    return -1;
}

void MaskEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    keepCaretAtFirstEmpty();
}

void MaskEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    keepCaretAtFirstEmpty();
}

// A click past the first empty position puts the caret there, where typing fills in; a click
// on the digits already typed keeps its place, to change them.
void MaskEdit::keepCaretAtFirstEmpty()
{
    if (m_mask.isEmpty() || hasSelectedText())
        return;
    const int first = firstEmptyPosition();
    if (first >= 0 && cursorPosition() > first)
        setCursorPosition(first);
}

void MaskEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    emit exited();
}

} // namespace platform
