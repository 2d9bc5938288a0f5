#include "support/ProgramFixture.h"
#include "support/EngineTables.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "engine/Sqlite.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <functional>

namespace {
const QString NoFileLabel = QStringLiteral("Fichero Abierto:  (ninguno)");
const QString Incompleto = QStringLiteral("El Fichero de Estudio está incompleto.");
const QString NoSeleccionado = QStringLiteral("No se seleccionó ningún Fichero de Estudio");
const QString ContrasenaMala = QStringLiteral("La contraseña no es correcta para este Fichero de Estudio.");
const QString DatosDanados = QStringLiteral("Los datos de este Fichero de Estudio están dañados.");
} // namespace

class OpenFileTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        p = Panta_Inicio_;
        Contrasena_Aceptada = 0;
        Passw_FE_->CheckBox2->setChecked(false);
    }

    QString study(const QString &name, const Opciones_FE &o = testsupport::defaultOptions(),
                  const QStringList &description = {}, const std::string &password = {})
    {
        return testsupport::writeStudyFile(programPath(QStringLiteral("dat")), name, o, description, password);
    }
    static Opciones_FE passwordOptions()
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Encriptado = true;
        o.Comprimido = true;
        return o;
    }
    void open(const QString &path)
    {
        platform::FileDialog::queueFileName(path);
        pressKey('1');
    }
    // The next password window: the text typed, "Guardar contraseña", then " Ac&eptar".
    static void typePassword(const QString &password, bool save = false)
    {
        platform::onNextShow("Passw_FE_", [password, save](QWidget *) {
            Passw_FE_->Edit1->setText(password);
            Passw_FE_->CheckBox2->setChecked(save);
            Passw_FE_->BitBtn1->click();
        });
    }
    QString note() const
    {
        QFile f(programPath("ultimo.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<none>");
    }
    void expectClosed() const
    {
        EXPECT_EQ(p->FE_Abierto, 0);
        EXPECT_FALSE(D_Module_->Tabla_Activa->active());
        for (auto *label : {p->Label9, p->Label17, p->Label22})
            EXPECT_EQ(label->caption(), NoFileLabel);
        EXPECT_EQ(p->Abrir_Ultimo, 0);
        EXPECT_EQ(p->Guardar_Contrasena, 0);
    }
    // The open file's settings as the opening applied them: sizes, question and answer pictures,
    // long answer, importance, key; packed (the flag, the file, the cards' container),
    // enciphered; modifiable, exportable, printable.
    std::string applied() const
    {
        return QStringLiteral("size %1 %2 pict %3%4 long %5 imp %6 key %7 packed %8%9%10 enc %11 mod %12 exp %13 prn %14")
            .arg(p->Tam_Pregunta).arg(p->Tam_Respuesta).arg(p->Con_Imagen_Pregunta).arg(p->Con_Imagen_Respuesta)
            .arg(p->Con_Texto_Largo).arg(p->Con_Importancia).arg(p->Con_Clave).arg(p->Comprimido)
            .arg(p->Fichero_Empaquetado).arg(int(D_Module_->PKS->Compressed)).arg(p->Encriptado).arg(p->Modificable)
            .arg(p->Exportable).arg(p->Imprimible)
            .toStdString();
    }
    void expectOpen(const QString &name) const
    {
        EXPECT_EQ(p->FE_Abierto, 1);
        EXPECT_TRUE(D_Module_->Tabla_Activa->active());
        for (auto *label : {p->Label9, p->Label17, p->Label22})
            EXPECT_EQ(label->caption(), "Fichero Abierto: " + name);
    }

    TPanta_Inicio_ *p = nullptr;
};

