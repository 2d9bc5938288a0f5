// Transport files apart from their window: the zlib routines of the items, and unpacking, which
// writes a study file only from a sound transport file whose "DB" item is a card table.
#include "exchange/TransportFiles.h"
#include "exchange/Transporte.h"

#include "engine/Table.h"
#include "platform/Files.h"
#include "store/D_Module.h"
#include "support/StudyFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include "engine/SqliteApi.h"

#include <random>

namespace {
QByteArray bytesOf(const packing::MemoryStream &s)
{
    return QByteArray(reinterpret_cast<const char *>(s.data()), qsizetype(s.size()));
}

// Inflates the bytes, from `skip` on, with the bound; the output, or "<damaged>".
QByteArray inflate(const QByteArray &bytes, std::uint64_t limit, qsizetype skip = 0)
{
    packing::MemoryStream in(bytes.constData(), std::size_t(bytes.size())), out;
    in.setPosition(skip);
    try {
        const std::uint64_t n = Descomprime_Stream_Zlib(in, &out, limit);
        return n == std::uint64_t(out.size()) ? bytesOf(out) : QByteArray("<miscounted>");
    } catch (const EZlibDanado &) {
        return "<damaged>";
    }
}

class TransportUnpackTest : public ::testing::Test {
protected:
    QTemporaryDir work;
    QString dat() const { return work.path() + "/dat"; }
    QString scratch(const QString &name) const { return work.path() + "/" + name; }

