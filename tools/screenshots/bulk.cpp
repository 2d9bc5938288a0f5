// Screenshots of the windows that work on many cards at once: the level 0 to 1 window's three
// pages, the group entry grid with rows filled, and the two text imports. They work on a study
// file "Vocabulario" made here through the create window and opened through menu entry 1.
#include "screenshots/Shots.h"

#include "app/Panta_Inicio.h"
#include "editing/Anade_n_Grupo_.h"
#include "engine/Table.h"
#include "exchange/Importar_de_txt.h"
#include "exchange/Importar_de_txt_e_Imag.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "review/FreeNiv0a1.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"

#include <QFile>

using shots::save;

namespace {
// The study file with level-0 cards of several keys and importances, open.
bool abreVocabulario()
{
    Crea_Fiche_->Edit1->setText(QStringLiteral("Vocabulario"));
    Crea_Fiche_->CheckBox7->setChecked(true); // importance
    Crea_Fiche_->CheckBox5->setChecked(true); // key
    Crea_Fiche_->Button1_Click();
    const QString ruta = shots::programFolder() + QStringLiteral("/dat/Vocabulario.DB");
    {
        engine::Table t;
        t.setTableName(QFile::encodeName(ruta).toStdString());
        t.open();
        const char *palabras[][2] = {{"the house", "verbos"}, {"to run", "verbos"},   {"the apple", "frutas"},
                                     {"to read", "verbos"},   {"the pear", "frutas"},   {"the window", "casa"},
                                     {"to write", "verbos"},  {"the door", "casa"},     {"the orange", "frutas"},
                                     {"to sleep", "verbos"},  {"the kitchen", "casa"},  {"to swim", "verbos"}};
        int n = 0;
        for (const auto &[pregunta, clave] : palabras) {
            t.append();
            t.fieldByName("Nive_Fich").setAsInteger(n < 10 ? 0 : 1);
            t.fieldByName("Nive_Impo").setAsInteger(1 + n % 5);
            t.fieldByName("Clav_Fich").setAsString(clave);
            t.fieldByName("Preg_Text").setAsString(pregunta);
            t.fieldByName("Ficha_Comp_Encr").setAsString("N");
            t.post();
            ++n;
        }
    }
    platform::FileDialog::queueFileName(ruta);
    Panta_Inicio_->Label5Click();
    return Panta_Inicio_->FE_Abierto == 1;
}
} // namespace

ORV_SCREENSHOTS(40, "bulk work")
{
    if (!abreVocabulario())
        return false;
    bool ok = true;

    platform::onNextShow(QStringLiteral("FreeNiv0a1_"), [&](QWidget *) {
        TFreeNiv0a1_ *w = FreeNiv0a1_;
        w->show();
        w->PageControl1->setCurrentIndex(0);
        ok = save(w, QStringLiteral("level0to1_page1_quantity.png")) && ok;
        w->PageControl1->setCurrentIndex(1);
        D_Module_->Tabla_Activa->first();
        for (int i = 0; i < 4; ++i, D_Module_->Tabla_Activa->next())
            if (i % 2 == 1)
                w->DBGrid1->selectRow(D_Module_->Tabla_Activa->bookmark(), true);
        ok = save(w, QStringLiteral("level0to1_page2_by_hand.png")) && ok;
        w->PageControl1->setCurrentIndex(2);
        w->RadioGroup2->setItemIndex(2);
        w->MaskEdit2->setText(QStringLiteral("3"));
        w->Button3Click();
        w->CheckBox1->setChecked(true);
        w->CheckBox1Click();
        w->MaskEdit3->setText(QStringLiteral("5"));
        ok = save(w, QStringLiteral("level0to1_page3_by_condition.png")) && ok;
        w->btnButton1Click();
    });
    Panta_Inicio_->Label19Click();

    platform::onNextShow(QStringLiteral("Anade_n_Grupo"), [&](QWidget *) {
        TAnade_n_Grupo *w = Anade_n_Grupo;
        const char *filas[][4] = {{"the bridge", "el puente", "casa", "2"},   {"to climb", "trepar", "verbos", "3"},
                                  {"the river", "el río", "", "1"},         {"to sing", "cantar", "verbos", ""},
                                  {"the mountain", "la montaña", "", "4"}};
        int f = 1;
        for (const auto &fila : filas) {
            for (int c = 0; c < 4; ++c)
                w->Pon_Celda(c, f, QString::fromUtf8(fila[c]));
            ++f;
        }
        w->edit1->setText(QStringLiteral("general"));
        w->show();
        ok = save(w, QStringLiteral("group_entry_filled.png")) && ok;
        w->btnButton9Click();
        w->button4Click();
    });
    Panta_Inicio_->Label31Click();

    for (TImportar_Base_ *w : {static_cast<TImportar_Base_ *>(Importar_de_txt_),
                               static_cast<TImportar_Base_ *>(Importar_de_txt_e_Imag_)}) {
        const QString nombre = w == Importar_de_txt_ ? QStringLiteral("text_import.png")
                                                     : QStringLiteral("text_import_with_pictures.png");
        platform::onNextShow(w->objectName(), [&, w, nombre](QWidget *) {
            w->show();
            ok = save(w, nombre) && ok;
            w->Button2Click();
        });
        if (w == Importar_de_txt_)
            Panta_Inicio_->Label20Click();
        else
            Panta_Inicio_->Label43Click();
    }

    Panta_Inicio_->Cierra_Fichero();
    return ok;
}
