#pragma once
// A table of the engine and its cursor.
//
// FILES. A table is one SQLite file. Its path is the table name when that is absolute,
// otherwise the database folder + "/" + the table name; ".DB" is added when the name does
// not already end in ".db" (in any case): folder "dat" + name "X" is "dat/X.DB", "IMP.db"
// stays "IMP.db", a full path ".../X.DB" stays as it is. The file holds the field and index
// definitions, the records with their blobs, and the primary index. While a table is open,
// While a write is under way SQLite keeps a rollback journal "X.DB-journal" beside it,
// deleted when the write commits; X.DB alone then holds every record, so the file can be
// copied whenever no write is under way. Reads go through a memory map of the file (up to
// 256 MB), so the figures of a process's memory include the pages of the file it has read.
//
// WRITE-THROUGH. Every Post, Delete and batch move is one transaction, committed and
// synchronised to disk (the file, the journal and the folder) when the call returns. A
// process killed or a machine that loses power at any instant leaves a file that opens,
// passes SQLite's integrity check and holds every record whose Post returned; a journal
// left by the interruption is rolled back at the next open. A table file written by an
// earlier version in write-ahead-log mode is folded back into one file at its first
// opening (checkpointFile() does both for a closed table).
// flushBuffers() is therefore a no-op kept for callers that flush after a post.
//
// EXCLUSIVE OPEN. Every open table takes an advisory open-file-description lock (fcntl
// F_OFD_SETLK) on one byte of its file outside SQLite's own lock bytes: shared for an
// ordinary open, exclusive for an exclusive open, never waiting. An exclusive open therefore
// fails with EngineError while any other Table object of this process or any other process
// has the file open, and an ordinary open fails while someone holds it exclusively. Within a
// process all Table objects on one file share one lock descriptor (counted), so that no
// descriptor of a file that SQLite holds is ever closed under it.
//
// ORDER. With a primary index the records run by the index fields (blanks first, integers
// by value, texts by their UTF-8 bytes), ties by AutoInc (record identity); an AutoInc
// field in the index ends the key. Keys need not be unique (no post is refused for a key).
// Without a primary index the records run in the order in which they were added; Insert then
// adds at the end like Append.
//
// CURSOR. The view is the table's records that pass the filter (when filtered() and the
// filter text is not blank), in the table's order. Navigation follows the class library:
//   first()  current := first record, bof() true, eof() true only when the view is empty.
//   last()   current := last record, eof() true, bof() true only when the view is empty.
//   next()   at the last record: eof() := true and the cursor stays; else one record on.
//   prior()  at the first record: bof() := true and the cursor stays; else one record back.
//   moveBy(n) n times next() or prior() (as one move); returns the records actually moved.
//   An empty view has bof() and eof() true and no current record.
// Each navigation call (also setRecNo, gotoBookmark, locate) fires beforeScroll, moves, then
// fires afterScroll, even when the cursor cannot move. In edit or insert state a navigation
// call first posts the record when a field was set, else cancels (checkBrowseMode()).
// Other events: open() fires afterScroll when the view holds a record; append() and insert()
// fire both scroll events (the new record becomes current), and so does cancel() of an
// insert; edit() fires none; refresh() fires afterScroll only when the current record
// changed.
//
// POST AND DELETE, and where the cursor stands afterwards:
//   Post of an edited record that still passes the filter: the cursor stays on it, at its
//     new place in the order when a key field changed.
//   Post of an edited record that no longer passes the filter: the record leaves the view;
//     the cursor stands on the record that followed it in the view before the post, or on
//     the new last record when it was the last; on an empty view bof() and eof() are true.
//   Post of an inserted (appended) record: when it passes the filter it takes its place in
//     the order and is the current record; when it does not, the cursor stands on the record
//     that follows its place in the order, or on the last record, or nowhere (empty view).
//   Delete: the cursor stands on the record that followed the deleted one, or on the new
//     last record when it was the last; on an empty view bof() and eof() are true.
//   After each of these bof() and eof() are false unless the view is empty.
//   Events: Post fires afterPost, and then afterScroll when the current record is no longer
//   the posted one. Delete fires beforeScroll before and afterScroll after.
// So "First; while not Eof: Delete" deletes the whole view, and "First; until Eof: Edit,
// set a non-key field, Post, Next" visits each record once. A loop "move the current record
// out of the view, then Next" visits every second record; to take records in order from the
// front, go back to First after each record that leaves the view.
//
// FILTER. The filter text is parsed (never pasted into SQL) by Filter (engine/Filter.h); see
// there for the language, the trailing "*" and the blank rule. On an open table setFilter()
// re-filters the view at once when filtered(), and setFiltered() when the switch changes;
// both first call checkBrowseMode() and then put the cursor on the first record of the new
// view (firing the scroll events). An invalid text raises EngineError and leaves the previous
// text and view in force; on a closed table the syntax is checked at once and the field names
// at open() (which then fails when the table is filtered, and otherwise at setFiltered(true)).
//
// VIEWS OF OTHER HOLDERS. The view lists the records found when it was last built (open,
// filter change, refresh()) and follows this object's own posts and deletes. Changes made
// through another Table object or process show after refresh().
//
// Not copyable; single-threaded like the windows that use it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/EngineError.h"
#include "engine/Field.h"
#include "engine/FieldDef.h"
#include "engine/Value.h"

