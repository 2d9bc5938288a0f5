// Transactions of a table: many posts and deletes committed together, or none of them.
#include <gtest/gtest.h>

#include "engine/BatchMove.h"
#include "support/EngineTables.h"

using namespace testsupport;
using engine::EngineError;
using engine::Table;
using engine::Transaction;

namespace {

class Transactions : public ::testing::Test {
protected:
    void SetUp() override
    {
        openNewCardTable(table, dir.path().string(), "X");
        for (int level : {1, 2, 3, 0})
            addCard(table, card(level));
        table.setFilter(" (Nive_fich <> 0 ) ");
        table.setFiltered(true);
    }
    // The levels of the whole table as another holder reads them.
    std::vector<int> levelsOnDisk()
    {
        Table other;
        other.setTableName(dir.file("X.DB"));
        other.open();
        std::vector<int> levels;
        for (other.first(); !other.eof(); other.next())
            levels.push_back(other.fieldByName("Nive_Fich").asInteger());
        return levels;
    }
    // Raises every card of the view to level 5 and deletes the first card of the view.
    void changeEverything()
    {
        for (long long id : viewIds(table)) {
            table.gotoBookmark(id);
            table.edit();
            table.fieldByName("Nive_Fich").setAsInteger(5);
            table.post();
        }
        table.first();
        table.deleteRecord();
    }
    TempDir dir;
    Table table;
};

TEST_F(Transactions, CommitKeepsEveryChangeAndOthersSeeThemOnlyThen)
{
    Transaction tx(table);
    EXPECT_TRUE(table.inTransaction());
    changeEverything();
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 2, 3})); // not yet committed
    tx.commit();
    EXPECT_FALSE(table.inTransaction());
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 5, 5}));
    EXPECT_EQ(table.recordCount(), 2u);
}

TEST_F(Transactions, RollbackByGuardCloseOrCallLeavesTableAndViewAsBefore)
{
    const std::vector<long long> before = viewIds(table);
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        if (way == 0) {
            try {
                Transaction tx(table);
                changeEverything();
                table.edit();
                table.fieldByName("Nive_Fich").setAsInteger(7); // pending edit dropped too
                throw std::runtime_error("half way");
            } catch (const std::runtime_error &) {
            }
        } else if (way == 1) {
            table.startTransaction();
            changeEverything();
            table.close();
            table.open();
        } else {
            table.startTransaction();
            changeEverything();
            table.rollback();
        }
        EXPECT_FALSE(table.inTransaction());
        EXPECT_EQ(table.state(), Table::State::Browse);
        EXPECT_EQ(viewIds(table), before);
        EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 2, 3}));
    }
}

TEST_F(Transactions, MisuseIsRefusedAndBatchMovesJoinTheTransaction)
{
    EXPECT_THROW(table.commit(), EngineError);
    table.startTransaction();
    EXPECT_THROW(table.startTransaction(), EngineError);

    Table source;
    openNewCardTable(source, dir.path().string(), "S");
    addCard(source, card(4));
    engine::BatchMove move;
    move.setSource(&source);
    move.setDestination(&table);
    EXPECT_EQ(move.execute(), 1u);
    EXPECT_EQ(table.recordCount(), 4u);
    table.rollback();
    EXPECT_EQ(table.recordCount(), 3u);
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 2, 3}));

    Table closed;
    EXPECT_THROW(closed.startTransaction(), EngineError);
}

TEST_F(Transactions, OneFieldOfTheWholeViewInOneGo)
{
    table.setFilter("Camp_Logi = true or Nive_Fich >= 2");
    table.first();
    EXPECT_EQ(table.setFieldOfView("Camp_Logi", engine::Value::ofInteger(1)), 2u);
    EXPECT_EQ(table.recordCount(), 2u);
    table.setFilter("Camp_Logi = true");
    EXPECT_EQ(table.recordCount(), 2u); // the view it named changed: rebuilt, the same two
    {
        Transaction tx(table);
        EXPECT_EQ(table.setFieldOfView("Nive_Fich", engine::Value::ofInteger(0)), 2u);
        EXPECT_EQ(table.recordCount(), 2u);
        EXPECT_THROW(table.setFieldOfView("Nive_Fich", engine::Value::ofBytes("x")), EngineError);
        EXPECT_THROW(table.setFieldOfView("AutoInc", engine::Value::ofInteger(3)), EngineError);
    } // rolled back
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 2, 3}));
    table.setFieldOfView("Clav_Fich", engine::Value::ofBytes("una clave de más de quince"));
    table.first();
    EXPECT_EQ(table.fieldByName("Clav_Fich").asString(), "una clave de má");
}

} // namespace