TEST_F(OpenFileTest, OpeningSetsTheSharedFieldsTheTableThePictureAndTheNote)
{
    Opciones_FE o;
    o.Imagen_Pregunta = true;
    o.Texto_Largo = true;
    o.Importancia = true;
    o.Tam_Pregunta = 7;
    o.Tam_Respuesta = 0;
    o.Comprimido = true;
    o.Modificable = false;
    o.Exportable = true;
    o.Imprimible = false;
    const QString path = study("Ingles", o, {"Vocabulario", "  de viaje  "});
    QFile::rename(dat("Ingles.STU"), dat("Ingles.stu")); // companions are found in any case
    putPicture("dat/Ingles.jpeg", 300, 200);
    {
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        testsupport::addCard(t, testsupport::card(0)); // hidden by the base filter
        testsupport::addCard(t, testsupport::card(1));
        testsupport::addCard(t, testsupport::card(2));
    }
    // A selection left in force on the file opened before.
    p->Seleccion_Activa = 1;
    p->Filtro_Seleccion = QStringLiteral(" ( Nive_Fich = 3 ) and  (Nive_fich <> 0 ) ");
    open(path);

    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
    expectOpen("Ingles");
    EXPECT_EQ(p->Seleccion_Activa, 0);
    EXPECT_TRUE(p->Filtro_Seleccion.isEmpty());
    EXPECT_EQ(p->Ruta_FE, path);
    EXPECT_EQ(p->Nombre_FE, "Ingles");
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, programFolder() + "/dat/");
    EXPECT_TRUE(p->OpenDialog1->FileName.isEmpty());
    EXPECT_EQ(QDir::currentPath(), programFolder());

    EXPECT_EQ(applied(), "size 7 0 pict 10 long 1 imp 1 key 0 packed 111 enc 0 mod 0 exp 1 prn 0");
    EXPECT_FALSE(D_Module_->PKS->Encrypted);

    engine::Table &t = *D_Module_->Tabla_Activa;
    EXPECT_EQ(t.filter(), Filtro_Base.toStdString());
    EXPECT_TRUE(t.filtered());
    EXPECT_EQ(t.recordCount(), 2u);
    EXPECT_EQ(t.fieldByName("Nive_Fich").asInteger(), 1) << "the first card of the filtered view";
    EXPECT_EQ(p->Filtro_Actual, Filtro_Base);

    EXPECT_EQ(p->RichEdit1->lines(), (QStringList{"Vocabulario", "  de viaje  "})) << "the description only";
    EXPECT_EQ(p->Image1->picture().size(), QSize(300, 200));
    EXPECT_EQ(note(), path + "\n");
    EXPECT_EQ(p->Label21->caption(), "9-  Abrir último Fichero abierto:\r        Ingles");
}

TEST_F(OpenFileTest, TheNoteIsRewrittenAtEveryOpenTheNextDialogStartsBesideTheFileAndMayBeCancelled)
{
    const QString path = study("Aleman");
    open(path);
    putFile("ultimo.txt", "otra cosa\r\n");
    open(path);
    EXPECT_EQ(note(), path + "\n");
    QDir().mkpath(programPath("otros"));
    const QString other = testsupport::writeStudyFile(programPath("otros"), "Frances", testsupport::defaultOptions());
    open(other);
    open(path);
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, programFolder() + "/otros/");
    // A cancelled dialog leaves the open file and its path.
    platform::FileDialog::queueCancel();
    pressKey('1');
    EXPECT_EQ(messages(), QStringList{NoSeleccionado});
    expectOpen("Aleman");
    EXPECT_EQ(p->Ruta_FE, path);
}

TEST_F(OpenFileTest, IncompleteFilesAreRefusedAndTheOpenFileIsClosed)
{
    const QString good = study("Bueno");
    const QString noStu = study("SinSTU");
    QFile::remove(dat("SinSTU.STU"));
    study("SinDB");
    QFile::remove(dat("SinDB.DB"));
    putFile("dat/Largo.sqlite", "x");
    putFile("dat/Largo.STU", "x");
    for (const QString &path : {noStu, dat("SinDB.DB"), dat("Largo.sqlite"), programPath("dat")}) {
        open(good);
        clearMessages();
        open(path);
        EXPECT_EQ(messages(), QStringList{Incompleto}) << path.toStdString();
        expectClosed();
    }
}

