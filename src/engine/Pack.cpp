// Packing a table: compacting its file and rebuilding its indexes, or, when SQLite finds
// the file damaged, copying every record that can still be read into a new file; and
// rebuilding the indexes of an open table.
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

#include "engine/FileLock.h"
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

} // namespace

bool readAcross(Database &in, const std::string &select, const std::function<void(const Statement &)> &copy,
                const std::function<void(std::int64_t id)> &write)
{
    bool stepped = false;
    Statement read = in.prepare(select);
    // The first row from identity `from` on, copied; false at the end; EngineError when the
    // file cannot be read there.
    auto readFrom = [&](std::int64_t from, std::int64_t &id) {
        read.bindInt(1, from);
        try {
            if (!read.step()) {
                read.reset();
                return false;
            }
            id = read.columnInt(0);
            copy(read);
        } catch (...) {
            read.reset();
            throw;
        }
        read.reset();
        return true;
    };
    auto readable = [&](std::int64_t from) {
        std::int64_t id = 0;
        try {
            readFrom(from, id);
            return true;
        } catch (const EngineError &) {
            return false;
        }
    };
    auto plus = [](std::int64_t a, std::uint64_t b) {
        const std::uint64_t room = static_cast<std::uint64_t>(INT64_MAX) - static_cast<std::uint64_t>(a);
        return room <= b ? INT64_MAX : static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + b);
    };
    std::int64_t from = INT64_MIN;
    for (;;) {
        std::int64_t id = 0;
        bool more = false;
        try {
            more = readFrom(from, id);
        } catch (const EngineError &) {
            stepped = true;
            std::int64_t bad = from, good = INT64_MAX;
            for (std::uint64_t step = 1;; step = step > (UINT64_MAX >> 1) ? step : step * 2) {
                const std::int64_t probe = plus(bad, step);
                if (probe == INT64_MAX)
                    break;
                if (readable(probe)) {
                    good = probe;
                    break;
                }
                bad = probe;
            }
            if (good == INT64_MAX)
                break;
            while (static_cast<std::uint64_t>(good) - static_cast<std::uint64_t>(bad) > 1) {
                const std::int64_t mid = plus(bad, (static_cast<std::uint64_t>(good) - static_cast<std::uint64_t>(bad)) / 2);
                (readable(mid) ? good : bad) = mid;
            }
            from = good;
            continue;
        }
        if (!more)
            break;
        write(id);
        if (id == INT64_MAX)
            break;
        from = id + 1;
    }
    return stepped;
}

void requireIntact(const std::string &path, bool full)
{
    Database db;
    db.open(path, false);
    if (!full) {
        // The structure of every page, without the indexes' agreement with their tables.
        if (db.queryText("PRAGMA quick_check(1)") != "ok")
            throw EngineError("La copia «" + path + "» no supera la comprobación de integridad.");
        return;
    }
    if (!integrityOk(db))
        throw EngineError("La copia «" + path + "» no supera la comprobación de integridad.");
}

void copySequence(Database &in, Database &out)
{
    try {
        const std::int64_t seq = in.queryInt("SELECT seq FROM sqlite_sequence WHERE name = 'data'");
        if (seq <= 0)
            return;
        const bool counted = out.queryInt("SELECT count(*) FROM sqlite_sequence WHERE name = 'data'") > 0;
        Statement up = out.prepare(counted ? "UPDATE sqlite_sequence SET seq = ?1 WHERE name = 'data' AND seq < ?1"
                                           : "INSERT INTO sqlite_sequence(name, seq) VALUES('data', ?1)");
        up.bindInt(1, seq);
        up.run();
    } catch (const EngineError &) {
        // The counter is unreadable (or there is none): the new file counts on from its
        // highest record.
    }
}

