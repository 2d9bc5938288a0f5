// Tables: naming, creation, fields and their conversions, order, AutoInc, blobs, and files
// that are not (or no longer) tables.
#include <gtest/gtest.h>
#include "engine/SqliteApi.h"
#include <unistd.h>

#include <fstream>

#include "support/EngineTables.h"

using namespace testsupport;
using engine::ConversionError;
using engine::EngineError;
using engine::FieldDef;
using engine::FieldType;
using engine::Table;

namespace {

class CardTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        openNewCardTable(table, folder(), "X");
    }
    std::string folder() const { return dir.path().string(); }
    void reopen()
    {
        table.close();
        table.open();
    }
    TempDir dir;
    Table table;
};

TEST(TableNames, FilePathFollowsFolderNameAndExtension)
{
    Table t;
    t.setDatabaseName("/p/dat");
    t.setTableName("X");
    EXPECT_EQ(t.filePath(), "/p/dat/X.DB");
    t.setTableName("IMP.db");
    EXPECT_EQ(t.filePath(), "/p/dat/IMP.db");
    t.setTableName("/q/Y.DB");
    EXPECT_EQ(t.filePath(), "/q/Y.DB");
    t.setDatabaseName("");
    t.setTableName("/q/Mi.fichero");
    EXPECT_EQ(t.filePath(), "/q/Mi.fichero.DB");
}

TEST_F(CardTable, CreatingReplacesATableOfThatNameButNotAnOpenOne)
{
    addCard(table, {});
    EXPECT_THROW(createCardTable(folder(), "X"), EngineError); // held open by `table`
    EXPECT_EQ(table.recordCount(), 1u);
    table.close();
    createCardTable(folder(), "X");
    table.open();
    EXPECT_EQ(table.recordCount(), 0u);
    for (const auto &e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().rfind("X.DB", 0), 0u) << e.path(); // no stray files
}

TEST_F(CardTable, BadDefinitionsAreRefusedAndCreateNothing)
{
    auto create = [&](std::vector<FieldDef> f, std::vector<engine::IndexDef> i = {}) {
        Table t;
        t.setDatabaseName(folder());
        t.setTableName("Y");
        t.createTable(f, i);
    };
    EXPECT_THROW(create({{"A", FieldType::String, 0}}), EngineError);
    EXPECT_THROW(create({{"A", FieldType::String, 256}}), EngineError);
    EXPECT_THROW(create({{"A", FieldType::SmallInt, 0}, {"a", FieldType::String, 5}}), EngineError);
    EXPECT_THROW(create({{"A", FieldType::AutoInc, 0}, {"B", FieldType::AutoInc, 0}}), EngineError);
    EXPECT_THROW(create({{"A", FieldType::SmallInt, 0}}, {{"I", "A;B", true}}), EngineError);
    EXPECT_THROW(create({{"A", FieldType::Blob, 0}}, {{"I", "A", true}}), EngineError);
    EXPECT_THROW(create({}), EngineError);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Y.DB"));
    create({{"A", FieldType::String, 1}, {"B", FieldType::String, 255}});
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Y.DB"));
}

TEST_F(CardTable, TextsAreCutToTheWidthInCharacters)
{
    table.close();
    createCardTable(folder(), "X", 7);
    table.open();
    table.append();
    table.fieldByName("Preg_Text").setAsString("áéíóúñü¿más");
    table.fieldByName("Clav_Fich").setAsString("🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂");
    table.fieldByName("Fech_Crea").setAsString("2026120599");
    EXPECT_EQ(table.fieldByName("Preg_Text").asString(), "áéíóúñü");
    table.post();
    reopen();
    EXPECT_EQ(table.fieldByName("Preg_Text").asString(), "áéíóúñü");
    EXPECT_EQ(table.fieldByName("Clav_Fich").asString(), "🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂🙂");
    EXPECT_EQ(table.fieldByName("Fech_Crea").asString(), "20261205");
}

TEST_F(CardTable, OrderIsLevelThenImportanceWithBlanksFirstThenAutoInc)
{
    const long long a = addCard(table, card(2, 1));
    const long long b = addCard(table, card(1, 5));
    const long long c = addCard(table, card(2, -1)); // blank importance
    const long long d = addCard(table, card(2, 1));
    const long long e = addCard(table, card(1, 0));
    const long long f = addCard(table, card(2, 0));
    const long long g = addCard(table, card(2, -1));
    EXPECT_EQ(viewIds(table), (std::vector<long long>{e, b, c, g, f, a, d}));
    reopen();
    EXPECT_EQ(viewIds(table), (std::vector<long long>{e, b, c, g, f, a, d}));
}

