// The inner workings of a table: its connection, its view, reading records, posting.
#include <algorithm>

#include "engine/Names.h"
#include "engine/TableImpl.h"

namespace engine {

namespace {

bool endsWithDb(const std::string &name)
{
    return name.size() >= 3 && equalsNoCase(std::string_view(name).substr(name.size() - 3), ".db");
}

} // namespace

std::string formatValue(const FieldDef &def, const Value &v)
{
    if (v.kind == Value::Kind::Null)
        return {};
    if (v.kind == Value::Kind::Bytes)
        return v.bytes;
    if (def.type == FieldType::Boolean)
        return v.integer ? "True" : "False";
    return std::to_string(v.integer);
}

std::string Table::Impl::path() const
{
    std::string name = tableName;
    if (!endsWithDb(name))
        name += ".DB";
    if (!name.empty() && name[0] == '/')
        return name;
    if (databaseName.empty())
        return name;
    if (databaseName.back() == '/')
        return databaseName + name;
    return databaseName + "/" + name;
}

void Table::Impl::requireActive() const
{
    if (state == State::Inactive)
        throw EngineError("Cannot perform this operation on a closed dataset");
}

void Table::Impl::requireEditing() const
{
    if (state != State::Edit && state != State::Insert)
        throw EngineError("Dataset not in edit or insert mode");
}

void Table::Impl::requireWritable() const
{
    if (db.readOnly())
        throw EngineError("La tabla «" + path() + "» es de sólo lectura; no se puede modificar.");
    if (writesRefused)
        throwDamaged(path());
}

void Table::Impl::openConnection(bool exclusiveLock)
{
    const std::string p = path();
    if (tableName.empty())
        throw EngineError("No se ha dado el nombre de la tabla.");
    FileLock l = FileLock::acquire(p, exclusiveLock);
    removeStaleTemporaries(p);
    try {
        db.open(p, false);
        if (formatVersion(db) < kFormatVersion) {
            db.close();
            l.release();
            convertTableFile(p, false);
            l = FileLock::acquire(p, exclusiveLock);
            db.open(p, false);
        }
        schema = loadSchema(db);
        configureConnection(db);
        // Without secure delete, deleted bytes are still cleared within the pages that are
        // written anyway, but freed pages (a deleted picture's) are not rewritten with zeros,
        // whatever SQLite's built-in default is.
        db.exec(secureDelete ? "PRAGMA secure_delete = ON" : "PRAGMA secure_delete = FAST");
        if (!writeThrough)
            db.exec("PRAGMA synchronous = OFF");
    } catch (...) {
        db.close();
        throw;
    }
    lock = std::move(l);
}

void Table::Impl::closeConnection()
{
    fetchStmt = Statement();
    blobStmts.clear();
    inserter.reset();
    deleteStmt = Statement();
    existsStmt = Statement();
    updateStmts.clear();
    db.close();
    lock.release();
    viewDeferred = false;
    lastDeferred = 0;
}

void Table::Impl::prepareStatements()
{
    std::string in;
    for (std::size_t i = 0; i < kChunk; ++i)
        in += i ? ",?" : "?";
    fetchStmt = db.prepare("SELECT " + schema.smallSelectList() + " FROM data WHERE rowid IN (" + in + ")");
    blobStmts.clear();
    for (int f : schema.blobFields) {
        const std::string t = schema.blobTable(f);
        BlobStatements b;
        b.read = db.prepare("SELECT v FROM " + t + " WHERE id = ?");
        b.length = db.prepare("SELECT length(v) FROM " + t + " WHERE id = ?");
        if (!db.readOnly()) {
            b.write = db.prepare("INSERT OR REPLACE INTO " + t + "(id, v) VALUES(?, ?)");
            b.erase = db.prepare("DELETE FROM " + t + " WHERE id = ?");
        }
        blobStmts.push_back(std::move(b));
    }
    if (!db.readOnly()) {
        inserter = std::make_unique<RowWriter>(db, schema, false);
        deleteStmt = db.prepare("DELETE FROM data WHERE rowid = ?"); // a trigger deletes the blobs
        existsStmt = db.prepare("SELECT 1 FROM data WHERE rowid = ?");
    }
}

void Table::Impl::buildView()
{
    const Filter *filter = viewFilter();
    std::vector<int> needed = schema.keyFields;
    if (filter)
        for (int f : filter->usedFields())
            if (std::find(needed.begin(), needed.end(), f) == needed.end())
                needed.push_back(f);
    std::string sql = "SELECT rowid";
    for (int f : needed)
        sql += ", " + quoteIdentifier(schema.fields[static_cast<std::size_t>(f)].name);
    sql += " FROM data";
    // Every record is read once, through reads rather than the connection's map of the file,
    // so that the whole table never stays resident with the process after it: the map is
    // there for the cards read one by one.
    db.exec("PRAGMA mmap_size = 0");
    struct MapAgain {
        Database &db;
        ~MapAgain()
        {
            try {
                db.exec(std::string("PRAGMA mmap_size = ") + kMapSize);
            } catch (const EngineError &) {
                // Reads go on without the map.
            }
        }
    } mapAgain{db};
    Statement q = db.prepare(sql);
    view.reset(schema.packedKeys);
    view.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, db.queryInt("SELECT count(*) FROM data"))));
    Row row(schema.fields.size());
    while (q.step()) {
        for (std::size_t i = 0; i < needed.size(); ++i)
            row[static_cast<std::size_t>(needed[i])] = schema.readValue(q, static_cast<int>(i) + 1, needed[i]);
        if (filter && !filter->matches(row))
            continue;
        view.add(q.columnInt(0), schema.key(row));
    }
    view.sort();
    lastDeferred = 0; // every record is in view now
    pos = -1;
    bof = eof = true;
}

