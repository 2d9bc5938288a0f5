#pragma once
// How a table's definitions live in its SQLite file, and the SQL built from them.
//
// A table file holds:
//   PRAGMA application_id = kApplicationId, user_version = kFormatVersion
//   orv_fields(pos, name, type, size)        the field definitions in field order
//   orv_indexes(name, fields, is_primary)    the index definitions
//   data(...)                                one column per field, named after it: the
//                                            non-blob fields first, the blobs last (so that
//                                            reading the small fields never walks a picture);
//                                            an AutoInc field is the rowid (INTEGER PRIMARY
//                                            KEY AUTOINCREMENT, never reused)
//   orv_idx_<name>                           one SQLite index per index definition
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FieldDef.h"
#include "engine/Value.h"
#include "engine/View.h"

namespace engine {

class Database;
class Statement;

constexpr std::int32_t kApplicationId = 0x4F563244; // "OV2D"
constexpr int kFormatVersion = 1;
// The journal and synchronisation of every connection (see configureConnection).
inline constexpr const char *kJournalMode = "delete";
inline constexpr const char *kSynchronous = "EXTRA";

struct Schema {
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    int autoInc = -1;              // field index of the AutoInc field, -1 when none
    std::vector<int> keyFields;    // primary index fields up to (without) an AutoInc field
    bool packedKeys = true;        // keyFields are at most three SmallInt or Boolean fields
    std::string primaryText;       // the primary index's field list, "" when none
    std::vector<int> smallFields;  // non-blob fields, in field order
    std::vector<int> blobFields;

    int find(const std::string &name) const; // -1 when none (without regard to case)
    bool hasPrimary() const { return !primaryText.empty(); }

    // "rowid, "a", "b", ..." over the non-blob fields
    std::string smallSelectList() const;
    // Reads the non-blob values of a row of a statement whose columns start at `firstCol`
    // with smallSelectList() order (after the rowid), into a row of fields().size() values.
    void readSmall(const Statement &s, int firstCol, Row &row) const;
    // Reads one column into the value kind of field f.
    Value readValue(const Statement &s, int col, int f) const;
    void readValueInto(const Statement &s, int col, int f, Value &out) const; // reuses out's storage
    // The sort key of a row (only keyFields are read).
    SortKey key(const Row &row) const;
    // "INSERT INTO data(...) VALUES(...)" over every field but AutoInc, in field order.
    std::string insertSql() const;
    // "SELECT rowid, ... FROM data WHERE rowid = ?" over every field, in field order.
    std::string selectRowSql() const;
};

// Binds a value of a field of the given type (blank as NULL).
void bindValue(Statement &s, int index, FieldType type, const Value &v);

// Checks field and index definitions; EngineError naming the fault.
void validateDefinitions(const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes);

// Writes the definitions into a new, empty database.
void createSchema(Database &db, const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes);

// Reads the definitions of an open table file; EngineError when it is not one of ours.
Schema loadSchema(Database &db);

// Sets the connection's pragmas for ordinary work (journal, synchronous, cache).
void configureConnection(Database &db);

// Adds an index to the file's definitions (a primary index replaces the primary index).
void addIndexToSchema(Database &db, const Schema &schema, const IndexDef &index);

// Drops the file's SQLite indexes of its index definitions (also stray ones) and builds
// them again from the definitions, in one transaction.
void rebuildIndexes(Database &db, const Schema &schema);

// Removes the SQLite side files (-wal, -shm, -journal) left beside a table file.
void removeSideFiles(const std::string &path);

// Builds a new table file at `tmpPath` (removing anything there first) and returns it open.
void createTableFile(Database &db, const std::string &tmpPath, const std::vector<FieldDef> &fields,
                     const std::vector<IndexDef> &indexes);

// Fills the new table file `out` (open at `tmpPath`) in one transaction. When `fill` fails,
// the transaction is rolled back, the file is closed and removed, and the error goes on.
void fillTableFile(Database &out, const std::string &tmpPath, const std::function<void()> &fill);

// Puts the closed file `tmpPath` in place of `path`, which must not be held by anyone
// (EngineError otherwise) unless the caller holds it exclusively (alreadyLocked); removes
// SQLite side files of the old table first. The new file reaches the disk before the rename,
// and the rename before the call returns.
void replaceTableFile(const std::string &tmpPath, const std::string &path, bool alreadyLocked = false);

// A fresh temporary name in the folder of `path`.
std::string temporaryPathBeside(const std::string &path);

} // namespace engine
