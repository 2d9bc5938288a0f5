#include "support/ProgramFixture.h"
#include "support/EngineTables.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "platform/Colors.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"

#include <QDir>
#include <QFileInfo>

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
        EXPECT_EQ(p->Label9->caption(), NoFileLabel);
        EXPECT_EQ(p->Label17->caption(), NoFileLabel);
        EXPECT_EQ(p->Label22->caption(), NoFileLabel);
        EXPECT_EQ(p->Abrir_Ultimo, 0);
        EXPECT_EQ(p->Guardar_Contrasena, 0);
    }
    void expectOpen(const QString &name) const
    {
        EXPECT_EQ(p->FE_Abierto, 1);
        EXPECT_TRUE(D_Module_->Tabla_Activa->active());
        EXPECT_EQ(p->Label9->caption(), "Fichero Abierto: " + name);
        EXPECT_EQ(p->Label17->caption(), "Fichero Abierto: " + name);
        EXPECT_EQ(p->Label22->caption(), "Fichero Abierto: " + name);
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
    putPicture("dat/Ingles.JPG", 300, 200);
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(path));
        t.open();
        testsupport::addCard(t, testsupport::card(0)); // hidden by the base filter
        testsupport::addCard(t, testsupport::card(1));
        testsupport::addCard(t, testsupport::card(2));
    }
    open(path);

    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
    expectOpen("Ingles");
    EXPECT_EQ(p->Ruta_FE, path);
    EXPECT_EQ(p->Nombre_FE, "Ingles");
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, programFolder() + "/dat/");
    EXPECT_EQ(platform::FileDialog::requests().last().title, " Abrir un Fichero de Estudio");
    EXPECT_TRUE(p->OpenDialog1->FileName.isEmpty());
    EXPECT_EQ(QDir::currentPath(), programFolder());

    EXPECT_EQ(p->Con_Imagen_Pregunta, 1);
    EXPECT_EQ(p->Con_Imagen_Respuesta, 0);
    EXPECT_EQ(p->Con_Texto_Largo, 1);
    EXPECT_EQ(p->Con_Clave, 0);
    EXPECT_EQ(p->Con_Importancia, 1);
    EXPECT_EQ(p->Tam_Pregunta, 7);
    EXPECT_EQ(p->Tam_Respuesta, 0);
    EXPECT_EQ(p->Comprimido, 1);
    EXPECT_EQ(p->Encriptado, 0);
    EXPECT_EQ(p->Fichero_Empaquetado, 1);
    EXPECT_EQ(p->Modificable, 0);
    EXPECT_EQ(p->Exportable, 1);
    EXPECT_EQ(p->Imprimible, 0);
    EXPECT_TRUE(D_Module_->PKS->Compressed);
    EXPECT_FALSE(D_Module_->PKS->Encrypted);
    EXPECT_EQ(D_Module_->PKS->Key, "");

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
    EXPECT_EQ(p->Label21->width(), 373);
    EXPECT_EQ(p->Label5->fontColor(), platform::tcolor(platform::colors::Navy));
}

TEST_F(OpenFileTest, TheNoteIsRewrittenAtEveryOpenAndTheNextDialogStartsBesideTheFile)
{
    const QString path = study("Aleman");
    open(path);
    putFile("ultimo.txt", "otra cosa\r\n");
    open(path);
    EXPECT_EQ(note(), path + "\n");
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, programFolder() + "/dat/");
    QDir().mkpath(programPath("otros"));
    const QString other = testsupport::writeStudyFile(programPath("otros"), "Frances", testsupport::defaultOptions());
    open(other);
    open(path);
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, programFolder() + "/otros/");
}

