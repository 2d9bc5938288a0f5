#pragma once
// The masked edit: a one-line edit whose text follows an edit mask such as "999;1;_".
//
// The mask's first part holds one character per position: '9' an optional digit, '0' a
// required digit; the last part is the character shown in an empty position. text() reads the
// edit as the class library does: every position, an empty one as a blank ("20 " for "20_").
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

signals:
    // The focus left the edit (OnExit).
    void exited();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    QString m_mask;
    QChar m_blank = QLatin1Char('_');
};

} // namespace platform
