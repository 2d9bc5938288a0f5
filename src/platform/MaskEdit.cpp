#include "platform/MaskEdit.h"

#include "platform/Clock.h"

namespace platform {

MaskEdit::MaskEdit(QWidget *parent) : QLineEdit(parent) {}

void MaskEdit::setEditMask(const QString &mask)
{
    if (mask == m_mask)
        return; // the text stays
    m_mask = mask;
    const QStringList parts = mask.split(QLatin1Char(';'));
    m_blank = parts.size() > 2 && !parts[2].isEmpty() ? parts[2].at(0) : QLatin1Char('_');
    // Qt's input mask: 0 is an optional digit and 9 a required one, the other way round.
    QString qt;
    m_empty.clear();
    for (QChar c : parts.value(0)) {
        if (c == QLatin1Char('!'))
            continue;
        if (c == QLatin1Char('9') || c == QLatin1Char('0')) {
            qt += c == QLatin1Char('9') ? QLatin1Char('0') : QLatin1Char('9');
            m_empty += QLatin1Char(' ');
            continue;
        }
        const QChar literal = c == QLatin1Char('/') ? clock::dateSeparator() : c;
        qt += QLatin1Char('\\') + QString(literal);
        m_empty += literal;
    }
    const QString before = maskText();
    setInputMask(qt.isEmpty() ? QString() : qt + QLatin1Char(';') + m_blank);
    setMaskText(before);
}

QString MaskEdit::maskText() const
{
    if (inputMask().isEmpty())
        return text();
    QString shown = displayText();
    shown.replace(m_blank, QLatin1Char(' '));
    return shown;
}

void MaskEdit::setMaskText(const QString &text)
{
    if (inputMask().isEmpty()) {
        setText(text);
        return;
    }
    // A blank keeps its position when given as the blank character.
    QString t = text;
    t.replace(QLatin1Char(' '), m_blank);
    setText(t);
}

bool MaskEdit::isBlank() const
{
    return inputMask().isEmpty() ? text().isEmpty() : maskText() == m_empty;
}

} // namespace platform