TEST_F(OpenFileTest, DamagedSettingsCloseTheFileWithAMessage)
{
    const QString path = study("Roto");
    const QString stu = dat("Roto.STU");
    struct Case {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"not a container", "esto no es un contenedor"},
        {"no settings item", testsupport::packItem("OTRO", platform::rtf::fromLines({"x"}))},
        {"sound settings with an item beside them", [&] {
             TPackStreams pks;
             const QByteArray settings = testsupport::unpackFile(stu, "FE_STU");
             packing::MemoryStream s(settings.constData(), size_t(settings.size()));
             pks.AddStream("FE_STU", s);
             pks.AddStream("OTRO", s);
             s.clear();
             pks.SaveToStream(s);
             return QByteArray(reinterpret_cast<const char *>(s.data()), qsizetype(s.size()));
         }()},
        {"short options line", testsupport::packItem("FE_STU", platform::rtf::fromLines({"0 0 0 1 0   60 100"}))},
        {"size not a number",
         testsupport::packItem("FE_STU", platform::rtf::fromLines({QString("0 0 0 1 0   6x 100  Cno Eno Msi EXsi IMsi")}))},
        {"empty file", ""},
    };
    Contrasena_Aceptada = 1; // a password accepted earlier has nothing to do with a plain file
    for (const Case &c : cases) {
        testsupport::writeBytes(stu, c.bytes);
        clearMessages();
        open(path);
        ASSERT_EQ(messages().size(), 1) << c.what;
        EXPECT_TRUE(messages().first().startsWith("La configuración de este Fichero de Estudio está dañada")) << c.what;
        EXPECT_TRUE(messages().first().endsWith(stu));
        expectClosed();
    }
    EXPECT_EQ(Contrasena_Aceptada, 1);
}

TEST_F(OpenFileTest, AFirstCardThatCannotBeShownLeavesTheFileOpen)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = true;
    const QString path = study("Dañada", o);
    {
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(1);
        t.fieldByName("Ficha_Comp_Encr").setAsString("S");
        t.fieldByName("Resp_Text").setBytes("&   garbage that is no container");
        t.post();
    }
    open(path);
    EXPECT_EQ(messages(), QStringList{DatosDanados});
    expectOpen("Dañada");
    EXPECT_EQ(note(), path + "\n");
}

