#include "engine/Schema.h"

#include <sqlite3.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <dirent.h>
#include <signal.h>

#include <cctype>
#include <functional>

#include "engine/EngineError.h"
#include "engine/FileLock.h"
#include "engine/Names.h"
#include "engine/Sqlite.h"

namespace engine {

const char *fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::SmallInt: return "SmallInt";
    case FieldType::AutoInc: return "AutoInc";
    case FieldType::String: return "String";
    case FieldType::Blob: return "Blob";
    case FieldType::Boolean: return "Boolean";
    }
    return "?";
}

namespace {

bool typeFromName(const std::string &s, FieldType &out)
{
    for (FieldType t : {FieldType::SmallInt, FieldType::AutoInc, FieldType::String, FieldType::Blob,
                        FieldType::Boolean})
        if (s == fieldTypeName(t)) {
            out = t;
            return true;
        }
    return false;
}

std::vector<std::string> splitFields(const std::string &list)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : list) {
        if (c == ';') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    for (auto &s : out) {
        while (!s.empty() && s.front() == ' ')
            s.erase(s.begin());
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
    }
    return out;
}

int findField(const std::vector<FieldDef> &fields, const std::string &name)
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsNoCase(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void validateIndex(const std::vector<FieldDef> &fields, const IndexDef &index)
{
    if (index.name.empty())
        throw EngineError("Un índice debe tener nombre.");
    if (index.name.size() > kMaxNameBytes || index.fields.size() > kMaxNameBytes * kMaxFields)
        throw EngineError("El nombre o la lista de campos de un índice es demasiado larga.");
    for (const auto &name : splitFields(index.fields)) {
        const int f = findField(fields, name);
        if (f < 0)
            throw EngineError("El índice «" + index.name + "» nombra el campo «" + name + "», que no existe.");
        if (fields[static_cast<std::size_t>(f)].type == FieldType::Blob)
            throw EngineError("El índice «" + index.name + "» no puede incluir el campo binario «" + name + "».");
    }
}

std::string indexSql(const std::vector<FieldDef> &fields, const IndexDef &index)
{
    std::string sql = "CREATE INDEX " + quoteIdentifier("orv_idx_" + index.name) + " ON data(";
    bool first = true;
    for (const auto &name : splitFields(index.fields)) {
        if (!first)
            sql += ", ";
        first = false;
        sql += quoteIdentifier(fields[static_cast<std::size_t>(findField(fields, name))].name);
    }
    return sql + ")";
}

void appendInteger(std::string &out, std::int64_t v)
{
    // Order-preserving: a tag byte telling sign and length, then the bytes big-endian.
    int n = 1;
    if (v >= 0) {
        while (n < 8 && (static_cast<std::uint64_t>(v) >> (8 * n)) != 0)
            ++n;
        out += static_cast<char>(0x10 + n);
    } else {
        const std::uint64_t u = ~static_cast<std::uint64_t>(v);
        while (n < 8 && (u >> (8 * n)) != 0)
            ++n;
        out += static_cast<char>(0x10 - n);
    }
    const auto bits = static_cast<std::uint64_t>(v);
    for (int i = n - 1; i >= 0; --i)
        out += static_cast<char>((bits >> (8 * i)) & 0xff);
}

bool parseInteger(std::string_view s, std::int64_t &out)
{
    if (s.empty())
        return false;
    std::size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size())
        return false;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9' || v > (INT64_MAX - 9) / 10)
            return false;
        v = v * 10 + (s[i] - '0');
    }
    out = s[0] == '-' ? -v : v;
    return true;
}

} // namespace

int Schema::find(const std::string &name) const { return findField(fields, name); }

std::string Schema::smallSelectList() const
{
    std::string s = "rowid";
    for (int f : smallFields)
        s += ", " + quoteIdentifier(fields[static_cast<std::size_t>(f)].name);
    return s;
}

Value Schema::readValue(const Statement &s, int col, int f) const
{
    Value v;
    readValueInto(s, col, f, v);
    return v;
}

