#pragma once
// The masked edits whose masks hold only optional digits ("9;1;_", "999;1;_", "9999;1;_",
// "999999"): at most `width` characters, each a decimal digit or a blank, read with the blanks
// where nothing was typed ("10 " for "10" in a three-digit box). Nothing else can be typed
// or pasted; the windows trim the text and convert it themselves.
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace platform {

inline void setDigitMask(QLineEdit *edit, int width)
{
    edit->setMaxLength(width);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9 ]{0,%1}").arg(width)), edit));
}

} // namespace platform