TEST_F(OpenFileTest, ACancelledDialogLeavesTheOpenFileAndItsPath)
{
    const QString path = study("Ingles");
    open(path);
    platform::FileDialog::queueCancel();
    pressKey('1');
    EXPECT_EQ(messages(), QStringList{NoSeleccionado});
    expectOpen("Ingles");
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

TEST_F(OpenFileTest, CompanionsAreFoundWhateverTheCaseOfTheirNames)
{
    const QString path = study("Mixto");
    QFile::rename(dat("Mixto.STU"), dat("Mixto.stu"));
    putPicture("dat/Mixto.jpeg", 20, 10);
    open(path);
    expectOpen("Mixto");
    EXPECT_EQ(p->Image1->picture().size(), QSize(20, 10));
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

TEST_F(OpenFileTest, TheSettingsLineIsReadAtItsExactPositions)
{
    const QString path = study("Linea");
    struct Case {
        QString line;
        int preg, resp, comprimido, encriptado, modificable, exportable, imprimible, clave;
    } cases[] = {
        {"0 0 0 1 0  100   0  Cno Eno Msi EXsi IMsi", 100, 0, 0, 0, 1, 1, 1, 1},
        {"0 0 0 2 0  255 255  CSi Eno Mno EXno IMno", 255, 255, 0, 0, 0, 0, 0, 0},
        // The marker letters are not read; only a lower-case 's' at the right place counts.
        {"1 1 1 1 1   60  60  Csi Eno msi exSi IMsi", 60, 60, 1, 0, 1, 0, 1, 1},
        {"0 0 0 1 0   60 100  Cs  Eno Ms  EXs  IMs " + QString(159, ' '), 60, 100, 1, 0, 1, 1, 1, 1},
    };
    for (const Case &c : cases) {
        testsupport::writeSettings(dat("Linea.STU"), c.line);
        open(path);
        SCOPED_TRACE(c.line.toStdString());
        EXPECT_EQ(p->FE_Abierto, 1);
        EXPECT_EQ(p->Tam_Pregunta, c.preg);
        EXPECT_EQ(p->Tam_Respuesta, c.resp);
        EXPECT_EQ(p->Comprimido, c.comprimido);
        EXPECT_EQ(D_Module_->PKS->Compressed, c.comprimido == 1);
        EXPECT_EQ(p->Encriptado, c.encriptado);
        EXPECT_EQ(p->Fichero_Empaquetado, c.comprimido);
        EXPECT_EQ(p->Modificable, c.modificable);
        EXPECT_EQ(p->Exportable, c.exportable);
        EXPECT_EQ(p->Imprimible, c.imprimible);
        EXPECT_EQ(p->Con_Clave, c.clave);
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(OpenFileTest, ATableTheEngineCannotOpenClosesTheFile)
{
    const QString path = study("Tabla");
    testsupport::writeBytes(path, "not a table at all");
    open(path);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("No se pudo abrir la tabla de fichas"));
    expectClosed();
    EXPECT_NE(note(), path + "\n");
}

TEST_F(OpenFileTest, AFirstCardThatCannotBeShownLeavesTheFileOpen)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = true;
    const QString path = study("Dañada", o);
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(path));
        t.open();
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

TEST_F(OpenFileTest, ADamagedStudyFilePictureShowsTheProgramsPicture)
{
    putPicture("image.bmp", 64, 32);
    const QString path = study("Foto");
    putFile("dat/Foto.BMP", "BM broken");
    open(path);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("La imagen de este Fichero de Estudio está dañada"));
    expectOpen("Foto");
    EXPECT_EQ(p->Image1->picture().size(), QSize(64, 32));
}

TEST_F(OpenFileTest, AnUnwritableNoteIsToldAndTheFileStaysOpen)
{
    const QString path = study("Nota");
    QDir().mkpath(programPath("ultimo.txt"));
    open(path);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("No se pudo anotar el último Fichero abierto"));
    expectOpen("Nota");
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
    EXPECT_EQ(p->Encriptado, 1);
    EXPECT_EQ(p->Fichero_Empaquetado, 1);
    EXPECT_TRUE(D_Module_->PKS->Encrypted);
    EXPECT_TRUE(D_Module_->PKS->Compressed);
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
    typePassword("mala");
    open(path);
    EXPECT_EQ(messages(), QStringList{ContrasenaMala});
    expectClosed();

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

TEST_F(OpenFileTest, AnUnreadableSavedPasswordIsDeletedAndAskedFor)
{
    const QString path = study("Viajero", passwordOptions(), {}, "abc");
    testsupport::writeSavedPassword(dat("Viajero.CLA"), "abc", "9999-9999"); // another disk
    typePassword("abc");
    open(path);
    EXPECT_EQ(shownWindows().count("Passw_FE_"), 1);
    expectOpen("Viajero");
    EXPECT_FALSE(QFileInfo::exists(dat("Viajero.CLA")));
    EXPECT_EQ(D_Module_->PKS->Key, "abc");
}

// A saved password that is not the file's own (the file's password was changed) would stop
// every opening for ever: it is deleted and the user asked.
TEST_F(OpenFileTest, AReadableSavedPasswordThatIsWrongIsDeletedAndAskedFor)
{
    const QString path = study("Cambiada", passwordOptions(), {}, "nueva");
    testsupport::writeSavedPassword(dat("Cambiada.CLA"), "vieja", "1A2B-3C4D");
    typePassword("nueva");
    open(path);
    EXPECT_EQ(shownWindows().count("Passw_FE_"), 1);
    expectOpen("Cambiada");
    EXPECT_FALSE(QFileInfo::exists(dat("Cambiada.CLA")));
    EXPECT_EQ(D_Module_->PKS->Key, "nueva");
    EXPECT_TRUE(messages().isEmpty());
}

// Beside the file stands something of the saved password's name that is no saved password (a
// folder, which cannot be deleted either): the cards take the password typed, never the key of
// the file opened before.
TEST_F(OpenFileTest, ASavedPasswordThatCannotBeDeletedIsToldAndTheTypedKeyIsUsed)
{
    typePassword("primera");
    open(study("Primero", passwordOptions(), {}, "primera"));
    expectOpen("Primero");
    const QString path = study("Atascado", passwordOptions(), {}, "segunda");
    QDir().mkpath(dat("Atascado.CLA/dentro"));
    typePassword("segunda");
    open(path);
    expectOpen("Atascado");
    EXPECT_EQ(D_Module_->PKS->Key, "segunda");
    EXPECT_TRUE(messages().isEmpty());
    // Deleting it fails, and that is told.
    D_Module_->Descarta_Clave_Guardada(dat("Atascado.CLA"));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().contains("no se pudo borrar"));
}

