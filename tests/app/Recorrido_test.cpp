// A study file made by the creation window opens with every choice made there: the settings
// line the one writes is the line the other reads.
#include "support/ProgramFixture.h"

#include "app/Panta_Inicio.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"

#include <functional>

class WalkthroughTest : public ProgramFixture {};

TEST_F(WalkthroughTest, AFileCreatedThroughTheMenuOpensWithItsChoices)
{
    QDir(programPath("dat")).removeRecursively();
    startProgram();
    TPanta_Inicio_ *p = Panta_Inicio_;
    const QString picture = putPicture("Bandera.jpg", 320, 200);
    const QStringList description{"Nombre del Fichero de Estudio:", "  Inglés para el viaje", "", "Autor/a:", "Ana"};
    struct Case {
        const char *name;
        std::function<void(TCrea_Fiche_ *)> choose;
        int preg, resp, imagenPregunta, imagenRespuesta, textoLargo, importancia, comprimido, clave;
    } cases[] = {
        {"Ingles",
         [&](TCrea_Fiche_ *w) {
             platform::FileDialog::queueFileName(picture);
             w->BitBtn1->click();
             w->RichEdit1->setLines(description);
             w->CheckBox6->setChecked(true);    // compressed
             w->CheckBox1->setChecked(true);    // question picture
             w->RadioButton3->setChecked(true); // question of 100 characters
             w->RadioButton6->setChecked(true); // short answer of 60
         },
         100, 60, 1, 0, 0, 0, 1, 1},
        {"Largo",
         [](TCrea_Fiche_ *w) {
             w->CheckBox1->setChecked(false);
             w->CheckBox6->setChecked(false); // not compressed
             w->CheckBox4->setChecked(false); // long answer only
             w->CheckBox2->setChecked(true);
             w->CheckBox7->setChecked(true);
             w->CheckBox5->setChecked(false); // no key field
             w->RadioButton4->setChecked(true);
             w->Edit2->setText("7");
         },
         7, 0, 0, 1, 1, 1, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        platform::onNextShow("Crea_Fiche_", [&c](QWidget *) {
            Crea_Fiche_->Edit1->setText(c.name);
            c.choose(Crea_Fiche_);
            Crea_Fiche_->Button1->click();
        });
        pressKey('8');
        EXPECT_EQ(p->FE_Abierto, 0) << "a new file is not opened";
        clearMessages();
        platform::FileDialog::queueFileName(dat(QString::fromLatin1(c.name) + ".DB"));
        pressKey('1');
        EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
        EXPECT_EQ(p->FE_Abierto, 1);
        EXPECT_EQ(p->Label9->caption(), "Fichero Abierto: " + QString::fromLatin1(c.name));
        EXPECT_EQ(p->Tam_Pregunta, c.preg);
        EXPECT_EQ(p->Tam_Respuesta, c.resp);
        EXPECT_EQ(p->Con_Imagen_Pregunta, c.imagenPregunta);
        EXPECT_EQ(p->Con_Imagen_Respuesta, c.imagenRespuesta);
        EXPECT_EQ(p->Con_Texto_Largo, c.textoLargo);
        EXPECT_EQ(p->Con_Importancia, c.importancia);
        EXPECT_EQ(p->Con_Clave, c.clave);
        EXPECT_EQ(p->Comprimido, c.comprimido);
        EXPECT_EQ(p->Encriptado, 0);
        EXPECT_EQ(D_Module_->PKS->Compressed, c.comprimido == 1);
        EXPECT_EQ(D_Module_->Tabla_Activa->fieldByName("Preg_Text").size(), c.preg);
    }
    // The first file's picture and description came through too.
    platform::FileDialog::queueFileName(dat("Ingles.DB"));
    pressKey('1');
    EXPECT_EQ(p->Image1->picture().size(), QSize(320, 200));
    EXPECT_EQ(p->RichEdit1->lines(), description);
}
