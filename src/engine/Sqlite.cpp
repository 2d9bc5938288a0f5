#include "engine/Sqlite.h"

#include "engine/SqliteApi.h"

#include <utility>

#include "engine/EngineError.h"
#include "engine/Library.h"

namespace engine {

void throwSqlite(sqlite3 *db, int rc, const std::string &path)
{
    const std::string detail = db ? sqlite().errmsg(db) : sqlite().errstr(rc);
    const std::string file = "«" + path + "»";
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
        throw EngineError("El fichero " + file + " no es una tabla: su contenido no es el de una base de datos.");
    case SQLITE_CORRUPT:
        throwDamaged(path);
    case SQLITE_FULL:
        throw DiskFullError("No queda espacio en el disco para escribir en la tabla " + file + ".");
    case SQLITE_READONLY:
        throw EngineError("La tabla " + file + " es de sólo lectura; no se puede modificar.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw EngineError("La tabla " + file + " está ocupada por otro programa; inténtelo de nuevo.");
    case SQLITE_CANTOPEN:
        throw EngineError("No se puede abrir el fichero " + file + " (" + detail + ").");
    case SQLITE_IOERR:
        throw EngineError("Error de lectura o escritura en la tabla " + file + " (" + detail + ").");
    case SQLITE_NOMEM:
        throw EngineError("No hay memoria suficiente para trabajar con la tabla " + file + ".");
    default:
        throw EngineError("Error de la base de datos en la tabla " + file + ": " + detail + ".");
    }
}

void throwDamaged(const std::string &path)
{
    throw DamagedTableError(path, "La tabla «" + path + "» está dañada: parte de su contenido no se puede leer.");
}

Statement::Statement(sqlite3 *db, std::string_view sql, const std::string &path) : db_(db), path_(&path)
{
    const int rc = sqlite().prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite().finalize(stmt_);
        stmt_ = nullptr;
        throwSqlite(db, rc, path);
    }
}

Statement::~Statement()
{
    if (stmt_)
        sqlite().finalize(stmt_);
}

Statement::Statement(Statement &&other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)),
      path_(std::exchange(other.path_, nullptr))
{
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        if (stmt_)
            sqlite().finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
        path_ = std::exchange(other.path_, nullptr);
    }
    return *this;
}

void Statement::bindNull(int index) { sqlite().bind_null(stmt_, index); }
void Statement::bindInt(int index, std::int64_t value) { sqlite().bind_int64(stmt_, index, value); }
void Statement::bindText(int index, std::string_view text)
{
    sqlite().bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}
void Statement::bindBlob(int index, std::string_view bytes)
{
    sqlite().bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

void Statement::bindBlobInPlace(int index, std::string_view bytes)
{
    sqlite().bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_STATIC);
}

bool Statement::step()
{
    const int rc = sqlite().step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite().reset(stmt_);
    throwSqlite(db_, rc, *path_);
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::execute()
{
    try {
        run();
    } catch (...) {
        reset();
        throw;
    }
    reset();
}

void Statement::reset()
{
    sqlite().reset(stmt_);
    sqlite().clear_bindings(stmt_);
}

int Statement::columnType(int col) const { return sqlite().column_type(stmt_, col); }
std::int64_t Statement::columnInt(int col) const { return sqlite().column_int64(stmt_, col); }
double Statement::columnDouble(int col) const { return sqlite().column_double(stmt_, col); }
std::string_view Statement::columnBytes(int col) const
{
    const void *p = sqlite().column_blob(stmt_, col);
    const int n = sqlite().column_bytes(stmt_, col);
    if (!p || n <= 0)
        return {};
    return {static_cast<const char *>(p), static_cast<std::size_t>(n)};
}

Database::~Database() { close(); }

void Database::open(const std::string &path, bool create)
{
    close();
    path_ = path;
    readOnly_ = false;
    if (!engineLibraryLoaded())
        throw EngineError("No se puede abrir el fichero «" + path + "»: el motor de tablas no está cargado.");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    if (create)
        flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite().open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK && !create) {
        sqlite().close(db_);
        db_ = nullptr;
        rc = sqlite().open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        readOnly_ = true;
    }
    if (rc != SQLITE_OK) {
        const std::string msg = db_ ? sqlite().errmsg(db_) : sqlite().errstr(rc);
        sqlite().close(db_);
        db_ = nullptr;
        throw EngineError("No se puede abrir el fichero «" + path + "» (" + msg + ").");
    }
    sqlite().extended_result_codes(db_, 1);
    sqlite().busy_timeout(db_, 3000);
    // A table file is data from anywhere. Its schema may use no function that has effects
    // beyond computing a value; ordinary SQL cannot reach the file's raw pages or schema
    // text; views are off (no table file has one); and a name in double quotes is always a
    // column, never taken for a text when no such column exists.
    const std::pair<int, int> settings[] = {{SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0}, {SQLITE_DBCONFIG_DEFENSIVE, 1},
                                            {SQLITE_DBCONFIG_ENABLE_VIEW, 0}, {SQLITE_DBCONFIG_DQS_DML, 0},
                                            {SQLITE_DBCONFIG_DQS_DDL, 0}};
    for (const auto &[option, value] : settings) {
        int now = -1;
        if (sqlite().db_config(db_, option, value, &now) != SQLITE_OK || now != value) {
            close();
            throw EngineError("No se puede abrir el fichero «" + path
                              + "» con las protecciones que el programa exige a toda tabla.");
        }
    }
}

void Database::close()
{
    savepoint_ = Statement();
    release_ = Statement();
    if (db_) {
        sqlite().close(db_);
        db_ = nullptr;
    }
}

void Database::exec(std::string_view sql)
{
    char *err = nullptr;
    const int rc = sqlite().exec(db_, std::string(sql).c_str(), nullptr, nullptr, &err);
    sqlite().free(err);
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc, path_);
}

void Database::rollback() noexcept
{
    if (db_)
        sqlite().exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Database::inTransaction() const
{
    return db_ && !sqlite().get_autocommit(db_);
}

void Database::atomically(const std::function<void()> &work)
{
    const bool own = !inTransaction();
    if (own) {
        exec("BEGIN IMMEDIATE");
    } else {
        if (!savepoint_.valid()) {
            savepoint_ = prepare("SAVEPOINT orv_work");
            release_ = prepare("RELEASE orv_work");
        }
        savepoint_.execute();
    }
    try {
        work();
        if (own)
            exec("COMMIT");
        else
            release_.execute();
    } catch (...) {
        if (own) {
            rollback();
        } else {
            sqlite().exec(db_, "ROLLBACK TO orv_work", nullptr, nullptr, nullptr);
            sqlite().exec(db_, "RELEASE orv_work", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

std::int64_t Database::queryInt(std::string_view sql)
{
    Statement s = prepare(sql);
    return s.step() ? s.columnInt(0) : 0;
}

std::string Database::queryText(std::string_view sql)
{
    Statement s = prepare(sql);
    return s.step() ? std::string(s.columnBytes(0)) : std::string();
}

std::int64_t Database::lastInsertRowid() const { return sqlite().last_insert_rowid(db_); }
int Database::changes() const { return sqlite().changes(db_); }

} // namespace engine
