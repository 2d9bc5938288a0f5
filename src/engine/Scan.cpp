// Reading every record of an open table without the cursor.
#include "engine/TableImpl.h"

namespace engine {

void Table::forEachRecord(const std::function<void(const Row &record)> &visit)
{
    d->requireActive();
    Statement q = d->db.prepare("SELECT " + d->schema.smallSelectList() + " FROM data ORDER BY rowid");
    Row row(d->schema.fields.size());
    while (q.step()) {
        d->schema.readSmall(q, 1, row);
        visit(row);
    }
}

} // namespace engine
