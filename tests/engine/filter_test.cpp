// The filter language, on the filter texts that the review, level-0, selection and global
// modification windows build, over a prepared card table.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/EngineTables.h"
#include "engine/Filter.h"

using namespace testsupport;
using engine::EngineError;
using engine::Table;

namespace {

// Today is 5 December 2026 in these cards.
const std::vector<Card> &cards()
{
    static const std::vector<Card> c = {
        //  level imp key       question last        next        reviews flag
        {0, 0, "verbos", "q1", "", "", 0, -1, ""},
        {0, 3, "", "q2", "", "", 0, -1, ""},
        {0, 5, "ab", "q3", "", "", 0, -1, ""},
        {1, 0, "abc", "q4", "20261205", "20261206", 1, -1, ""},
        {1, 2, "abd", "q5", "20261204", "20261205", 2, -1, ""},
        {2, 3, "b", "q6", "20261201", "20261204", 3, -1, ""},
        {2, 4, "aa", "q7", "", "", 0, -1, ""}, // made by group entry: no next review date
        {3, 1, "l'eau", "q8", "20250307", "20261210", 5, -1, ""},
        {5, 3, "ab", "q9", "20261205", "20261205", 7, -1, ""},
        {8, -1, "zz", "q10", "20261130", "20261201", 9, 1, ""},
        {5, 0, "a", "q11", "20250703", "20261203", 4, 0, ""},
        {2, -1, "ab*", "q12", "20261205", "20261207", 2, -1, ""},
        {0, 1, "l'eau", "q13", "", "", 0, -1, ""},
        {1, 2, "ab", "q14", "20261205", "20261205", 1, -1, ""},
    };
    return c;
}

using Pred = std::function<bool(const Card &)>;

class FilterOnCards : public ::testing::Test {
protected:
    void SetUp() override
    {
        openNewCardTable(table, dir.path().string(), "X");
        for (const Card &c : cards())
            ids.push_back(addCard(table, c));
        table.setFiltered(true);
    }

    // The AutoInc values the view should hold: the cards passing `p`, in the table's order
    // (level, importance with blanks first, AutoInc).
    std::vector<long long> expected(const Pred &p) const
    {
        std::vector<std::size_t> idx;
        for (std::size_t i = 0; i < cards().size(); ++i)
            if (p(cards()[i]))
                idx.push_back(i);
        std::stable_sort(idx.begin(), idx.end(), [](std::size_t a, std::size_t b) {
            const Card &x = cards()[a], &y = cards()[b];
            return std::tie(x.level, x.importance) < std::tie(y.level, y.importance);
        });
        std::vector<long long> r;
        for (std::size_t i : idx)
            r.push_back(ids[i]);
        return r;
    }

    void check(const std::string &filter, const Pred &p)
    {
        SCOPED_TRACE("filter: \"" + filter + "\"");
        table.setFilter(filter);
        const auto want = expected(p);
        EXPECT_EQ(table.recordCount(), want.size());
        EXPECT_EQ(viewIds(table), want);
    }

