// Screenshots of the selection window (three condition rows over a few cards) and of the
// global modification window.
#include "screenshots/Shots.h"

#include "editing/FILTRO_ENV_.h"
#include "editing/Modif_Glob.h"
#include "engine/Table.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QComboBox>
#include <QDir>

namespace {

// A small study file of cards in the program folder, open as the card table.
bool abreFichas()
{
    const QString carpeta = shots::programFolder() + QStringLiteral("/dat");
    QDir().mkpath(carpeta);
    const std::string dat = carpeta.toStdString();
    engine::Table t;
    t.setDatabaseName(dat);
    t.setTableName("Muestra");
    t.createTable(TD_Module_::Campos_Ficha(60), TD_Module_::Indices_Ficha());
    t.open();
    const char *preguntas[] = {"¿Capital de Francia?", "¿Capital de Italia?", "¿Río más largo de Europa?",
                               "¿Autor del Quijote?", "¿Año de la Revolución Francesa?", "¿Símbolo del hierro?",
                               "¿Planeta más grande?", "¿Idioma oficial de Brasil?"};
    int n = 0;
    for (const char *p : preguntas) {
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(1 + n % 4);
        t.fieldByName("Nive_Impo").setAsInteger(1 + n % 3);
        t.fieldByName("Clav_Fich").setAsString(n % 2 ? "geografía" : "historia");
        t.fieldByName("Preg_Text").setAsString(p);
        t.post();
        ++n;
    }
    t.close();
    engine::Table &a = *D_Module_->Tabla_Activa;
    a.setDatabaseName(dat);
    a.setTableName("Muestra");
    a.setFilter(Filtro_Base.toStdString());
    a.setFiltered(true);
    a.open();
    TSesion_ *s = Sesion_;
    s->FE_Abierto = 1;
    s->Filtro_Actual = Filtro_Base;
    s->Con_Clave = 1;
    s->Con_Importancia = 1;
    s->Modificable = 1;
    return true;
}

void cierraFichas()
{
    D_Module_->Tabla_Activa->close();
    Sesion_->FE_Abierto = 0;
}

} // namespace

ORV_SCREENSHOTS(40, "selection")
{
    bool ok = abreFichas();
    TFILTRO_ENV *w = FILTRO_ENV;
    w->ComboBox1->setCurrentIndex(0);
    emit w->ComboBox1->activated(0);
    w->ComboBox2->setCurrentIndex(2);
    w->Edit1->setText(QStringLiteral("2"));
    w->CheckBox1->setChecked(true);
    w->ComboBox3->setCurrentIndex(1);
    w->ComboBox4->setCurrentIndex(1);
    emit w->ComboBox4->activated(1);
    w->ComboBox5->setCurrentIndex(0);
    w->Edit2->setText(QStringLiteral("geo"));
    w->CheckBox2->setChecked(true);
    w->ComboBox6->setCurrentIndex(0);
    w->ComboBox7->setCurrentIndex(3);
    emit w->ComboBox7->activated(3);
    w->ComboBox8->setCurrentIndex(3);
    w->show();
    w->activate();
    ok = shots::save(w, QStringLiteral("selection_three_rows.png")) && ok;
    w->close();

    TModif_glob_ *m = Modif_glob_;
    m->show();
    m->activate();
    m->CheckBox1->setChecked(true);
    m->MaskEdit1->setText(QStringLiteral("1"));
    m->CheckBox4->setChecked(true);
    ok = shots::save(m, QStringLiteral("global_modification.png")) && ok;
    m->close();
    cierraFichas();
    return ok;
}