    // The bytes of an engine table with the definitions given and one record.
    QByteArray table(const QString &name, const std::vector<engine::FieldDef> &fields,
                     const std::vector<engine::IndexDef> &indexes)
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(scratch(name + ".DB")));
        t.createTable(fields, indexes);
        t.open();
        t.append();
        t.field(0).setAsString("1");
        t.post();
        t.close();
        return fileBytes(scratch(name + ".DB"));
    }
    QByteArray cardTable() { return table("Fichas", TD_Module_::Campos_Ficha(60), TD_Module_::Indices_Ficha()); }

    // The bytes of a card table that another program changed with the SQL given.
    QByteArray cardTableChangedWith(const char *sql)
    {
        table("Cambiada", TD_Module_::Campos_Ficha(60), TD_Module_::Indices_Ficha());
        sqlite3 *db = nullptr;
        engine::sqlite().open(testsupport::fileName(scratch("Cambiada.DB")).c_str(), &db);
        EXPECT_EQ(engine::sqlite().exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        engine::sqlite().close(db);
        return fileBytes(scratch("Cambiada.DB"));
    }

    QByteArray foreignSqlite()
    {
        sqlite3 *db = nullptr;
        engine::sqlite().open(testsupport::fileName(scratch("ajena.db")).c_str(), &db);
        engine::sqlite().exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
        engine::sqlite().close(db);
        return fileBytes(scratch("ajena.db"));
    }

    // Unpacks the container bytes as "Llega." into dat, parts of at most 2 MiB; the kinds
    // written, or nothing.
    std::optional<QStringList> unpack(const QByteArray &container)
    {
        TPackStreams pks3;
        packing::MemoryStream in(container.constData(), std::size_t(container.size()));
        pks3.LoadFromStream(in);
        QStringList written;
        const bool ok = Desempaqueta_Transporte(pks3, dat(), "Llega.", written, 2u << 20);
        EXPECT_TRUE(pks3.itemsForInspection().empty());
        if (!ok)
            return std::nullopt;
        return written;
    }
    QStringList datFiles() const { return QDir(dat()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

// A table file with its header's page count changed (and kept valid).
QByteArray withPageCount(QByteArray table, quint32 pages)
{
    for (int i = 0; i < 4; ++i)
        table[28 + i] = char(pages >> (24 - 8 * i));
    return table;
}
quint32 pageCount(const QByteArray &table)
{
    quint32 pages = 0;
    for (int i = 0; i < 4; ++i)
        pages = (pages << 8) | uchar(table[28 + i]);
    return pages;
}
} // namespace

TEST(TransportZlib, ItemsAreOneLevel9StreamAndOnlyWholeStreamsWithinTheBoundInflate)
{
    std::mt19937 random(3);
    QByteArray noise(300000, '\0');
    for (char &c : noise)
        c = char(random());
    for (const QByteArray &plain : {QByteArray(), QByteArray("a"), QByteArray(100000, 'z'), noise}) {
        packing::MemoryStream in(plain.constData(), std::size_t(plain.size())), packed;
        in.setPosition(in.size()); // compressed from position 0 whatever the position
        Comprime_Stream_Zlib(in, packed);
        EXPECT_EQ(bytesOf(packed), zlib9(plain));
        EXPECT_EQ(inflate(bytesOf(packed), std::uint64_t(plain.size())), plain);
    }
    const QByteArray good = zlib9("Una parte del Fichero de Estudio");
    QByteArray flippedSum = good;
    flippedSum[flippedSum.size() - 1] = char(flippedSum.back() ^ 1);
    const QByteArray damaged = "<damaged>";
    const std::tuple<const char *, QByteArray, QByteArray> cases[] = {
        {"nothing: nothing", inflate(QByteArray(), 0), ""},
        {"read from the position", inflate("xyz" + good, 100, 3), "Una parte del Fichero de Estudio"},
        {"a byte after the stream", inflate(good + "x", 100), damaged},
        {"cut short", inflate(good.chopped(1), 100), damaged},
        {"checksum", inflate(flippedSum, 100), damaged},
        {"one byte past the bound", inflate(good, 31), damaged},
        {"not zlib", inflate("Esto no es zlib", 100), damaged},
    };
    for (const auto &[what, got, expected] : cases)
        EXPECT_EQ(got, expected) << what;
}

TEST_F(TransportUnpackTest, DamagedOrForeignItemsAreRefusedAndNothingIsWritten)
{
    const std::vector<std::pair<QByteArray, QByteArray>> items = {
        {"BMP", zlib9("BMpicture")}, {"DB", zlib9(cardTable())}, {"STU", zlib9("settings")}};
    auto with = [&](const char *kind, const QByteArray &item) {
        auto changed = items;
        for (auto &[name, bytes] : changed)
            if (name == kind)
                bytes = item;
        return rawContainer(changed);
    };
    const QByteArray card = cardTable();
    struct Case {
        QString what;
        QByteArray container;
    };
    std::vector<Case> cases = {
        {"without STU", rawContainer({items[0], items[1]})},
        {"without DB", rawContainer({items[0], items[2]})},
        {"STU twice", rawContainer({items[0], items[1], items[2], items[2]})},
        {"bytes after an item's stream", with("DB", items[1].second + "x")},
        {"an item cut short", with("DB", items[1].second.chopped(5))},
        {"a picture inflating past the bound", with("BMP", zlibZeros(3))},
        // No part is empty, the settings no larger than their opening reads.
        {"STU an empty item", with("STU", "")},
        {"STU an empty file", with("STU", zlib9(""))},
        {"BMP an empty file", with("BMP", zlib9(""))},
        {"STU past what the settings may hold", with("STU", zlibZeros(2))},
        // The card table must be one.
        {"DB of 1 MiB of zeros", with("DB", zlibZeros(1))},
        {"DB past the bound", with("DB", zlibZeros(3))},
        {"DB an empty item", with("DB", "")},
        {"DB an empty file", with("DB", zlib9(""))},
        {"DB a foreign SQLite file", with("DB", zlib9(foreignSqlite()))},
        {"DB the engine's print table", with("DB", zlib9(table("IMP", TD_Module_::Campos_Imprime(), {})))},
        {"DB a card table cut in half", with("DB", zlib9(card.left(card.size() / 2)))},
        {"DB a table header and nothing else", with("DB", zlib9(card.left(100)))},
        // Nothing in it may be converted or run.
        {"DB a card table numbered 0", with("DB", zlib9(cardTableChangedWith("PRAGMA user_version = 0")))},
        {"DB a card table numbered 1", with("DB", zlib9(cardTableChangedWith("PRAGMA user_version = 1")))},
        {"DB a card table with a trigger of another's",
         with("DB", zlib9(cardTableChangedWith("CREATE TRIGGER t AFTER UPDATE ON data BEGIN DELETE FROM data; END")))},
        {"DB a card table with a view", with("DB", zlib9(cardTableChangedWith("CREATE VIEW v AS SELECT 1")))},
        // The card table is exactly as long as its header says, and that within the bound.
        {"DB longer than its header says", with("DB", zlib9(card + QByteArray(4096, '\0')))},
        {"DB shorter than its header says", with("DB", zlib9(withPageCount(card, pageCount(card) + 1)))},
        {"DB whose header declares past the bound", with("DB", zlib9(withPageCount(card, 1u << 20)))},
        {"DB whose page count is not valid", with("DB", zlib9(card.left(24) + "\xFF" + card.mid(25)))},
    };
    for (std::size_t i = 0; i < items.size(); ++i)
        for (int at : {0, 1, int(items[i].second.size() / 2), int(items[i].second.size() - 1)}) {
            auto flipped = items;
            flipped[i].second[at] = char(flipped[i].second[at] ^ 0x10);
            cases.push_back({QStringLiteral("byte %1 of %2 flipped").arg(at).arg(QString(items[i].first)), rawContainer(flipped)});
        }
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what.toStdString());
        EXPECT_EQ(unpack(k.container), std::nullopt);
        EXPECT_EQ(datFiles(), QStringList());
    }
}

