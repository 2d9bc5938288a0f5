#include "EngineTables.h"

#include "store/D_Module.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "engine/Names.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"

namespace testsupport {

using engine::FieldDef;
using engine::FieldType;

std::filesystem::path tempRoot()
{
    static const std::filesystem::path root = [] {
        if (const char *given = getenv("ORV_TEST_TEMP_ROOT"); given && *given)
            return std::filesystem::path(given);
        const std::filesystem::path shm("/dev/shm");
        std::error_code ec;
        if (std::filesystem::is_directory(shm, ec) && access(shm.c_str(), W_OK | X_OK) == 0)
            return shm;
        return std::filesystem::temp_directory_path();
    }();
    return root;
}

TempDir::TempDir()
{
    std::string pattern = (tempRoot() / "orv-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<FieldDef> cardFields(int questionSize)
{
    return TD_Module_::Campos_Ficha(questionSize);
}

std::vector<engine::IndexDef> cardIndexes()
{
    return TD_Module_::Indices_Ficha();
}

void writeVersion1Table(const std::string &path, const std::vector<FieldDef> &fields,
                        const std::vector<engine::IndexDef> &indexes, const std::vector<engine::Row> &rows,
                        long long sequence)
{
    writeVersion1Table(path, fields, indexes, rows.size(), [&](std::size_t i, engine::Row &row) { row = rows[i]; });
    if (sequence > 0) {
        engine::Database db;
        db.open(path, false);
        db.exec("DELETE FROM sqlite_sequence WHERE name = 'data'; INSERT INTO sqlite_sequence(name, seq) VALUES('data', "
                + std::to_string(sequence) + ")");
    }
}

void writeVersion1Table(const std::string &path, const std::vector<FieldDef> &fields,
                        const std::vector<engine::IndexDef> &indexes, std::size_t count,
                        const std::function<void(std::size_t i, engine::Row &row)> &make)
{
    using engine::quoteIdentifier;
    engine::Database db;
    db.open(path, true);
    db.exec("PRAGMA application_id = " + std::to_string(engine::kApplicationId) + "; PRAGMA user_version = 1");
    db.exec("BEGIN");
    db.exec("CREATE TABLE orv_fields(pos INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL, "
            "size INTEGER NOT NULL)");
    db.exec("CREATE TABLE orv_indexes(name TEXT NOT NULL, fields TEXT NOT NULL, is_primary INTEGER NOT NULL)");
    std::string cols, names, marks;
    std::vector<int> order; // the non-blob fields first, the blobs last
    for (bool blobs : {false, true})
        for (std::size_t i = 0; i < fields.size(); ++i)
            if ((fields[i].type == FieldType::Blob) == blobs)
                order.push_back(static_cast<int>(i));
    for (int i : order) {
        const FieldDef &f = fields[static_cast<std::size_t>(i)];
        static const char *types[] = {"INTEGER", "INTEGER PRIMARY KEY AUTOINCREMENT", "TEXT", "BLOB", "INTEGER"};
        cols += (cols.empty() ? "" : ", ") + quoteIdentifier(f.name) + " " + types[static_cast<int>(f.type)];
        names += (names.empty() ? "" : ", ") + quoteIdentifier(f.name);
        marks += marks.empty() ? "?" : ", ?";
    }
    db.exec("CREATE TABLE data(" + cols + ")");
    for (std::size_t i = 0; i < fields.size(); ++i) {
        engine::Statement s = db.prepare("INSERT INTO orv_fields VALUES(?, ?, ?, ?)");
        s.bindInt(1, static_cast<long long>(i));
        s.bindText(2, fields[i].name);
        s.bindText(3, engine::fieldTypeName(fields[i].type));
        s.bindInt(4, fields[i].size);
        s.execute();
    }
    for (const auto &index : indexes) {
        engine::Statement s = db.prepare("INSERT INTO orv_indexes VALUES(?, ?, ?)");
        s.bindText(1, index.name);
        s.bindText(2, index.fields);
        s.bindInt(3, index.primary ? 1 : 0);
        s.execute();
        std::string list;
        for (std::size_t from = 0; from <= index.fields.size();) {
            const std::size_t to = std::min(index.fields.find(';', from), index.fields.size());
            list += (list.empty() ? "" : ", ") + quoteIdentifier(index.fields.substr(from, to - from));
            from = to + 1;
        }
        db.exec("CREATE INDEX " + quoteIdentifier("orv_idx_" + index.name) + " ON data(" + list + ")");
    }
    engine::Statement ins = db.prepare("INSERT INTO data(" + names + ") VALUES(" + marks + ")");
    engine::Row row(fields.size());
    for (std::size_t r = 0; r < count; ++r) {
        make(r, row);
        int n = 1;
        for (int i : order)
            engine::bindValue(ins, n++, fields[static_cast<std::size_t>(i)].type, row[static_cast<std::size_t>(i)]);
        ins.execute();
    }
    db.exec("COMMIT");
}

int formatVersionOfFile(const std::string &path)
{
    engine::Database db;
    db.open(path, false);
    return static_cast<int>(db.queryInt("PRAGMA user_version"));
}

std::string messageOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "(no error)";
}

std::vector<std::string> namesIn(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void createCardTable(const std::string &folder, const std::string &name, int questionSize)
{
    engine::Table t;
    t.setDatabaseName(folder);
    t.setTableName(name);
    t.createTable(cardFields(questionSize), cardIndexes());
}

void openTable(engine::Table &table, const std::string &path)
{
    table.setTableName(path);
    table.open();
}

std::vector<int> levelsInFile(const std::string &path)
{
    engine::Table t;
    openTable(t, path);
    std::vector<int> levels;
    for (t.first(); !t.eof(); t.next())
        levels.push_back(t.fieldByName("Nive_Fich").asInteger());
    return levels;
}

void openNewCardTable(engine::Table &table, const std::string &folder, const std::string &name, int questionSize)
{
    createCardTable(folder, name, questionSize);
    table.setDatabaseName(folder);
    table.setTableName(name);
    table.open();
}

Card card(int level, int importance)
{
    Card c;
    c.level = level;
    c.importance = importance;
    return c;
}

long long addCard(engine::Table &table, const Card &card)
{
    table.append();
    table.fieldByName("Nive_Fich").setAsInteger(card.level);
    if (card.importance >= 0)
        table.fieldByName("Nive_Impo").setAsInteger(card.importance);
    table.fieldByName("Clav_Fich").setAsString(card.key);
    table.fieldByName("Preg_Text").setAsString(card.question);
    table.fieldByName("Fech_Ulti_Repa").setAsString(card.lastReview);
    table.fieldByName("Fech_Prox_Repa").setAsString(card.nextReview);
    table.fieldByName("Total_Repa").setAsInteger(card.reviews);
    if (card.flag >= 0)
        table.fieldByName("Camp_Logi").setAsBoolean(card.flag == 1);
    if (!card.blob.empty())
        table.fieldByName("Preg_Imag").setBytes(card.blob);
    table.post();
    return table.fieldByName("AutoInc").asLargeInt();
}

std::vector<long long> viewIds(engine::Table &table)
{
    std::vector<long long> ids;
    table.first();
    while (!table.eof()) {
        ids.push_back(table.fieldByName("AutoInc").asLargeInt());
        table.next();
    }
    return ids;
}

} // namespace testsupport
