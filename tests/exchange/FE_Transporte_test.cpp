// Transport files through the menu entry E: the items a study file packs into, byte for byte
// round trips, and transport files that are refused without writing anything.
#include "exchange/ExchangeFixture.h"

#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "exchange/FE_Transporte.h"
#include "exchange/TransportFiles.h"
#include "platform/Files.h"
#include "platform/MessageDialog.h"
#include "support/EngineTables.h"

#include <QFileInfo>

class TransportTest : public ExchangeFixture {
protected:
    // Menu entry E: packs the study file chosen, or unpacks the transport file chosen.
    void transport(const QString &path, bool packing)
    {
        platform::FileDialog::queueFileName(path);
        platform::onNextShow("FE_Transporte_", [packing](QWidget *) {
            (packing ? FE_Transporte_->Button4 : FE_Transporte_->Button5)->click();
        });
        pressKey('E');
    }
    QString study(const QString &name) { return writeStudy(name, everyPart(), sampleCards(6, true), {}, {"Viajera"}); }
    QString elsewhere(const QString &name) const { return programPath("fuera/" + name); }
};

TEST_F(TransportTest, PackingAndUnpackingRestoresEveryByteOfEveryPart)
{
    struct Case {
        const char *what;
        QStringList pictures;     // beside the study file
        QStringList carried;      // items of the transport file, in their order
    } cases[] = {
        {"no picture", {}, {"DB", "STU"}},
        {"a bitmap", {"BMP"}, {"BMP", "DB", "STU"}},
        {"both pictures and the old engine's files", {"BMP", "JPG", "MB", "PX"}, {"BMP", "DB", "JPG", "MB", "PX", "STU"}},
        {"only a .JPEG picture", {"JPEG"}, {"DB", "STU"}},
    };
    int n = 0;
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        const QString name = QStringLiteral("Viaje%1").arg(n++);
        study(name);
        for (const QString &ext : k.pictures) {
            if (ext == "MB" || ext == "PX")
                testsupport::writeBytes(dat(name + "." + ext), QByteArray(300 + n, char(n)));
            else
                putPicture("dat/" + name + "." + ext, 30 + n, 20);
        }
        D_Module_->PKS3->Compressed = D_Module_->PKS3->Encrypted = true;
        clearMessages();
        transport(dat(name + ".DB"), true);
        ASSERT_EQ(messages(), QStringList{Msg_Transporte_Creado});
        EXPECT_TRUE(D_Module_->PKS3->Compressed && D_Module_->PKS3->Encrypted); // given back on leaving
        EXPECT_TRUE(D_Module_->PKS3->itemsForInspection().empty());

        // The carried files in their order, each at zlib level 9.
        std::vector<std::pair<QByteArray, QByteArray>> items;
        for (const QString &ext : k.carried)
            items.emplace_back(ext.toLatin1(), zlib9(fileBytes(dat(name + "." + ext))));
        EXPECT_TRUE(fileBytes(dat(name + ".SZP")) == rawContainer(items));

        // Unpacked from another folder under another name: the name comes from the transport file.
        QDir().mkpath(elsewhere(""));
        QFile::rename(dat(name + ".SZP"), elsewhere("Llega" + name + ".SZP"));
        clearMessages();
        transport(elsewhere("Llega" + name + ".SZP"), false);
        ASSERT_EQ(messages(), QStringList{Msg_Transporte_Leido});
        for (const QString &ext : k.carried)
            EXPECT_EQ(fileBytes(dat("Llega" + name + "." + ext)), fileBytes(dat(name + "." + ext))) << ext.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dat("Llega" + name + ".JPEG")));
    }
    // The unpacked file opens with its cards.
    clearMessages();
    openStudy(dat("LlegaViaje2.DB"));
    EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1) << messages().join("|").toStdString();
    EXPECT_EQ(openCards().size(), 6u);
    for (const QString &f : datFiles())
        EXPECT_FALSE(f.startsWith('.')) << f.toStdString();
}