namespace engine {

// What Table::salvage found in a damaged table file.
struct SalvageReport {
    bool damaged = false;         // some records, values or blobs could not be read
    std::int64_t recordsKept = 0; // carried over into the packed file
    // Records the file shows were there (by a blob or an index entry of theirs) that could
    // not be read; recordsUncounted: a damaged stretch of records of which nothing tells.
    std::int64_t recordsLost = 0;
    bool recordsUncounted = false;
    std::int64_t valuesLost = 0; // non-blob values of carried records left blank
    // By blob field, in field order: carried records whose blob could not be read.
    std::vector<std::pair<std::string, std::int64_t>> blobsLost;
    std::string keptAs; // where the damaged file was kept; empty when it was not
};

class Table {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    // Notifications for data-aware controls (the display events). They are held back while
    // controlsDisabled(); enableControls() back to zero then sends one DataChanged when any
    // was held back.
    enum class Event {
        Opened,
        Closed,
        Scrolled,     // the current record changed
        DataChanged,  // the view was rebuilt or a record posted, deleted or cancelled
        StateChanged, // Browse / Edit / Insert changed
        FieldChanged, // a field of the edit buffer was set (fieldIndex given)
    };
    using Listener = std::function<void(Event event, int fieldIndex)>;
    using Handler = std::function<void(Table &)>;

    Table();
    ~Table(); // closes (an unposted edit is cancelled)
    Table(const Table &) = delete;
    Table &operator=(const Table &) = delete;

    // --- naming (only while closed; EngineError when open) ---
    void setDatabaseName(std::string folder);
    const std::string &databaseName() const;
    void setTableName(std::string name);
    const std::string &tableName() const;
    std::string filePath() const; // the resolved file path (see FILES)
    bool exists() const;          // the file exists

    // --- definitions for createTable() ---
    std::vector<FieldDef> &fieldDefs();
    std::vector<IndexDef> &indexDefs();
    // Creates the table file from fieldDefs() and indexDefs(), replacing a table of that
    // name (EngineError when it is held open by anyone). The table stays closed. Field names
    // must be unique without regard to case; at most one AutoInc; String widths 1 to 255;
    // at most one primary index, on existing fields. The new file is built beside the old one
    // and renamed over it, so a failure leaves the old table as it was.
    void createTable();
    void createTable(const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes);
    // Adds an index to the table (open or closed). A primary index replaces the table's
    // primary index and re-orders an open view.
    void addIndex(const std::string &name, const std::string &fields, bool primary);
    // Deletes every record (AutoInc numbers are not reused afterwards).
    void emptyTable();

    // --- opening ---
    void setExclusive(bool exclusive); // only while closed
    bool exclusive() const;
    // Opens the table and stands on the first record of the view (firing the scroll events).
    // EngineError when the file is missing, is not a table of this engine (not SQLite,
    // truncated, damaged, without the definitions), or is held exclusively (or, for an
    // exclusive open, held at all); the table then stays closed.
    // A table file of an older format is first converted (see engine/Schema.h), on a copy
    // beside it that replaces it once complete and checked; when that cannot be done (a file
    // or folder that may not be written, a full disk, another holder) the file is left as it
    // was and EngineError says why and what to do. A file of a newer format is refused.
    // Leftovers of killed work in the table's folder (copies whose process is gone) are
    // removed first.
    void open();
    void close(); // an unposted edit is cancelled; filter text and switch are kept
    // Refuses (NewerFormatError, as open() would) a table file of a newer format than this
    // version reads, without opening the table or changing the file: one of an older format
    // is not converted. Anything else (a missing, foreign or damaged file) passes, for open()
    // to tell.
    void checkFormat() const;

