#pragma once
// A read-only grid of a data source's view: one row per record, the chosen fields as
// columns, the data set's current record as the grid's current row.
//
// Rows are read on demand (Table::peekAsString) for the rows on screen only, so a view of
// tens of thousands of records shows at once. A click or a cursor key moves the data set's
// cursor; every move of the cursor, from anywhere, moves the grid's current row.
//
// MULTIPLE SELECTION (whole rows, the class library's "selected rows"): Ctrl-click flags or
// unflags a row, Shift-click flags the rows from the current one to the clicked one, a plain
// click drops every flag. Flags are kept by record (bookmark), so they survive re-filtering
// and posts; a flagged record that leaves the view is no longer listed.
#include "platform/DataSource.h"

#include <QPointer>
#include <QTableView>

#include <cstdint>
#include <set>
#include <vector>

namespace platform {

class DBGridModel;

struct DBGridColumn {
    QString fieldName;
    QString title;
    int width = 64;
};

class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget *parent = nullptr);
    ~DBGrid() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_link.source(); }
    void setColumns(const std::vector<DBGridColumn> &columns);
    const std::vector<DBGridColumn> &columns() const;
    // Column titles centred (on) or left (off).
    void setTitlesCentred(bool on);

    // ---- Selected rows ----
    // The flagged records of the view, in the view's order.
    std::vector<std::int64_t> selectedBookmarks() const;
    int selectedCount() const;
    bool isSelected(std::int64_t bookmark) const;
    bool currentRowSelected() const;
    void setCurrentRowSelected(bool selected);
    void selectRow(std::int64_t bookmark, bool selected);
    void clearSelection();
    // Deletes every flagged record of the view, from the last to the first, and empties the
    // list of flags.
    void deleteSelectedRows();

    // The grid row of the data set's current record; -1 without one.
    int currentRow() const;
    // Moves the data set's cursor to the grid row, as a click does (with the modifiers).
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

signals:
    void rowDoubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void onTableEvent(engine::Table::Event event, int field);
    void followCursor();

    DataLink m_link;
    DBGridModel *m_model;
    std::set<std::int64_t> m_selected;
};

} // namespace platform