TEST_F(CardTable, AutoIncIsReadOnlyAndNeverGivenTwice)
{
    const long long a = addCard(table, {});
    const long long b = addCard(table, {});
    EXPECT_EQ(b, a + 1);
    table.edit();
    EXPECT_EQ(messageOf([&] { table.fieldByName("AutoInc").setAsInteger(7); }), "Field 'AutoInc' cannot be modified");
    table.cancel();
    table.last();
    table.deleteRecord();
    table.close();
    table.pack();
    table.open();
    EXPECT_EQ(addCard(table, {}), b + 1);
    table.append();
    EXPECT_TRUE(table.fieldByName("AutoInc").isNull());
    table.cancel();
}

// Field names are found without regard to case; values convert as the class library does.
TEST_F(CardTable, FieldNamesAndConversionsFollowTheClassLibrary)
{
    EXPECT_EQ(&table.fieldByName("nive_fich"), &table.fieldByName("NIVE_FICH"));
    EXPECT_EQ(messageOf([&] { table.fieldByName("Nada"); }), "Field 'Nada' not found");
    EXPECT_EQ(table.findField("Nada"), nullptr);
    table.append();
    Table &t = table;
    auto f = [&](const char *n) -> engine::Field & { return t.fieldByName(n); };
    f("Clav_Fich").setAsString("12");
    EXPECT_EQ(f("Clav_Fich").asInteger(), 12);
    f("Clav_Fich").setAsString("abc");
    EXPECT_EQ(messageOf([&] { f("Clav_Fich").asInteger(); }), "'abc' is not a valid integer value");
    EXPECT_THROW(f("Clav_Fich").asInteger(), ConversionError);
    EXPECT_EQ(messageOf([&] { f("Nive_Fich").setAsString("1a"); }), "'1a' is not a valid integer value");
    f("Nive_Fich").setAsString(" 7");
    EXPECT_EQ(f("Nive_Fich").asInteger(), 7);
    f("Nive_Fich").setAsString("");
    EXPECT_TRUE(f("Nive_Fich").isNull());
    EXPECT_EQ(f("Nive_Fich").asInteger(), 0);
    EXPECT_EQ(f("Nive_Fich").asString(), "");
    EXPECT_EQ(messageOf([&] { f("Nive_Fich").setAsInteger(40000); }),
              "40000 is not a valid value for field 'Nive_Fich'. The allowed range is -32768 to 32767");
    f("Camp_Logi").setAsString("tr");
    EXPECT_TRUE(f("Camp_Logi").asBoolean());
    EXPECT_EQ(f("Camp_Logi").asString(), "True");
    f("Camp_Logi").setAsBoolean(false);
    EXPECT_EQ(f("Camp_Logi").asString(), "False");
    EXPECT_EQ(messageOf([&] { f("Camp_Logi").setAsString("yes"); }), "'yes' is not a valid boolean value");
    EXPECT_EQ(messageOf([&] { f("Nive_Fich").asBoolean(); }), "Cannot access field 'Nive_Fich' as type Boolean");
    EXPECT_EQ(messageOf([&] { f("Camp_Logi").asInteger(); }), "Cannot access field 'Camp_Logi' as type Integer");
    f("Clav_Fich").setAsInteger(-3);
    EXPECT_EQ(f("Clav_Fich").asString(), "-3");
    table.cancel();
    EXPECT_EQ(messageOf([&] { f("Clav_Fich").setAsString("x"); }), "Dataset not in edit or insert mode");
}