namespace {

enum class Found { Yes, No, Damaged };

// One row of `s` (its identity bound as ?1) read by `take`; Damaged when the file cannot be
// read there.
template <class Take> Found readOne(Statement &s, std::int64_t id, Take take)
{
    Found found;
    try {
        s.bindInt(1, id);
        if (s.step()) {
            take(s);
            found = Found::Yes;
        } else {
            found = Found::No;
        }
    } catch (const EngineError &) {
        found = Found::Damaged;
    }
    s.reset();
    return found;
}

// The identities of the records that the entries of the table's SQLite indexes name, as far
// as each index can be read from either end; true when one of them was read whole.
bool indexedIdentities(Database &in, const Schema &schema, std::set<std::int64_t> &ids)
{
    bool whole = false;
    for (const IndexDef &index : schema.indexes) {
        for (bool reverse : {false, true}) {
            try {
                in.exec(reverse ? "PRAGMA reverse_unordered_selects = ON" : "PRAGMA reverse_unordered_selects = OFF");
                Statement q = in.prepare("SELECT rowid FROM data INDEXED BY " + quoteIdentifier("orv_idx_" + index.name));
                while (q.step())
                    ids.insert(q.columnInt(0));
                whole = true;
                break;
            } catch (const EngineError &) {
                // Read up to the damage (a missing index reads nothing).
            }
        }
    }
    try {
        in.exec("PRAGMA reverse_unordered_selects = OFF");
    } catch (const EngineError &) {
    }
    return whole;
}

// Copies the records of a damaged table that can still be read (keeping their identities)
// into `tmp`, each one by itself: its non-blob values together, or one by one when they cannot
// be read together, and each of its blobs; a value or blob that cannot be read is left blank.
// The records are found by their identities; a damaged stretch of the file is stepped over
// by finding the smallest identity from which reading goes on again (doubling the step, then
// halving the gap), so that no readable record beyond it is passed by. The records that the
// blobs and the indexes name but that cannot be read are counted as lost.
SalvageReport salvage(Database &in, const Schema &schema, const std::string &tmp)
{
    SalvageReport report;
    std::vector<std::int64_t> ids;
    const bool stepped = readAcross(
        in, "SELECT rowid FROM data WHERE rowid >= ? ORDER BY rowid LIMIT 1", [](const Statement &) {},
        [&](std::int64_t id) { ids.push_back(id); });
    std::set<std::int64_t> named;
    for (int f : schema.blobFields)
        readAcross(in, "SELECT id FROM " + schema.blobTable(f) + " WHERE id >= ? ORDER BY id LIMIT 1",
                   [](const Statement &) {}, [&](std::int64_t id) { named.insert(id); });
    const bool allNamed = indexedIdentities(in, schema, named);

    Statement whole = in.prepare("SELECT " + schema.smallSelectList() + " FROM data WHERE rowid = ?1");
    std::vector<Statement> columns;
    for (int f : schema.smallFields)
        columns.push_back(in.prepare("SELECT " + quoteIdentifier(schema.fields[static_cast<std::size_t>(f)].name)
                                     + " FROM data WHERE rowid = ?1"));
    std::vector<Statement> blobs;
    for (int f : schema.blobFields) {
        blobs.push_back(in.prepare("SELECT v FROM " + schema.blobTable(f) + " WHERE id = ?1"));
        report.blobsLost.emplace_back(schema.fields[static_cast<std::size_t>(f)].name, 0);
    }

    Database out;
    createTableFile(out, tmp, schema.fields, schema.indexes);
    fillTableFile(out, tmp, [&] {
        RowWriter write(out, schema, true);
        Row row(schema.fields.size());
        Progress progress(static_cast<std::int64_t>(ids.size()));
        std::int64_t done = 0;
        for (std::int64_t id : ids) {
            progress.at(++done);
            named.erase(id);
            for (Value &v : row)
                v = Value();
            if (readOne(whole, id, [&](const Statement &s) { schema.readSmall(s, 1, row); }) != Found::Yes) {
                std::int64_t lost = 0;
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    const int f = schema.smallFields[c];
                    if (readOne(columns[c], id, [&](const Statement &s) {
                            schema.readValueInto(s, 0, f, row[static_cast<std::size_t>(f)]);
                        }) != Found::Yes)
                        ++lost;
                }
                if (lost == static_cast<std::int64_t>(columns.size()) && !columns.empty()) {
                    ++report.recordsLost;
                    continue;
                }
                report.valuesLost += lost;
            }
            for (std::size_t b = 0; b < blobs.size(); ++b) {
                const int f = schema.blobFields[b];
                if (readOne(blobs[b], id, [&](const Statement &s) {
                        schema.readValueInto(s, 0, f, row[static_cast<std::size_t>(f)]);
                    }) == Found::Damaged)
                    ++report.blobsLost[b].second;
            }
            write.write(row, id);
            ++report.recordsKept;
        }
        copySequence(in, out);
    });
    out.close();
    // What the blobs and indexes name beyond the records read: a record that is there but
    // cannot be read is lost; one that is not there left a stray entry.
    for (std::int64_t id : named)
        if (readOne(whole, id, [](const Statement &) {}) == Found::Damaged)
            ++report.recordsLost;
    report.recordsUncounted = stepped && !allNamed;
    const bool blobLost =
        std::any_of(report.blobsLost.begin(), report.blobsLost.end(), [](const auto &b) { return b.second > 0; });
    report.damaged = stepped || report.recordsLost > 0 || report.valuesLost > 0 || blobLost;
    return report;
}

