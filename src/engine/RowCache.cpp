#include "engine/RowCache.h"

namespace engine {

void RowCache::reset(std::size_t slots, std::size_t fields)
{
    ids_.assign(slots, 0);
    rows_.assign(slots, Row(fields));
    index_.clear();
    index_.reserve(slots);
    hand_ = 0;
}

void RowCache::clear()
{
    std::fill(ids_.begin(), ids_.end(), 0);
    index_.clear();
    hand_ = 0;
}

const Row *RowCache::find(std::int64_t id) const
{
    auto it = index_.find(id);
    return it == index_.end() ? nullptr : &rows_[it->second];
}

Row &RowCache::claim(std::int64_t id)
{
    auto it = index_.find(id);
    if (it != index_.end())
        return rows_[it->second];
    const std::size_t slot = hand_;
    hand_ = (hand_ + 1) % ids_.size();
    if (ids_[slot] != 0) {
        // Reuse the map node of the record that gives up its slot.
        auto node = index_.extract(ids_[slot]);
        node.key() = id;
        index_.insert(std::move(node));
    } else {
        index_.emplace(id, slot);
    }
    ids_[slot] = id;
    return rows_[slot];
}

void RowCache::erase(std::int64_t id)
{
    auto it = index_.find(id);
    if (it == index_.end())
        return;
    ids_[it->second] = 0;
    index_.erase(it);
}

} // namespace engine
