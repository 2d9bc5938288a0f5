// Batch moves: copying structure and records into a new table, appending one table to another.
#include <gtest/gtest.h>

#include "engine/BatchMove.h"
#include "support/EngineTables.h"

using namespace testsupport;
using engine::BatchMove;
using engine::EngineError;
using engine::Table;

namespace {

class Batch : public ::testing::Test {
protected:
    void SetUp() override
    {
        openNewCardTable(source, folder(), "A");
        for (int level : {0, 1, 2, 0, 3})
            addCard(source, {level, -1, "k" + std::to_string(level), "q", "", "", 0, -1, "blob" + std::to_string(level)});
        source.setFilter(" (Nive_fich <> 0 ) ");
        source.setFiltered(true);
        dest.setDatabaseName(folder());
        dest.setTableName("B");
    }
    std::string folder() const { return dir.path().string(); }
    std::size_t run(BatchMove::Mode mode, std::size_t count = 0, Table *to = nullptr)
    {
        BatchMove m;
        m.setSource(&source);
        m.setDestination(to ? to : &dest);
        m.setMode(mode);
        m.setRecordCount(count);
        return m.execute();
    }
    TempDir dir;
    Table source;
    Table dest;
};

TEST_F(Batch, CopyMakesTheStructureAndTakesRecordsFromTheCurrentOne)
{
    source.setRecNo(2); // the level-2 card of the view
    EXPECT_EQ(run(BatchMove::Mode::Copy, 1), 1u);
    EXPECT_EQ(source.recNo(), 2u); // the source's cursor stays
    dest.open();
    EXPECT_EQ(dest.fieldDefinitions().size(), 17u);
    EXPECT_EQ(dest.fieldByName("Preg_Text").size(), 60);
    EXPECT_EQ(dest.primaryIndexFields(), "Nive_Fich;Nive_Impo;AutoInc");
    ASSERT_EQ(dest.recordCount(), 1u);
    EXPECT_EQ(dest.fieldByName("Nive_Fich").asInteger(), 2);
    EXPECT_EQ(dest.fieldByName("Preg_Imag").asBytes(), "blob2");
    EXPECT_EQ(dest.fieldByName("AutoInc").asInteger(), 1); // numbered by the new table
    // The export then adds the primary index again, deletes the copied card and appends.
    dest.close();
    dest.addIndex("NiveFich", "Nive_Fich;Nive_Impo;AutoInc", true);
    dest.open();
    dest.deleteRecord();
    EXPECT_EQ(addCard(dest, card(1)), 2);
}

TEST_F(Batch, AFilteredSourceContributesItsViewAndAnUnfilteredOneEverything)
{
    EXPECT_EQ(run(BatchMove::Mode::Copy), 3u);
    source.setFiltered(false);
    EXPECT_EQ(run(BatchMove::Mode::Append), 5u);
    dest.open();
    EXPECT_EQ(dest.recordCount(), 8u);
    // A closed source is read with its filter settings, without being opened for the caller.
    source.setFiltered(true);
    source.close();
    EXPECT_EQ(run(BatchMove::Mode::Append), 3u);
    EXPECT_FALSE(source.active());
    EXPECT_EQ(dest.recordCount(), 11u); // the open destination's view follows
}

TEST_F(Batch, AppendIsAllOrNothing)
{
    Table small;
    small.setDatabaseName(folder());
    small.setTableName("S");
    small.createTable(cardFields(1), cardIndexes());
    small.open();
    addCard(small, card(1));
    source.setFiltered(false);
    source.first();
    source.edit();
    source.fieldByName("Preg_Text").setAsString("q"); // fits
    source.post();
    source.last();
    source.edit();
    source.fieldByName("Preg_Text").setAsString("too long"); // does not fit in 1 character
    source.post();
    try {
        run(BatchMove::Mode::Append, 0, &small);
        FAIL();
    } catch (const EngineError &e) {
        EXPECT_NE(std::string(e.what()).find("Preg_Text"), std::string::npos) << e.what();
    }
    EXPECT_EQ(small.recordCount(), 1u);
    small.refresh();
    EXPECT_EQ(small.recordCount(), 1u);
}

TEST_F(Batch, TablesOfOtherStructuresAreRefused)
{
    dest.createTable({{"A", engine::FieldType::String, 10}}, {});
    EXPECT_THROW(run(BatchMove::Mode::Append), EngineError);
    dest.open();
    EXPECT_THROW(run(BatchMove::Mode::Copy), EngineError); // an open destination
}

TEST_F(Batch, AppendingATableToItselfAddsItsRecordsOnce)
{
    Table same;
    openTable(same, source.filePath());
    source.setFiltered(false);
    EXPECT_EQ(run(BatchMove::Mode::Append, 0, &same), 5u);
    EXPECT_EQ(same.recordCount(), 10u);
}

} // namespace