void removeTemporary(const std::string &tmp)
{
    ::unlink(tmp.c_str());
    removeSideFiles(tmp);
}

// A compacted copy of an intact table at `tmp`, its indexes built afresh; false (and no copy)
// when the table cannot be read whole or the copy does not pass the integrity check.
bool compactCopy(Database &db, const Schema &schema, const std::string &tmp)
{
    removeTemporary(tmp);
    try {
        Statement into = db.prepare("VACUUM INTO ?");
        into.bindText(1, tmp);
        into.run();
        {
            Database out;
            out.open(tmp, false);
            rebuildIndexes(out, schema);
        }
        requireIntact(tmp);
        return true;
    } catch (const EngineError &) {
        removeTemporary(tmp);
        return false;
    }
}

// ---- A file whose first 100 bytes (SQLite's header) are damaged ----

constexpr int kHeaderSize = 100;

bool headerDamaged(const std::string &path)
{
    unsigned char h[kHeaderSize];
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    const std::size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    if (n < sizeof h)
        return false; // too short to hold anything worth recovering
    const unsigned pageSize = (h[16] << 8) | h[17];
    const bool sizeOk = pageSize == 1 || (pageSize >= 512 && (pageSize & (pageSize - 1)) == 0);
    if (std::memcmp(h, "SQLite format 3", 16) != 0 || !sizeOk || h[21] != 64 || h[22] != 32 || h[23] != 32)
        return true;
    // A page count that SQLite takes (valid for the header's change counter) beyond the file's
    // pages, a last one cut short counted whole, as SQLite counts them.
    auto get32 = [&](int at) {
        return (std::uint32_t(h[at]) << 24) | (std::uint32_t(h[at + 1]) << 16) | (std::uint32_t(h[at + 2]) << 8) | h[at + 3];
    };
    struct stat st;
    if (get32(92) != get32(24) || ::stat(path.c_str(), &st) != 0)
        return false;
    const std::uint64_t size = pageSize == 1 ? 65536u : pageSize;
    return get32(28) > (std::uint64_t(st.st_size) + size - 1) / size;
}

void put32(unsigned char *p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Writes a header for pages of the given size over the first 100 bytes of the file: the
// engine's own values, no free-page list (the salvage does not need it).
bool writeHeader(const std::string &path, unsigned pageSize, std::uint64_t fileSize)
{
    unsigned char h[kHeaderSize] = {};
    std::memcpy(h, "SQLite format 3", 16);
    h[16] = static_cast<unsigned char>(pageSize == 65536 ? 0 : pageSize >> 8);
    h[17] = static_cast<unsigned char>(pageSize == 65536 ? 1 : pageSize & 0xFF);
    h[18] = h[19] = 1;
    h[21] = 64;
    h[22] = h[23] = 32;
    put32(h + 24, 1);                                                   // change counter
    put32(h + 28, static_cast<std::uint32_t>((fileSize + pageSize - 1) / pageSize)); // pages
    put32(h + 40, 1);                                                   // schema cookie
    put32(h + 44, 4);                                                   // schema format
    put32(h + 56, 1);                                                   // UTF-8
    put32(h + 60, static_cast<std::uint32_t>(kFormatVersion));
    put32(h + 68, static_cast<std::uint32_t>(kApplicationId));
    put32(h + 92, 1);                                                   // valid for counter 1
    put32(h + 96, SQLITE_VERSION_NUMBER);
    FILE *f = std::fopen(path.c_str(), "r+b");
    if (!f)
        return false;
    const bool ok = std::fwrite(h, 1, sizeof h, f) == sizeof h;
    return std::fclose(f) == 0 && ok;
}

bool copyFile(const std::string &from, const std::string &to, std::uint64_t &size)
{
    FILE *in = std::fopen(from.c_str(), "rb");
    if (!in)
        return false;
    FILE *out = std::fopen(to.c_str(), "wb");
    bool ok = out != nullptr;
    size = 0;
    char buf[1 << 16];
    while (ok) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, in);
        if (n == 0)
            break;
        ok = std::fwrite(buf, 1, n, out) == n;
        size += n;
    }
    ok = ok && !std::ferror(in);
    std::fclose(in);
    if (out)
        ok = std::fclose(out) == 0 && ok;
    return ok;
}

