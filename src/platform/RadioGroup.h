#pragma once
// A radio group: a framed caption over a column of radio buttons, one of which is chosen.
// itemIndex() is the chosen item (-1 when none); clicked() is sent when the user chooses an
// item and when setItemIndex changes the choice.
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

namespace platform {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton *button(int index) const { return m_buttons.value(index); }

signals:
    void clicked();

private:
    QList<QRadioButton *> m_buttons;
};

} // namespace platform