void Schema::readValueInto(const Statement &s, int col, int f, Value &out) const
{
    const int type = s.columnType(col);
    out.kind = Value::Kind::Null;
    out.integer = 0;
    if (type == SQLITE_NULL)
        return;
    switch (fields[static_cast<std::size_t>(f)].type) {
    case FieldType::SmallInt:
    case FieldType::AutoInc:
    case FieldType::Boolean: {
        std::int64_t v = 0;
        if (type == SQLITE_INTEGER)
            v = s.columnInt(col);
        else if (type == SQLITE_FLOAT)
            v = static_cast<std::int64_t>(s.columnDouble(col));
        else if (!parseInteger(s.columnBytes(col), v))
            return;
        if (fields[static_cast<std::size_t>(f)].type == FieldType::Boolean)
            v = v != 0;
        out.kind = Value::Kind::Integer;
        out.integer = v;
        return;
    }
    case FieldType::String:
    case FieldType::Blob: {
        const std::string_view b = s.columnBytes(col);
        if (b.empty())
            return;
        out.kind = Value::Kind::Bytes;
        out.bytes.assign(b.data(), b.size());
        return;
    }
    }
}

void Schema::readSmall(const Statement &s, int firstCol, Row &row) const
{
    int col = firstCol;
    for (int f : smallFields)
        readValueInto(s, col++, f, row[static_cast<std::size_t>(f)]);
}

SortKey Schema::key(const Row &row) const
{
    SortKey k;
    if (packedKeys) {
        // 20 bits a field, blank as 0; values beyond +-524287 (only in files written by other
        // programs) share the end places.
        constexpr std::int64_t kLimit = (1 << 19) - 1;
        for (int f : keyFields) {
            const Value &v = row[static_cast<std::size_t>(f)];
            k.packed <<= 20;
            if (v.kind == Value::Kind::Integer)
                k.packed |= static_cast<std::uint64_t>(std::clamp(v.integer, -kLimit, kLimit) + kLimit + 1);
        }
        return k;
    }
    for (int f : keyFields) {
        const Value &v = row[static_cast<std::size_t>(f)];
        if (v.isBlank()) {
            k.bytes += '\0';
        } else if (v.kind == Value::Kind::Integer) {
            appendInteger(k.bytes, v.integer);
        } else {
            k.bytes += '\x20';
            for (char c : v.bytes) {
                k.bytes += c;
                if (c == '\0')
                    k.bytes += '\xff';
            }
            k.bytes += '\0';
            k.bytes += '\0';
        }
    }
    return k;
}

std::string Schema::blobTable(int f) const { return "orv_blob" + std::to_string(f); }

RowReader::RowReader(Database &db, const Schema &schema) : schema_(schema)
{
    small_ = db.prepare("SELECT " + schema.smallSelectList() + " FROM data WHERE rowid = ?");
    for (int f : schema.blobFields)
        blobs_.push_back(db.prepare("SELECT v FROM " + schema.blobTable(f) + " WHERE id = ?"));
}

bool RowReader::read(std::int64_t id, Row &row)
{
    auto one = [&](Statement &s, const std::function<void()> &take) {
        s.bindInt(1, id);
        try {
            const bool found = s.step();
            if (found)
                take();
            s.reset();
            return found;
        } catch (...) {
            s.reset();
            throw;
        }
    };
    if (!one(small_, [&] { schema_.readSmall(small_, 1, row); }))
        return false;
    for (std::size_t i = 0; i < blobs_.size(); ++i) {
        const int f = schema_.blobFields[i];
        Value &v = row[static_cast<std::size_t>(f)];
        if (!one(blobs_[i], [&] { schema_.readValueInto(blobs_[i], 0, f, v); }))
            v = Value();
    }
    return true;
}

RowWriter::RowWriter(Database &db, const Schema &schema, bool keepId) : db_(db), schema_(schema), keepId_(keepId)
{
    std::string cols = keepId ? "rowid" : "", vals = keepId ? "?" : "";
    for (int f : schema.smallFields) {
        if (f == schema.autoInc)
            continue;
        cols += (cols.empty() ? "" : ", ") + quoteIdentifier(schema.fields[static_cast<std::size_t>(f)].name);
        vals += vals.empty() ? "?" : ", ?";
    }
    insert_ = cols.empty() ? db.prepare("INSERT INTO data DEFAULT VALUES")
                           : db.prepare("INSERT INTO data(" + cols + ") VALUES(" + vals + ")");
    for (int f : schema.blobFields)
        blobs_.push_back(db.prepare("INSERT INTO " + schema.blobTable(f) + "(id, v) VALUES(?, ?)"));
}

