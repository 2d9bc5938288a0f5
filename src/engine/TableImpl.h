#pragma once
// The inside of a Table, shared by the table, its fields and the batch move.
#include <map>
#include <memory>
#include <unordered_map>

#include "engine/FileLock.h"
#include "engine/RowCache.h"
#include "engine/Filter.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "engine/Table.h"

namespace engine {

constexpr std::size_t kChunk = 64;      // records read in one go
constexpr std::size_t kCacheMax = 4096; // records kept in memory (their non-blob values)

struct Table::Impl {
    explicit Impl(Table &table) : self(table) {}

    Table &self;

    // Settings kept while closed.
    std::string databaseName;
    std::string tableName;
    std::vector<FieldDef> createFields;
    std::vector<IndexDef> createIndexes;
    bool exclusive = false;
    bool writesRefused = false; // of the open table (Table::refuseWrites)
    std::string filterText;
    bool filtered = false;
    bool secureDelete = false;
    bool writeThrough = true;

    // The open table. The lock is declared before the connection and the connection before
    // its statements, so that they are let go in the opposite order.
    State state = State::Inactive;
    FileLock lock;
    Database db;
    Schema schema;
    std::vector<Field> fields;
    Filter compiled;
    bool compiledOk = false;
    Statement fetchStmt;
    struct BlobStatements {
        Statement read, length, write, erase;
    };
    std::vector<BlobStatements> blobStmts; // by position in schema.blobFields
    std::unique_ptr<RowWriter> inserter;
    Statement deleteStmt;
    Statement existsStmt;
    std::map<std::vector<int>, Statement> updateStmts; // by the set of fields written

    // The view: record identities in order, with their sort keys.
    View view;
    std::ptrdiff_t pos = -1; // current position in view, -1 when none
    bool bof = true;
    bool eof = true;
    int direction = 1; // of the last move, for read-ahead

    // Non-blob values of recently read records (blob slots stay blank).
    RowCache cache;
    // Blobs of the current record, read when asked for.
    std::int64_t blobsOf = 0;
    Row blobs;
    std::vector<char> blobLoaded;

    // The edit buffer.
    Row buf;
    std::vector<char> bufLoaded; // blob slots read (or written)
    std::vector<char> dirty;
    bool modified = false;
    std::int64_t editId = 0;
    std::ptrdiff_t posBeforeInsert = -1;
    // Posted new records are kept out of the view (Table::setViewDeferred); the last one.
    bool viewDeferred = false;
    std::int64_t lastDeferred = 0;

    // Display notifications.
    std::map<int, Listener> listeners;
    int nextListenerId = 1;
    int disabled = 0;
    bool held = false;

    // --- helpers ---
    std::string path() const;
    void requireActive() const;
    void requireEditing() const;
    // EngineError for a table opened read-only, DamagedTableError for one refusing writes.
    void requireWritable() const;
    const Filter *viewFilter() const { return filtered && compiledOk && !compiled.empty() ? &compiled : nullptr; }
    std::int64_t currentId() const { return pos >= 0 ? view.id(static_cast<std::size_t>(pos)) : 0; }

    void openConnection(bool exclusiveLock);
    // Runs work(impl) on a connection of its own to this (closed) table, closed afterwards.
    template <class Work> void onOwnConnection(bool exclusiveLock, Work work)
    {
        Impl own(self);
        own.databaseName = databaseName;
        own.tableName = tableName;
        own.openConnection(exclusiveLock);
        try {
            work(own);
        } catch (...) {
            own.closeConnection();
            throw;
        }
        own.closeConnection();
    }
    void closeConnection();
    void prepareStatements();
    void buildView();
    void setFromFirst();
    const Row &rowAt(std::size_t position);
    const Value &blobOf(std::int64_t id, int field, Row &store, std::vector<char> &loaded);
    std::size_t blobSlot(int field) const;
    // Whether the stored blob of a record equals v (its length is compared first).
    bool storedBlobEquals(std::int64_t id, int field, const Value &v);
    void writeBlob(std::int64_t id, int field, const Value &v);
    const Value &value(int field);
    void setValue(int field, Value v);

    void notify(Event event, int field = -1);
    void fireBeforeScroll();
    void fireAfterScroll();
    template <class Move> void scroll(Move move)
    {
        fireBeforeScroll();
        move();
        fireAfterScroll();
        notify(Event::Scrolled);
    }
    void moveFirst();
    void moveLast();
    bool moveNext();
    bool movePrior();
    void placeAfterRemoval(std::ptrdiff_t removedAt);

    void adoptBuffer(std::int64_t id);
    void postEdit(bool &moved);
    void postInsert(bool &moved);
    void reloadAfterChange(std::int64_t keepId);
    // reloadAfterChange, then DataChanged, and the scroll events when the current record changed.
    void reloadAndNotify(std::int64_t keepId);
};

std::string formatValue(const FieldDef &def, const Value &v);

// Reports long work to the process's progress hook (Table::setProgressHook): (0, total) now,
// (done, total) about two hundred times over the work, and (total, total) when it goes,
// whatever happens between.
class Progress {
public:
    explicit Progress(std::int64_t total);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;
    void at(std::int64_t done);

private:
    void report(std::int64_t done);
    std::int64_t total_;
    std::int64_t last_ = 0;
};

// Reads the rows of `select` (identity first, "... WHERE <identity> >= ? ORDER BY <identity>
// LIMIT 1") one by one: copy takes each row's values while it is read, write uses them. A
// stretch of the file that cannot be read is stepped over (Pack.cpp); true when one was.
bool readAcross(Database &in, const std::string &select, const std::function<void(const Statement &)> &copy,
                const std::function<void(std::int64_t id)> &write);
// Carries the AutoInc counter of `in` over to `out` when it is higher there.
void copySequence(Database &in, Database &out);
// EngineError unless the closed file at `path` passes SQLite's integrity check (its quick
// form, which leaves out the indexes' agreement with their tables, when not `full`).
void requireIntact(const std::string &path, bool full = true);
// The format version of the closed table file at `path` (EngineError when it is not one).
int formatVersionOf(const std::string &path);
// Converts the closed table file at `path`, of an older format, into the current one, on a
// copy beside it that replaces it once complete and checked (Convert.cpp). salvage: records
// that cannot be read are left out, as the packing does; otherwise they fail the conversion.
void convertTableFile(const std::string &path, bool salvage);

} // namespace engine
