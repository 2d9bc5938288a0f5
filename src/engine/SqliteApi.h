#pragma once
// The SQLite functions the engine uses, taken from the engine's library when it is loaded
// (engine/Library.h): the program links no SQLite of its own, so that one process never holds
// two (their file locks would not see each other). Code that needs SQLite directly (tests,
// benchmarks) calls it through this table as well.
#include <sqlite3.h>

namespace engine {

// X(name): the function sqlite3_<name>.
#define ORV_SQLITE_FUNCTIONS(X)                                                                      \
    X(open) X(open_v2) X(close) X(exec) X(free) X(errmsg) X(errstr) X(extended_result_codes) X(busy_timeout) \
    X(db_config) X(get_autocommit) X(last_insert_rowid) X(changes) X(prepare_v2) X(prepare_v3)       \
    X(finalize) X(step) X(reset) X(clear_bindings) X(bind_null) X(bind_int) X(bind_int64)            \
    X(bind_text) X(bind_text64) X(bind_blob64) X(column_type) X(column_int64) X(column_double)       \
    X(column_text) X(column_blob) X(column_bytes) X(libversion_number)

struct SqliteFunctions {
#define ORV_SQLITE_MEMBER(name) decltype(&::sqlite3_##name) name = nullptr;
    ORV_SQLITE_FUNCTIONS(ORV_SQLITE_MEMBER)
#undef ORV_SQLITE_MEMBER
};

namespace detail {
extern SqliteFunctions sqliteFunctions;
}

// The loaded library's functions; all null until the library has been loaded.
inline const SqliteFunctions &sqlite()
{
    return detail::sqliteFunctions;
}

} // namespace engine
