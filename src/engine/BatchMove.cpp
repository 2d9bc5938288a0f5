#include "engine/BatchMove.h"

#include <unistd.h>

#include "engine/Names.h"
#include "engine/TableImpl.h"

namespace engine {

namespace {

// A table of the caller's, or one opened here for the move (without the caller's handlers).
struct Holder {
    Table *table = nullptr;
    std::unique_ptr<Table> own;

    void take(Table *t, bool withFilter)
    {
        if (t->active()) {
            table = t;
            table->checkBrowseMode();
            return;
        }
        own = std::make_unique<Table>();
        own->setDatabaseName(t->databaseName());
        own->setTableName(t->tableName());
        if (withFilter) {
            own->setFilter(t->filter());
            own->setFiltered(t->filtered());
        }
        own->open();
        table = own.get();
    }
};

std::vector<std::int64_t> sourceIds(const Table::Impl &s, std::size_t count)
{
    std::vector<std::int64_t> ids;
    if (count == 0) {
        ids.reserve(s.view.size());
        for (std::size_t p = 0; p < s.view.size(); ++p)
            ids.push_back(s.view.id(p));
    } else if (s.pos >= 0) {
        for (auto p = static_cast<std::size_t>(s.pos); p < s.view.size() && ids.size() < count; ++p)
            ids.push_back(s.view.id(p));
    }
    return ids;
}

void checkCompatible(const Schema &from, const Schema &to, const std::string &toPath)
{
    if (from.fields.size() != to.fields.size())
        throw EngineError("Las tablas no tienen los mismos campos: el origen tiene "
                          + std::to_string(from.fields.size()) + " y «" + toPath + "» tiene "
                          + std::to_string(to.fields.size()) + ".");
    for (std::size_t i = 0; i < from.fields.size(); ++i)
        if (from.fields[i].type != to.fields[i].type)
            throw EngineError("El campo «" + from.fields[i].name + "» del origen (" + fieldTypeName(from.fields[i].type)
                              + ") no corresponde al campo «" + to.fields[i].name + "» de «" + toPath + "» ("
                              + fieldTypeName(to.fields[i].type) + ").");
}

// Copies the records with the given identities from one open file to another, inside the
// caller's transaction.
std::size_t copyRecords(Database &in, const Schema &from, const std::vector<std::int64_t> &ids, Database &out,
                        const Schema &to)
{
    RowReader read(in, from);
    RowWriter write(out, to, false);
    Row row(from.fields.size());
    std::size_t n = 0;
    for (std::int64_t id : ids) {
        if (!read.read(id, row))
            continue; // deleted by another holder since the view was built
        for (std::size_t f = 0; f < to.fields.size(); ++f) {
            const FieldDef &def = to.fields[f];
            if (def.type == FieldType::String && row[f].kind == Value::Kind::Bytes
                && utf8Length(row[f].bytes) > static_cast<std::size_t>(def.size))
                throw EngineError("El texto del campo «" + from.fields[f].name + "» del registro "
                                  + std::to_string(n + 1) + " no cabe en el campo «" + def.name + "» ("
                                  + std::to_string(def.size) + " caracteres) de la tabla de destino.");
        }
        write.write(row);
        ++n;
    }
    return n;
}

} // namespace

std::size_t BatchMove::execute()
{
    moved_ = 0;
    if (!source_ || !destination_)
        throw EngineError("Falta la tabla de origen o la de destino del traspaso de registros.");
    Holder src;
    src.take(source_, true);
    Table::Impl &s = *src.table->d;
    const std::vector<std::int64_t> ids = sourceIds(s, recordCount_);

    if (mode_ == Mode::Copy) {
        if (destination_->active())
            throw EngineError("La tabla de destino «" + destination_->filePath() + "» está abierta.");
        const std::string path = destination_->filePath();
        removeStaleTemporaries(path);
        const std::string tmp = temporaryPathBeside(path);
        std::size_t n = 0;
        {
            Database out;
            createTableFile(out, tmp, s.schema.fields, s.schema.indexes);
            fillTableFile(out, tmp, [&] { n = copyRecords(s.db, s.schema, ids, out, loadSchema(out)); });
        }
        replaceTableFile(tmp, path);
        moved_ = n;
        return n;
    }

    Holder dst;
    dst.take(destination_, false);
    Table::Impl &t = *dst.table->d;
    t.requireWritable();
    checkCompatible(s.schema, t.schema, t.path());
    std::size_t n = 0;
    // Inside the destination's open transaction a failed move takes back only itself.
    t.db.atomically([&] { n = copyRecords(s.db, s.schema, ids, t.db, t.schema); });
    moved_ = n;
    if (!dst.own)
        dst.table->refresh();
    return n;
}

} // namespace engine