std::int64_t RowWriter::write(const Row &row, std::int64_t id)
{
    int n = 1;
    if (keepId_)
        insert_.bindInt(n++, id);
    for (int f : schema_.smallFields)
        if (f != schema_.autoInc)
            bindValue(insert_, n++, schema_.fields[static_cast<std::size_t>(f)].type, row[static_cast<std::size_t>(f)]);
    insert_.execute();
    const std::int64_t written = keepId_ ? id : db_.lastInsertRowid();
    for (std::size_t i = 0; i < blobs_.size(); ++i) {
        const Value &v = row[static_cast<std::size_t>(schema_.blobFields[i])];
        if (v.isBlank())
            continue;
        blobs_[i].bindInt(1, written);
        bindValue(blobs_[i], 2, FieldType::Blob, v);
        blobs_[i].execute();
    }
    return written;
}

void bindValue(Statement &s, int index, FieldType type, const Value &v)
{
    if (v.isBlank())
        s.bindNull(index);
    else if (v.kind == Value::Kind::Integer)
        s.bindInt(index, v.integer);
    else if (type == FieldType::Blob)
        s.bindBlob(index, v.bytes);
    else
        s.bindText(index, v.bytes);
}

void validateDefinitions(const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes)
{
    if (fields.empty())
        throw EngineError("Una tabla necesita al menos un campo.");
    if (fields.size() > static_cast<std::size_t>(kMaxFields))
        throw EngineError("Una tabla no puede tener más de " + std::to_string(kMaxFields) + " campos.");
    if (indexes.size() > static_cast<std::size_t>(kMaxIndexes))
        throw EngineError("Una tabla no puede tener más de " + std::to_string(kMaxIndexes) + " índices.");
    int autoIncs = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef &f = fields[i];
        if (f.name.empty())
            throw EngineError("El campo " + std::to_string(i + 1) + " no tiene nombre.");
        if (f.name.size() > kMaxNameBytes)
            throw EngineError("El nombre del campo " + std::to_string(i + 1) + " es demasiado largo.");
        for (unsigned char c : f.name)
            if (c < 0x20)
                throw EngineError("El nombre del campo «" + f.name + "» tiene caracteres no válidos.");
        if (equalsNoCase(f.name, "rowid") || equalsNoCase(f.name, "oid") || equalsNoCase(f.name, "_rowid_"))
            throw EngineError("«" + f.name + "» no puede ser el nombre de un campo.");
        if (findField(fields, f.name) != static_cast<int>(i))
            throw EngineError("El campo «" + f.name + "» está repetido.");
        if (f.type == FieldType::String && (f.size < 1 || f.size > 255))
            throw EngineError("El campo de texto «" + f.name + "» debe tener de 1 a 255 caracteres (tiene "
                              + std::to_string(f.size) + ").");
        if (f.type == FieldType::AutoInc && ++autoIncs > 1)
            throw EngineError("Una tabla sólo puede tener un campo autoincremental.");
    }
    int primaries = 0;
    for (const auto &index : indexes) {
        validateIndex(fields, index);
        if (index.primary && ++primaries > 1)
            throw EngineError("Una tabla sólo puede tener un índice primario.");
    }
}

