// Import from a study file through the menu entry J: every card appended exactly as stored,
// the refusals of each side, and a failing move that adds nothing.
#include "exchange/ExchangeFixture.h"

#include "exchange/Importar_de_FE.h"
#include "exchange/TransportFiles.h"

#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "support/EngineTables.h"

#include "engine/SqliteApi.h"

#include <tuple>

class ImportTest : public ExchangeFixture {
protected:
    void SetUp() override
    {
        ExchangeFixture::SetUp();
        Ruta_Origen.clear();
        Ruta_Destino.clear();
        Origen_Elegido = Destino_Elegido = 0;
        Importar_de_FE_->OpenDialog1->FileName.clear();
        Importar_de_FE_->OpenDialog2->FileName.clear();
    }
    // Shows the window from the menu, chooses the sides given (empty: not chosen now) and,
    // when asked, imports.
    void run(const QString &origin, const QString &destination, bool import = true)
    {
        if (!origin.isEmpty())
            platform::FileDialog::queueFileName(origin);
        if (!destination.isEmpty())
            platform::FileDialog::queueFileName(destination);
        platform::onNextShow("Importar_de_FE_", [=](QWidget *) {
            if (!origin.isEmpty())
                Importar_de_FE_->Button4->click();
            if (!destination.isEmpty())
                Importar_de_FE_->Button5->click();
            if (import)
                Importar_de_FE_->Button1->click();
        });
        pressKey('J');
    }
    // Runs SQL on the study file's table through a bare connection, as another program
    // would; the first column of its last row.
    static long long rawSql(const QString &path, const char *sql)
    {
        sqlite3 *db = nullptr;
        engine::sqlite().open(testsupport::fileName(path).c_str(), &db);
        long long result = -1;
        EXPECT_EQ(engine::sqlite().exec(
                      db, sql,
                      [](void *out, int, char **values, char **) {
                          *static_cast<long long *>(out) = values[0] ? std::atoll(values[0]) : 0;
                          return 0;
                      },
                      &result, nullptr),
                  SQLITE_OK)
            << sql;
        engine::sqlite().close(db);
        return result;
    }
    static std::size_t count(const QString &path)
    {
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        return t.recordCount();
    }
};

TEST_F(ImportTest, EveryCardOfTheOriginIsAppendedAsStored)
{
    const std::vector<TestCard> cards = sampleCards(12, true);
    const QString origin = writeStudy("Origen", everyPart(), cards);
    const QString destination = writeStudy("Destino", everyPart(), sampleCards(3, false));
    openStudy(destination); // its base filter hides level 0 when the import starts
    ASSERT_EQ(Panta_Inicio_->FE_Abierto, 1);
    clearMessages();

    run(origin, destination);
    EXPECT_EQ(messages(), QStringList{"Nº de fichas importadas: 12"});
    EXPECT_EQ(std::pair(Importar_de_FE_->Label1->caption(), Importar_de_FE_->Label2->caption()),
              std::pair(QStringLiteral("F. de Estudio ORIGEN: Origen"), QStringLiteral("F. de Estudio DESTINO: Destino")));
    EXPECT_EQ(std::tuple(Panta_Inicio_->FE_Abierto, D_Module_->Tabla_Activa->active(), D_Module_->Tabla_Exp->active()),
              std::tuple(0, false, false));
    EXPECT_EQ(count(destination), 15u);

    // The packed blobs, flags, levels and dates arrive unchanged.
    clearMessages();
    openStudy(destination);
    const std::map<QString, testsupport::StoredCard> stored = openCards();
    for (const TestCard &c : cards) {
        const auto it = stored.find(c.question);
        ASSERT_NE(it, stored.end()) << c.question.toStdString();
        const testsupport::StoredCard &got = it->second;
        EXPECT_EQ(std::tuple(got.level, got.packed, got.next, got.reviews),
                  std::tuple(c.level, QString(c.packed ? "S" : "N"), c.nextReview, 4));
        EXPECT_TRUE(got.questionPicture == c.questionPicture && got.longAnswer == c.longAnswer);
    }

    // The choices stay: the same import again adds the cards again.
    clearMessages();
    run({}, {});
    EXPECT_EQ(messages(), QStringList{"Nº de fichas importadas: 12"});
    EXPECT_EQ(count(destination), 27u);
}

