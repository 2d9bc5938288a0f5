#pragma once
// Damage done to a table file as a stray write or a torn copy does it: its pages found by
// table, overwritten with a pattern, and fields of its header changed. Header-only.
#include "support/StudyFiles.h"

#include "engine/Sqlite.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace testsupport {

inline QByteArray readWholeFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the bytes over the file's bytes from `at` on; false when the file cannot be written.
inline bool overwriteAt(const QString &path, qint64 at, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.seek(at) && f.write(bytes) == bytes.size();
}

// The page size the file's header declares.
inline int tablePageSize(const QString &path)
{
    const QByteArray h = readWholeFile(path).left(18);
    if (h.size() < 18)
        return 0;
    const int size = (uchar(h[16]) << 8) | uchar(h[17]);
    return size == 1 ? 65536 : size;
}

// The leaf pages of one of the file's tables or indexes ("data", "orv_blob6", ...), in page
// order or in the order of their keys.
enum class PageOrder { ByPage, ByKey };
inline std::vector<qint64> leafPages(const QString &path, const char *table, PageOrder order = PageOrder::ByPage)
{
    std::vector<qint64> pages;
    engine::Database db;
    db.open(fileName(path), false);
    engine::Statement q = db.prepare(order == PageOrder::ByPage
                                         ? "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY pageno"
                                         : "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY path");
    q.bindText(1, table);
    while (q.step())
        pages.push_back(q.columnInt(0));
    return pages;
}

// Fills the pages with a pattern that is no page of any kind.
inline bool spoilPages(const QString &path, const std::vector<qint64> &pages)
{
    const int size = tablePageSize(path);
    bool ok = size > 0;
    for (qint64 page : pages)
        ok = ok && overwriteAt(path, (page - 1) * size, QByteArray(size, char(0x5A)));
    return ok;
}

} // namespace testsupport
