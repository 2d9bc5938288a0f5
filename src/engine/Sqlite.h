#pragma once
// Thin owners of SQLite connections and statements, with failures turned into EngineError.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

class Statement {
public:
    Statement() = default;
    Statement(sqlite3 *db, std::string_view sql, const std::string &path);
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool valid() const { return stmt_ != nullptr; }
    void bindNull(int index);
    void bindInt(int index, std::int64_t value);
    void bindText(int index, std::string_view text);
    void bindBlob(int index, std::string_view bytes);
    // Binds the bytes without copying them: they must stay as they are until the statement
    // has been stepped to its end or reset.
    void bindBlobInPlace(int index, std::string_view bytes);
    bool step();  // true while a row is there; EngineError on failure
    void run();   // steps to the end
    void execute(); // steps to the end and resets, also when it fails
    void reset(); // also clears bindings

    int columnType(int col) const; // SQLITE_INTEGER, SQLITE_TEXT, ...
    std::int64_t columnInt(int col) const;
    double columnDouble(int col) const;
    std::string_view columnBytes(int col) const;

private:
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
    const std::string *path_ = nullptr;
};

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing file (readWrite) or creates one (create). EngineError on failure.
    void open(const std::string &path, bool create);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    bool readOnly() const { return readOnly_; }
    sqlite3 *handle() const { return db_; }
    const std::string &path() const { return path_; }

    void exec(std::string_view sql);
    // Undoes the open transaction, if any; never throws (for catch blocks).
    void rollback() noexcept;
    // A transaction is open (BEGIN without its COMMIT or ROLLBACK yet).
    bool inTransaction() const;
    // Runs work as one commit of its own (BEGIN IMMEDIATE .. COMMIT), or inside an open
    // transaction as a savepoint, so that a failure takes back this work alone; rethrows.
    void atomically(const std::function<void()> &work);
    Statement prepare(std::string_view sql) { return Statement(db_, sql, path_); }
    std::int64_t queryInt(std::string_view sql); // first column of the first row (0 when none)
    std::string queryText(std::string_view sql);
    std::int64_t lastInsertRowid() const;
    int changes() const;

private:
    sqlite3 *db_ = nullptr;
    std::string path_;
    bool readOnly_ = false;
    // atomically()'s savepoint and its release inside a transaction, prepared once: a bulk
    // addition takes one for every record.
    Statement savepoint_, release_;
};

// Throws the EngineError for a failed SQLite call on the file at `path`.
[[noreturn]] void throwSqlite(sqlite3 *db, int rc, const std::string &path);
// Throws the DamagedTableError of the table file at `path`.
[[noreturn]] void throwDamaged(const std::string &path);

} // namespace engine
