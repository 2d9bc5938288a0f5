#pragma once
// Field and index definitions of a table.
#include <string>
#include <vector>

namespace engine {

enum class FieldType {
    SmallInt, // 16-bit signed integer
    AutoInc,  // numbered by the engine when a record is first posted; read-only; a number is
              // never given twice in a table, not even after its record was deleted
    String,   // text of 1 to 255 characters (Unicode code points, not bytes)
    Blob,     // bytes of any length
    Boolean,
};

struct FieldDef {
    std::string name; // compared without regard to case (ASCII letters)
    FieldType type = FieldType::SmallInt;
    int size = 0;     // String: width in characters, 1 to 255. Blob: bytes meant to be kept
                      // in the record (informative only). Other types: 0.
};

struct IndexDef {
    std::string name;
    std::string fields;   // field names separated by ";", e.g. "Nive_Fich;Nive_Impo;AutoInc"
    bool primary = false; // the primary index gives the table its order
};

const char *fieldTypeName(FieldType type);

} // namespace engine
