#include "engine/Transaction.h"

#include "engine/TableImpl.h"

#include "engine/SqliteApi.h"

namespace engine {

Transaction::Transaction(Table &table) : table_(table)
{
    Table::Impl &t = *table_.d;
    t.requireActive();
    t.requireWritable();
    if (!sqlite().get_autocommit(t.db.handle()))
        throw EngineError("Ya hay una transacción abierta en la tabla «" + t.path() + "».");
    t.db.exec("BEGIN IMMEDIATE");
    open_ = true;
}

Transaction::~Transaction()
{
    if (open_)
        rollback();
}

void Transaction::commit()
{
    if (!open_)
        throw EngineError("La transacción ya se ha cerrado.");
    Table::Impl &t = *table_.d;
    try {
        table_.checkBrowseMode();
        t.requireWritable();
        t.db.exec("COMMIT");
    } catch (...) {
        rollback();
        throw;
    }
    open_ = false;
}

void Transaction::rollback() noexcept
{
    open_ = false;
    Table::Impl &t = *table_.d;
    try {
        if (t.state == Table::State::Edit || t.state == Table::State::Insert)
            table_.cancel();
    } catch (...) {
    }
    t.db.rollback();
    // The view and the cache followed the posts that are now undone.
    try {
        t.reloadAndNotify(t.currentId());
    } catch (...) {
    }
}

} // namespace engine
