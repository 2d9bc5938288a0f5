#include "platform/DBGrid.h"

#include "platform/Application.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace platform {

class DBGridModel : public QAbstractTableModel {
public:
    explicit DBGridModel(DBGrid *grid) : QAbstractTableModel(grid), m_grid(grid) {}

    std::vector<DBGridColumn> columns;
    std::vector<int> fieldIndexes; // -1: no such field
    bool titlesCentred = true;

    engine::Table *table() const
    {
        DataSource *s = m_grid->dataSource();
        return s ? s->activeDataSet() : nullptr;
    }

    void reset()
    {
        beginResetModel();
        fieldIndexes.clear();
        engine::Table *t = table();
        for (const DBGridColumn &c : columns) {
            engine::Field *f = t ? t->findField(c.fieldName.toStdString()) : nullptr;
            fieldIndexes.push_back(f ? f->index() : -1);
        }
        m_rows = t ? int(t->recordCount()) : 0;
        endResetModel();
    }

    void rowChanged(int row)
    {
        if (row >= 0 && row < m_rows)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(columns.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        engine::Table *t = table();
        if (!t || !index.isValid() || index.row() >= int(t->recordCount()))
            return {};
        const std::size_t row = std::size_t(index.row());
        switch (role) {
        case Qt::DisplayRole: {
            const int fi = fieldIndexes[std::size_t(index.column())];
            if (fi < 0)
                return QString();
            // The record being edited shows what its edit buffer holds.
            if (t->state() == engine::Table::State::Edit && t->recNo() == row + 1)
                return QString::fromStdString(t->field(fi).asString());
            return QString::fromStdString(t->peekAsString(row, fi));
        }
        case Qt::BackgroundRole:
            if (m_grid->isSelected(t->peekBookmark(row)))
                return m_grid->palette().brush(QPalette::Highlight);
            return {};
        case Qt::ForegroundRole:
            if (m_grid->isSelected(t->peekBookmark(row)))
                return m_grid->palette().brush(QPalette::HighlightedText);
            return {};
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= int(columns.size()))
            return {};
        if (role == Qt::DisplayRole)
            return columns[std::size_t(section)].title;
        if (role == Qt::TextAlignmentRole)
            return int((titlesCentred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        return {};
    }

private:
    DBGrid *m_grid;
    int m_rows = 0;
};

DBGrid::DBGrid(QWidget *parent) : QTableView(parent), m_model(new DBGridModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
}

DBGrid::~DBGrid() = default;

void DBGrid::setDataSource(DataSource *source)
{
    m_link.bind(this, source, [this](engine::Table::Event e, int f) { onTableEvent(e, f); });
    m_model->reset();
    followCursor();
}

void DBGrid::setColumns(const std::vector<DBGridColumn> &columns)
{
    m_model->columns = columns;
    m_model->reset();
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(int(i), columns[i].width);
    followCursor();
}

const std::vector<DBGridColumn> &DBGrid::columns() const
{
    return m_model->columns;
}

void DBGrid::setTitlesCentred(bool on)
{
    m_model->titlesCentred = on;
    horizontalHeader()->viewport()->update();
}

void DBGrid::onTableEvent(engine::Table::Event event, int)
{
    using E = engine::Table::Event;
    switch (event) {
    case E::Opened:
    case E::Closed:
    case E::DataChanged: {
        // Column widths survive the reset.
        std::vector<int> widths;
        for (int i = 0; i < m_model->columnCount(); ++i)
            widths.push_back(columnWidth(i));
        m_model->reset();
        for (std::size_t i = 0; i < widths.size(); ++i)
            setColumnWidth(int(i), widths[i]);
        followCursor();
        break;
    }
    case E::Scrolled: followCursor(); break;
    case E::StateChanged:
    case E::FieldChanged: m_model->rowChanged(currentRow()); break;
    }
}

int DBGrid::currentRow() const
{
    engine::Table *t = m_model->table();
    if (!t || t->isEmpty())
        return -1;
    const std::size_t n = t->recNo();
    return n == 0 ? -1 : int(n - 1);
}

void DBGrid::followCursor()
{
    const int row = currentRow();
    if (row < 0 || m_model->columnCount() == 0) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex index = m_model->index(row, column);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

// ---- Selected rows ----

std::vector<std::int64_t> DBGrid::selectedBookmarks() const
{
    std::vector<std::int64_t> out;
    engine::Table *t = m_model->table();
    if (!t || m_selected.empty())
        return out;
    const std::size_t n = t->recordCount();
    for (std::size_t row = 0; row < n && out.size() < m_selected.size(); ++row) {
        const std::int64_t b = t->peekBookmark(row);
        if (m_selected.count(b))
            out.push_back(b);
    }
    return out;
}

int DBGrid::selectedCount() const
{
    return int(selectedBookmarks().size());
}

bool DBGrid::isSelected(std::int64_t bookmark) const
{
    return m_selected.count(bookmark) > 0;
}

bool DBGrid::currentRowSelected() const
{
    engine::Table *t = m_model->table();
    return t && !t->isEmpty() && isSelected(t->bookmark());
}

void DBGrid::setCurrentRowSelected(bool selected)
{
    engine::Table *t = m_model->table();
    if (t && !t->isEmpty())
        selectRow(t->bookmark(), selected);
}

void DBGrid::selectRow(std::int64_t bookmark, bool selected)
{
    if (selected)
        m_selected.insert(bookmark);
    else
        m_selected.erase(bookmark);
    viewport()->update();
}

void DBGrid::clearSelection()
{
    m_selected.clear();
    viewport()->update();
}

void DBGrid::deleteSelectedRows()
{
    engine::Table *t = m_model->table();
    if (!t)
        return;
    std::vector<std::int64_t> rows = selectedBookmarks();
    m_selected.clear();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (t->gotoBookmark(*it))
            t->deleteRecord();
    viewport()->update();
}

// ---- Input ----

void DBGrid::clickRow(int row, Qt::KeyboardModifiers modifiers)
{
    engine::Table *t = m_model->table();
    if (!t || row < 0 || row >= int(t->recordCount()))
        return;
    const int from = currentRow();
    if (modifiers & Qt::ControlModifier) {
        const std::int64_t b = t->peekBookmark(std::size_t(row));
        selectRow(b, !isSelected(b));
    } else if (modifiers & Qt::ShiftModifier) {
        const int a = from < 0 ? row : std::min(from, row);
        const int z = from < 0 ? row : std::max(from, row);
        for (int r = a; r <= z; ++r)
            m_selected.insert(t->peekBookmark(std::size_t(r)));
    } else {
        m_selected.clear();
    }
    t->setRecNo(std::size_t(row) + 1);
    viewport()->update();
}

void DBGrid::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        QTableView::mousePressEvent(event);
        return;
    }
    if (index.column() != currentIndex().column())
        selectionModel()->setCurrentIndex(m_model->index(currentIndex().row(), index.column()),
                                          QItemSelectionModel::NoUpdate);
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    guarded([&] { clickRow(index.row(), modifiers); });
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        guarded([this] { emit rowDoubleClicked(); });
}

void DBGrid::keyPressEvent(QKeyEvent *event)
{
    engine::Table *t = m_model->table();
    if (!t) {
        QTableView::keyPressEvent(event);
        return;
    }
    const int page = std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    guarded([&] {
        auto move = [&](auto step) {
            if (shift)
                setCurrentRowSelected(true);
            step();
            if (shift)
                setCurrentRowSelected(true);
        };
        switch (event->key()) {
        case Qt::Key_Up: move([&] { t->prior(); }); break;
        case Qt::Key_Down: move([&] { t->next(); }); break;
        case Qt::Key_PageUp: move([&] { t->moveBy(-page); }); break;
        case Qt::Key_PageDown: move([&] { t->moveBy(page); }); break;
        case Qt::Key_Home:
            if (event->modifiers() & Qt::ControlModifier)
                t->first();
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier)
                t->last();
            break;
        case Qt::Key_Space:
            if (event->modifiers() & Qt::ControlModifier)
                setCurrentRowSelected(!currentRowSelected());
            break;
        default: QTableView::keyPressEvent(event); return;
        }
        event->accept();
    });
}

} // namespace platform
