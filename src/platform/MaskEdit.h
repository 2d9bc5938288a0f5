#pragma once
// The masked edit: a one-line edit whose text follows an edit mask such as "999;1;_".
//
// The mask's first part holds one character per position: '9' an optional digit, '0' a
// required digit, '/' the system's date separator (platform::clock::dateSeparator() when the
// mask is set), any other character a literal; a leading '!' is accepted and ignored. The last
// part is the character shown in an empty position. text() reads the edit as the class
// library does: every position, an empty one as a blank ("20 " for "20_"), the literals in
// place, so an empty "!99/99/00;1;_" reads "  /  /  ". Setting the same mask again keeps the
// text.
#include <QLineEdit>
#include <QString>

namespace platform {

class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(QWidget *parent = nullptr);

    void setEditMask(const QString &mask);
    QString editMask() const { return m_mask; }

    QString text() const;
    void setText(const QString &text);
    // Every position empty.
    bool isBlank() const;

signals:
    // The focus left the edit (OnExit).
    void exited();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The first position still empty (-1 when every position is filled).
    int firstEmptyPosition() const;
    void keepCaretAtFirstEmpty();

    QString m_mask;
    QString m_empty; // text() of the empty edit
    QChar m_blank = QLatin1Char('_');
};

} // namespace platform
