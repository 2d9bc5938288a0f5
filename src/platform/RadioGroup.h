#pragma once
// The radio group: a framed caption over a column of radio buttons, one per item, of which
// one (or none, -1) is chosen.
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

namespace platform {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(const QString &caption, QWidget *parent = nullptr);

    void setItems(const QStringList &items);
    QStringList items() const;
    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton *button(int index) const { return m_buttons.value(index); }

signals:
    // The user chose an item.
    void clicked();

private:
    QList<QRadioButton *> m_buttons;
};

} // namespace platform