namespace {

// One object of a table file's SQLite schema: its kind ("table", "index", "trigger") as
// sqlite_schema names it, its name and the statement that creates it.
struct SchemaObject {
    std::string type, name, sql;
};

// The tables of the field and index definitions, alike in every format.
std::vector<SchemaObject> definitionTables()
{
    return {
        {"table", "orv_fields",
         "CREATE TABLE orv_fields(pos INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL, "
         "size INTEGER NOT NULL)"},
        {"table", "orv_indexes",
         "CREATE TABLE orv_indexes(name TEXT NOT NULL, fields TEXT NOT NULL, is_primary INTEGER NOT NULL)"},
    };
}

// The objects a table file of the given format holds for these definitions, in the order in
// which they are created: format 1 kept the blobs as the last columns of data, format 2 keeps
// them in tables of their own, which a trigger empties with the record.
std::vector<SchemaObject> ownObjects(const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes,
                                     int version)
{
    std::vector<SchemaObject> objects = definitionTables();
    std::string cols;
    auto addColumn = [&](const FieldDef &f) {
        if (!cols.empty())
            cols += ", ";
        cols += quoteIdentifier(f.name);
        switch (f.type) {
        case FieldType::AutoInc: cols += " INTEGER PRIMARY KEY AUTOINCREMENT"; break;
        case FieldType::SmallInt:
        case FieldType::Boolean: cols += " INTEGER"; break;
        case FieldType::String: cols += " TEXT"; break;
        case FieldType::Blob: cols += " BLOB"; break;
        }
    };
    for (const auto &f : fields)
        if (f.type != FieldType::Blob)
            addColumn(f);
    if (version == 1)
        for (const auto &f : fields)
            if (f.type == FieldType::Blob)
                addColumn(f);
    objects.push_back({"table", "data", "CREATE TABLE data(" + cols + ")"});
    if (version >= 2) {
        std::string deletes;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].type == FieldType::Blob) {
                const std::string table = "orv_blob" + std::to_string(i);
                objects.push_back({"table", table, "CREATE TABLE " + table + "(id INTEGER PRIMARY KEY, v BLOB NOT NULL)"});
                deletes += "DELETE FROM " + table + " WHERE id = old.rowid; ";
            }
        if (!deletes.empty())
            objects.push_back({"trigger", "orv_delete_blobs",
                               "CREATE TRIGGER orv_delete_blobs AFTER DELETE ON data BEGIN " + deletes + "END"});
    }
    for (const auto &index : indexes)
        objects.push_back({"index", "orv_idx_" + index.name, indexSql(fields, index)});
    return objects;
}

// "la tabla", "el índice", ... for a kind of schema object.
std::string kindOf(std::string_view type)
{
    if (type == "table")
        return "la tabla";
    if (type == "index")
        return "el índice";
    if (type == "trigger")
        return "el disparador";
    if (type == "view")
        return "la vista";
    return "el objeto";
}

} // namespace

void createSchema(Database &db, const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes)
{
    validateDefinitions(fields, indexes);
    db.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    db.exec("PRAGMA user_version = " + std::to_string(kFormatVersion));
    db.exec("BEGIN");
    try {
        for (const SchemaObject &object : ownObjects(fields, indexes, kFormatVersion))
            db.exec(object.sql);
        Statement ins = db.prepare("INSERT INTO orv_fields(pos, name, type, size) VALUES(?, ?, ?, ?)");
        for (std::size_t i = 0; i < fields.size(); ++i) {
            ins.bindInt(1, static_cast<std::int64_t>(i));
            ins.bindText(2, fields[i].name);
            ins.bindText(3, fieldTypeName(fields[i].type));
            ins.bindInt(4, fields[i].size);
            ins.execute();
        }
        Statement idx = db.prepare("INSERT INTO orv_indexes(name, fields, is_primary) VALUES(?, ?, ?)");
        for (const auto &index : indexes) {
            idx.bindText(1, index.name);
            idx.bindText(2, index.fields);
            idx.bindInt(3, index.primary ? 1 : 0);
            idx.execute();
        }
        db.exec("COMMIT");
    } catch (...) {
        db.rollback();
        throw;
    }
}

void requireOwnSchema(Database &db, const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes,
                      int version)
{
    const std::vector<SchemaObject> expected = ownObjects(fields, indexes, version);
    std::vector<bool> found(expected.size(), false);
    auto damaged = [&](const std::string &what) {
        return EngineError("La tabla «" + db.path() + "» está dañada: " + what + ".");
    };
    // One row more than a file of ours can hold (its own objects and the AutoInc counter's
    // table) shows a stranger among the rows read, so no more are read.
    Statement q = db.prepare("SELECT type, name, sql FROM sqlite_schema LIMIT " + std::to_string(expected.size() + 2));
    while (q.step()) {
        const std::string_view type = q.columnBytes(0), name = q.columnBytes(1), sql = q.columnBytes(2);
        // SQLite's own table of AutoInc counters.
        if (type == "table" && name == "sqlite_sequence" && sql == "CREATE TABLE sqlite_sequence(name,seq)")
            continue;
        bool ours = false;
        for (std::size_t i = 0; i < expected.size() && !ours; ++i)
            if (!found[i] && type == expected[i].type && name == expected[i].name && sql == expected[i].sql)
                ours = found[i] = true;
        if (!ours)
            throw damaged("su esquema contiene " + kindOf(type) + " «" + std::string(name.substr(0, kMaxNameBytes))
                          + "», que este programa no ha creado");
    }
    // A missing index or trigger of ours runs nothing; packing the table makes it again.
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!found[i] && expected[i].type == "table")
            throw damaged("a su esquema le falta " + kindOf(expected[i].type) + " «" + expected[i].name + "»");
}