void Table::Impl::setFromFirst()
{
    moveFirst();
}

const Row &Table::Impl::rowAt(std::size_t position)
{
    const std::int64_t id = view.id(position);
    if (const Row *r = cache.find(id))
        return *r;
    // Read ahead in the direction of travel.
    std::vector<std::int64_t> ids;
    ids.push_back(id);
    for (std::size_t step = 1; ids.size() < kChunk && step < kCacheMax / 2; ++step) {
        const std::ptrdiff_t p = static_cast<std::ptrdiff_t>(position)
                               + (direction >= 0 ? 1 : -1) * static_cast<std::ptrdiff_t>(step);
        if (p < 0 || p >= static_cast<std::ptrdiff_t>(view.size()))
            break;
        const std::int64_t other = view.id(static_cast<std::size_t>(p));
        if (!cache.contains(other))
            ids.push_back(other);
    }
    for (std::size_t i = 0; i < kChunk; ++i) {
        if (i < ids.size())
            fetchStmt.bindInt(static_cast<int>(i) + 1, ids[i]);
        else
            fetchStmt.bindNull(static_cast<int>(i) + 1);
    }
    try {
        while (fetchStmt.step())
            schema.readSmall(fetchStmt, 1, cache.claim(fetchStmt.columnInt(0)));
    } catch (...) {
        fetchStmt.reset();
        throw;
    }
    fetchStmt.reset();
    if (const Row *r = cache.find(id))
        return *r;
    // Deleted by another holder since the view was built: show it blank.
    Row &blank = cache.claim(id);
    std::fill(blank.begin(), blank.end(), Value());
    return blank;
}

const Value &Table::Impl::blobOf(std::int64_t id, int field, Row &store, std::vector<char> &loaded)
{
    const auto f = static_cast<std::size_t>(field);
    if (loaded[f])
        return store[f];
    Statement &s = blobStmts[blobSlot(field)].read;
    s.bindInt(1, id);
    try {
        store[f] = s.step() ? schema.readValue(s, 0, field) : Value();
    } catch (...) {
        s.reset();
        throw;
    }
    s.reset();
    loaded[f] = 1;
    return store[f];
}

std::size_t Table::Impl::blobSlot(int field) const
{
    return static_cast<std::size_t>(std::find(schema.blobFields.begin(), schema.blobFields.end(), field)
                                    - schema.blobFields.begin());
}

bool Table::Impl::storedBlobEquals(std::int64_t id, int field, const Value &v)
{
    BlobStatements &b = blobStmts[blobSlot(field)];
    b.length.bindInt(1, id);
    std::int64_t length = -1;
    try {
        if (b.length.step())
            length = b.length.columnInt(0);
    } catch (...) {
        b.length.reset();
        throw;
    }
    b.length.reset();
    if (v.isBlank() || length <= 0)
        return v.isBlank() && length <= 0;
    if (static_cast<std::size_t>(length) != v.bytes.size())
        return false;
    Row store(schema.fields.size());
    std::vector<char> loaded(schema.fields.size(), 0);
    return blobOf(id, field, store, loaded).bytes == v.bytes;
}

void Table::Impl::writeBlob(std::int64_t id, int field, const Value &v)
{
    BlobStatements &b = blobStmts[blobSlot(field)];
    Statement &s = v.isBlank() ? b.erase : b.write;
    s.bindInt(1, id);
    if (!v.isBlank())
        bindValue(s, 2, FieldType::Blob, v);
    s.execute();
}

