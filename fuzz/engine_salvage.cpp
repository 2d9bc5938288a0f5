// A damaged table file salvaged: any bytes given as X.DB are either left exactly as they were
// (an intact table, or one refused as unreadable, foreign or not a table), or replaced by an
// intact table of what could be read, with the bytes found kept whole under the name asked
// for whenever something could not be carried over; in time and memory bounded by the file.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzCheck.h"
#include "engine/EngineError.h"
#include "engine/Sqlite.h"
#include "engine/Table.h"

namespace {

std::string bytesOf(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

bool intact(const std::string &path)
{
    try {
        engine::Database db;
        db.open(path, false);
        return db.queryText("PRAGMA integrity_check(1)") == "ok";
    } catch (const engine::EngineError &) {
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FuzzFolder folder;
    const std::string path = (folder.dir / "X.DB").string();
    const std::string keep = (folder.dir / "X (dañado).DB").string();
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder.dir, ec))
        std::filesystem::remove(entry.path(), ec);
    const std::string found(reinterpret_cast<const char *>(data), size);
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    // SQLite may rewrite the header of a file it only reads (its journal mode), not the rest.
    auto same = [&](const std::string &bytes) {
        return bytes.size() == found.size() && bytes.compare(std::min<std::size_t>(100, bytes.size()), std::string::npos,
                                                             found, std::min<std::size_t>(100, found.size())) == 0;
    };
    engine::SalvageReport report;
    bool threw = false;
    try {
        engine::Table t;
        t.setTableName(path);
        report = t.salvage(keep);
    } catch (const engine::EngineError &) {
        threw = true;
    }
    const bool kept = std::filesystem::exists(keep);
    if (threw || !report.damaged) {
        // Left as it was (or, undamaged, packed into an intact table), nothing kept.
        check(!kept && report.keptAs.empty() && (same(bytesOf(path)) || (!threw && intact(path))));
        return 0;
    }
    // Damaged and salvaged: an intact table, the bytes found kept whole.
    check(intact(path) && kept && report.keptAs == keep && same(bytesOf(keep)) && report.recordsKept > 0);
    return 0;
}