// A huge text is quoted by its first 200 characters (not bytes) and "…".
TEST(ConversionMessages, QuoteAHugeTextShortened)
{
    const std::string ene = "\xC3\xB1"; // ñ, two bytes
    std::string enes;
    for (int i = 0; i < 300; ++i)
        enes += ene;
    const struct {
        std::string text, quoted;
    } cases[] = {
        {"", ""},
        {std::string(200, '9'), std::string(200, '9')},
        {std::string(200, '9') + "x", std::string(200, '9') + "\u2026"},
        {std::string(1 << 20, 'x'), std::string(200, 'x') + "\u2026"},
        {enes, enes.substr(0, 400) + "\u2026"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(engine::shortenedText(c.text), c.quoted);
        if (!c.text.empty()) {
            EXPECT_EQ(messageOf([&] { engine::strToInt(c.text); }), "'" + c.quoted + "' is not a valid integer value");
        }
    }
}

TEST_F(CardTable, BlobsKeepTheirBytesAndSurviveEditsOfOtherFields)
{
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    table.append();
    table.fieldByName("Nive_Fich").setAsInteger(1);
    table.fieldByName("Preg_Imag").setBytes(bytes);
    table.fieldByName("Resp_Memo").setBytes(std::string("\0\1\2", 3));
    table.post();
    reopen();
    table.edit();
    table.fieldByName("Preg_Text").setAsString("changed");
    table.post();
    reopen();
    EXPECT_EQ(table.fieldByName("Preg_Imag").asBytes(), bytes);
    EXPECT_EQ(table.fieldByName("Preg_Imag").blobSize(), bytes.size());
    EXPECT_EQ(table.fieldByName("Resp_Memo").asBytes(), std::string("\0\1\2", 3));
    EXPECT_TRUE(table.fieldByName("Resp_Imag").isNull());
    table.edit();
    table.fieldByName("Preg_Imag").setBytes("");
    table.post();
    EXPECT_TRUE(table.fieldByName("Preg_Imag").isNull());
    EXPECT_EQ(table.peekAsString(0, table.fieldByName("Resp_Memo").index()), std::string("\0\1\2", 3));
}

TEST_F(CardTable, EmptyTableAndAddIndex)
{
    const long long a = addCard(table, card(3, 1));
    const long long b = addCard(table, card(1, 1));
    table.close();
    table.addIndex("NiveFich", "Preg_Text;AutoInc", true); // replaces the primary index
    table.open();
    EXPECT_EQ(viewIds(table), (std::vector<long long>{a, b}));
    EXPECT_EQ(table.primaryIndexFields(), "Preg_Text;AutoInc");
    table.addIndex("NiveFich", "Nive_Fich;Nive_Impo;AutoInc", true);
    EXPECT_EQ(viewIds(table), (std::vector<long long>{b, a}));
    table.emptyTable();
    EXPECT_EQ(table.recordCount(), 0u);
    EXPECT_GT(addCard(table, {}), b);
}

struct BadFile {
    const char *name;
    std::function<void(const std::string &path, const std::string &goodTable)> make;
    const char *expected; // part of the message
};

TEST(DamagedFiles, AreRefusedWithAClearMessage)
{
    TempDir dir;
    const std::string good = dir.file("good.DB");
    {
        createCardTable(dir.path().string(), "good");
        Table t;
        openTable(t, good);
        for (int i = 0; i < 400; ++i)
            addCard(t, {1, i % 5, "k", std::string(50, 'q'), "", "", 0, -1, std::string(300, 'b')});
    }
    auto sql = [](const std::string &path, const char *statements) {
        sqlite3 *db;
        engine::sqlite().open(path.c_str(), &db);
        engine::sqlite().exec(db, statements, nullptr, nullptr, nullptr);
        engine::sqlite().close(db);
    };
    auto copyPrefix = [](const std::string &from, const std::string &to, std::size_t n) {
        std::ifstream in(from, std::ios::binary);
        std::string data((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(to, std::ios::binary).write(data.data(), static_cast<std::streamsize>(std::min(n, data.size())));
    };
    const std::vector<BadFile> cases = {
        {"text", [](const std::string &p, const std::string &) { std::ofstream(p) << "Nive_Fich;Clave\n1;abc\n"; },
         "no es una tabla"},
        {"empty", [](const std::string &p, const std::string &) { std::ofstream{p}; }, "no es una tabla de este programa"},
        {"truncated", [&](const std::string &p, const std::string &g) { copyPrefix(g, p, 20000); }, "dañada"},
        {"header only", [&](const std::string &p, const std::string &g) { copyPrefix(g, p, 50); }, "no es una tabla"},
        {"foreign database",
         [&](const std::string &p, const std::string &) { sql(p, "CREATE TABLE t(a); INSERT INTO t VALUES(1);"); },
         "no es una tabla de este programa"},
        {"without its records",
         [&](const std::string &p, const std::string &g) {
             std::filesystem::copy_file(g, p);
             sql(p, "DROP TABLE data;");
         },
         "dañada"},
        {"200,000 field definitions",
         [&](const std::string &p, const std::string &g) {
             std::filesystem::copy_file(g, p);
             sql(p, "WITH RECURSIVE n(i) AS (SELECT 17 UNION ALL SELECT i + 1 FROM n WHERE i < 200016) "
                    "INSERT INTO orv_fields SELECT i, 'Campo' || i, 'SmallInt', 0 FROM n;");
         },
         "dañada"},
        {"missing", [](const std::string &, const std::string &) {}, "No existe la tabla"},
        {"a folder", [](const std::string &p, const std::string &) { std::filesystem::create_directory(p); },
         "no es un fichero de tabla"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = dir.file(std::string(c.name) + ".DB");
        c.make(p, good);
        Table t;
        t.setTableName(p);
        const std::string msg = messageOf([&] {
            t.open();
            while (!t.eof())
                t.next();
        });
        EXPECT_NE(msg.find(c.expected), std::string::npos) << msg;
        EXPECT_FALSE(t.active() && c.expected == std::string("no es una tabla"));
    }
}

} // namespace
