#pragma once
// The masked edit: a one-line edit whose text follows an edit mask in the class library's
// notation "<mask>;<keep literals>;<blank character>", e.g. "!99/99/00;1;_":
//   9  an optional digit        0  a required digit
//   /  the system's date separator (platform::clock::dateSeparator() when the mask is set)
//   !  (leading) accepted and ignored        any other character: a literal
// The edit shows the blank character in each empty position; maskText() reads every
// position, an empty one as a blank, with the literals in place: an empty "!99/99/00;1;_"
// reads "  /  /  " (with '/' as the separator), an empty "999;1;_" reads three blanks.
#include <QLineEdit>
#include <QString>

namespace platform {

class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(QWidget *parent = nullptr);

    void setEditMask(const QString &mask);
    QString editMask() const { return m_mask; }

    // The text as the class library reads it (see above); without a mask, the plain text.
    QString maskText() const;
    // Puts a text in, position by position (a blank leaves a position empty).
    void setMaskText(const QString &text);
    // Every position empty.
    bool isBlank() const;

private:
    QString m_mask;
    QString m_empty; // maskText() of the empty edit
    QChar m_blank = QLatin1Char('_');
};

} // namespace platform
