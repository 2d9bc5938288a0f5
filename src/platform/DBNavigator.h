#pragma once
// A navigator on a data source: the buttons first, prior, next and last move the data set's
// cursor. First and prior are disabled at the beginning of the view, next and last at its
// end, all four while the data set is closed or empty. A move from an edit or insert first
// posts or cancels the record as the data set does. BeforeAction, when set, runs before each
// move and may keep the cursor where it is by returning false.
#include "platform/DataSource.h"

#include <QPointer>
#include <QToolButton>
#include <QWidget>

#include <functional>

namespace platform {

class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last };

    explicit DBNavigator(QWidget *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_link.source(); }

    QToolButton *button(Button which) const { return m_buttons[which]; }
    // Performs the button's move (as a click does when the button is enabled).
    void btnClick(Button which);

    std::function<bool(Button which)> BeforeAction;

signals:
    void clicked(platform::DBNavigator::Button which);

protected:
    void changeEvent(QEvent *event) override;

private:
    void refresh();

    DataLink m_link;
    QToolButton *m_buttons[4];
};

} // namespace platform