TEST_F(ImportTest, RefusedSidesAndAFailingMoveAddNothing)
{
    Opciones_FE closed = everyPart();
    closed.Exportable = false;
    Opciones_FE ciphered = everyPart();
    ciphered.Encriptado = true;
    const QString origin = writeStudy("Origen", everyPart(), sampleCards(4, false));
    const QString notExportable = writeStudy("Cerrado", closed, sampleCards(2, false));
    const QString withPassword = writeStudy("Cifrado", ciphered, sampleCards(2, false), "pw");
    Opciones_FE narrow = everyPart();
    narrow.Tam_Pregunta = 5;
    const QString shortQuestions = writeStudy("Estrecho", narrow, {});
    // Tables holding a trigger that deletes the other cards when one is added.
    const char *trap = "CREATE TRIGGER t AFTER INSERT ON data BEGIN DELETE FROM data WHERE AutoInc <> new.AutoInc; END";
    const QString trappedOrigin = writeStudy("TrampaO", everyPart(), sampleCards(2, false));
    const QString trapped = writeStudy("TrampaD", everyPart(), sampleCards(3, false));
    rawSql(trappedOrigin, trap);
    rawSql(trapped, trap);
    // A study file of a newer format is named with the reason, as its opening names it.
    const QString newer = writeStudy("Nueva", everyPart(), sampleCards(2, false));
    {
        engine::Database db;
        db.open(testsupport::fileName(newer), false);
        db.exec("PRAGMA user_version = " + std::to_string(engine::kFormatVersion + 1));
    }
    const QByteArray newerBytes = fileBytes(newer);
    const QString why = QString::fromStdString(testsupport::messageOf([&] {
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(newer));
    }));
    ASSERT_TRUE(why.contains("sólo lee hasta el formato") && why.contains("La tabla no se ha modificado."));
    // So is one whose schema holds an object of another's.
    auto foreign = [](const QString &path) {
        return Msg_Importar_Imposible.arg(QString::fromStdString(testsupport::messageOf([&] {
            engine::Table t;
            testsupport::openTable(t, testsupport::fileName(path));
        })));
    };
    ASSERT_TRUE(foreign(trapped).contains("«t», que este programa no ha creado")) << foreign(trapped).toStdString();
    // A study file of the first format, which only an import that runs converts.
    const QString first = writeStudy("Primera", everyPart(), {});
    QFile::remove(first);
    testsupport::writeVersion1Table(testsupport::fileName(first), testsupport::cardFields(60),
                                    testsupport::cardIndexes(), 2, [](std::size_t i, engine::Row &r) {
                                        r[0] = engine::Value::ofInteger(1);
                                        r[4] = engine::Value::ofBytes("primera " + std::to_string(i));
                                        r[15] = engine::Value::ofBytes("N");
                                    });
    const QByteArray firstBytes = fileBytes(first);

    // The choices stay from one case to the next; a refused side is dropped, so that the
    // import then says it is missing. The labels name the sides chosen.
    const QString none = QStringLiteral("F. de Estudio seleccionado: (Ninguno).");
    const QString from = QStringLiteral("F. de Estudio ORIGEN: "), to = QStringLiteral("F. de Estudio DESTINO: ");
    struct Case {
        const char *what;
        QString origin, destination;
        QStringList messages;
        QString label1, label2;
    } cases[] = {
        {"no side", {}, {}, {Msg_Sin_Origen}, none, none},
        {"origin with a password", withPassword, origin, {Msg_Origen_Con_Contrasena, Msg_Sin_Origen}, none, to + "Origen"},
        {"origin not exportable", notExportable, {}, {Msg_Origen_No_Exportable, Msg_Sin_Origen}, none, to + "Origen"},
        {"destination with a password", origin, withPassword, {Msg_Destino_Con_Contrasena, Msg_Sin_Destino},
         from + "Origen", none},
        {"the same file", origin, origin, {Msg_Mismo_Fichero}, from + "Origen", to + "Origen"},
        {"questions too long for the destination", origin, shortQuestions, {Msg_Error_Importar}, from + "Origen",
         to + "Estrecho"},
        {"origin holding a trigger of another's", trappedOrigin, shortQuestions, {foreign(trappedOrigin)},
         from + "TrampaO", to + "Estrecho"},
        {"destination holding a trigger of another's", origin, trapped, {foreign(trapped)}, from + "Origen",
         to + "TrampaD"},
        {"origin of a newer format", newer, origin, {Msg_Importar_Imposible.arg(why)}, from + "Nueva", to + "Origen"},
        {"destination of a newer format", origin, newer, {Msg_Importar_Imposible.arg(why)}, from + "Origen",
         to + "Nueva"},
        {"origin of the first format, destination of a newer one", first, newer, {Msg_Importar_Imposible.arg(why)},
         from + "Primera", to + "Nueva"},
        {"origin of a newer format, destination of the first", newer, first, {Msg_Importar_Imposible.arg(why)},
         from + "Nueva", to + "Primera"},
        {"an origin refused after one was chosen", withPassword, {}, {Msg_Origen_Con_Contrasena, Msg_Sin_Origen}, none,
         to + "Primera"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        clearMessages();
        run(k.origin, k.destination);
        EXPECT_EQ(messages(), k.messages);
        EXPECT_EQ(std::pair(Importar_de_FE_->Label1->caption(), Importar_de_FE_->Label2->caption()),
                  std::pair(k.label1, k.label2));
        EXPECT_EQ(count(origin), 4u);
        EXPECT_EQ(count(shortQuestions), 0u);
        EXPECT_EQ(rawSql(trapped, "SELECT count(*) FROM data"), 3);
        EXPECT_TRUE(fileBytes(newer) == newerBytes);
        EXPECT_TRUE(fileBytes(first) == firstBytes);
    }
}
