#pragma once
// The non-blob values of recently read records, in a fixed number of slots that are reused
// in turn, so that walking a large view allocates next to nothing.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/Value.h"

namespace engine {

class RowCache {
public:
    void reset(std::size_t slots, std::size_t fields);
    void clear();
    const Row *find(std::int64_t id) const;
    bool contains(std::int64_t id) const { return index_.count(id) != 0; }
    // A slot for the record (its old values, if it held any, are to be overwritten); the
    // least recently claimed record is forgotten to make room.
    Row &claim(std::int64_t id);
    void erase(std::int64_t id);

private:
    std::vector<std::int64_t> ids_; // per slot; 0 = free
    std::vector<Row> rows_;
    std::unordered_map<std::int64_t, std::size_t> index_;
    std::size_t hand_ = 0;
};

} // namespace engine
