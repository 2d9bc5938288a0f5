#pragma once
// Moving records between tables in one operation.
//
// SOURCE. The records a batch move takes are those of the source's view as it stands: when
// the source is filtered (filtered() and a non-blank filter text) only the records that pass
// the filter, otherwise all of them, in the source's order. With recordCount() = 0 it takes
// every such record from the first; with recordCount() = n > 0 at most n records starting at
// the source's current record. An open source keeps its cursor and fires no events; a closed
// source is read without being opened for the caller (its filter settings still apply) and
// stays closed. Callers that want every record of a table clear its Filtered switch first.
//
// FIELDS are matched by position; both tables must have the same number of fields with the
// same types, else EngineError. A String value longer than the destination's width stops the
// move with EngineError naming the field. AutoInc values are never copied: the destination
// numbers the moved records itself, in the order they are moved.
//
// ATOMIC. Each move is one transaction: it adds all its records or, on any failure, none.
// Into a destination with an open Transaction (engine/Transaction.h) the move becomes part of
// that transaction.
#include <cstddef>

namespace engine {

class Table;

class BatchMove {
public:
    enum class Mode {
        Copy,   // (re)creates the destination with the source's fields and primary index,
                // replacing a table of that name (EngineError when the destination is open
                // or held by anyone), then adds the records
        Append, // adds the records to an existing destination, open or closed; an open
                // destination's view is rebuilt afterwards (refresh())
    };

    void setSource(Table *source) { source_ = source; }
    void setDestination(Table *destination) { destination_ = destination; }
    void setMode(Mode mode) { mode_ = mode; }
    void setRecordCount(std::size_t count) { recordCount_ = count; }
    Table *source() const { return source_; }
    Table *destination() const { return destination_; }
    Mode mode() const { return mode_; }
    std::size_t recordCount() const { return recordCount_; }

    // Runs the move; returns the number of records added (also movedCount()).
    std::size_t execute();
    std::size_t movedCount() const { return moved_; }

private:
    Table *source_ = nullptr;
    Table *destination_ = nullptr;
    Mode mode_ = Mode::Append;
    std::size_t recordCount_ = 0;
    std::size_t moved_ = 0;
};

} // namespace engine
