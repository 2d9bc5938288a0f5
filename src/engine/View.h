#pragma once
// The ordered list of a view's records: their identities with their sort keys.
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// A sort key: packed into 64 bits when the table's key fields are at most three small
// integers (the usual case, which keeps the list compact and cheap to shift), otherwise an
// order-preserving byte string.
struct SortKey {
    std::uint64_t packed = 0;
    std::string bytes;
};

class View {
public:
    void reset(bool packed)
    {
        packed_ = packed;
        clear();
    }
    void clear() // and gives back its memory, before a large view is built again
    {
        p_ = {};
        t_ = {};
    }
    std::size_t size() const { return packed_ ? p_.size() : t_.size(); }
    bool empty() const { return size() == 0; }
    std::int64_t id(std::size_t i) const { return packed_ ? p_[i].id : t_[i].id; }

    // Room for n entries, so that building a large view never holds two copies of it.
    void reserve(std::size_t n);
    void add(std::int64_t id, SortKey key); // while building; then sort()
    void sort(); // also gives back room reserved far beyond the entries
    std::ptrdiff_t find(std::int64_t id) const; // -1 when absent
    std::size_t lowerBound(const SortKey &key, std::int64_t id) const;
    void insert(std::size_t at, std::int64_t id, SortKey key);
    void erase(std::size_t at);
    bool sameKey(std::size_t at, const SortKey &key) const;
    // Gives the entry at `at` a new key and moves it to its place; returns that place.
    std::size_t rekey(std::size_t at, SortKey key);

private:
    struct Packed {
        std::int64_t id;
        std::uint64_t key;
    };
    struct Text {
        std::int64_t id;
        std::string key;
    };
    bool packed_ = true;
    std::vector<Packed> p_;
    std::vector<Text> t_;
};

} // namespace engine
