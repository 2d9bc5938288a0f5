#pragma once
// The radio group: a framed caption over radio buttons, one per item, in one or more columns
// (the items run down the first column, then the next), of which one (or none, -1) is chosen.
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
    // Checks the item (none for -1); signals changed() when the choice changes.
    void setItemIndex(int index);
    void setColumns(int columns);
    QRadioButton *button(int index) const { return m_buttons.value(index); }

signals:
    // The user chose an item.
    void clicked();
    // The chosen item changed, by the user or by setItemIndex: the group's click event.
    void changed();

private:
    void place();

    QList<QRadioButton *> m_buttons;
    int m_columns = 1;
    int m_index = -1;
};

} // namespace platform
