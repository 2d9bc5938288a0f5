// From an empty program folder to a study file opened, closed and opened again, as a user
// goes through the menu.
#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "store/Preferencias.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"

#include <QDir>
#include <QFileInfo>

class WalkthroughTest : public ProgramFixture {
protected:
    QString note() const
    {
        QFile f(programPath("ultimo.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // Menu entry 8, creating a file with the window's choices and the given name.
    void createThroughTheMenu(const QString &name, std::function<void(TCrea_Fiche_ *)> choose = {})
    {
        platform::onNextShow("Crea_Fiche_", [name, choose](QWidget *) {
            TCrea_Fiche_ *w = Crea_Fiche_;
            w->Edit1->setText(name);
            if (choose)
                choose(w);
            w->Button1->click();
        });
        pressKey('8');
    }
    // Menu entry 8 left with "&Salir": the open file is closed.
    void closeThroughTheMenu()
    {
        platform::onNextShow("Crea_Fiche_", [](QWidget *) { Crea_Fiche_->Button2->click(); });
        pressKey('8');
    }
    void expectLabels(const QString &caption)
    {
        EXPECT_EQ(Panta_Inicio_->Label9->caption(), caption);
        EXPECT_EQ(Panta_Inicio_->Label17->caption(), caption);
        EXPECT_EQ(Panta_Inicio_->Label22->caption(), caption);
    }
};

TEST_F(WalkthroughTest, FromAnEmptyProgramFolderToAFileCreatedOpenedClosedAndReopened)
{
    QDir(programPath("dat")).removeRecursively();
    ASSERT_TRUE(QDir(programFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    startProgram(Preferences::Absent);
    TPanta_Inicio_ *p = Panta_Inicio_;

    // First activation: the preferences are written and the first-run message shown once.
    p->activate();
    EXPECT_EQ(messages(), QStringList{Msg_Preferencias_Nuevas});
    EXPECT_TRUE(QFileInfo::exists(programPath(Fichero_Preferencias)));
    EXPECT_EQ(p->Label21->caption(), "");
    clearMessages();

    // Create "Ingles" with a picture from a file and a description.
    const QString picture = homeFolder() + "/Bandera.jpg";
    QImage flag(320, 200, QImage::Format_RGB32);
    flag.fill(Qt::darkBlue);
    ASSERT_TRUE(platform::savePicture(flag, picture, platform::PictureFormat::Jpeg));
    platform::FileDialog::queueFileName(picture);
    createThroughTheMenu("Ingles", [](TCrea_Fiche_ *w) {
        w->BitBtn1->click();
        w->RichEdit1->setLines({"Nombre del Fichero de Estudio:", "  Inglés para el viaje", "", "Autor/a:", "Ana"});
        w->CheckBox6->setChecked(true);    // compressed
        w->CheckBox1->setChecked(true);    // question picture
        w->RadioButton3->setChecked(true); // question of 100 characters
        w->RadioButton6->setChecked(true); // short answer of 60
    });
    EXPECT_EQ(messages(), QStringList{"El Fichero de Estudio\r\rIngles\r\rha sido creado."});
    EXPECT_EQ(QDir(programPath("dat")).entryList(QDir::Files, QDir::Name),
              (QStringList{"Ingles.DB", "Ingles.JPG", "Ingles.STU"}));
    EXPECT_EQ(p->FE_Abierto, 0) << "a new file is not opened";
    EXPECT_TRUE(p->isEnabled());

    // The settings container's lines.
    const QStringList lines = testsupport::readSettings(dat("Ingles.STU"));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0].size(), 200);
    EXPECT_EQ(lines[0].left(41), "1 0 0 1 0  100  60  Csi Eno Msi EXsi IMsi");
    EXPECT_EQ(lines[0].mid(41).trimmed(), "");
    EXPECT_EQ(lines[1], Titulo_Programa + QString(200, ' '));
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines.mid(3), (QStringList{"Nombre del Fichero de Estudio:", "  Inglés para el viaje", "", "Autor/a:", "Ana"}));

    // Open it with entry 1.
    clearMessages();
    platform::FileDialog::queueFileName(dat("Ingles.DB"));
    pressKey('1');
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
    EXPECT_EQ(p->FE_Abierto, 1);
    expectLabels("Fichero Abierto: Ingles");
    EXPECT_EQ(note(), dat("Ingles.DB") + "\n");
    EXPECT_EQ(p->Label21->caption(), "9-  Abrir último Fichero abierto:\r        Ingles");
    EXPECT_EQ(p->Tam_Pregunta, 100);
    EXPECT_EQ(p->Tam_Respuesta, 60);
    EXPECT_EQ(p->Con_Imagen_Pregunta, 1);
    EXPECT_EQ(p->Con_Clave, 1);
    EXPECT_EQ(p->Comprimido, 1);
    EXPECT_EQ(p->Fichero_Empaquetado, 1);
    EXPECT_TRUE(D_Module_->PKS->Compressed);
    EXPECT_FALSE(D_Module_->PKS->Encrypted);
    EXPECT_EQ(D_Module_->PKS->Key, "");
    EXPECT_EQ(p->Image1->picture().size(), QSize(320, 200));
    EXPECT_EQ(p->RichEdit1->lines(), lines.mid(3));
    EXPECT_TRUE(D_Module_->Tabla_Activa->active());

    // Close it: entry 8, then "&Salir".
    closeThroughTheMenu();
    EXPECT_EQ(p->FE_Abierto, 0);
    EXPECT_FALSE(D_Module_->Tabla_Activa->active());
    expectLabels("Fichero Abierto:  (ninguno)");
    EXPECT_FALSE(p->Image1->hasPicture());

    // Reopen it with entry 9, without a dialog.
    const int dialogs = int(platform::FileDialog::requests().size());
    pressKey('9');
    EXPECT_EQ(platform::FileDialog::requests().size(), dialogs);
    EXPECT_EQ(p->FE_Abierto, 1);
    expectLabels("Fichero Abierto: Ingles");
    EXPECT_EQ(note(), dat("Ingles.DB") + "\n");
    EXPECT_EQ(p->Label21->caption(), "9-  Abrir último Fichero abierto:\r        Ingles");
    EXPECT_TRUE(D_Module_->PKS->Compressed);
    EXPECT_EQ(p->Abrir_Ultimo, 0);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(messages().count(Msg_Preferencias_Nuevas), 0) << "the first-run message only once";
}

TEST_F(WalkthroughTest, AnEncipheredFileOpensWithThePasswordTypedSavedAndThenSilently)
{
    startProgram();
    TPanta_Inicio_ *p = Panta_Inicio_;
    Passw_FE_->CheckBox2->setChecked(false);
    createThroughTheMenu("Secreto", [](TCrea_Fiche_ *w) { w->CheckBox6->setChecked(true); });

    // A file with a password: the settings say so and their container is enciphered with it
    // (creation always writes plain ones).
    const QString stu = dat("Secreto.STU");
    {
        TPackStreams &pks3 = *D_Module_->PKS3;
        pks3.LoadFromFile(testsupport::fileName(stu));
        packing::MemoryStream item;
        pks3.GetStream("FE_STU", item);
        QStringList lines = platform::rtf::toLines(toByteArray(item));
        lines[0].replace(25, 2, "si");
        packing::MemoryStream changed = toMemoryStream(platform::rtf::fromLines(lines));
        pks3.AddStream("FE_STU", changed);
        pks3.Compressed = true;
        pks3.Encrypted = true;
        pks3.Key = "la clave";
        pks3.SaveToFile(testsupport::fileName(stu));
        pks3.ClearStreams();
        pks3.Encrypted = false;
        pks3.Key = Clave_Inicial_PKS3;
    }
    EXPECT_THROW(testsupport::readSettings(stu), std::exception);
    EXPECT_EQ(testsupport::readSettings(stu, "la clave").value(0).mid(24, 3), "Esi");

    clearMessages();
    platform::onNextShow("Passw_FE_", [](QWidget *) {
        Passw_FE_->Edit1->setText("la clave");
        Passw_FE_->CheckBox2->setChecked(true);
        Passw_FE_->BitBtn1->click();
    });
    platform::FileDialog::queueFileName(dat("Secreto.DB"));
    pressKey('1');
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
    EXPECT_EQ(p->FE_Abierto, 1);
    EXPECT_EQ(p->Encriptado, 1);
    EXPECT_TRUE(D_Module_->PKS->Encrypted);
    EXPECT_TRUE(D_Module_->PKS->Compressed);
    EXPECT_EQ(D_Module_->PKS->Key, "la clave");
    ASSERT_TRUE(QFileInfo::exists(dat("Secreto.CLA")));
    EXPECT_EQ(platform::rtf::toLines(testsupport::unpackFile(dat("Secreto.CLA"), "1", p->Serie_Disco.toStdString())),
              (QStringList{"RichEdit3", "la clave"}));

    closeThroughTheMenu();
    Passw_FE_->Edit1->clear();
    clearShownWindows();
    pressKey('9');
    EXPECT_FALSE(shownWindows().contains("Passw_FE_"));
    EXPECT_EQ(p->FE_Abierto, 1);
    EXPECT_EQ(D_Module_->PKS->Key, "la clave");
    EXPECT_TRUE(D_Module_->PKS->Encrypted);
    EXPECT_TRUE(messages().isEmpty());
}