int formatVersion(Database &db)
{
    if (db.queryInt("PRAGMA application_id") != kApplicationId)
        throw EngineError("El fichero «" + db.path() + "» no es una tabla de este programa.");
    const std::int64_t version = db.queryInt("PRAGMA user_version");
    if (version > kFormatVersion)
        throw NewerFormatError("La tabla «" + db.path() + "» tiene el formato " + std::to_string(version)
                          + ", de una versión más reciente del programa; esta versión sólo lee hasta el formato "
                          + std::to_string(kFormatVersion)
                          + ". Ábrala con la versión del programa que la creó o con una posterior. "
                            "La tabla no se ha modificado.");
    return static_cast<int>(version);
}

void loadDefinitions(Database &db, std::vector<FieldDef> &fields, std::vector<IndexDef> &indexes)
{
    const std::string &path = db.path();
    auto damaged = [&](const std::string &what) {
        return EngineError("La tabla «" + path + "» está dañada: " + what + ".");
    };
    // Only as many rows as a table can have are read, and no longer texts than a name can
    // be: a file that holds more is refused after that much.
    auto text = [&](const Statement &q, int col) {
        const std::string_view b = q.columnBytes(col);
        if (b.size() > kMaxNameBytes * kMaxFields)
            throw damaged("sus definiciones no son válidas (un nombre es demasiado largo)");
        return std::string(b);
    };
    fields.clear();
    indexes.clear();
    // The definitions are read only from the plain tables this program creates for them.
    for (const SchemaObject &table : definitionTables()) {
        Statement q = db.prepare("SELECT type, name, sql FROM sqlite_schema WHERE name = ? COLLATE NOCASE LIMIT 2");
        q.bindText(1, table.name);
        int same = 0, rows = 0;
        while (q.step()) {
            ++rows;
            same += q.columnBytes(0) == table.type && q.columnBytes(1) == table.name && q.columnBytes(2) == table.sql;
        }
        if (rows != 1 || same != 1)
            throw damaged(rows == 0 ? "a su esquema le falta la tabla «" + table.name + "»"
                                    : "su esquema contiene la tabla «" + table.name
                                          + "» de un modo en que este programa no la crea");
    }
    {
        Statement q = db.prepare("SELECT pos, name, type, size FROM orv_fields ORDER BY rowid LIMIT "
                                 + std::to_string(kMaxFields + 1));
        while (q.step()) {
            if (fields.size() == static_cast<std::size_t>(kMaxFields))
                throw damaged("tiene más de " + std::to_string(kMaxFields) + " campos");
            FieldDef f;
            f.name = text(q, 1);
            if (q.columnInt(0) != static_cast<std::int64_t>(fields.size()))
                throw damaged("el campo «" + f.name + "» está fuera de su orden");
            if (!typeFromName(text(q, 2), f.type))
                throw damaged("el campo «" + f.name + "» tiene un tipo desconocido");
            const std::int64_t size = q.columnInt(3);
            f.size = size < 0 || size > 65535 ? -1 : static_cast<int>(size);
            fields.push_back(std::move(f));
        }
    }
    {
        Statement q = db.prepare("SELECT name, fields, is_primary FROM orv_indexes ORDER BY rowid LIMIT "
                                 + std::to_string(kMaxIndexes + 1));
        while (q.step()) {
            if (indexes.size() == static_cast<std::size_t>(kMaxIndexes))
                throw damaged("tiene más de " + std::to_string(kMaxIndexes) + " índices");
            IndexDef i;
            i.name = text(q, 0);
            i.fields = text(q, 1);
            i.primary = q.columnInt(2) != 0;
            indexes.push_back(std::move(i));
        }
    }
}