UnreadableError unreadable(const std::string &path)
{
    return UnreadableError("La tabla «" + path
                           + "» está dañada y no se ha podido leer ninguno de sus registros. La tabla no se ha modificado.");
}

// Keeps the (closed) damaged file at `keepAs` as it is: a second name for it, or, where the
// file system has none, a copy that gets that name once complete and on the disk.
void keepDamaged(const std::string &path, const std::string &keepAs)
{
    struct stat st;
    if (::lstat(keepAs.c_str(), &st) == 0)
        throw EngineError("Ya existe «" + keepAs + "»; el fichero dañado no se ha modificado.");
    if (::link(path.c_str(), keepAs.c_str()) != 0) {
        const std::string tmp = temporaryPathBeside(path);
        std::uint64_t size = 0;
        bool copied = copyFile(path, tmp, size);
        if (copied) {
            syncPath(tmp, false);
            copied = std::rename(tmp.c_str(), keepAs.c_str()) == 0;
        }
        if (!copied) {
            removeTemporary(tmp);
            throw EngineError("No se pudo guardar una copia del fichero dañado en «" + keepAs + "».");
        }
    }
    syncPath(folderOf(keepAs), true);
}

// Salvages the damaged table `in` (the file at `path`, or a copy of it) into a copy beside
// `path`, which then replaces the file at `path`, once it is intact and the damaged file is
// kept at `keepAs` when something could not be carried over (and `keepAs` is given). `in` is
// closed. UnreadableError, nothing changed, when not one record can be read.
SalvageReport replaceBySalvage(Database &in, const Schema &schema, const std::string &path, const std::string &keepAs)
{
    const std::string tmp = temporaryPathBeside(path);
    SalvageReport report = salvage(in, schema, tmp);
    in.close();
    try {
        if (report.damaged && report.recordsKept == 0)
            throw unreadable(path);
        requireIntact(tmp);
        if (report.damaged && !keepAs.empty()) {
            keepDamaged(path, keepAs);
            report.keptAs = keepAs;
        }
    } catch (...) {
        removeTemporary(tmp);
        throw;
    }
    replaceTableFile(tmp, path, true);
    return report;
}

// Salvages a table whose header is damaged: a copy of the file gets a header for each page
// size in turn (the engine's own first) until its definitions can be read; its readable
// records then go into a new file that replaces the table (see replaceBySalvage). EngineError
// when none works.
SalvageReport recoverDamagedHeader(const std::string &path, const std::string &keepAs)
{
    FileLock lock = FileLock::acquire(path, true);
    const std::string work = temporaryPathBeside(path);
    std::uint64_t size = 0;
    if (!copyFile(path, work, size)) {
        removeTemporary(work);
        throw EngineError("No se pudo copiar el fichero.");
    }
    bool nothingRead = false;
    for (unsigned pageSize : {4096u, 1024u, 2048u, 8192u, 16384u, 32768u, 65536u, 512u}) {
        if (size < 2 * pageSize)
            continue;
        try {
            if (!writeHeader(work, pageSize, size))
                break;
            Database in;
            in.open(work, false);
            const Schema schema = loadSchema(in);
            const SalvageReport report = replaceBySalvage(in, schema, path, keepAs);
            removeTemporary(work);
            return report;
        } catch (const UnreadableError &) {
            nothingRead = true;
        } catch (const EngineError &) {
        }
    }
    removeTemporary(work);
    if (nothingRead)
        throw unreadable(path);
    throw EngineError("su cabecera está dañada y no se ha podido reconstruir.");
}

// SQLite finds the file damaged (or not a database at all).
bool fileDamaged(const std::string &path)
{
    try {
        Database db;
        db.open(path, false);
        return db.queryText("PRAGMA quick_check(1)") != "ok";
    } catch (const EngineError &) {
        return true;
    }
}

void compact(Database &db, const Schema &schema)
{
    rebuildIndexes(db, schema);
    db.exec("VACUUM");
}

} // namespace

