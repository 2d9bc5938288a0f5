#include "engine/Table.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/Names.h"
#include "engine/TableImpl.h"

namespace engine {


Table::Table() : d(std::make_unique<Impl>(*this)) {}

Table::~Table()
{
    try {
        close();
    } catch (...) {
    }
}

void Table::setDatabaseName(std::string folder)
{
    if (d->state != State::Inactive)
        throw EngineError("Cannot perform this operation on an open dataset");
    d->databaseName = std::move(folder);
}
const std::string &Table::databaseName() const { return d->databaseName; }

void Table::setTableName(std::string name)
{
    if (d->state != State::Inactive)
        throw EngineError("Cannot perform this operation on an open dataset");
    d->tableName = std::move(name);
}
const std::string &Table::tableName() const { return d->tableName; }
std::string Table::filePath() const { return d->path(); }

bool Table::exists() const
{
    struct stat st;
    return !d->tableName.empty() && ::stat(d->path().c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<FieldDef> &Table::fieldDefs() { return d->createFields; }
std::vector<IndexDef> &Table::indexDefs() { return d->createIndexes; }

void Table::createTable()
{
    if (d->state != State::Inactive)
        throw EngineError("No se puede crear la tabla «" + d->path() + "» mientras está abierta.");
    if (d->tableName.empty())
        throw EngineError("No se ha dado el nombre de la tabla.");
    validateDefinitions(d->createFields, d->createIndexes);
    const std::string p = d->path();
    const std::string tmp = temporaryPathBeside(p);
    {
        Database db;
        try {
            createTableFile(db, tmp, d->createFields, d->createIndexes);
        } catch (const EngineError &e) {
            throw EngineError("No se puede crear la tabla «" + p + "»: " + e.what());
        }
    }
    replaceTableFile(tmp, p);
}

void Table::createTable(const std::vector<FieldDef> &fields, const std::vector<IndexDef> &indexes)
{
    d->createFields = fields;
    d->createIndexes = indexes;
    createTable();
}

void Table::addIndex(const std::string &name, const std::string &fields, bool primary)
{
    IndexDef index{name, fields, primary};
    if (d->state == State::Inactive) {
        d->onOwnConnection(false, [&](Impl &own) { addIndexToSchema(own.db, own.schema, index); });
        return;
    }
    checkBrowseMode();
    d->requireWritable();
    const std::int64_t keep = d->currentId();
    addIndexToSchema(d->db, d->schema, index);
    d->schema = loadSchema(d->db);
    d->reloadAfterChange(keep);
    d->notify(Event::DataChanged);
}

void Table::emptyTable()
{
    if (d->state == State::Inactive) {
        d->onOwnConnection(false, [](Impl &own) { own.db.exec("DELETE FROM data"); });
        return;
    }
    checkBrowseMode();
    d->requireWritable();
    d->db.exec("DELETE FROM data");
    d->reloadAfterChange(0);
    d->notify(Event::DataChanged);
    d->fireAfterScroll();
}

void Table::setExclusive(bool exclusive)
{
    if (d->state != State::Inactive)
        throw EngineError("Cannot perform this operation on an open dataset");
    d->exclusive = exclusive;
}
bool Table::exclusive() const { return d->exclusive; }

void Table::checkFormat() const
{
    try {
        formatVersionOf(d->path());
    } catch (const NewerFormatError &) {
        throw;
    } catch (const EngineError &) {
    }
}

void Table::open()
{
    if (d->state != State::Inactive)
        return;
    d->openConnection(d->exclusive);
    d->writesRefused = false;
    try {
        d->compiledOk = false;
        if (d->filtered) {
            d->compiled = Filter::compile(d->filterText, d->schema.fields);
            d->compiledOk = true;
        } else {
            try {
                d->compiled = Filter::compile(d->filterText, d->schema.fields);
                d->compiledOk = true;
            } catch (const EngineError &) {
                // Checked again when the filter is switched on.
            }
        }
        d->prepareStatements();
        d->buildView();
    } catch (...) {
        d->closeConnection();
        throw;
    }
    const std::size_t n = d->schema.fields.size();
    d->fields.clear();
    d->fields.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        d->fields.push_back(Field(*this, static_cast<int>(i), d->schema.fields[i]));
    d->blobs.assign(n, Value());
    d->blobLoaded.assign(n, 0);
    d->blobsOf = 0;
    d->cache.reset(kCacheMax, n);
    d->state = State::Browse;
    d->moveFirst();
    d->notify(Event::Opened);
    if (!d->view.empty())
        d->fireAfterScroll();
}

void Table::close()
{
    if (d->state == State::Inactive)
        return;
    d->state = State::Browse; // an unposted edit is dropped
    d->buf.clear();
    d->closeConnection();
    d->state = State::Inactive;
    d->writesRefused = false;
    d->view.clear();
    d->cache.clear();
    d->fields.clear();
    d->pos = -1;
    d->bof = d->eof = true;
    d->modified = false;
    d->notify(Event::Closed);
}

bool Table::active() const { return d->state != State::Inactive; }
Table::State Table::state() const { return d->state; }

void Table::refuseWrites()
{
    if (d->state == State::Inactive)
        return;
    d->writesRefused = true;
    // Whatever way round the checks a write might take, the connection itself writes nothing.
    try {
        d->db.exec("PRAGMA query_only = ON");
    } catch (const EngineError &) {
    }
}

bool Table::writesRefused() const { return d->writesRefused; }

int Table::fieldCount() const { return static_cast<int>(d->fields.size()); }

Field &Table::field(int index)
{
    d->requireActive();
    if (index < 0 || index >= fieldCount())
        throw EngineError("Field index out of range");
    return d->fields[static_cast<std::size_t>(index)];
}

Field *Table::findField(std::string_view name)
{
    for (auto &f : d->fields)
        if (equalsNoCase(f.name(), name))
            return &f;
    return nullptr;
}

Field &Table::fieldByName(std::string_view name)
{
    d->requireActive();
    if (Field *f = findField(name))
        return *f;
    throw EngineError("Field '" + std::string(name) + "' not found");
}

const std::vector<FieldDef> &Table::fieldDefinitions() const { return d->schema.fields; }
std::string Table::primaryIndexFields() const { return d->schema.primaryText; }

void Table::setFilter(const std::string &text)
{
    if (d->state == State::Inactive) {
        Filter::checkSyntax(text);
        d->filterText = text;
        d->compiledOk = false;
        return;
    }
    Filter f = Filter::compile(text, d->schema.fields);
    checkBrowseMode();
    d->filterText = text;
    d->compiled = std::move(f);
    d->compiledOk = true;
    if (d->filtered) {
        d->buildView();
        d->notify(Event::DataChanged);
        d->scroll([&] { d->moveFirst(); });
    }
}

const std::string &Table::filter() const { return d->filterText; }

void Table::setFiltered(bool filtered)
{
    if (d->state == State::Inactive || filtered == d->filtered) {
        d->filtered = filtered;
        return;
    }
    if (filtered && !d->compiledOk) {
        d->compiled = Filter::compile(d->filterText, d->schema.fields);
        d->compiledOk = true;
    }
    checkBrowseMode();
    d->filtered = filtered;
    d->buildView();
    d->notify(Event::DataChanged);
    d->scroll([&] { d->moveFirst(); });
}

bool Table::filtered() const { return d->filtered; }

std::size_t Table::recordCount() const
{
    d->requireActive();
    return d->view.size();
}

bool Table::isEmpty() const { return d->state == State::Inactive || (d->view.empty() && d->state != State::Insert); }
bool Table::bof() const { return d->state == State::Inactive || d->bof; }
bool Table::eof() const { return d->state == State::Inactive || d->eof; }

void Table::first()
{
    d->requireActive();
    checkBrowseMode();
    d->scroll([&] { d->moveFirst(); });
}

void Table::last()
{
    d->requireActive();
    checkBrowseMode();
    d->scroll([&] { d->moveLast(); });
}

void Table::next()
{
    d->requireActive();
    checkBrowseMode();
    d->scroll([&] { d->moveNext(); });
}

void Table::prior()
{
    d->requireActive();
    checkBrowseMode();
    d->scroll([&] { d->movePrior(); });
}

int Table::moveBy(int distance)
{
    d->requireActive();
    checkBrowseMode();
    int moved = 0;
    d->scroll([&] {
        if (distance > 0) {
            while (moved < distance && d->moveNext())
                ++moved;
        } else {
            while (moved > distance && d->movePrior())
                --moved;
        }
    });
    return moved;
}

std::size_t Table::recNo() const
{
    if (d->state == State::Inactive || d->state == State::Insert || d->pos < 0)
        return 0;
    return static_cast<std::size_t>(d->pos) + 1;
}

void Table::setRecNo(std::size_t n)
{
    d->requireActive();
    checkBrowseMode();
    d->scroll([&] {
        if (d->view.empty()) {
            d->moveFirst();
            return;
        }
        const std::size_t p = std::clamp<std::size_t>(n, 1, d->view.size()) - 1;
        d->direction = static_cast<std::ptrdiff_t>(p) >= d->pos ? 1 : -1;
        d->pos = static_cast<std::ptrdiff_t>(p);
        d->bof = d->eof = false;
    });
}

std::int64_t Table::bookmark() const
{
    if (d->state == State::Edit)
        return d->editId;
    if (d->state != State::Browse)
        return 0;
    return d->currentId();
}

bool Table::gotoBookmark(std::int64_t bookmark)
{
    d->requireActive();
    checkBrowseMode();
    const std::ptrdiff_t at = d->view.find(bookmark);
    if (at < 0)
        return false;
    d->scroll([&] {
        d->direction = at >= d->pos ? 1 : -1;
        d->pos = at;
        d->bof = d->eof = false;
    });
    return true;
}

bool Table::locate(std::string_view fieldName, std::string_view value)
{
    d->requireActive();
    Field &f = fieldByName(fieldName);
    checkBrowseMode();
    const auto fi = static_cast<std::size_t>(f.index());
    const FieldDef &def = d->schema.fields[fi];
    for (std::size_t i = 0; i < d->view.size(); ++i) {
        std::string text;
        if (def.type == FieldType::Blob) {
            text = peekAsString(i, f.index());
        } else {
            d->direction = 1;
            text = formatValue(def, d->rowAt(i)[fi]);
        }
        if (text == value) {
            d->scroll([&] {
                d->pos = static_cast<std::ptrdiff_t>(i);
                d->bof = d->eof = false;
            });
            return true;
        }
    }
    return false;
}

void Table::refresh()
{
    d->requireActive();
    checkBrowseMode();
    d->reloadAndNotify(d->currentId());
}

void Table::setViewDeferred(bool deferred)
{
    d->viewDeferred = deferred;
    if (deferred || d->lastDeferred == 0 || !active())
        return;
    d->reloadAndNotify(d->lastDeferred);
}

std::string Table::peekAsString(std::size_t row, int fieldIndex)
{
    d->requireActive();
    if (row >= d->view.size())
        throw EngineError("Row " + std::to_string(row) + " is outside the view");
    if (fieldIndex < 0 || fieldIndex >= fieldCount())
        throw EngineError("Field index out of range");
    const auto fi = static_cast<std::size_t>(fieldIndex);
    const FieldDef &def = d->schema.fields[fi];
    if (def.type == FieldType::Blob) {
        Row store(d->schema.fields.size());
        std::vector<char> loaded(d->schema.fields.size(), 0);
        return formatValue(def, d->blobOf(d->view.id(row), fieldIndex, store, loaded));
    }
    return formatValue(def, d->rowAt(row)[fi]);
}

std::int64_t Table::peekBookmark(std::size_t row) const
{
    d->requireActive();
    if (row >= d->view.size())
        throw EngineError("Row " + std::to_string(row) + " is outside the view");
    return d->view.id(row);
}

void Table::edit()
{
    d->requireActive();
    if (d->state == State::Edit || d->state == State::Insert)
        return;
    if (d->view.empty() || d->pos < 0) {
        insert();
        return;
    }
    if (d->db.readOnly())
        throw EngineError("La tabla «" + d->path() + "» es de sólo lectura; no se puede modificar.");
    const std::size_t n = d->schema.fields.size();
    d->editId = d->currentId();
    d->buf = d->rowAt(static_cast<std::size_t>(d->pos));
    d->bufLoaded.assign(n, 0);
    for (int f : d->schema.smallFields)
        d->bufLoaded[static_cast<std::size_t>(f)] = 1;
    if (d->blobsOf == d->editId)
        for (int f : d->schema.blobFields)
            if (d->blobLoaded[static_cast<std::size_t>(f)]) {
                d->buf[static_cast<std::size_t>(f)] = d->blobs[static_cast<std::size_t>(f)];
                d->bufLoaded[static_cast<std::size_t>(f)] = 1;
            }
    d->dirty.assign(n, 0);
    d->modified = false;
    d->state = State::Edit;
    d->notify(Event::StateChanged);
}

void Table::append()
{
    d->requireActive();
    checkBrowseMode();
    if (d->db.readOnly())
        throw EngineError("La tabla «" + d->path() + "» es de sólo lectura; no se puede modificar.");
    d->scroll([&] {
        const std::size_t n = d->schema.fields.size();
        d->posBeforeInsert = d->pos;
        d->editId = 0;
        d->buf.assign(n, Value());
        d->bufLoaded.assign(n, 1);
        d->dirty.assign(n, 0);
        d->modified = false;
        d->state = State::Insert;
        d->bof = d->eof = false;
        d->notify(Event::StateChanged);
    });
}

void Table::insert() { append(); }

void Table::post()
{
    d->requireActive();
    if (d->state == State::Browse)
        return;
    d->requireWritable();
    bool moved = false;
    if (d->state == State::Edit)
        d->postEdit(moved);
    else
        d->postInsert(moved);
    d->state = State::Browse;
    d->modified = false;
    d->buf.clear();
    d->notify(Event::StateChanged);
    d->notify(Event::DataChanged);
    if (afterPost)
        afterPost(*this);
    if (moved) {
        d->fireAfterScroll();
        d->notify(Event::Scrolled);
    }
}

void Table::cancel()
{
    d->requireActive();
    if (d->state == State::Edit) {
        d->state = State::Browse;
        d->modified = false;
        d->buf.clear();
        d->notify(Event::StateChanged);
        d->notify(Event::DataChanged);
        return;
    }
    if (d->state != State::Insert)
        return;
    d->scroll([&] {
        d->state = State::Browse;
        d->modified = false;
        d->buf.clear();
        if (d->view.empty()) {
            d->moveFirst();
        } else {
            d->pos = std::clamp<std::ptrdiff_t>(d->posBeforeInsert, 0, static_cast<std::ptrdiff_t>(d->view.size()) - 1);
            d->bof = d->eof = false;
        }
        d->notify(Event::StateChanged);
    });
}

void Table::deleteRecord()
{
    d->requireActive();
    if (d->state == State::Insert) {
        cancel();
        return;
    }
    if (d->view.empty() || d->pos < 0)
        throw EngineError("Cannot perform this operation on an empty dataset");
    d->requireWritable();
    d->fireBeforeScroll();
    const std::int64_t id = d->state == State::Edit ? d->editId : d->currentId();
    d->deleteStmt.bindInt(1, id);
    d->deleteStmt.execute();
    const std::ptrdiff_t at = d->pos;
    d->view.erase(static_cast<std::size_t>(at));
    d->cache.erase(id);
    d->blobsOf = 0;
    d->state = State::Browse;
    d->modified = false;
    d->buf.clear();
    d->placeAfterRemoval(at);
    d->notify(Event::StateChanged);
    d->notify(Event::DataChanged);
    if (afterDelete)
        afterDelete(*this);
    d->fireAfterScroll();
    d->notify(Event::Scrolled);
}

bool Table::modified() const { return d->modified; }

std::size_t Table::setFieldOfView(std::string_view fieldName, const Value &value)
{
    d->requireActive();
    checkBrowseMode();
    d->requireWritable();
    const int index = fieldByName(fieldName).index();
    const FieldDef &def = d->schema.fields[static_cast<std::size_t>(index)];
    Value v = value;
    const bool integer = v.kind == Value::Kind::Integer;
    switch (def.type) {
    case FieldType::AutoInc:
        throw EngineError("Field '" + def.name + "' cannot be modified");
    case FieldType::SmallInt:
        if (!v.isBlank() && (!integer || v.integer < -32768 || v.integer > 32767))
            throw EngineError("The value is not valid for field '" + def.name + "'");
        break;
    case FieldType::Boolean:
        if (!v.isBlank() && (!integer || (v.integer != 0 && v.integer != 1)))
            throw EngineError("The value is not valid for field '" + def.name + "'");
        break;
    case FieldType::String:
        if (!v.isBlank() && integer)
            throw EngineError("The value is not valid for field '" + def.name + "'");
        v.bytes = std::string(utf8Left(v.bytes, static_cast<std::size_t>(def.size)));
        break;
    default:
        if (!v.isBlank() && integer)
            throw EngineError("The value is not valid for field '" + def.name + "'");
    }
    // The records go by in groups, one statement for each; a blob goes to its own table.
    constexpr std::size_t group = 256;
    auto updateOf = [&](std::size_t count) {
        std::string sql = "UPDATE data SET " + quoteIdentifier(def.name) + " = ? WHERE rowid IN (";
        for (std::size_t i = 0; i < count; ++i)
            sql += i ? ",?" : "?";
        return d->db.prepare(sql + ")");
    };
    const std::size_t written = d->view.size();
    // Inside an open transaction a failure takes back this call alone.
    d->db.atomically([&] {
        if (def.type == FieldType::Blob) {
            for (std::size_t p = 0; p < written; ++p)
                d->writeBlob(d->view.id(p), index, v);
            return;
        }
        Statement full = written >= group ? updateOf(group) : Statement();
        for (std::size_t p = 0; p < written; p += group) {
            const std::size_t count = std::min(group, written - p);
            Statement tail = count < group ? updateOf(count) : Statement();
            Statement &update = count < group ? tail : full;
            bindValue(update, 1, def.type, v);
            for (std::size_t i = 0; i < count; ++i)
                update.bindInt(static_cast<int>(i) + 2, d->view.id(p + i));
            update.execute();
        }
    });
    const auto &keys = d->schema.keyFields;
    const Filter *filter = d->viewFilter();
    const bool reorders = std::find(keys.begin(), keys.end(), index) != keys.end()
                       || (filter && std::find(filter->usedFields().begin(), filter->usedFields().end(), index)
                                         != filter->usedFields().end());
    if (reorders) {
        const std::int64_t before = d->currentId();
        d->reloadAfterChange(before);
        if (d->currentId() != before)
            d->fireAfterScroll();
    } else {
        d->cache.clear();
        d->blobsOf = 0;
    }
    d->notify(Event::DataChanged);
    return written;
}



void Table::checkBrowseMode()
{
    if (d->state != State::Edit && d->state != State::Insert)
        return;
    if (d->modified && !d->writesRefused)
        post();
    else
        cancel();
}

void Table::flushBuffers() {}

int Table::addListener(Listener listener)
{
    const int id = d->nextListenerId++;
    d->listeners.emplace(id, std::move(listener));
    return id;
}

void Table::removeListener(int id) { d->listeners.erase(id); }

void Table::disableControls() { ++d->disabled; }

void Table::enableControls()
{
    if (d->disabled > 0 && --d->disabled == 0 && d->held) {
        d->held = false;
        d->notify(Event::DataChanged);
    }
}

bool Table::controlsDisabled() const { return d->disabled > 0; }

} // namespace engine