const Value &Table::Impl::value(int field)
{
    static const Value blank;
    requireActive();
    const auto f = static_cast<std::size_t>(field);
    const bool isBlob = schema.fields[f].type == FieldType::Blob;
    if (state == State::Edit || state == State::Insert) {
        if (isBlob && !bufLoaded[f]) {
            if (state == State::Insert)
                return blank;
            return blobOf(editId, field, buf, bufLoaded);
        }
        return buf[f];
    }
    if (pos < 0)
        return blank;
    if (isBlob) {
        const std::int64_t id = currentId();
        if (blobsOf != id) {
            blobsOf = id;
            std::fill(blobLoaded.begin(), blobLoaded.end(), 0);
        }
        return blobOf(id, field, blobs, blobLoaded);
    }
    return rowAt(static_cast<std::size_t>(pos))[f];
}

void Table::Impl::setValue(int field, Value v)
{
    requireActive();
    requireEditing();
    const auto f = static_cast<std::size_t>(field);
    if (schema.fields[f].type == FieldType::AutoInc)
        throw EngineError("Field '" + schema.fields[f].name + "' cannot be modified");
    if (v.isBlank())
        v = Value();
    buf[f] = std::move(v);
    bufLoaded[f] = 1;
    dirty[f] = 1;
    modified = true;
    notify(Event::FieldChanged, field);
}

void Table::Impl::notify(Event event, int field)
{
    if (disabled > 0) {
        held = true;
        return;
    }
    if (listeners.empty())
        return;
    const auto copy = listeners;
    for (const auto &[id, listener] : copy)
        if (listener)
            listener(event, field);
}

void Table::Impl::fireBeforeScroll()
{
    if (self.beforeScroll)
        self.beforeScroll(self);
}

void Table::Impl::fireAfterScroll()
{
    if (self.afterScroll)
        self.afterScroll(self);
}

void Table::Impl::moveFirst()
{
    direction = 1;
    if (view.empty()) {
        pos = -1;
        bof = eof = true;
        return;
    }
    pos = 0;
    bof = true;
    eof = false;
}

void Table::Impl::moveLast()
{
    direction = -1;
    if (view.empty()) {
        pos = -1;
        bof = eof = true;
        return;
    }
    pos = static_cast<std::ptrdiff_t>(view.size()) - 1;
    eof = true;
    bof = false;
}

bool Table::Impl::moveNext()
{
    direction = 1;
    if (view.empty()) {
        pos = -1;
        bof = eof = true;
        return false;
    }
    if (pos < 0)
        pos = 0;
    if (pos + 1 >= static_cast<std::ptrdiff_t>(view.size())) {
        eof = true;
        return false;
    }
    ++pos;
    bof = eof = false;
    return true;
}

bool Table::Impl::movePrior()
{
    direction = -1;
    if (view.empty()) {
        pos = -1;
        bof = eof = true;
        return false;
    }
    if (pos <= 0) {
        pos = 0;
        bof = true;
        return false;
    }
    --pos;
    bof = eof = false;
    return true;
}

void Table::Impl::placeAfterRemoval(std::ptrdiff_t removedAt)
{
    if (view.empty()) {
        pos = -1;
        bof = eof = true;
        return;
    }
    pos = std::min(removedAt, static_cast<std::ptrdiff_t>(view.size()) - 1);
    bof = eof = false;
}

void Table::Impl::adoptBuffer(std::int64_t id)
{
    // The stored record now equals the buffer.
    Row &stored = cache.claim(id);
    for (int f : schema.smallFields)
        stored[static_cast<std::size_t>(f)] = buf[static_cast<std::size_t>(f)];
    blobsOf = id;
    blobs = buf;
    blobLoaded = bufLoaded;
}

