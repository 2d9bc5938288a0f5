#pragma once
// The radio group control: a framed group of radio buttons in one or more columns, of which
// at most one is chosen. itemIndex() is the chosen item (-1 when none); changed() is
// signalled whenever it changes, by a click or by setItemIndex, as the group's click event.
#include <QButtonGroup>
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

namespace platform {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    int itemIndex() const { return m_index; }
    // Checks the item (or none for -1); signals changed() when the choice changes.
    void setItemIndex(int index);
    void setColumns(int columns);
    QRadioButton *button(int index) const { return m_buttons.value(index); }
    int count() const { return int(m_buttons.size()); }

signals:
    void changed();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void place();

    QButtonGroup m_group;
    QList<QRadioButton *> m_buttons;
    int m_index = -1;
    int m_columns = 1;
};

} // namespace platform