Schema loadSchema(Database &db)
{
    const std::string &path = db.path();
    if (formatVersion(db) < kFormatVersion)
        throw EngineError("La tabla «" + path + "» tiene el formato de una versión anterior del programa.");
    Schema s;
    auto damaged = [&](const std::string &what) {
        return EngineError("La tabla «" + path + "» está dañada: " + what + ".");
    };
    loadDefinitions(db, s.fields, s.indexes);
    try {
        validateDefinitions(s.fields, s.indexes);
    } catch (const EngineError &e) {
        throw damaged(std::string("sus definiciones no son válidas (") + e.what() + ")");
    }
    requireOwnSchema(db, s.fields, s.indexes, kFormatVersion);
    std::vector<std::pair<std::string, bool>> columns; // name, is primary key
    {
        Statement q = db.prepare("PRAGMA table_info(data)");
        while (q.step())
            columns.emplace_back(std::string(q.columnBytes(1)), q.columnInt(5) != 0);
    }
    for (std::size_t i = 0; i < s.fields.size(); ++i) {
        const FieldDef &f = s.fields[i];
        bool found = false;
        for (const auto &[name, pk] : columns)
            if (equalsNoCase(name, f.name)) {
                found = true;
                if (f.type == FieldType::AutoInc && !pk)
                    throw damaged("el campo autoincremental «" + f.name + "» no es la clave de los registros");
            }
        if (f.type == FieldType::Blob) {
            Statement t = db.prepare("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?");
            t.bindText(1, s.blobTable(static_cast<int>(i)));
            found = t.step() && t.columnInt(0) == 1;
        }
        if (!found)
            throw damaged("falta la columna del campo «" + f.name + "»");
        if (f.type == FieldType::AutoInc)
            s.autoInc = static_cast<int>(i);
        if (f.type == FieldType::Blob)
            s.blobFields.push_back(static_cast<int>(i));
        else
            s.smallFields.push_back(static_cast<int>(i));
    }
    for (const auto &index : s.indexes) {
        if (!index.primary)
            continue;
        s.primaryText = index.fields;
        for (const auto &name : splitFields(index.fields)) {
            const int f = s.find(name);
            if (f == s.autoInc)
                break; // the record identity ends every key
            s.keyFields.push_back(f);
        }
    }
    s.packedKeys = s.keyFields.size() <= 3;
    for (int f : s.keyFields) {
        const FieldType t = s.fields[static_cast<std::size_t>(f)].type;
        if (t != FieldType::SmallInt && t != FieldType::Boolean)
            s.packedKeys = false;
    }
    return s;
}

void configureConnection(Database &db)
{
    // Every commit lands in the table file itself, synchronised to disk before the commit
    // returns: a rollback journal (never a write-ahead log, whose recent pages a copy of the
    // table file alone would miss), deleted at the end of each transaction, with the folder
    // synchronised too so that the deletion that commits survives a power cut. Tables written
    // by earlier versions in write-ahead-log mode are folded back on their first opening.
    if (!db.readOnly() && db.queryText("PRAGMA journal_mode") != kJournalMode) {
        try {
            db.exec(std::string("PRAGMA journal_mode = ") + kJournalMode);
        } catch (const EngineError &) {
            // Another holder keeps the old journal mode; the table still works with it.
        }
    }
    db.exec(std::string("PRAGMA synchronous = ") + kSynchronous);
    db.exec("PRAGMA cache_size = -8192");
    db.exec(std::string("PRAGMA mmap_size = ") + kMapSize);
}

void addIndexToSchema(Database &db, const Schema &schema, const IndexDef &index)
{
    validateIndex(schema.fields, index);
    db.exec("BEGIN IMMEDIATE");
    try {
        for (const auto &old : schema.indexes)
            if (equalsNoCase(old.name, index.name) || (index.primary && old.primary)) {
                db.exec("DROP INDEX IF EXISTS " + quoteIdentifier("orv_idx_" + old.name));
                Statement del = db.prepare("DELETE FROM orv_indexes WHERE name = ?");
                del.bindText(1, old.name);
                del.run();
            }
        db.exec(indexSql(schema.fields, index));
        Statement ins = db.prepare("INSERT INTO orv_indexes(name, fields, is_primary) VALUES(?, ?, ?)");
        ins.bindText(1, index.name);
        ins.bindText(2, index.fields);
        ins.bindInt(3, index.primary ? 1 : 0);
        ins.run();
        db.exec("COMMIT");
    } catch (...) {
        db.rollback();
        throw;
    }
}