TEST_F(OpenFileTest, AFailedOpenLeavesNoPasswordToSaveForTheNextFile)
{
    const QString secret = study("Secreto", passwordOptions(), {}, "buena");
    typePassword("mala", true);
    open(secret);
    expectClosed();
    open(study("Abierto"));
    expectOpen("Abierto");
    EXPECT_FALSE(QFileInfo::exists(dat("Abierto.CLA")));
    EXPECT_FALSE(QFileInfo::exists(dat("Secreto.CLA")));
}

TEST_F(OpenFileTest, APasswordThatCannotBeSavedIsToldAndTheFileOpens)
{
    const QString path = study("Protegido", passwordOptions(), {}, "pw");
    QDir().mkpath(dat("Protegido.CLA"));
    typePassword("pw", true);
    open(path);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("No se pudo guardar la contraseña"));
    expectOpen("Protegido");
    EXPECT_EQ(D_Module_->PKS->Key, "pw");
    EXPECT_FALSE(D_Module_->PKS2->Encrypted);
}

// ---- Menu entry 9 and its caption ----

TEST_F(OpenFileTest, EntryNineOpensTheLastFileWithoutTheDialog)
{
    const QString path = study("Ultimo");
    putFile("ultimo.txt", (path + "\r\n").toUtf8());
    pressKey('9');
    expectOpen("Ultimo");
    EXPECT_TRUE(platform::FileDialog::requests().isEmpty());
    EXPECT_EQ(p->Abrir_Ultimo, 0);
    EXPECT_EQ(note(), path + "\n");
}

TEST_F(OpenFileTest, EntryNineWithoutANoteNeverSkipsTheNextDialog)
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
}

TEST_F(OpenFileTest, EntryNineOnAVanishedFileIsRefusedAsIncomplete)
{
    putFile("ultimo.txt", (dat("Borrado.DB") + "\n").toUtf8());
    pressKey('9');
    EXPECT_EQ(messages(), QStringList{Incompleto});
    expectClosed();
}

TEST_F(OpenFileTest, TheActivationShowsTheLastFileInEntryNine)
{
    p->FormActivate();
    EXPECT_EQ(p->Label21->caption(), "");
    putFile("ultimo.txt", "C:/Datos/Inglés.db\r\n");
    p->FormActivate();
    EXPECT_EQ(p->Label21->caption(), "9-  Abrir último Fichero abierto:\r        Inglés");
    EXPECT_EQ(p->Label21->width(), 373);
    putFile("ultimo.txt", "C:/Datos/Ingl\xE9s.db\n"); // Windows-1252
    p->FormActivate();
    EXPECT_EQ(p->Label21->caption(), "9-  Abrir último Fichero abierto:\r        Inglés");
    QFile::remove(programPath("ultimo.txt"));
    p->FormActivate();
    EXPECT_EQ(p->Label21->caption(), "");
}

TEST_F(OpenFileTest, EntriesEightAndEClosePictureAndTable)
{
    putPicture("image.jpg", 50, 40);
    const QString path = study("Cerrar");
    putPicture("dat/Cerrar.BMP", 10, 10);
    open(path);
    EXPECT_EQ(p->Image1->picture().size(), QSize(10, 10));
    platform::onNextShow("Crea_Fiche_", [](QWidget *) {});
    pressKey('8');
    expectClosed();
    EXPECT_EQ(p->Image1->picture().size(), QSize(50, 40));
    // The closed file's fields keep their values until the next open.
    EXPECT_EQ(p->Nombre_FE, "Cerrar");
    EXPECT_EQ(p->Ruta_FE, path);
}
