#pragma once
// Several posts and deletes of one open table as one commit: all of them or none.
//
//     engine::Transaction t(table);   // BEGIN IMMEDIATE on the table's connection
//     ... edit / post / delete as usual ...
//     t.commit();                     // every change lands at once
//
// Leaving the scope without commit() (an exception, a return) rolls every change back and
// rebuilds the table's view from the file, so that the cursor, the grids and the cache show
// the records as they are stored; an unposted edit is cancelled first. A program killed
// before commit() leaves the file as it was before the transaction. Transactions do not nest:
// a second one on the same table raises EngineError, as does a table that is not open.
#include "engine/Table.h"

namespace engine {

class Transaction {
public:
    explicit Transaction(Table &table);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    void rollback() noexcept;

    Table &table_;
    bool open_ = false;
};

} // namespace engine
