#pragma once
// A field of an open table: typed access to the value of the current record (or of the
// record being edited or inserted).
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/FieldDef.h"

namespace engine {

class Table;

// Conversions follow the rules of the windows' class library:
//
//   field type  asInteger              asString               asBoolean
//   SmallInt    value (blank: 0)       decimal (blank: "")    EngineError
//   AutoInc     value (blank: 0)       decimal (blank: "")    EngineError
//   String      strToInt(text)         text                   first char T/t/Y/y
//   Boolean     EngineError            "True"/"False"/""      value (blank: false)
//   Blob        EngineError            the bytes              EngineError
//
//   setAsString on SmallInt: "" makes the field blank, otherwise strToInt (ConversionError
//   "'x' is not a valid integer value"); on Boolean: "" blank, else a non-empty prefix of
//   "true" or "false" in any case (ConversionError "'x' is not a valid boolean value");
//   on String: cut to the field's width in characters; on Blob: the bytes.
//   setAsInteger on SmallInt outside -32768..32767: EngineError "<n> is not a valid value
//   for field '<name>'. The allowed range is -32768 to 32767"; on String: its decimal text.
//   setAsBoolean on String: "T" or "F".
//   "Cannot access field '<name>' as type <T>" (EngineError) for the pairs marked above.
//
// Setting any field outside the edit or insert state raises EngineError "Dataset not in edit
// or insert mode"; setting AutoInc raises EngineError "Field 'AutoInc' cannot be modified".
// A Field object stays valid from the table's open to its close.
class Field {
public:
    const std::string &name() const { return def_.name; }
    FieldType type() const { return def_.type; }
    int size() const { return def_.size; }
    int index() const { return index_; } // position in the table's field order, from 0
    bool isBlob() const { return def_.type == FieldType::Blob; }
    bool readOnly() const { return def_.type == FieldType::AutoInc; }

    bool isNull() const; // blank: no value, or an empty text or blob

    int asInteger() const;
    std::int64_t asLargeInt() const;
    std::string asString() const;
    bool asBoolean() const;
    std::string asBytes() const; // blob (or any field) as raw bytes; blank gives ""
    std::size_t blobSize() const;

    void setAsInteger(int value);
    void setAsString(std::string_view value);
    void setAsBoolean(bool value);
    void setBytes(std::string_view bytes); // loads a blob from bytes
    void clear();                          // makes the field blank

private:
    friend class Table;
    Field(Table &table, int index, FieldDef def) : table_(&table), index_(index), def_(std::move(def)) {}
    Table *table_;
    int index_;
    FieldDef def_;
};

} // namespace engine
