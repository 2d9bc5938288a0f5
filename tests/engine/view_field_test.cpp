// One field of every record of the view set in one go, and batch moves inside a transaction.
#include <gtest/gtest.h>

#include "engine/BatchMove.h"
#include "engine/Transaction.h"
#include "support/EngineTables.h"

using namespace testsupport;
using engine::EngineError;
using engine::Table;
using engine::Transaction;
using engine::Value;

namespace {

class ViewField : public ::testing::Test {
protected:
    void SetUp() override
    {
        openNewCardTable(table, dir.path().string(), "X");
        for (int level : {1, 2, 3, 0})
            addCard(table, card(level));
        table.setFilter("Camp_Logi = true or Nive_Fich >= 2");
        table.setFiltered(true);
    }
    std::vector<int> levelsOnDisk() { return levelsInFile(dir.file("X.DB")); }
    TempDir dir;
    Table table;
};

TEST_F(ViewField, EveryRecordOfTheViewAndNoOther)
{
    table.last();
    const std::int64_t current = table.bookmark();
    EXPECT_EQ(table.setFieldOfView("Camp_Logi", Value::ofInteger(1)), 2u);
    EXPECT_EQ(table.bookmark(), current); // the view it filters on was rebuilt, the cursor kept
    table.setFilter("Camp_Logi = true");
    EXPECT_EQ(table.recordCount(), 2u);

    table.setFieldOfView("Clav_Fich", Value::ofBytes("una clave de más de quince"));
    table.first();
    EXPECT_EQ(table.fieldByName("Clav_Fich").asString(), "una clave de má");

    EXPECT_THROW(table.setFieldOfView("Nive_Fich", Value::ofBytes("x")), EngineError);
    EXPECT_THROW(table.setFieldOfView("Nive_Fich", Value::ofInteger(40000)), EngineError);
    EXPECT_THROW(table.setFieldOfView("Camp_Logi", Value::ofInteger(2)), EngineError);
    EXPECT_THROW(table.setFieldOfView("AutoInc", Value::ofInteger(3)), EngineError);
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ViewField, InsideATransactionItAndBatchMovesGoBackWithIt)
{
    Table source;
    openNewCardTable(source, dir.path().string(), "S");
    addCard(source, card(4));
    {
        Transaction tx(table);
        EXPECT_EQ(table.setFieldOfView("Nive_Fich", Value::ofInteger(0)), 2u);
        EXPECT_EQ(table.recordCount(), 0u);
        engine::BatchMove move;
        move.setSource(&source);
        move.setDestination(&table);
        EXPECT_EQ(move.execute(), 1u);
        EXPECT_EQ(table.recordCount(), 1u);
    } // not committed
    EXPECT_EQ(table.recordCount(), 2u);
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 2, 3}));
    {
        Transaction tx(table);
        table.setFieldOfView("Nive_Fich", Value::ofInteger(5));
        tx.commit();
    }
    EXPECT_EQ(levelsOnDisk(), (std::vector<int>{0, 1, 5, 5}));
}

} // namespace