// After the settings: a table the engine cannot open closes the file; a picture that does not
// decode (the program's picture shown instead) and a note that cannot be written are told and
// the file stays open.
TEST_F(OpenFileTest, FailuresAfterTheSettingsAreToldAndOnlyAnUnreadableTableClosesTheFile)
{
    putPicture("image.bmp", 64, 32);
    const struct {
        const char *name, *message;
        std::function<void(const QString &)> spoil;
    } cases[] = {
        {"Tabla", "No se pudo abrir la tabla de fichas",
         [](const QString &path) { testsupport::writeBytes(path, "not a table at all"); }},
        {"Trampa", "No se pudo abrir la tabla de fichas",
         [](const QString &path) {
             engine::Database db;
             db.open(testsupport::fileName(path), false);
             db.exec("CREATE TRIGGER t AFTER UPDATE ON data BEGIN DELETE FROM data WHERE AutoInc <> new.AutoInc; END");
         }},
        {"Foto", "La imagen de este Fichero de Estudio está dañada", [this](const QString &) { putFile("dat/Foto.BMP", "BM broken"); }},
        {"Nota", "No se pudo anotar el último Fichero abierto",
         [this](const QString &) { QFile::remove(programPath("ultimo.txt")), QDir().mkpath(programPath("ultimo.txt")); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = study(c.name);
        c.spoil(path);
        clearMessages();
        open(path);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages().first().startsWith(QString::fromUtf8(c.message))) << messages().first().toStdString();
        if (std::string(c.name) == "Trampa") { // the table is refused as damaged, nothing of it run
            EXPECT_TRUE(messages().first().contains(QStringLiteral("está dañada: su esquema contiene el disparador «t»")))
                << messages().first().toStdString();
        }
        if (std::string(c.name) == "Tabla" || std::string(c.name) == "Trampa") {
            expectClosed();
            EXPECT_NE(note(), path + "\n");
        } else {
            expectOpen(c.name);
            EXPECT_EQ(p->Image1->picture().size(), QSize(64, 32));
        }
    }
    EXPECT_EQ(p->Label21->caption(), "");
}

// ---- Passwords ----

TEST_F(OpenFileTest, ATypedPasswordKeysTheCardsWithoutBeingSaved)
{
    const QString path = study("Secreto", passwordOptions(), {"desc"}, "clave 1");
    typePassword("clave 1");
    open(path);
    EXPECT_TRUE(messages().isEmpty());
    expectOpen("Secreto");
    EXPECT_EQ(shownWindows().count("Passw_FE_"), 1);
    EXPECT_EQ(applied(), "size 60 100 pict 00 long 0 imp 0 key 1 packed 111 enc 1 mod 1 exp 1 prn 1");
    EXPECT_TRUE(D_Module_->PKS->Encrypted);
    EXPECT_EQ(D_Module_->PKS->Key, "clave 1");
    EXPECT_FALSE(QFileInfo::exists(dat("Secreto.CLA")));
    EXPECT_EQ(p->RichEdit1->lines(), QStringList{"desc"});

    // Then a file without a password: no key stays behind, whatever the edit still holds.
    open(study("Abierto"));
    EXPECT_EQ(Passw_FE_->Edit1->text(), "clave 1");
    EXPECT_EQ(p->Encriptado, 0);
    EXPECT_FALSE(D_Module_->PKS->Encrypted);
    EXPECT_EQ(D_Module_->PKS->Key, "");
    EXPECT_EQ(shownWindows().count("Passw_FE_"), 1) << "a plain settings container asks for no key";
}

TEST_F(OpenFileTest, AWrongPasswordIsToldOnlyAfterAccepting)
{
    const QString path = study("Secreto", passwordOptions(), {}, "buena");
    open(study("Otro"));
    // While the password is asked for and while the message is up, no file is named as open.
    QStringList rotulos;
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        rotulos << p->Label9->caption() << p->Label22->caption();
        Passw_FE_->Edit1->setText("mala");
        Passw_FE_->CheckBox2->setChecked(true);
        Passw_FE_->BitBtn1->click();
    });
    platform::onNextShow("Mensaje", [&](QWidget *) { rotulos << p->Label9->caption() << p->Label17->caption(); });
    open(path);
    EXPECT_EQ(messages(), QStringList{ContrasenaMala});
    EXPECT_EQ(rotulos, QStringList(4, NoFileLabel));
    expectClosed();
    EXPECT_FALSE(QFileInfo::exists(dat("Secreto.CLA")));
    open(dat("Otro.DB")); // and the failed open leaves no password to save for the next file
    expectOpen("Otro");
    EXPECT_FALSE(QFileInfo::exists(dat("Otro.CLA")));

    clearMessages();
    platform::onNextShow("Passw_FE_", [](QWidget *) { Passw_FE_->Button2->click(); });
    open(path);
    EXPECT_TRUE(messages().isEmpty());
    expectClosed();
}

