// Converting a table file of format 1 (blobs as the last columns of data) into the current
// format: the records are copied into a new file beside the old one, which is checked and
// then renamed over it. A process killed at any instant leaves the old file whole (with a
// stale copy, removed at the next opening in that folder) or the new one whole.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "engine/FileLock.h"
#include "engine/Names.h"
#include "engine/TableImpl.h"

namespace engine {

namespace {

std::string cannotConvert(const std::string &path, const std::string &why, const std::string &what)
{
    return "La tabla «" + path + "» es de una versión anterior del programa y hay que convertirla al formato "
           "actual la primera vez que se abre, pero " + why + ". " + what + " La tabla no se ha modificado.";
}

bool writable(const std::string &path)
{
    struct stat st;
    // Write permission as its bits show it (the superuser too is refused a file without them).
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

// Copies every record of the open format-1 file `in` into the new file `out`. The blobs go
// from the record read straight into their tables, without a copy of their own.
void copyRecords(Database &in, const Schema &to, Database &out, bool salvage)
{
    std::string select = "SELECT rowid", smallCols = "rowid", marks = "?";
    for (int f : to.smallFields)
        if (f != to.autoInc) {
            const std::string name = quoteIdentifier(to.fields[static_cast<std::size_t>(f)].name);
            select += ", " + name;
            smallCols += ", " + name;
            marks += ", ?";
        }
    for (int f : to.blobFields)
        select += ", " + quoteIdentifier(to.fields[static_cast<std::size_t>(f)].name);
    select += " FROM data";
    // A salvage may read a record twice while it looks for readable ones again.
    const std::string verb = salvage ? "INSERT OR IGNORE INTO " : "INSERT INTO ";
    Statement insert = out.prepare(verb + "data(" + smallCols + ") VALUES(" + marks + ")");
    std::vector<Statement> blobs;
    for (int f : to.blobFields)
        blobs.push_back(out.prepare(verb + to.blobTable(f) + "(id, v) VALUES(?, ?)"));
    Progress progress(in.queryInt("SELECT max(rowid) FROM data"));
    Row row(to.fields.size());
    auto write = [&](const Statement &s, std::int64_t id) {
        int col = 1, n = 2;
        insert.bindInt(1, id);
        for (int f : to.smallFields)
            if (f != to.autoInc) {
                to.readValueInto(s, col++, f, row[static_cast<std::size_t>(f)]);
                bindValue(insert, n++, to.fields[static_cast<std::size_t>(f)].type, row[static_cast<std::size_t>(f)]);
            }
        insert.execute();
        for (Statement &b : blobs) {
            const std::string_view bytes = s.columnBytes(col++);
            if (bytes.empty())
                continue;
            b.bindInt(1, id);
            b.bindBlobInPlace(2, bytes);
            b.execute();
        }
        progress.at(id);
    };
    if (salvage) {
        // The rows are written while they are read, so that a damaged one is left out whole.
        readAcross(
            in, select + " WHERE rowid >= ? ORDER BY rowid LIMIT 1",
            [&](const Statement &s) { write(s, s.columnInt(0)); }, [](std::int64_t) {});
    } else {
        Statement q = in.prepare(select + " ORDER BY rowid");
        while (q.step())
            write(q, q.columnInt(0));
    }
    copySequence(in, out);
}

// The definitions of a file of format 1, refused as a damaged table unless the file is one:
// format number 1, laid out exactly as that format's program made it. Only then are its
// columns read by name for the copy.
void readFormat1(Database &in, std::vector<FieldDef> &fields, std::vector<IndexDef> &indexes)
{
    const std::string &path = in.path();
    const int version = formatVersion(in);
    if (version != 1)
        throw EngineError("La tabla «" + path + "» está dañada: su número de formato (" + std::to_string(version)
                          + ") no es el de ninguna versión del programa. La tabla no se ha modificado.");
    loadDefinitions(in, fields, indexes);
    try {
        validateDefinitions(fields, indexes);
    } catch (const EngineError &e) {
        throw EngineError("La tabla «" + path + "» está dañada: sus definiciones no son válidas (" + e.what() + ").");
    }
    requireOwnSchema(in, fields, indexes, 1);
}

} // namespace

int formatVersionOf(const std::string &path)
{
    Database db;
    db.open(path, false);
    return formatVersion(db);
}

void convertTableFile(const std::string &path, bool salvage)
{
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    {
        // What cannot be converted is told before anything else is looked at.
        Database in;
        in.open(path, false);
        if (formatVersion(in) >= kFormatVersion)
            return;
        readFormat1(in, fields, indexes);
    }
    const std::string folder = folderOf(path);
    if (!writable(path) || !writable(folder))
        throw EngineError(cannotConvert(path, "no se puede escribir en ella o en su carpeta «" + folder + "»",
                                        "Dé permiso de escritura sobre la tabla y su carpeta (o cópiela a una "
                                        "carpeta en la que pueda escribir) y vuelva a abrirla."));
    FileLock lock;
    try {
        lock = FileLock::acquire(path, true);
    } catch (const EngineError &) {
        throw EngineError(cannotConvert(path, "otro programa la tiene abierta",
                                        "Ciérrela en el otro programa y vuelva a abrirla aquí."));
    }
    removeStaleTemporaries(path);
    Database in;
    in.open(path, false);
    if (formatVersion(in) >= kFormatVersion)
        return; // converted meanwhile
    struct stat st {};
    ::stat(path.c_str(), &st);
    auto diskFull = [&] {
        const auto megabytes = static_cast<long long>(st.st_size / (1024 * 1024) + 1);
        return EngineError(cannotConvert(path, "no hay espacio libre suficiente en el disco (hacen falta unos "
                                                   + std::to_string(megabytes) + " MB)",
                                         "Libere espacio en el disco y vuelva a abrirla."));
    };
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) == 0
        && static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize
               < static_cast<unsigned long long>(st.st_size) + (1u << 20))
        throw diskFull();

    readFormat1(in, fields, indexes);
    const std::string tmp = temporaryPathBeside(path);
    try {
        Database out;
        createTableFile(out, tmp, fields, indexes);
        // The copy needs no journal on disk nor synchronised writes of its own: a failure or
        // a kill throws it away, and it reaches the disk before it is put in place. (A
        // connection in defensive mode keeps a journal, in memory here.)
        out.exec("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536");
        in.exec("PRAGMA mmap_size = 2147418112");
        const Schema to = loadSchema(out);
        fillTableFile(out, tmp, [&] { copyRecords(in, to, out, salvage); });
        out.close();
        requireIntact(tmp, salvage);
        ::chmod(tmp.c_str(), st.st_mode & 07777);
    } catch (const DiskFullError &) {
        ::unlink(tmp.c_str());
        removeSideFiles(tmp);
        throw diskFull();
    } catch (const EngineError &e) {
        ::unlink(tmp.c_str());
        removeSideFiles(tmp);
        throw EngineError(cannotConvert(path, std::string("no se ha podido convertir (") + e.what() + ")",
                                        "Repare el Fichero de Estudio y vuelva a abrirlo."));
    }
    in.close();
    replaceTableFile(tmp, path, true); // while the lock is still held
}

} // namespace engine