    // Long work (converting a file of an older format inside open(), carrying the records of
    // a damaged table over in pack() and salvage()) reports its progress to this hook,
    // process-wide: (0, total) first, then (done, total) now and then, and (total, total) at
    // its end, also when it fails.
    using ProgressHook = std::function<void(std::int64_t done, std::int64_t total)>;
    static void setProgressHook(ProgressHook hook);
    bool active() const;
    State state() const;
    // A table found damaged is written no more: from refuseWrites() until it is closed (or
    // opened again), post(), deleteRecord(), the changes of many records (setFieldOfView,
    // emptyTable, addIndex, a batch move into it, packing or rebuilding its indexes) and the
    // start or commit of a Transaction raise DamagedTableError for its file and write nothing;
    // a pending edit or insert stays pending (cancel() drops it), and a move or anything else
    // that would post it cancels it instead. Reading goes on as before. Nothing happens on a
    // closed table.
    void refuseWrites();
    bool writesRefused() const;

    // Compacts the file and rebuilds its indexes (restructure with pack). The table must be
    // closed (it is then opened exclusively for the work) or open exclusively; EngineError
    // when it cannot be had exclusively, is missing or damaged beyond repair.
    // A closed table is packed into a copy beside it (compacted, indexes built afresh), which
    // replaces the file only once complete and intact (SQLite's integrity check). When the
    // table cannot be copied whole or the copy is not intact, the records that can still be
    // read whole go into the new copy instead, checked the same way; when SQLite's header of
    // the file is damaged, that salvage reads a copy of the file given a new header. Whatever
    // fails, the file stays as it was; a damaged table of which not one record can be read
    // is never replaced by an empty one (UnreadableError). An open table is packed in place
    // (it must be intact).
    void pack();
    // A closed table whose file SQLite finds damaged, packed as pack() packs one: every record
    // that can still be read is carried over, read one by one past damaged pages, a value or a
    // blob that cannot be read left blank rather than the record dropped. When anything could
    // not be carried over, the damaged file is first kept, byte for byte, at `keepAs` (a path
    // that must not exist yet). Nothing is done to an intact file (damaged() is then false).
    // EngineError when the table cannot be had exclusively; UnreadableError, the file left as
    // it was, when it is damaged and not one record of it can be read.
    SalvageReport salvage(const std::string &keepAs);
    // Drops the table's SQLite indexes and builds them again from its index definitions
    // (a missing one is built too). The table must be open exclusively.
    void rebuildIndexes();
    // Folds a log left beside a closed table by a killed program into the table file, or
    // rolls back the change a journal left beside it holds (by opening and closing it), so
    // that X.DB alone is whole. Nothing happens when there is neither; EngineError when the
    // table is held by anyone or is damaged.
    void checkpointFile();
    // Secure delete: the bytes of deleted records, and of the old versions of rewritten ones,
    // are overwritten with zeros in the file instead of lingering in its free space. Kept
    // across close and open; takes effect at once on an open table. Off (the default), bytes
    // are cleared only within the pages a write rewrites anyway: freed pages (a deleted
    // picture's) keep theirs until they are reused or the table is packed.
    void setSecureDelete(bool on);
    bool secureDelete() const;
    // Write-through (on by default): every commit is synchronised to disk before it returns.
    // Off, for a scratch table that is rebuilt at every use: commits are as atomic as ever
    // but not waited for on disk, so a power cut may lose the last of them. Kept across close
    // and open; takes effect at once on an open table.
    void setWriteThrough(bool on);
    bool writeThrough() const;

    // --- fields ---
    int fieldCount() const;
    Field &field(int index);
    Field &fieldByName(std::string_view name); // EngineError "Field 'x' not found"
    Field *findField(std::string_view name);   // nullptr when there is none
    const std::vector<FieldDef> &fieldDefinitions() const; // of the open table
    std::string primaryIndexFields() const;                // of the open table, "" when none

    // --- filter ---
    void setFilter(const std::string &text);
    const std::string &filter() const;
    void setFiltered(bool filtered);
    bool filtered() const;

