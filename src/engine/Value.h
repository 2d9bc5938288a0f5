#pragma once
// One stored value of a record: blank, an integer (SmallInt, AutoInc, Boolean as 0/1) or
// bytes (String as UTF-8 text, Blob).
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct Value {
    enum class Kind : unsigned char { Null, Integer, Bytes };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    std::string bytes;

    static Value null() { return {}; }
    static Value ofInteger(std::int64_t v)
    {
        Value r;
        r.kind = Kind::Integer;
        r.integer = v;
        return r;
    }
    static Value ofBytes(std::string v)
    {
        Value r;
        r.kind = Kind::Bytes;
        r.bytes = std::move(v);
        return r;
    }
    // A blank value: no value, or an empty text.
    bool isBlank() const { return kind == Kind::Null || (kind == Kind::Bytes && bytes.empty()); }
    bool operator==(const Value &) const = default;
};

using Row = std::vector<Value>; // one value per field, in the table's field order

} // namespace engine