void rebuildIndexes(Database &db, const Schema &schema)
{
    db.exec("BEGIN IMMEDIATE");
    try {
        std::vector<std::string> old;
        {
            Statement q = db.prepare("SELECT name FROM sqlite_schema WHERE type = 'index' AND tbl_name = 'data' "
                                     "AND substr(name, 1, 8) = 'orv_idx_'");
            while (q.step())
                old.emplace_back(q.columnBytes(0));
        }
        for (const auto &name : old)
            db.exec("DROP INDEX " + quoteIdentifier(name));
        for (const auto &index : schema.indexes)
            db.exec(indexSql(schema.fields, index));
        db.exec("COMMIT");
    } catch (...) {
        db.rollback();
        throw;
    }
}

void removeSideFiles(const std::string &path)
{
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        ::unlink((path + suffix).c_str());
}

bool syncPath(const std::string &path, bool folder)
{
    const int fd = ::open(path.c_str(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string folderOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

void createTableFile(Database &db, const std::string &tmpPath, const std::vector<FieldDef> &fields,
                     const std::vector<IndexDef> &indexes)
{
    ::unlink(tmpPath.c_str());
    removeSideFiles(tmpPath);
    db.open(tmpPath, true);
    try {
        createSchema(db, fields, indexes);
    } catch (...) {
        db.close();
        ::unlink(tmpPath.c_str());
        removeSideFiles(tmpPath);
        throw;
    }
}

void fillTableFile(Database &out, const std::string &tmpPath, const std::function<void()> &fill)
{
    try {
        out.exec("BEGIN");
        fill();
        out.exec("COMMIT");
    } catch (...) {
        out.rollback();
        out.close();
        ::unlink(tmpPath.c_str());
        removeSideFiles(tmpPath);
        throw;
    }
}

void replaceTableFile(const std::string &tmpPath, const std::string &path, bool alreadyLocked)
{
    FileLock old;
    struct stat st;
    if (!alreadyLocked && ::stat(path.c_str(), &st) == 0) {
        try {
            old = FileLock::acquire(path, true);
        } catch (const EngineError &) {
            ::unlink(tmpPath.c_str());
            throw EngineError("No se puede sustituir la tabla «" + path + "»: está abierta.");
        }
    }
    syncPath(tmpPath, false);
    removeSideFiles(path);
    if (std::rename(tmpPath.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpPath.c_str());
        throw EngineError("No se puede crear la tabla «" + path + "» (" + std::strerror(err) + ").");
    }
    syncPath(folderOf(path), true);
}

std::string temporaryPathBeside(const std::string &path)
{
    // Short, so that it (and its journal) fits wherever the table's own name does.
    static std::atomic<unsigned> counter{0};
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    char name[40];
    std::snprintf(name, sizeof name, ".~tb%x-%x", static_cast<unsigned>(::getpid()), ++counter);
    return folder + name;
}

namespace {
int hexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}
} // namespace

void removeStaleTemporaries(const std::string &path)
{
    const std::string folder = folderOf(path);
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const pid_t self = ::getpid();
    std::vector<std::string> stale;
    while (const dirent *e = ::readdir(dir)) {
        // ".~tb<pid>-<n>", maybe followed by a side file's suffix, all from temporaryPathBeside.
        const std::string_view name = e->d_name;
        if (name.substr(0, 4) != ".~tb")
            continue;
        std::size_t i = 4;
        unsigned long pid = 0;
        while (i < name.size() && std::isxdigit(static_cast<unsigned char>(name[i])) && pid <= 0xffffffffUL)
            pid = pid * 16 + static_cast<unsigned long>(hexDigit(name[i++]));
        if (i == 4 || i >= name.size() || name[i] != '-' || pid == 0 || pid > 0x7fffffffUL)
            continue;
        const std::size_t digits = ++i;
        while (i < name.size() && std::isxdigit(static_cast<unsigned char>(name[i])))
            ++i;
        const std::string_view rest = name.substr(i);
        if (i == digits || !(rest.empty() || rest == "-journal" || rest == "-wal" || rest == "-shm"))
            continue;
        if (static_cast<pid_t>(pid) == self)
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // its process is still there (or not ours to ask about)
        stale.emplace_back(name);
    }
    ::closedir(dir);
    for (const auto &name : stale)
        ::unlink((folder + "/" + name).c_str());
}

} // namespace engine
