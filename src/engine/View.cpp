#include "engine/View.h"

#include <algorithm>

namespace engine {

namespace {

template <class E, class K> bool less(const E &e, const K &key, std::int64_t id)
{
    return e.key < key || (e.key == key && e.id < id);
}

template <class E, class K> std::size_t lowerBoundIn(const std::vector<E> &v, const K &key, std::int64_t id)
{
    auto it = std::lower_bound(v.begin(), v.end(), 0, [&](const E &e, int) { return less(e, key, id); });
    return static_cast<std::size_t>(it - v.begin());
}

template <class E, class K> std::size_t rekeyIn(std::vector<E> &v, std::size_t at, K key)
{
    // The entry still sorts by its old key while the new place is sought; only the entries
    // between the two places shift.
    const std::size_t p = lowerBoundIn(v, key, v[at].id);
    std::size_t to;
    if (p > at) {
        std::rotate(v.begin() + static_cast<std::ptrdiff_t>(at), v.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                    v.begin() + static_cast<std::ptrdiff_t>(p));
        to = p - 1;
    } else {
        std::rotate(v.begin() + static_cast<std::ptrdiff_t>(p), v.begin() + static_cast<std::ptrdiff_t>(at),
                    v.begin() + static_cast<std::ptrdiff_t>(at) + 1);
        to = p;
    }
    v[to].key = std::move(key);
    return to;
}

template <class E> void sortIn(std::vector<E> &v)
{
    std::sort(v.begin(), v.end(), [](const E &a, const E &b) { return less(a, b.key, b.id); });
}

template <class E> std::ptrdiff_t findIn(const std::vector<E> &v, std::int64_t id)
{
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i].id == id)
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

template <class E> void shrinkLoose(std::vector<E> &v)
{
    if (v.capacity() > 2 * v.size() + 1024)
        v.shrink_to_fit();
}

} // namespace

void View::add(std::int64_t id, SortKey key)
{
    if (packed_)
        p_.push_back({id, key.packed});
    else
        t_.push_back({id, std::move(key.bytes)});
}

void View::reserve(std::size_t n)
{
    if (packed_)
        p_.reserve(n);
    else
        t_.reserve(n);
}

void View::sort()
{
    if (packed_) {
        sortIn(p_);
        shrinkLoose(p_);
    } else {
        sortIn(t_);
        shrinkLoose(t_);
    }
}

std::ptrdiff_t View::find(std::int64_t id) const { return packed_ ? findIn(p_, id) : findIn(t_, id); }

std::size_t View::lowerBound(const SortKey &key, std::int64_t id) const
{
    return packed_ ? lowerBoundIn(p_, key.packed, id) : lowerBoundIn(t_, key.bytes, id);
}

void View::insert(std::size_t at, std::int64_t id, SortKey key)
{
    if (packed_)
        p_.insert(p_.begin() + static_cast<std::ptrdiff_t>(at), {id, key.packed});
    else
        t_.insert(t_.begin() + static_cast<std::ptrdiff_t>(at), {id, std::move(key.bytes)});
}

void View::erase(std::size_t at)
{
    if (packed_)
        p_.erase(p_.begin() + static_cast<std::ptrdiff_t>(at));
    else
        t_.erase(t_.begin() + static_cast<std::ptrdiff_t>(at));
}

bool View::sameKey(std::size_t at, const SortKey &key) const
{
    return packed_ ? p_[at].key == key.packed : t_[at].key == key.bytes;
}

std::size_t View::rekey(std::size_t at, SortKey key)
{
    return packed_ ? rekeyIn(p_, at, key.packed) : rekeyIn(t_, at, std::move(key.bytes));
}

} // namespace engine