    TempDir dir;
    Table table;
    std::vector<long long> ids;
};

const std::string T = "20261205";

TEST_F(FilterOnCards, ReviewFiltersSelectTheCardsOfTheSession)
{
    auto above0 = [](const Card &c) { return c.level != 0; };
    check(" (Nive_fich <> 0 ) ", above0);
    check("Nive_Fich = 1 or Nive_Fich = 3 or Nive_Fich = 8",
          [](const Card &c) { return c.level == 1 || c.level == 3 || c.level == 8; });
    check(" ( Nive_Fich = 1 or Nive_Fich = 2 ) and  (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> 20261205)",
          [](const Card &c) { return (c.level == 1 || c.level == 2) && c.lastReview != T; });
    check("( Nive_Fich = 2 ) and ( Fech_Prox_Repa <= '20261205' ) and  (Nive_fich <> 0 ) ",
          [](const Card &c) { return c.level == 2 && c.nextReview <= T; });
    check("( Nive_Fich <> 0 )  and (Fech_Prox_Repa <= 20261205)",
          [](const Card &c) { return c.level != 0 && c.nextReview <= T; });
    // Selection-window mode: the selection in brackets, then the date; then the same-day
    // clause appended with no blank before "and".
    check("(  ( Nive_Fich=5 ) and  (Nive_fich <> 0 )  ) and ( Fech_Prox_Repa <= '20261205' )and "
          "(Fech_Ulti_Repa <> 20261205)",
          [](const Card &c) { return c.level == 5 && c.nextReview <= T && c.lastReview != T; });
}

TEST_F(FilterOnCards, LevelZeroFilters)
{
    auto level0 = [](const Card &c) { return c.level == 0; };
    check("Nive_Fich = 0 ", level0);
    check("Nive_Fich = 0 and Nive_Impo =3", [](const Card &c) { return c.level == 0 && c.importance == 3; });
    check("Nive_Fich = 0 and Nive_Impo >=3", [](const Card &c) { return c.level == 0 && c.importance >= 3; });
    check("Nive_Fich = 0 and Nive_Impo <=3", [](const Card &c) { return c.level == 0 && c.importance <= 3; });
    check("Nive_Fich = 0 and Clav_Fich ='verbos'", [](const Card &c) { return c.level == 0 && c.key == "verbos"; });
    check("Nive_Fich = 0 and Clav_Fich =''", [](const Card &c) { return c.level == 0 && c.key.empty(); });
    check("Nive_Fich = 0 and Clav_Fich ='l''eau'", [](const Card &c) { return c.level == 0 && c.key == "l'eau"; });
    check("Nive_Fich = 0 and Clav_Fich >'b'", [](const Card &c) { return c.level == 0 && c.key > "b"; });
    check("Nive_Fich = 0 and Clav_Fich <='ab'", [](const Card &c) { return c.level == 0 && c.key <= "ab"; });
}

TEST_F(FilterOnCards, SelectionWindowConditions)
{
    const std::string B = " ) and  (Nive_fich <> 0 ) ";
    auto sel = [&](const std::string &cond) { return " ( " + cond + B; };
    auto starts = [](const std::string &s, const std::string &p) { return s.compare(0, p.size(), p) == 0; };
    check(sel("Nive_Fich=5"), [](const Card &c) { return c.level == 5; });
    check(sel("Nive_Impo>2"), [](const Card &c) { return c.level != 0 && c.importance > 2; });
    check(sel("Total_Repa<=2"), [](const Card &c) { return c.level != 0 && c.reviews <= 2; });
    check(sel("Clav_Fich='ab*'"), [&](const Card &c) { return c.level != 0 && starts(c.key, "ab"); });
    check(sel("Clav_Fich<>'ab*'"), [&](const Card &c) { return c.level != 0 && !starts(c.key, "ab"); });
    check(sel("Clav_Fich>='ab'"), [](const Card &c) { return c.level != 0 && c.key >= "ab"; });
    check(sel("Clav_Fich>'ab*'"),
          [&](const Card &c) { return c.level != 0 && c.key > "ab" && !starts(c.key, "ab"); });
    check(sel("Clav_Fich<'ab*'"),
          [&](const Card &c) { return c.level != 0 && c.key < "ab" && !starts(c.key, "ab"); });
    check(sel("Clav_Fich<='ab*'"),
          [&](const Card &c) { return c.level != 0 && (c.key < "ab" || starts(c.key, "ab")); });
    check(sel("Clav_Fich='ab**'"), [&](const Card &c) { return c.level != 0 && starts(c.key, "ab*"); });
    check(sel("Clav_Fich='l''e*'"), [&](const Card &c) { return c.level != 0 && starts(c.key, "l'e"); });
    check(sel("Fech_Ulti_Repa='20250307'"), [](const Card &c) { return c.level != 0 && c.lastReview == "20250307"; });
    check(sel("Fech_Ulti_Repa='2025    '"), [](const Card &) { return false; });
    check(sel("Nive_Fich=2 AND Nive_Impo>=3"), [](const Card &c) { return c.level == 2 && c.importance >= 3; });
    check(sel("Nive_Fich=2 OR Nive_Impo>=3"),
          [](const Card &c) { return c.level != 0 && (c.level == 2 || c.importance >= 3); });
    // AND binds tighter than OR.
    check(sel("Nive_Fich=1 OR Nive_Fich=2 AND Nive_Impo>=3"),
          [](const Card &c) { return c.level == 1 || (c.level == 2 && c.importance >= 3); });
    check(sel("Total_Repa>2 AND Clav_Fich='a*' OR Nive_Fich=8 AND Nive_Impo<1"),
          [&](const Card &c) { return c.level != 0 && ((c.reviews > 2 && starts(c.key, "a")) || c.level == 8); });
}

TEST_F(FilterOnCards, GlobalModificationFlagAndBlankTexts)
{
    check("Camp_Logi = true", [](const Card &c) { return c.flag == 1; });
    check("Camp_Logi = false", [](const Card &c) { return c.flag == 0; });
    check("camp_logi <> TRUE", [](const Card &c) { return c.flag != 1; });
    // A blank text, or the switch off, shows every card.
    check("", [](const Card &) { return true; });
    check("   ", [](const Card &) { return true; });
    table.setFilter("Nive_Fich = 0");
    table.setFiltered(false);
    EXPECT_EQ(table.recordCount(), cards().size());
    table.setFiltered(true);
    EXPECT_EQ(table.recordCount(), 4u);
}

TEST_F(FilterOnCards, InvalidTextIsRefusedSayingWhyAndThePreviousFilterStays)
{
    table.setFilter(" (Nive_fich <> 0 ) ");
    const auto before = viewIds(table);
    for (const char *bad : {
             "Nive_Fich = 0 and Nive_Impo =",                  // importance left empty
             "Nive_Fich = 0 and Nive_Impo >=3 4",              // blank inside the value
             " ( Nive_Fich=abc ) and  (Nive_fich <> 0 ) ",     // letters in a number
             " ( Nive_Fich='1x' ) and  (Nive_fich <> 0 ) ",
             "Clav_Fich = 'abc",                               // unclosed quote
             "( Nive_Fich = 1",                                // unclosed bracket
             "Nive_Fich = 1 )",
             "Nive_Fich == 1",
             "Nive_Fich = 1; DROP TABLE data",
             "Campo = 1",                                      // no such field
             "Preg_Imag = 'x'",                                // blob
             "Camp_Logi = 1",
             "Clav_Fich = true",
             "Nive_Fich = 1 and",
             "and Nive_Fich = 1",
             "Nive_Fich 1",
             "Nive_Fich = 2 Nive_Fich = 3",
             "()",
         }) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(table.setFilter(bad), EngineError);
        EXPECT_EQ(table.filter(), " (Nive_fich <> 0 ) ");
        EXPECT_EQ(viewIds(table), before);
    }
    // The messages say what is wrong.
    EXPECT_NE(messageOf([&] { table.setFilter("Nive_Fich = 0 and Nive_Impo >="); }).find("falta el valor"),
              std::string::npos);
    EXPECT_NE(messageOf([&] { table.setFilter("Nive_Ficha = 0"); }).find("\"Nive_Ficha\" no existe"), std::string::npos);
}

