#include "support/EngineTables.h"

#include "platform/Application.h"
#include "platform/DBEdit.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/DBText.h"
#include "platform/DataSource.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

using testsupport::addCard;
using testsupport::card;

namespace {

// Typed into a widget as a key press with text.
void type(QWidget *w, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

void key(QWidget *w, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers);
    QCoreApplication::sendEvent(w, &press);
}

} // namespace

class DataControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::clearErrorReports();
        testsupport::openNewCardTable(table, dir.path().string(), "Cartas", 10);
        const char *questions[] = {"uno", "dos", "tres", "cuatro", "cinco"};
        for (int i = 0; i < 5; ++i) {
            auto c = card(1, i);
            c.question = questions[i];
            c.key = "k" + std::to_string(i);
            ids.push_back(addCard(table, c));
        }
        table.first();
        source.setDataSet(&table);
    }
    void TearDown() override
    {
        EXPECT_TRUE(platform::errorReports().isEmpty()) << platform::errorReports().join(" | ").toStdString();
        platform::clearErrorReports();
    }
    std::string question() { return table.fieldByName("Preg_Text").asString(); }
    template <class Control> void bind(Control &c, const char *field)
    {
        c.setDataSource(&source);
        c.setDataField(field);
    }

    testsupport::TempDir dir;
    engine::Table table;
    platform::DataSource source;
    std::vector<long long> ids;
};

// ---- Label ----

TEST_F(DataControlsTest, ALabelFollowsTheCursorEditsClosingAndTheDataSet)
{
    platform::DBText text;
    bind(text, "Preg_Text");
    EXPECT_EQ(text.caption(), "uno");
    table.next();
    EXPECT_EQ(text.caption(), "dos");
    table.edit();
    table.fieldByName("Preg_Text").setAsString("DOS");
    EXPECT_EQ(text.caption(), "DOS");
    table.cancel();
    EXPECT_EQ(text.caption(), "dos");
    table.close();
    EXPECT_EQ(text.caption(), "");
    table.open();
    EXPECT_EQ(text.caption(), "uno");
    // Replacing the data set shows the new one at once.
    source.setDataSet(nullptr);
    EXPECT_EQ(text.caption(), "");
    source.setDataSet(&table);
    EXPECT_EQ(text.caption(), "uno");
    // A number, and an empty view.
    platform::DBText level;
    bind(level, "Nive_Impo");
    table.last();
    EXPECT_EQ(level.caption(), "4");
    table.setFilter("Nive_Fich = 9");
    table.setFiltered(true);
    EXPECT_EQ(level.caption(), "");
}

// ---- Edit ----

TEST_F(DataControlsTest, AnEditWritesBackOnPostOrAMoveAndCancelBringsTheStoredTextBack)
{
    platform::DBEdit edit;
    bind(edit, "Preg_Text");
    EXPECT_EQ(edit.maxLength(), 10); // the field's width
    type(&edit, "!");
    EXPECT_EQ(table.state(), engine::Table::State::Edit);
    table.post();
    table.close();
    table.open();
    EXPECT_EQ(edit.text(), "uno!");

    type(&edit, "x"); // a move while editing posts what the edit holds
    table.next();
    EXPECT_EQ(edit.text(), "dos");
    type(&edit, "zz");
    table.cancel();
    EXPECT_EQ(edit.text(), "dos");
    EXPECT_EQ(question(), "dos");
    table.first();
    EXPECT_EQ(question(), "uno!x");

    table.next();
    edit.setMaxLength(4); // a chosen length, kept across moves
    edit.end(false);
    type(&edit, "abc");
    table.post();
    EXPECT_EQ(question(), "dosa");
    table.next();
    EXPECT_EQ(edit.maxLength(), 4);
}

TEST_F(DataControlsTest, ANumberEditTakesDigitsOnly)
{
    platform::DBEdit edit;
    bind(edit, "Nive_Impo");
    table.last();
    EXPECT_EQ(edit.text(), "4");
    edit.end(false);
    type(&edit, "a7b");
    EXPECT_EQ(edit.text(), "47");
    table.post();
    EXPECT_EQ(table.fieldByName("Nive_Impo").asInteger(), 47);

    edit.selectAll();
    type(&edit, "-");
    EXPECT_EQ(table.fieldByName("Nive_Impo").asInteger(), 47); // a lone sign is not written
    type(&edit, "3");
    table.post();
    EXPECT_EQ(table.fieldByName("Nive_Impo").asInteger(), -3);
}

TEST_F(DataControlsTest, AnEditIsReadOnlyOnAutoIncAndOnAClosedTable)
{
    platform::DBEdit id;
    bind(id, "AutoInc");
    EXPECT_TRUE(id.isReadOnly());
    EXPECT_EQ(id.text(), QString::number(ids[0]));
    platform::DBEdit edit;
    bind(edit, "Preg_Text");
    table.close();
    EXPECT_TRUE(edit.isReadOnly());
    EXPECT_EQ(edit.text(), "");
}

TEST_F(DataControlsTest, TypingIntoAnEmptyViewInsertsARecord)
{
    table.setFilter("Nive_Fich = 5");
    table.setFiltered(true);
    platform::DBEdit level;
    bind(level, "Nive_Fich");
    platform::DBEdit edit;
    bind(edit, "Preg_Text");
    type(&level, "5");
    EXPECT_EQ(table.state(), engine::Table::State::Insert);
    type(&edit, "nueva");
    table.post();
    EXPECT_EQ(table.recordCount(), 1u);
    EXPECT_EQ(question(), "nueva");
}

