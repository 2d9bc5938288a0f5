// Packing a table: compacting its file and rebuilding its indexes, or, when SQLite finds
// the file damaged, copying every record that can still be read into a new file.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "engine/Names.h"
#include "engine/TableImpl.h"

namespace engine {

namespace {

bool integrityOk(Database &db)
{
    try {
        return db.queryText("PRAGMA integrity_check(1)") == "ok";
    } catch (const EngineError &) {
        return false;
    }
}

// Copies the readable records of a damaged table (keeping their identities) into `tmp`.
void salvage(Database &in, const Schema &schema, const std::string &tmp)
{
    Database out;
    createTableFile(out, tmp, schema.fields, schema.indexes);
    fillTableFile(out, tmp, [&] {
        std::string cols = "rowid", marks = "?";
        for (const auto &f : schema.fields) {
            if (f.type == FieldType::AutoInc)
                continue;
            cols += ", " + quoteIdentifier(f.name);
            marks += ", ?";
        }
        Statement write = out.prepare("INSERT INTO data(" + cols + ") VALUES(" + marks + ")");
        std::string sql = schema.selectRowSql();
        sql.replace(sql.find("rowid = ?"), 9, "rowid > ? ORDER BY rowid LIMIT 1");
        Statement read = in.prepare(sql);
        std::int64_t last = INT64_MIN;
        std::int64_t skip = 1;
        int failures = 0;
        Row row(schema.fields.size());
        while (failures < 64) {
            read.bindInt(1, last);
            std::int64_t id = 0;
            try {
                if (!read.step()) {
                    read.reset();
                    break;
                }
                id = read.columnInt(0);
                for (std::size_t f = 0; f < schema.fields.size(); ++f)
                    row[f] = schema.readValue(read, static_cast<int>(f) + 1, static_cast<int>(f));
                read.reset();
            } catch (const EngineError &) {
                read.reset();
                // Step over the damaged part, further each time it goes on.
                ++failures;
                last = (last > INT64_MAX - skip) ? INT64_MAX : (last == INT64_MIN ? 0 : last) + skip;
                skip = skip > INT64_MAX / 2 ? skip : skip * 2;
                continue;
            }
            skip = 1;
            write.bindInt(1, id);
            int col = 2;
            for (std::size_t f = 0; f < schema.fields.size(); ++f)
                if (schema.fields[f].type != FieldType::AutoInc)
                    bindValue(write, col++, schema.fields[f].type, row[f]);
            write.execute();
            last = id;
        }
        if (schema.autoInc >= 0) {
            try {
                const std::int64_t seq = in.queryInt("SELECT seq FROM sqlite_sequence WHERE name = 'data'");
                Statement up = out.prepare("UPDATE sqlite_sequence SET seq = ? WHERE name = 'data' AND seq < ?");
                up.bindInt(1, seq);
                up.bindInt(2, seq);
                up.run();
            } catch (const EngineError &) {
                // The counter is unreadable: the new file counts on from its highest record.
            }
        }
    });
}

void compact(Database &db)
{
    db.exec("REINDEX");
    db.exec("VACUUM");
}

} // namespace

void Table::pack()
{
    if (d->state != State::Inactive) {
        if (!d->exclusive)
            throw EngineError("La tabla «" + d->path() + "» debe estar abierta en exclusiva para empaquetarla.");
        checkBrowseMode();
        if (!integrityOk(d->db))
            throw EngineError("La tabla «" + d->path()
                              + "» está dañada; ciérrela y vuelva a empaquetarla para recuperar sus registros.");
        const std::int64_t keep = d->currentId();
        compact(d->db);
        d->reloadAfterChange(keep);
        d->notify(Event::DataChanged);
        return;
    }
    const std::string p = d->path();
    try {
        d->onOwnConnection(true, [&](Impl &own) {
            if (integrityOk(own.db)) {
                compact(own.db);
                return;
            }
            const std::string tmp = temporaryPathBeside(p);
            salvage(own.db, own.schema, tmp);
            own.db.close();
            replaceTableFile(tmp, p, true); // while the lock is still held
        });
    } catch (const EngineError &e) {
        throw EngineError("No se pudo empaquetar la tabla «" + p + "»: " + e.what());
    }
}

void Table::checkpointFile()
{
    if (d->state != State::Inactive)
        throw EngineError("La tabla «" + d->path() + "» debe estar cerrada para consolidar su fichero.");
    struct stat st;
    if (::stat((d->path() + "-wal").c_str(), &st) != 0)
        return;
    // Closing the last connection folds the log in and removes it.
    d->onOwnConnection(true, [](Impl &own) { own.db.exec("PRAGMA wal_checkpoint(TRUNCATE)"); });
}

void Table::setSecureDelete(bool on)
{
    d->secureDelete = on;
    if (d->state != State::Inactive)
        d->db.exec(on ? "PRAGMA secure_delete = ON" : "PRAGMA secure_delete = OFF");
}

bool Table::secureDelete() const
{
    return d->secureDelete;
}

void Table::setWriteThrough(bool on)
{
    d->writeThrough = on;
    if (d->state != State::Inactive)
        d->db.exec(on ? std::string("PRAGMA synchronous = ") + kSynchronous : std::string("PRAGMA synchronous = OFF"));
}

bool Table::writeThrough() const
{
    return d->writeThrough;
}

} // namespace engine