TEST_F(TransportTest, DamagedTransportFilesAreRefusedAndWriteNothing)
{
    study("Bueno");
    putPicture("dat/Bueno.BMP", 20, 20);
    transport(dat("Bueno.DB"), true);
    const QByteArray good = fileBytes(dat("Bueno.SZP"));
    std::vector<std::pair<QByteArray, QByteArray>> items;
    for (const char *ext : {"BMP", "DB", "STU"})
        items.emplace_back(ext, zlib9(fileBytes(dat(QStringLiteral("Bueno.") + ext))));
    ASSERT_EQ(rawContainer(items), good);

    struct Case {
        QString what;
        QByteArray bytes;
    };
    // The checks are the unpacking's own; here that a refusal reaches the user and writes nothing.
    // Every part and more items than there are kinds of part: empty ones of other names.
    auto withExtraItems = [&](int extra) {
        std::vector<std::pair<QByteArray, QByteArray>> more = items;
        for (int i = 0; i < extra; ++i)
            more.emplace_back("X" + QByteArray::number(i), QByteArray());
        return rawContainer(more);
    };
    const Case cases[] = {
        {"not a container", "Esto es un texto cualquiera."},
        {"DB not a card table", rawContainer({items[0], {"DB", zlib9("SQLite format 3")}, items[2]})},
        {"seven items", withExtraItems(4)},
        {"100000 empty items", withExtraItems(100000 - 3)},
    };
    QDir().mkpath(elsewhere(""));
    const QStringList before = datFiles();
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what.toStdString());
        testsupport::writeBytes(elsewhere("Malo.SZP"), k.bytes);
        clearMessages();
        transport(elsewhere("Malo.SZP"), false);
        EXPECT_EQ(messages(), QStringList{Msg_Transporte_Danado});
        EXPECT_EQ(datFiles(), before);
        EXPECT_TRUE(D_Module_->PKS3->itemsForInspection().empty());
    }

    // A container whose flag bytes say compressed, as another program may write it, is read too.
    {
        TPackStreams lzh;
        lzh.Compressed = true;
        for (const auto &[name, bytes] : items) {
            packing::MemoryStream item(bytes.constData(), size_t(bytes.size()));
            lzh.AddStream(name.toStdString(), item);
        }
        lzh.SaveToFile(testsupport::fileName(elsewhere("Lzh.SZP")));
    }
    clearMessages();
    transport(elsewhere("Lzh.SZP"), false);
    EXPECT_EQ(messages(), QStringList{Msg_Transporte_Leido});
    EXPECT_EQ(fileBytes(dat("Lzh.DB")), fileBytes(dat("Bueno.DB")));
    EXPECT_EQ(fileBytes(dat("Lzh.BMP")), fileBytes(dat("Bueno.BMP")));
    // Without room on the disk for it, nothing is written and the user is told why.
    platform::setFreeSpaceForTesting(1000);
    clearMessages();
    platform::queueDialogAnswer(platform::DialogAnswer::Ok); // Lzh is there: replace it
    transport(elsewhere("Lzh.SZP"), false);
    platform::setFreeSpaceForTesting(std::nullopt);
    EXPECT_TRUE(messages().isEmpty());
    const QStringList reports = takeErrorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith("No hay espacio libre suficiente en el disco")) << reports[0].toStdString();
    QStringList expected = before + QStringList({"Lzh.BMP", "Lzh.DB", "Lzh.STU"});
    expected.sort();
    EXPECT_EQ(datFiles(), expected);
    EXPECT_EQ(fileBytes(dat("Lzh.DB")), fileBytes(dat("Bueno.DB")));
    clearMessages();
    transport(elsewhere("Ninguno.SZP"), false); // a transport file that is not there
    EXPECT_EQ(messages(), QStringList{Msg_Transporte_No_Existe});

    // Packing a study file without its settings container.
    QFile::remove(dat("Bueno.STU"));
    QFile::remove(dat("Bueno.SZP"));
    clearMessages();
    transport(dat("Bueno.DB"), true);
    EXPECT_EQ(messages(), QStringList{Msg_Fichero_Incompleto});
    EXPECT_FALSE(QFileInfo::exists(dat("Bueno.SZP")));
}

TEST_F(TransportTest, AnExistingStudyFileIsReplacedOnlyAfterOk)
{
    study("Casa");
    putPicture("dat/Casa.BMP", 10, 10);
    testsupport::writeBytes(dat("Casa.CLA"), "old password");
    QDir().mkpath(elsewhere(""));
    writeStudy("Otro", everyPart(false), sampleCards(2, false));
    transport(dat("Otro.DB"), true);
    QFile::rename(dat("Otro.SZP"), elsewhere("Casa.SZP"));
    const QByteArray oldDb = fileBytes(dat("Casa.DB"));

    platform::queueDialogAnswer(platform::DialogAnswer::No);
    clearMessages();
    transport(elsewhere("Casa.SZP"), false);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(platform::dialogTexts().last().contains("Casa"));
    EXPECT_EQ(fileBytes(dat("Casa.DB")), oldDb);
    EXPECT_TRUE(QFileInfo::exists(dat("Casa.CLA")));

    platform::queueDialogAnswer(platform::DialogAnswer::Ok);
    transport(elsewhere("Casa.SZP"), false);
    EXPECT_EQ(messages(), QStringList{Msg_Transporte_Leido});
    EXPECT_EQ(fileBytes(dat("Casa.DB")), fileBytes(dat("Otro.DB")));
    EXPECT_EQ(fileBytes(dat("Casa.STU")), fileBytes(dat("Otro.STU")));
    EXPECT_FALSE(QFileInfo::exists(dat("Casa.CLA")));
    EXPECT_FALSE(QFileInfo::exists(dat("Casa.BMP")));
}

// A transport file whose card table is of a newer format than this version reads is refused
// with the reason, as the opening gives it, naming the transport file; nothing is written.
TEST_F(TransportTest, ATableOfANewerFormatIsRefusedWithTheReason)
{
    study("Reciente");
    QDir().mkpath(elsewhere(""));
    {
        engine::Database db;
        db.open(testsupport::fileName(dat("Reciente.DB")), false);
        db.exec("PRAGMA user_version = " + std::to_string(engine::kFormatVersion + 1));
    }
    const QString why = QString::fromStdString(testsupport::messageOf([&] {
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(dat("Reciente.DB")));
    }));
    ASSERT_TRUE(why.contains("sólo lee hasta el formato")) << why.toStdString();
    std::vector<std::pair<QByteArray, QByteArray>> items;
    for (const char *ext : {"DB", "STU"})
        items.emplace_back(ext, zlib9(fileBytes(dat(QStringLiteral("Reciente.") + ext))));
    testsupport::writeBytes(elsewhere("Reciente.SZP"), rawContainer(items));
    for (const char *ext : {"DB", "STU"})
        QFile::remove(dat(QStringLiteral("Reciente.") + ext));
    const QStringList before = datFiles();

    clearMessages();
    transport(elsewhere("Reciente.SZP"), false);
    ASSERT_EQ(messages().size(), 1);
    const QString said = messages()[0];
    EXPECT_TRUE(said.contains(QString(why).replace(dat("Reciente.DB"), "Reciente.SZP"))) << said.toStdString();
    EXPECT_EQ(datFiles(), before);
}