TEST_F(OpenFileTest, ASavedPasswordIsWrittenBeforeTheSettingsAreReadAndReusedSilently)
{
    const QString path = study("Guardado", passwordOptions(), {}, "mi clave");
    typePassword("mi clave", true);
    open(path);
    expectOpen("Guardado");
    const QString cla = dat("Guardado.CLA");
    ASSERT_TRUE(QFileInfo::exists(cla));
    const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                            | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(cla).permissions() & others, QFileDevice::Permissions()) << "readable by its owner only";
    EXPECT_EQ(platform::rtf::toLines(testsupport::unpackFile(cla, "1", "1A2B-3C4D")),
              (QStringList{"RichEdit3", "mi clave"}));
    EXPECT_EQ(D_Module_->PKS->Key, "mi clave");
    EXPECT_EQ(p->Guardar_Contrasena, 0);
    TPackStreams &pks2 = *D_Module_->PKS2;
    EXPECT_FALSE(pks2.Encrypted);
    EXPECT_FALSE(pks2.Compressed);
    EXPECT_EQ(pks2.Key, "");
    EXPECT_TRUE(pks2.itemsForInspection().empty()) << "the password does not stay in memory";

    // Reopened: no password window, the key from the saved lines.
    Passw_FE_->Edit1->setText("cualquier cosa");
    clearShownWindows();
    open(path);
    expectOpen("Guardado");
    EXPECT_FALSE(shownWindows().contains("Passw_FE_"));
    EXPECT_EQ(D_Module_->PKS->Key, "mi clave");
    EXPECT_EQ(p->RichEdit3->line(1), "mi clave");
}

// A saved password that cannot serve (from another disk, damaged, holding no password or a
// password that is no longer the file's, without its item) would stop every opening for ever:
// it is deleted and the user asked.
TEST_F(OpenFileTest, ASavedPasswordThatCannotServeIsDeletedAndAskedFor)
{
    const QString path = study("Cambiada", passwordOptions(), {}, "nueva");
    const QString cla = dat("Cambiada.CLA");
    const QString serial = QStringLiteral("1A2B-3C4D");
    const struct {
        const char *what;
        QByteArray bytes; // empty: written by writeSavedPassword below
        const char *saved, *serial;
    } cases[] = {
        {"another disk", {}, "nueva", "9999-9999"},
        {"damaged", "&*dañado", nullptr, nullptr},
        {"empty password", {}, "", "1A2B-3C4D"},
        {"the old password", {}, "vieja", "1A2B-3C4D"},
        {"no item 1", testsupport::packItem("2", platform::rtf::fromLines({"RichEdit3", "nueva"}), serial.toStdString()),
         nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.saved)
            testsupport::writeSavedPassword(cla, QString::fromUtf8(c.saved), c.serial);
        else
            testsupport::writeBytes(cla, c.bytes);
        clearShownWindows();
        typePassword("nueva");
        open(path);
        EXPECT_EQ(shownWindows().count("Passw_FE_"), 1);
        expectOpen("Cambiada");
        EXPECT_FALSE(QFileInfo::exists(cla));
        EXPECT_EQ(D_Module_->PKS->Key, "nueva");
        EXPECT_FALSE(D_Module_->PKS2->Encrypted);
        EXPECT_TRUE(messages().isEmpty());
    }
}

// Beside the file stands a folder of the saved password's name, which can be neither read,
// replaced nor deleted: the cards take the password typed, never the key of the file opened
// before, and the failures to save and to delete it are told.
TEST_F(OpenFileTest, AFolderInThePlaceOfTheSavedPasswordIsToldAndTheTypedKeyIsUsed)
{
    typePassword("primera");
    open(study("Primero", passwordOptions(), {}, "primera"));
    expectOpen("Primero");
    const QString path = study("Atascado", passwordOptions(), {}, "segunda");
    QDir().mkpath(dat("Atascado.CLA/dentro"));
    typePassword("segunda", true);
    open(path);
    expectOpen("Atascado");
    EXPECT_EQ(D_Module_->PKS->Key, "segunda");
    EXPECT_FALSE(D_Module_->PKS2->Encrypted);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("No se pudo guardar la contraseña"));
    D_Module_->Descarta_Clave_Guardada(dat("Atascado.CLA"));
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages().last().contains("no se pudo borrar"));
}

// ---- Menu entry 9 and its caption ----