void Table::Impl::postEdit(bool &moved)
{
    moved = false;
    // The non-blob fields that were set go into one update of the record's row; a blob that
    // was set is written only when it differs from the stored one.
    std::vector<int> written, blobsWritten;
    for (std::size_t f = 0; f < dirty.size(); ++f) {
        if (!dirty[f])
            continue;
        if (schema.fields[f].type != FieldType::Blob)
            written.push_back(static_cast<int>(f));
        else if (!storedBlobEquals(editId, static_cast<int>(f), buf[f]))
            blobsWritten.push_back(static_cast<int>(f));
    }
    auto gone = [&] {
        return EngineError("El registro que se estaba modificando ya no está en la tabla «" + path()
                           + "»: lo ha borrado otro usuario o programa.");
    };
    auto writeRow = [&] {
        if (!written.empty()) {
            auto it = updateStmts.find(written);
            if (it == updateStmts.end()) {
                std::string sql = "UPDATE data SET ";
                for (std::size_t i = 0; i < written.size(); ++i)
                    sql += (i ? ", " : "") + quoteIdentifier(schema.fields[static_cast<std::size_t>(written[i])].name)
                         + " = ?";
                sql += " WHERE rowid = ?";
                it = updateStmts.emplace(written, db.prepare(sql)).first;
            }
            Statement &s = it->second;
            int n = 1;
            for (int f : written)
                bindValue(s, n++, schema.fields[static_cast<std::size_t>(f)].type, buf[static_cast<std::size_t>(f)]);
            s.bindInt(n, editId);
            s.execute();
            if (db.changes() == 0)
                throw gone();
        } else {
            existsStmt.bindInt(1, editId);
            const bool there = existsStmt.step();
            existsStmt.reset();
            if (!there)
                throw gone();
        }
        for (int f : blobsWritten)
            writeBlob(editId, f, buf[static_cast<std::size_t>(f)]);
    };
    if (blobsWritten.empty() && !written.empty())
        writeRow(); // one statement, its own commit
    else if (!blobsWritten.empty())
        db.atomically(writeRow);
    adoptBuffer(editId);

    const Filter *filter = viewFilter();
    const bool passes = !filter || filter->matches(buf);
    SortKey key = schema.key(buf);
    const auto at = static_cast<std::size_t>(pos);
    if (passes) {
        if (!view.sameKey(at, key))
            pos = static_cast<std::ptrdiff_t>(view.rekey(at, std::move(key)));
        bof = eof = false;
        return;
    }
    view.erase(at);
    placeAfterRemoval(pos);
    moved = true;
}

void Table::Impl::postInsert(bool &moved)
{
    bool withBlobs = false;
    for (int f : schema.blobFields)
        withBlobs = withBlobs || !buf[static_cast<std::size_t>(f)].isBlank();
    std::int64_t id = 0;
    if (withBlobs)
        db.atomically([&] { id = inserter->write(buf); });
    else
        id = inserter->write(buf);
    if (schema.autoInc >= 0)
        buf[static_cast<std::size_t>(schema.autoInc)] = Value::ofInteger(id);
    for (int f : schema.blobFields)
        bufLoaded[static_cast<std::size_t>(f)] = 1;
    adoptBuffer(id);

    if (viewDeferred) {
        lastDeferred = id;
        if (view.empty()) {
            pos = -1;
            bof = eof = true;
        } else {
            pos = std::clamp<std::ptrdiff_t>(posBeforeInsert, 0, static_cast<std::ptrdiff_t>(view.size()) - 1);
            bof = eof = false;
        }
        moved = false;
        return;
    }
    const Filter *filter = viewFilter();
    const bool passes = !filter || filter->matches(buf);
    SortKey key = schema.key(buf);
    const std::size_t at = view.lowerBound(key, id);
    if (passes) {
        view.insert(at, id, std::move(key));
        pos = static_cast<std::ptrdiff_t>(at);
        bof = eof = false;
        moved = false;
        return;
    }
    placeAfterRemoval(static_cast<std::ptrdiff_t>(at));
    moved = true;
}

void Table::Impl::reloadAfterChange(std::int64_t keepId)
{
    cache.clear();
    blobsOf = 0;
    buildView();
    const std::ptrdiff_t at = keepId != 0 ? view.find(keepId) : -1;
    if (at >= 0) {
        pos = at;
        bof = eof = false;
        return;
    }
    moveFirst();
}

void Table::Impl::reloadAndNotify(std::int64_t keepId)
{
    const std::int64_t before = currentId();
    reloadAfterChange(keepId);
    notify(Event::DataChanged);
    if (currentId() != before)
        fireAfterScroll();
}

namespace {
Table::ProgressHook &progressHook()
{
    static Table::ProgressHook hook;
    return hook;
}
} // namespace

void Table::setProgressHook(ProgressHook hook) { progressHook() = std::move(hook); }

Progress::Progress(std::int64_t total) : total_(total > 0 ? total : 1) { report(0); }

Progress::~Progress() { report(total_); }

void Progress::at(std::int64_t done)
{
    if (done - last_ >= total_ / 200 + 1 && done < total_)
        report(done);
}

void Progress::report(std::int64_t done)
{
    last_ = done;
    if (progressHook())
        progressHook()(done, total_);
}

} // namespace engine