TEST_F(TransportUnpackTest, ASoundTransportFileWritesItsPartsUnderItsOwnName)
{
    const QByteArray card = cardTable();
    // An older transport file: its card table in the engine's first format.
    const QString older = QStringLiteral(ORV_TEST_DATA_DIR) + "/exchange/Antiguo.SZP";
    struct Case {
        const char *what;
        QByteArray container;
        QStringList written;
    } cases[] = {
        {"every part, other names ignored",
         rawContainer({{"BMP", zlib9("BMpicture")}, {"DB", zlib9(card)}, {"JPG", zlib9("jpeg")}, {"STU", zlib9("settings")},
                       {"../../x", zlib9("x")}, {"CLA", zlib9("password")}}),
         {"DB", "STU", "BMP", "JPG"}},
        {"settings as large as their opening reads",
         rawContainer({{"DB", zlib9(card)}, {"STU", zlib9(QByteArray(TPackStreams::LargestContainer(1 << 20), 's'))}}),
         {"DB", "STU"}},
        {"an older transport file", fileBytes(older), {"DB", "STU"}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        QDir(dat()).removeRecursively();
        ASSERT_EQ(unpack(k.container), k.written);
        QStringList expected;
        for (const QString &ext : k.written)
            expected << "Llega." + ext;
        expected.sort();
        EXPECT_EQ(datFiles(), expected);
        EXPECT_TRUE(Es_Tabla_De_Fichas(dat() + "/Llega.DB"));
        if (k.written.size() == 4) {
            EXPECT_TRUE(std::tuple(fileBytes(dat() + "/Llega.DB"), fileBytes(dat() + "/Llega.STU"), fileBytes(dat() + "/Llega.JPG"))
                        == std::tuple(card, QByteArray("settings"), QByteArray("jpeg")));
        }
    }
}


TEST_F(TransportUnpackTest, WithoutRoomForEveryPartNothingIsWritten)
{
    const QByteArray card = cardTable();
    const QByteArray container = rawContainer({{"BMP", zlib9(QByteArray(300000, 'b'))}, {"DB", zlib9(card)},
                                               {"STU", zlib9("settings")}});
    const std::uint64_t parts = 300000 + card.size() + 8, margin = 1u << 20;
    struct Case {
        std::uint64_t free;
        bool written;
    } cases[] = {{parts + margin - 1, false}, {0, false}, {parts + margin, true}};
    for (const Case &k : cases) {
        SCOPED_TRACE(k.free);
        QDir(dat()).removeRecursively();
        platform::setFreeSpaceForTesting(k.free);
        std::optional<QStringList> written;
        QString error;
        try {
            written = unpack(container);
        } catch (const std::runtime_error &e) {
            error = QString::fromUtf8(e.what());
        }
        platform::setFreeSpaceForTesting(std::nullopt);
        EXPECT_EQ(written.has_value(), k.written);
        EXPECT_EQ(error.startsWith("No hay espacio libre suficiente en el disco"), !k.written) << error.toStdString();
        EXPECT_EQ(datFiles().size(), k.written ? 3 : 0);
    }
}