// Entry 9 opens the noted file without the dialog, refuses a vanished one, and without a
// note says so and never skips the next dialog.
TEST_F(OpenFileTest, EntryNineOpensTheLastFileWithoutTheDialogOrRefusesAVanishedOne)
{
    for (const QByteArray &content : {QByteArray(), QByteArray("\r\n")}) {
        QFile::remove(programPath("ultimo.txt"));
        if (!content.isNull())
            putFile("ultimo.txt", content);
        clearMessages();
        pressKey('9');
        EXPECT_EQ(messages(), QStringList{NoSeleccionado});
        EXPECT_EQ(p->Abrir_Ultimo, 0);
    }
    platform::FileDialog::queueCancel();
    pressKey('1');
    EXPECT_EQ(platform::FileDialog::requests().size(), 1);

    clearMessages();
    const QString path = study("Ultimo");
    putFile("ultimo.txt", (path + "\r\n").toUtf8());
    pressKey('9');
    expectOpen("Ultimo");
    EXPECT_EQ(platform::FileDialog::requests().size(), 1);
    EXPECT_EQ(p->Abrir_Ultimo, 0);
    EXPECT_EQ(note(), path + "\n");

    putFile("ultimo.txt", (dat("Borrado.DB") + "\n").toUtf8());
    pressKey('9');
    EXPECT_EQ(messages(), QStringList{Incompleto});
    expectClosed();
}

// A file name may hold line ends: the note keeps it whole, so that entry 9 opens that file
// again. A name whose bytes are not UTF-8 can't be opened: it is refused when chosen, with the
// open file left open.
TEST_F(OpenFileTest, EntryNineOpensNamesWithLineEndsAndNamesNotUtf8AreRefusedWhenChosen)
{
    const QString other = study("Otro");
    for (const QString &name : {QStringLiteral("Dos\nLineas"), QStringLiteral("Con\rRetorno"),
                               QStringLiteral("Fin\r\n"), QStringLiteral("\nInicio")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = study(name);
        clearMessages();
        open(path);
        expectOpen(name);
        EXPECT_EQ(note(), path + "\n");
        p->Cierra_Fichero();
        pressKey('9');
        EXPECT_TRUE(messages().isEmpty()) << messages().join('|').toStdString();
        expectOpen(name);
        EXPECT_EQ(p->Ruta_FE, path);
    }

    // Not UTF-8: the dialog gives the name with replacement characters.
    study("Malo");
    const QByteArray bad = QFile::encodeName(dat("Malo")) + "\xff\xfe.";
    for (const char *ext : {"DB", "STU"})
        ASSERT_EQ(::rename(QFile::encodeName(dat(QStringLiteral("Malo.") + ext)).constData(), (bad + ext).constData()), 0);
    open(other);
    const QString noteBefore = note();
    clearMessages();
    open(QFile::decodeName(bad + "DB"));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("El nombre del Fichero elegido («Malo\uFFFD\uFFFD.DB») no es un texto "
                                         "válido (UTF-8)")) << messages()[0].toStdString();
    expectOpen("Otro");
    EXPECT_EQ(p->Ruta_FE, other);
    EXPECT_EQ(note(), noteBefore);
    EXPECT_EQ(p->Abrir_Ultimo, 0);
}

TEST_F(OpenFileTest, EntriesEightAndEClosePictureAndTable)
{
    putPicture("image.jpg", 50, 40);
    const QString path = study("Cerrar");
    putPicture("dat/Cerrar.BMP", 10, 10);
    for (QChar key : {QChar('8'), QChar('e')}) {
        SCOPED_TRACE(key.toLatin1());
        open(path);
        EXPECT_EQ(p->Image1->picture().size(), QSize(10, 10));
        pressKey(key);
        expectClosed();
        EXPECT_EQ(p->Image1->picture().size(), QSize(50, 40));
        // The closed file's fields keep their values until the next open.
        EXPECT_EQ(p->Nombre_FE, "Cerrar");
        EXPECT_EQ(p->Ruta_FE, path);
    }
}