    // --- cursor ---
    std::size_t recordCount() const; // records in the view (an unposted insert not counted)
    bool isEmpty() const;
    bool bof() const;
    bool eof() const;
    void first();
    void last();
    void next();
    void prior();
    int moveBy(int distance);
    std::size_t recNo() const;    // 1-based position of the current record; 0 when none
    void setRecNo(std::size_t n); // moves to the n-th record of the view (clamped)
    // A bookmark is the record's identity (its SQLite rowid, which is AutoInc when the table
    // has one). gotoBookmark returns false, without moving, when that record is not in view.
    std::int64_t bookmark() const; // 0 when there is no current record
    bool gotoBookmark(std::int64_t bookmark);
    // Moves to the first record of the view whose field equals the value (compared as
    // text), firing the scroll events; false and no move when there is none.
    bool locate(std::string_view fieldName, std::string_view value);
    // Rebuilds the view from the file; stays on the current record when it is still in view,
    // else on the first record.
    void refresh();

    // Calls visit with the non-blob values of every record of the file (blob slots blank),
    // whatever the filter, in the order of their identities; the cursor does not move, no
    // event fires and no display is touched. Records posted through other Table objects are
    // included. EngineError when the table is not open or cannot be read.
    void forEachRecord(const std::function<void(const Row &record)> &visit);

    // Reads a field of the view's row (0-based) without moving the cursor and without
    // events; for grids. EngineError when the row is out of range.
    std::string peekAsString(std::size_t row, int fieldIndex);
    std::int64_t peekBookmark(std::size_t row) const;

    // --- editing ---
    void edit();   // on an empty view it inserts, as the class library does
    void append(); // a new blank record; position decided by its key at post
    void insert(); // the same as append (the primary index decides the order)
    void post();   // in browse state nothing happens
    void cancel(); // edit: drops the changes; insert: back to the record current before
    void deleteRecord(); // insert state: cancels; empty view: EngineError
    bool modified() const;
    void checkBrowseMode(); // posts when a field was set, else cancels
    void flushBuffers();    // no-op: every post is already committed
    // For appending many records (inside a Transaction): while deferred, a posted new record
    // is written but the view is left as it was, so that no post shifts it; the cursor goes
    // back to where it stood before the append and the new records are not in view until the
    // deferral ends. Ending it rebuilds the view once, on the last record posted (firing the
    // scroll events when the cursor moved).
    void setViewDeferred(bool deferred);

    // Gives one field of every record of the view the same value, as Edit, set, Post on each
    // would, in one go (inside an open Transaction, else committed on its own): no event per
    // record and no move of the cursor. The value must suit the field: an integer for SmallInt
    // (in its range) and Boolean (0 or 1), bytes for String (cut to its width) and Blob, or
    // blank. When the field orders the view or the filter names it, the view is rebuilt and
    // stays on the current record when that is still in it, else on the first. Returns the
    // number of records written; EngineError on failure (nothing written).
    std::size_t setFieldOfView(std::string_view fieldName, const Value &value);

    // --- events ---
    Handler beforeScroll;
    Handler afterScroll;
    Handler afterPost;
    Handler afterDelete;
    int addListener(Listener listener); // returns an id for removeListener
    void removeListener(int id);
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

    struct Impl;

private:
    friend class Field;
    friend class BatchMove;
    friend class Transaction;
    std::unique_ptr<Impl> d;
};

// Bulk work over many records shows only its end: for the life of the guard the table's
// display notifications are held (disableControls) and its scroll handlers are not called.
// end() puts them back and calls afterScroll once (what it raises goes to the caller); the
// destructor puts them back without calling it when end() was not reached.
class BulkWork {
public:
    explicit BulkWork(Table &table)
        : table_(table), before_(std::move(table.beforeScroll)), after_(std::move(table.afterScroll))
    {
        table_.beforeScroll = nullptr;
        table_.afterScroll = nullptr;
        table_.disableControls();
    }
    ~BulkWork() { restore(); }
    BulkWork(const BulkWork &) = delete;
    BulkWork &operator=(const BulkWork &) = delete;
    void end()
    {
        if (!restore())
            return;
        if (table_.active() && table_.afterScroll)
            table_.afterScroll(table_);
    }

private:
    bool restore()
    {
        if (done_)
            return false;
        done_ = true;
        table_.beforeScroll = std::move(before_);
        table_.afterScroll = std::move(after_);
        table_.enableControls();
        return true;
    }
    Table &table_;
    Table::Handler before_;
    Table::Handler after_;
    bool done_ = false;
};

} // namespace engine