void Table::pack()
{
    if (d->state != State::Inactive) {
        if (!d->exclusive)
            throw EngineError("La tabla «" + d->path() + "» debe estar abierta en exclusiva para empaquetarla.");
        checkBrowseMode();
        d->requireWritable();
        if (!integrityOk(d->db))
            throw EngineError("La tabla «" + d->path()
                              + "» está dañada; ciérrela y vuelva a empaquetarla para recuperar sus registros.");
        const std::int64_t keep = d->currentId();
        compact(d->db, d->schema);
        d->reloadAfterChange(keep);
        d->notify(Event::DataChanged);
        return;
    }
    const std::string p = d->path();
    try {
        removeStaleTemporaries(p);
        bool old = false;
        try {
            old = formatVersionOf(p) < kFormatVersion;
        } catch (const EngineError &) {
            // Damaged or foreign: the packing below tells.
        }
        if (old) // converted keeping whatever can still be read, which also packs it
            convertTableFile(p, true);
        try {
            d->onOwnConnection(true, [&](Impl &own) {
                // The work is done on a copy beside the table, which takes its place only
                // when complete and intact: a failure leaves the table as it was.
                // (The replacement is made while the lock is still held.)
                const std::string tmp = temporaryPathBeside(p);
                if (!compactCopy(own.db, own.schema, tmp)) {
                    replaceBySalvage(own.db, own.schema, p, std::string());
                    return;
                }
                own.db.close();
                replaceTableFile(tmp, p, true);
            });
        } catch (const UnreadableError &) {
            throw;
        } catch (const EngineError &) {
            if (!headerDamaged(p))
                throw;
            recoverDamagedHeader(p, std::string());
        }
    } catch (const UnreadableError &e) {
        throw UnreadableError("No se pudo empaquetar la tabla «" + p + "»: " + e.what());
    } catch (const EngineError &e) {
        throw EngineError("No se pudo empaquetar la tabla «" + p + "»: " + e.what());
    }
}

SalvageReport Table::salvage(const std::string &keepAs)
{
    if (d->state != State::Inactive)
        throw EngineError("La tabla «" + d->path() + "» debe estar cerrada para recuperar sus registros.");
    const std::string p = d->path();
    removeStaleTemporaries(p);
    try {
        if (formatVersionOf(p) < kFormatVersion)
            return {}; // converted when packed, keeping whatever can still be read
    } catch (const EngineError &) {
        // Damaged or foreign: told below.
    }
    FileLock::acquire(p, true); // held by someone else: told as it is
    SalvageReport report;
    try {
        d->onOwnConnection(true, [&](Impl &own) {
            if (!integrityOk(own.db))
                report = replaceBySalvage(own.db, own.schema, p, keepAs);
        });
    } catch (const UnreadableError &) {
        throw;
    } catch (const EngineError &) {
        if (headerDamaged(p)) {
            try {
                return recoverDamagedHeader(p, keepAs);
            } catch (const UnreadableError &) {
                throw;
            } catch (const EngineError &) {
                // No header makes its definitions readable.
            }
        } else if (!fileDamaged(p)) {
            throw;
        }
        throw unreadable(p);
    }
    return report;
}

void Table::rebuildIndexes()
{
    if (d->state == State::Inactive || !d->exclusive)
        throw EngineError("La tabla «" + d->path() + "» debe estar abierta en exclusiva para rehacer sus índices.");
    checkBrowseMode();
    d->requireWritable();
    engine::rebuildIndexes(d->db, d->schema);
}

void Table::checkpointFile()
{
    if (d->state != State::Inactive)
        throw EngineError("La tabla «" + d->path() + "» debe estar cerrada para consolidar su fichero.");
    struct stat st;
    const bool log = ::stat((d->path() + "-wal").c_str(), &st) == 0;
    if (!log && ::stat((d->path() + "-journal").c_str(), &st) != 0)
        return;
    // Opening the file rolls back a journal left by a writer that is gone (SQLite does so at
    // the first read); closing the last connection folds a log in and removes it.
    d->onOwnConnection(true, [log](Impl &own) {
        if (log)
            own.db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
    });
}

void Table::setSecureDelete(bool on)
{
    d->secureDelete = on;
    if (d->state != State::Inactive)
        d->db.exec(on ? "PRAGMA secure_delete = ON" : "PRAGMA secure_delete = FAST");
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
