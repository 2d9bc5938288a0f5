#pragma once
// How a table's definitions live in its SQLite file, and the SQL built from them.
//
// A table file holds:
//   PRAGMA application_id = kApplicationId, user_version = kFormatVersion
//   orv_fields(pos, name, type, size)        the field definitions in field order
//   orv_indexes(name, fields, is_primary)    the index definitions
//   data(...)                                one column per non-blob field, named after it;
//                                            an AutoInc field is the rowid (INTEGER PRIMARY
//                                            KEY AUTOINCREMENT, never reused)
//   orv_blob<pos>(id, v)                     one table per blob field (pos: its place in the
//                                            field order), keyed by the record's rowid; a
//                                            blank blob has no row. Scans, filters, counts
//                                            and updates of the other fields never touch a
//                                            blob's pages, and a blob is written only when it
//                                            is set. A trigger on data deletes a record's
//                                            blobs with it.
//   orv_idx_<name>                           one SQLite index per index definition
//
// Format 1 kept the blobs as the last columns of data. Such a file is converted when it is
// opened (Convert.cpp); nothing else reads that layout. A file holds nothing else: any other
// schema object, and any other format number, makes it a damaged table.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FieldDef.h"
#include "engine/Sqlite.h"
#include "engine/Value.h"
#include "engine/View.h"

namespace engine {


constexpr std::int32_t kApplicationId = 0x4F563244; // "OV2D"
constexpr int kFormatVersion = 2;
// Definitions read before a table is refused as damaged: more than any table of the program
// holds (the card table has 17 fields and one index, the print table 7 fields).
constexpr int kMaxFields = 64;
constexpr int kMaxIndexes = 16;
constexpr std::size_t kMaxNameBytes = 128;
// The journal and synchronisation of every connection (see configureConnection).
inline constexpr const char *kJournalMode = "delete";
inline constexpr const char *kSynchronous = "EXTRA";
// The most of the table file a connection maps for its reads (see configureConnection).
inline constexpr const char *kMapSize = "268435456";

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
    // The side table of blob field f.
    std::string blobTable(int f) const;
};

// Reads whole records (non-blob values and blobs) by identity.
class RowReader {
public:
    RowReader(Database &db, const Schema &schema);
    bool read(std::int64_t id, Row &row); // false when there is no such record

private:
    const Schema &schema_;
    Statement small_;
    std::vector<Statement> blobs_;
};

// Writes whole records: the non-blob values into data, each non-blank blob into its table.
// The caller holds the transaction.
class RowWriter {
public:
    // keepId: write() takes the record's identity; otherwise a new one is given.
    RowWriter(Database &db, const Schema &schema, bool keepId);
    std::int64_t write(const Row &row, std::int64_t id = 0);

private:
    Database &db_;
    const Schema &schema_;
    bool keepId_;
    Statement insert_;
    std::vector<Statement> blobs_;
};

// Binds a value of a field of the given type (blank as NULL).
void bindValue(Statement &s, int index, FieldType type, const Value &v);

// Checks field and index definitions; EngineError naming the fault.
void validateDefinitions(const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes);

// Writes the definitions into a new, empty database.
void createSchema(Database &db, const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes);

// Reads the definitions of an open table file; EngineError when it is not one of ours, is
// of a newer format, or holds definitions no table of the program can have (refused after
// reading at most kMaxFields fields and kMaxIndexes indexes). A file of an older format is
// refused too: Table::open converts it first (Convert.cpp).
Schema loadSchema(Database &db);
// Refuses (EngineError, the table is damaged) a file whose SQLite schema is not exactly what
// this program creates for these definitions in the given format: a trigger, view, table or
// index of anyone else's, or one of ours whose statement differs (another column, an index
// over an expression), would run or take effect when the file is read or written. A missing
// table of ours makes it damaged too; a missing index or trigger of ours does not.
void requireOwnSchema(Database &db, const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes,
                      int version);
// The file's format version; EngineError when it is not a table of this program.
int formatVersion(Database &db);
// The definitions alone, as loadSchema reads them (no check of the records' tables; the
// tables of the definitions must be exactly the program's).
void loadDefinitions(Database &db, std::vector<FieldDef> &fields, std::vector<IndexDef> &indexes);

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

// Forces a file (or folder) to the disk: false when it could not be, which a caller that goes
// on anyway leaves to the next write to show.
bool syncPath(const std::string &path, bool folder);
// The folder of a path ("." when it names none).
std::string folderOf(const std::string &path);

// A fresh temporary name in the folder of `path`: ".~tb<pid>-<n>", in hexadecimal.
std::string temporaryPathBeside(const std::string &path);
// Removes the temporary names (and their SQLite side files) in the folder of `path` that
// belong to processes that are gone: the leftovers of killed work.
void removeStaleTemporaries(const std::string &path);

} // namespace engine
