#include "engine/Field.h"

#include <climits>

#include "engine/Names.h"
#include "engine/TableImpl.h"

namespace engine {

namespace {

[[noreturn]] void accessError(const std::string &name, const char *type)
{
    throw EngineError("Cannot access field '" + name + "' as type " + type);
}

bool isPrefixNoCase(std::string_view text, std::string_view word)
{
    return !text.empty() && text.size() <= word.size() && equalsNoCase(text, word.substr(0, text.size()));
}

} // namespace

bool Field::isNull() const { return table_->d->value(index_).isBlank(); }

std::int64_t Field::asLargeInt() const
{
    switch (def_.type) {
    case FieldType::SmallInt:
    case FieldType::AutoInc: {
        const Value &v = table_->d->value(index_);
        return v.kind == Value::Kind::Integer ? v.integer : 0;
    }
    case FieldType::String: return strToInt(asString());
    default: accessError(def_.name, "Integer");
    }
}

int Field::asInteger() const
{
    const std::int64_t v = asLargeInt();
    if (v > INT_MAX || v < INT_MIN)
        throw ConversionError("'" + std::to_string(v) + "' is not a valid integer value");
    return static_cast<int>(v);
}

std::string Field::asString() const { return formatValue(def_, table_->d->value(index_)); }

bool Field::asBoolean() const
{
    const Value &v = table_->d->value(index_);
    switch (def_.type) {
    case FieldType::Boolean: return v.kind == Value::Kind::Integer && v.integer != 0;
    case FieldType::String: {
        if (v.kind != Value::Kind::Bytes || v.bytes.empty())
            return false;
        const char c = v.bytes[0];
        return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    default: accessError(def_.name, "Boolean");
    }
}

std::string Field::asBytes() const { return asString(); }

std::size_t Field::blobSize() const
{
    const Value &v = table_->d->value(index_);
    return v.kind == Value::Kind::Bytes ? v.bytes.size() : 0;
}

void Field::setAsInteger(int value)
{
    table_->d->requireEditing();
    switch (def_.type) {
    case FieldType::SmallInt:
        if (value < -32768 || value > 32767)
            throw EngineError(std::to_string(value) + " is not a valid value for field '" + def_.name
                              + "'. The allowed range is -32768 to 32767");
        table_->d->setValue(index_, Value::ofInteger(value));
        return;
    case FieldType::AutoInc: table_->d->setValue(index_, Value()); return; // refused there
    case FieldType::String: setAsString(std::to_string(value)); return;
    default: accessError(def_.name, "Integer");
    }
}

void Field::setAsString(std::string_view value)
{
    table_->d->requireEditing();
    switch (def_.type) {
    case FieldType::SmallInt:
        if (value.empty())
            clear();
        else
            setAsInteger(strToInt(std::string(value)));
        return;
    case FieldType::AutoInc: table_->d->setValue(index_, Value()); return; // refused there
    case FieldType::String:
        table_->d->setValue(index_, Value::ofBytes(std::string(utf8Left(value, static_cast<std::size_t>(def_.size)))));
        return;
    case FieldType::Blob: table_->d->setValue(index_, Value::ofBytes(std::string(value))); return;
    case FieldType::Boolean:
        if (value.empty())
            clear();
        else if (isPrefixNoCase(value, "true"))
            table_->d->setValue(index_, Value::ofInteger(1));
        else if (isPrefixNoCase(value, "false"))
            table_->d->setValue(index_, Value::ofInteger(0));
        else
            throw ConversionError("'" + shortenedText(value) + "' is not a valid boolean value");
        return;
    }
}

void Field::setAsBoolean(bool value)
{
    table_->d->requireEditing();
    switch (def_.type) {
    case FieldType::Boolean: table_->d->setValue(index_, Value::ofInteger(value ? 1 : 0)); return;
    case FieldType::String: setAsString(value ? "T" : "F"); return;
    default: accessError(def_.name, "Boolean");
    }
}

void Field::setBytes(std::string_view bytes)
{
    table_->d->requireEditing();
    if (def_.type != FieldType::Blob && def_.type != FieldType::String)
        accessError(def_.name, "Blob");
    setAsString(bytes);
}

void Field::clear() { table_->d->setValue(index_, Value()); }

} // namespace engine
