// The cursor over a filtered view: moves, the place it takes after posts and deletes, and
// the loops of the windows that rely on it.
#include <gtest/gtest.h>

#include "support/EngineTables.h"

using namespace testsupport;
using engine::EngineError;
using engine::Table;

namespace {

class Cursor : public ::testing::Test {
protected:
    void SetUp() override
    {
        openNewCardTable(table, dir.path().string(), "X");
        table.beforeScroll = [this](Table &) { log += "b"; };
        table.afterScroll = [this](Table &) { log += "a"; };
        table.afterPost = [this](Table &) { log += "p"; };
    }
    // Adds cards with these levels (importance blank), returning their AutoInc values.
    std::vector<long long> add(std::initializer_list<int> levels)
    {
        std::vector<long long> r;
        for (int l : levels)
            r.push_back(addCard(table, card(l)));
        return r;
    }
    long long current() { return table.fieldByName("AutoInc").asLargeInt(); }
    void setLevel(int level)
    {
        table.edit();
        table.fieldByName("Nive_Fich").setAsInteger(level);
        table.post();
    }
    void filter(const std::string &text)
    {
        table.setFilter(text);
        table.setFiltered(true);
    }

    TempDir dir;
    Table table;
    std::string log;
};

TEST_F(Cursor, MovesFollowTheClassLibrary)
{
    EXPECT_TRUE(table.bof() && table.eof());
    EXPECT_EQ(table.recNo(), 0u);
    const auto id = add({1, 1, 1});
    table.first();
    EXPECT_TRUE(table.bof());
    EXPECT_FALSE(table.eof());
    table.next();
    table.next();
    EXPECT_EQ(current(), id[2]);
    EXPECT_FALSE(table.eof());
    table.next(); // at the last record: end of view, the cursor stays
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(current(), id[2]);
    table.prior();
    EXPECT_FALSE(table.eof());
    EXPECT_EQ(current(), id[1]);
    table.last();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.moveBy(-5), -2);
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(table.moveBy(1), 1);
    EXPECT_EQ(table.recNo(), 2u);
    EXPECT_EQ(table.moveBy(5), 1); // as far as the last record, then the end of the view
    EXPECT_TRUE(table.eof());
    table.setRecNo(2);
    table.setRecNo(3);
    EXPECT_EQ(current(), id[2]);
    const long long mark = table.bookmark();
    table.first();
    EXPECT_TRUE(table.gotoBookmark(mark));
    EXPECT_EQ(current(), id[2]);
    EXPECT_FALSE(table.gotoBookmark(9999));
    EXPECT_TRUE(table.locate("autoinc", std::to_string(id[1])));
    EXPECT_EQ(table.recNo(), 2u);
    EXPECT_EQ(table.peekAsString(0, 2), std::to_string(id[0]));
}

TEST_F(Cursor, EveryMoveFiresBothScrollEventsEvenAtTheEndAndANewFilterStandsOnTheFirst)
{
    const auto id = add({1, 2, 3});
    log.clear();
    table.last();
    table.next();
    table.prior();
    filter("Nive_Fich >= 2");
    EXPECT_EQ(log, "babababa");
    EXPECT_EQ(current(), id[1]);
    EXPECT_TRUE(table.bof());
    log.clear();
    table.close();
    table.open(); // opening a table that holds records shows the first one
    EXPECT_EQ(log, "a");
    table.emptyTable();
    table.close();
    log.clear();
    table.open();
    EXPECT_EQ(log, "");
}

TEST_F(Cursor, PostStaysOnTheRecordAlsoWhenItMovesInTheOrder)
{
    const auto id = add({1, 2, 3});
    table.first();
    log.clear();
    setLevel(5);
    EXPECT_EQ(log, "p");
    EXPECT_EQ(current(), id[0]);
    EXPECT_EQ(table.recNo(), 3u);
    table.next();
    EXPECT_TRUE(table.eof());
}

TEST_F(Cursor, PostThatLeavesTheViewGoesToTheFollowingRecord)
{
    const auto id = add({1, 1, 1, 1});
    filter("Nive_Fich = 1");
    table.setRecNo(2);
    log.clear();
    setLevel(2);
    EXPECT_EQ(log, "pa"); // the post, then the move to another record
    EXPECT_EQ(current(), id[2]);
    EXPECT_FALSE(table.bof() || table.eof());
    table.last();
    setLevel(2); // the last one: the new last one becomes current
    EXPECT_EQ(current(), id[2]);
    setLevel(2);
    setLevel(2);
    EXPECT_EQ(table.recordCount(), 0u);
    EXPECT_TRUE(table.bof() && table.eof());
}

TEST_F(Cursor, AppendedRecordTakesItsPlaceOrLeavesTheCursorOnTheFollowingOne)
{
    const auto id = add({1, 3});
    filter("Nive_Fich <> 2");
    table.first();
    addCard(table, card(2, 5)); // level 2: filtered out
    EXPECT_EQ(current(), id[1]); // the record after its place
    addCard(table, card(0));
    EXPECT_EQ(table.recNo(), 1u);
    EXPECT_EQ(table.fieldByName("Nive_Fich").asInteger(), 0);
    addCard(table, card(9));
    EXPECT_EQ(table.recNo(), table.recordCount());
}