// ---- Navigator ----

TEST_F(DataControlsTest, TheNavigatorMovesAndEnablesItsButtons)
{
    platform::DBNavigator nav;
    using B = platform::DBNavigator;
    nav.setDataSource(&source);
    auto enabled = [&] {
        return std::vector<bool>{nav.button(B::First)->isEnabled(), nav.button(B::Prior)->isEnabled(),
                                 nav.button(B::Next)->isEnabled(), nav.button(B::Last)->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true}));
    platform::DBEdit edit;
    bind(edit, "Preg_Text");
    type(&edit, "?"); // posted before the move
    nav.button(B::Next)->click();
    EXPECT_EQ(question(), "dos");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
    nav.button(B::Last)->click();
    EXPECT_EQ(question(), "cinco");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false}));
    nav.button(B::Prior)->click();
    EXPECT_EQ(question(), "cuatro");
    nav.button(B::First)->click();
    EXPECT_EQ(question(), "uno?");
    table.close();
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false}));
}

// ---- Grid ----

class DataGridTest : public DataControlsTest {
protected:
    void SetUp() override
    {
        DataControlsTest::SetUp();
        grid.resize(500, 300);
        grid.setDataSource(&source);
        grid.setColumns({{"Nive_Impo", "Niv. Imp.", 74}, {"Clav_Fich", "Clave", 74}, {"Preg_Text", "Pregunta", 300}});
    }
    QString cell(int row, int column) { return grid.model()->index(row, column).data().toString(); }
    void clickAt(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QRect r = grid.visualRect(grid.model()->index(row, 2));
        QMouseEvent press(QEvent::MouseButtonPress, r.center(), grid.viewport()->mapToGlobal(r.center()),
                          Qt::LeftButton, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(grid.viewport(), &press);
    }
    platform::DBGrid grid;
};

TEST_F(DataGridTest, ShowsTheViewWithTheChosenColumns)
{
    EXPECT_EQ(grid.model()->rowCount(), 5);
    EXPECT_EQ(cell(0, 2), "uno");
    EXPECT_EQ(cell(4, 0), "4");
    EXPECT_EQ(cell(3, 1), "k3");
    table.setFilter("Nive_Impo >= 3");
    table.setFiltered(true);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_EQ(cell(0, 2), "cuatro");
    EXPECT_EQ(grid.columnWidth(2), 300);
}

TEST_F(DataGridTest, TheCurrentRowFollowsTheCursorBothWaysAndShowsTheEditBuffer)
{
    table.edit();
    table.fieldByName("Preg_Text").setAsString("UNO");
    EXPECT_EQ(cell(0, 2), "UNO");
    table.cancel();
    EXPECT_EQ(cell(0, 2), "uno");
    EXPECT_EQ(grid.currentIndex().row(), 0);
    table.moveBy(3);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    clickAt(1);
    EXPECT_EQ(question(), "dos");
    EXPECT_EQ(grid.currentIndex().row(), 1);
    key(&grid, Qt::Key_Down);
    EXPECT_EQ(question(), "tres");
    key(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(question(), "cinco");
}

TEST_F(DataGridTest, CtrlClickFlagsWholeRowsAndAPlainClickDropsThem)
{
    clickAt(1, Qt::ControlModifier);
    clickAt(3, Qt::ControlModifier);
    EXPECT_EQ(grid.selectedBookmarks(), (std::vector<std::int64_t>{ids[1], ids[3]}));
    EXPECT_TRUE(grid.currentRowSelected());
    EXPECT_EQ(grid.model()->index(3, 0).data(Qt::BackgroundRole).value<QBrush>(),
              grid.palette().brush(QPalette::Highlight));
    clickAt(3, Qt::ControlModifier);
    EXPECT_EQ(grid.selectedBookmarks(), (std::vector<std::int64_t>{ids[1]}));
    EXPECT_FALSE(grid.currentRowSelected());
    clickAt(4, Qt::ShiftModifier);
    EXPECT_EQ(grid.selectedBookmarks(), (std::vector<std::int64_t>{ids[1], ids[3], ids[4]}));
    table.setFilter("Nive_Impo <= 3"); // the flags follow their records through filters
    table.setFiltered(true);
    EXPECT_EQ(grid.selectedBookmarks(), (std::vector<std::int64_t>{ids[1], ids[3]}));
    table.setFiltered(false);
    EXPECT_EQ(grid.selectedCount(), 3);
    clickAt(0);
    EXPECT_TRUE(grid.selectedBookmarks().empty());
    EXPECT_EQ(question(), "uno");
}

TEST_F(DataGridTest, DeletingTheFlaggedRows)
{
    clickAt(0, Qt::ControlModifier);
    clickAt(2, Qt::ControlModifier);
    clickAt(4, Qt::ControlModifier);
    grid.deleteSelectedRows();
    EXPECT_EQ(testsupport::viewIds(table), (std::vector<long long>{ids[1], ids[3]}));
    EXPECT_TRUE(grid.selectedBookmarks().empty());
    EXPECT_EQ(grid.model()->rowCount(), 2);
    table.close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.currentRow(), -1);
}

TEST_F(DataGridTest, ADoubleClickIsSignalled)
{
    int clicks = 0;
    QObject::connect(&grid, &platform::DBGrid::rowDoubleClicked, [&] { ++clicks; });
    const QPoint at = grid.visualRect(grid.model()->index(2, 0)).center();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid.viewport(), &dbl);
    EXPECT_EQ(clicks, 1);
}