TEST_F(FilterOnCards, QuotesAndSqlInAKeyAreOnlyData)
{
    Card c;
    c.level = 4;
    c.key = "x'; DROP TABLE "; // 15 characters, the key's width
    table.setFiltered(false);
    const long long id = addCard(table, c);
    table.setFilter("Clav_Fich = 'x''; DROP TABLE '");
    table.setFiltered(true);
    ASSERT_EQ(table.recordCount(), 1u);
    EXPECT_EQ(table.fieldByName("AutoInc").asLargeInt(), id);
    table.setFilter("");
    EXPECT_EQ(table.recordCount(), cards().size() + 1);
}

TEST(Filter, BlankFieldsAreLessThanEveryValueAndTheValueMayStandFirst)
{
    const auto fields = cardFields();
    engine::Row row(fields.size()); // every field blank
    auto m = [&](const char *text) { return engine::Filter::compile(text, fields).matches(row); };
    EXPECT_TRUE(m("Nive_Impo < -5"));
    EXPECT_FALSE(m("Nive_Impo = 0"));
    EXPECT_TRUE(m("Nive_Impo <> 0"));
    EXPECT_TRUE(m("Fech_Prox_Repa = ''"));
    EXPECT_TRUE(m("Fech_Prox_Repa < '0'"));
    EXPECT_FALSE(m("Camp_Logi = true"));
    EXPECT_FALSE(m("Camp_Logi = false"));
    EXPECT_TRUE(m("Clav_Fich <> 'ab*'"));
    EXPECT_TRUE(m("Clav_Fich = '*'") == false);
    row[0] = engine::Value::ofInteger(3);
    EXPECT_TRUE(m("2 < Nive_Fich"));
    EXPECT_FALSE(m("3 > Nive_Fich"));
}

TEST(Filter, DeepNestingIsRefusedNotOverflowed)
{
    const auto fields = cardFields();
    std::string deep(100000, '(');
    EXPECT_THROW(engine::Filter::compile(deep + "Nive_Fich = 1", fields), EngineError);
    std::string ok = std::string(50, '(') + "Nive_Fich = 1" + std::string(50, ')');
    EXPECT_NO_THROW(engine::Filter::compile(ok, fields));
}

TEST(Filter, SyntaxIsCheckedWhileClosedAndFieldsAtOpen)
{
    TempDir dir;
    createCardTable(dir.path().string(), "X");
    Table t;
    t.setDatabaseName(dir.path().string());
    t.setTableName("X");
    EXPECT_THROW(t.setFilter("Nive_Fich = "), EngineError);
    t.setFilter("Nada = 1");
    t.setFiltered(true);
    EXPECT_THROW(t.open(), EngineError);
    EXPECT_FALSE(t.active());
    t.setFiltered(false);
    t.open();
    EXPECT_TRUE(t.active());
    EXPECT_THROW(t.setFiltered(true), EngineError);
    EXPECT_FALSE(t.filtered());
}

} // namespace