TEST_F(Cursor, DeleteGoesToTheNextRecordOrThePreviousWhenLast)
{
    const auto id = add({1, 1, 1});
    table.setRecNo(2);
    table.deleteRecord();
    EXPECT_EQ(current(), id[2]);
    table.deleteRecord();
    EXPECT_EQ(current(), id[0]);
    table.deleteRecord();
    EXPECT_TRUE(table.bof() && table.eof());
    try {
        table.deleteRecord();
        FAIL();
    } catch (const EngineError &e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
    }
}

TEST_F(Cursor, CancelRestoresTheRecordOrTheFormerPosition)
{
    const auto id = add({1, 2});
    table.last();
    table.edit();
    table.fieldByName("Nive_Fich").setAsInteger(7);
    table.cancel();
    EXPECT_EQ(table.fieldByName("Nive_Fich").asInteger(), 2);
    table.append();
    table.fieldByName("Nive_Fich").setAsInteger(0);
    table.cancel();
    EXPECT_EQ(current(), id[1]);
    EXPECT_EQ(table.recordCount(), 2u);
}

TEST_F(Cursor, MovingWhileEditingPostsAChangedRecordAndDropsAnUnchangedOne)
{
    add({1, 1});
    table.first();
    table.edit();
    table.fieldByName("Preg_Text").setAsString("changed");
    table.next();
    EXPECT_EQ(table.state(), Table::State::Browse);
    table.first();
    EXPECT_EQ(table.fieldByName("Preg_Text").asString(), "changed");
    table.next();
    table.edit();
    table.fieldByName("Preg_Text").setAsString("also changed");
    table.first(); // a move to the front posts as well
    EXPECT_EQ(table.state(), Table::State::Browse);
    table.last();
    EXPECT_EQ(table.fieldByName("Preg_Text").asString(), "also changed");
    table.append();
    table.first(); // nothing set: dropped
    EXPECT_EQ(table.recordCount(), 2u);
}

// By quantity as written: N times move the current card, then step on. The card after a
// moved one is already current, so the step skips it.
TEST_F(Cursor, LevelZeroLoopSteppingOnTakesEverySecondCard)
{
    const auto id = add({0, 0, 0, 0, 0, 0, 1});
    filter("Nive_Fich = 0");
    table.first();
    for (int i = 0; i < 2; ++i) {
        setLevel(1);
        table.next();
    }
    table.setFilter("Nive_Fich = 1");
    EXPECT_EQ(viewIds(table), (std::vector<long long>{id[0], id[2], id[6]}));
}

TEST_F(Cursor, DisplayNotificationsWaitWhileControlsAreDisabled)
{
    add({1, 1, 1});
    std::vector<Table::Event> events;
    const int id = table.addListener([&](Table::Event e, int) { events.push_back(e); });
    table.disableControls();
    table.disableControls();
    EXPECT_TRUE(table.controlsDisabled());
    table.first();
    setLevel(3);
    table.enableControls();
    EXPECT_TRUE(events.empty());
    table.enableControls();
    EXPECT_EQ(events, std::vector<Table::Event>{Table::Event::DataChanged});
    events.clear();
    table.next();
    EXPECT_EQ(events, std::vector<Table::Event>{Table::Event::Scrolled});
    table.removeListener(id);
    table.next();
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(Cursor, OtherHoldersChangesShowAfterRefresh)
{
    add({1, 1});
    Table other;
    openTable(other, table.filePath());
    addCard(other, card(1));
    other.first();
    other.deleteRecord();
    EXPECT_EQ(table.recordCount(), 2u);
    table.last();
    table.refresh();
    EXPECT_EQ(table.recordCount(), 2u);
    EXPECT_EQ(viewIds(table), viewIds(other));
}

TEST(UnindexedTable, KeepsTheOrderOfAdditionAndIsEmptiedFromTheFront)
{
    TempDir dir;
    Table t;
    t.setDatabaseName(dir.path().string());
    t.setTableName("IMP.db");
    t.createTable({{"TEXT", engine::FieldType::String, 255}, {"Imag", engine::FieldType::Blob, 0},
                   {"Logi", engine::FieldType::Boolean, 0}},
                  {});
    t.open();
    for (const char *s : {"c", "a", "", "b"}) {
        t.append();
        if (*s)
            t.fieldByName("TEXT").setAsString(s);
        t.post();
    }
    std::string order;
    t.first();
    while (!t.eof()) {
        order += t.fieldByName("TEXT").asString() + ",";
        t.next();
    }
    EXPECT_EQ(order, "c,a,,b,");
    t.setRecNo(3);
    t.edit();
    t.fieldByName("TEXT").setAsString("blank row filled");
    t.post();
    EXPECT_EQ(t.recNo(), 3u);
    t.first();
    while (!t.isEmpty())
        t.deleteRecord();
    EXPECT_EQ(t.recordCount(), 0u);
}

} // namespace
