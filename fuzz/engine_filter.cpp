// Filter texts: any text is either refused with the engine's error or selects exactly the
// records that the compiled filter accepts, on a small card table.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/Filter.h"
#include "engine/Table.h"

namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Row;
using engine::Value;

std::vector<FieldDef> fields()
{
    return {{"Nive_Fich", FieldType::SmallInt, 0},  {"Nive_Impo", FieldType::SmallInt, 0},
            {"AutoInc", FieldType::AutoInc, 0},     {"Clav_Fich", FieldType::String, 15},
            {"Preg_Imag", FieldType::Blob, 0},      {"Fech_Prox_Repa", FieldType::String, 8},
            {"Camp_Logi", FieldType::Boolean, 0},   {"Fech_Ulti_Repa", FieldType::String, 8}};
}

Value text(const char *s) { return *s ? Value::ofBytes(s) : Value(); }
Value num(long long v) { return Value::ofInteger(v); }

// The records of the table, as rows (AutoInc filled in when they are added).
std::vector<Row> &rows()
{
    static std::vector<Row> r = {
        {num(0), num(3), {}, text("verbos"), {}, text(""), {}, text("")},
        {num(1), {}, {}, text("ab"), {}, text("20261205"), num(1), text("20261205")},
        {num(2), num(0), {}, text("ab*"), {}, text("20261204"), num(0), text("20261201")},
        {num(5), num(-2), {}, text("l'eau"), {}, text("20261210"), {}, text("2026")},
        {{}, num(1), {}, text(""), {}, text("2026"), num(1), {}},
        {num(-32768), num(32767), {}, text("áé"), {}, text("00000000"), num(0), text("20261205")},
    };
    return r;
}

struct Fixture {
    std::filesystem::path dir;
    engine::Table table;

    Fixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orv-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
        table.setTableName((dir / "F.DB").string());
        table.createTable(fields(), {{"P", "Nive_Fich;Nive_Impo;AutoInc", true}});
        table.open();
        for (Row &r : rows()) {
            table.append();
            for (int f : {0, 1, 3, 5, 6, 7}) {
                const Value &v = r[static_cast<std::size_t>(f)];
                if (v.kind == Value::Kind::Integer && f == 6)
                    table.field(f).setAsBoolean(v.integer != 0);
                else if (v.kind == Value::Kind::Integer)
                    table.field(f).setAsInteger(static_cast<int>(v.integer));
                else if (v.kind == Value::Kind::Bytes)
                    table.field(f).setAsString(v.bytes);
            }
            table.post();
            r[2] = num(table.field(2).asLargeInt());
        }
        table.setFiltered(true);
    }
    ~Fixture()
    {
        table.close();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Fixture fx;
    const std::string text(reinterpret_cast<const char *>(data), size);
    bool compiled = false;
    std::size_t matching = 0;
    try {
        const engine::Filter f = engine::Filter::compile(text, fields());
        compiled = true;
        for (const Row &r : rows())
            matching += f.matches(r) ? 1 : 0;
        engine::Filter::checkSyntax(text); // what compiles also parses
    } catch (const engine::EngineError &) {
        if (compiled)
            std::abort();
    }
    try {
        fx.table.setFilter(text);
        if (!compiled || fx.table.recordCount() != matching)
            std::abort();
        std::size_t walked = 0;
        for (fx.table.first(); !fx.table.eof(); fx.table.next())
            ++walked;
        if (walked != matching)
            std::abort();
    } catch (const engine::EngineError &) {
        if (compiled)
            std::abort();
    }
    return 0;
}
