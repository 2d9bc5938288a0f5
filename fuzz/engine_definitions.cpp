// A foreign table file's field and index definitions: any bytes given as X.DB are either
// loaded as the definitions of a table of this program or refused with the engine's error,
// in time and memory bounded by what such a table can hold.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "FuzzCheck.h"
#include "engine/EngineError.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FuzzFolder folder;
    const std::string path = (folder.dir / "X.DB").string();
    for (const char *side : {"", "-journal", "-wal", "-shm"})
        ::unlink((path + side).c_str());
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        engine::Database db;
        db.open(path, false);
        std::vector<engine::FieldDef> fields;
        std::vector<engine::IndexDef> indexes;
        engine::loadDefinitions(db, fields, indexes);
        if (fields.size() > static_cast<std::size_t>(engine::kMaxFields)
            || indexes.size() > static_cast<std::size_t>(engine::kMaxIndexes))
            std::abort();
        const engine::Schema schema = engine::loadSchema(db);
        if (schema.fields.size() != schema.smallFields.size() + schema.blobFields.size())
            std::abort();
    } catch (const engine::EngineError &) {
    }
    return 0;
}
