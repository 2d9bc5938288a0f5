// Screenshots of the exchange windows: export (as it opens and while its progress shows),
// import from a study file, and transport files (as they open and with the wait notice).
#include "screenshots/Shots.h"

#include "exchange/Exportar_FE.h"
#include "exchange/FE_Transporte.h"
#include "exchange/Importar_de_FE.h"
#include "store/Sesion.h"

using shots::save;

ORV_SCREENSHOTS(50, "exchange")
{
    bool ok = true;
    TSesion_ *s = Sesion_;
    s->Ruta_FE = shots::programFolder() + QStringLiteral("/dat/Ingles.DB");
    s->Exportable = 1;

    TExportar_FE_ *e = Exportar_FE_;
    e->show();
    e->activate();
    e->Edit1->setText(QStringLiteral("Ingles para el viaje"));
    ok = save(e, QStringLiteral("export.png")) && ok;
    e->Label1->hide();
    e->Label6->setCaption(QStringLiteral("Exportadas: 1234 Fichas de un total de: 2000"));
    e->Label6->show();
    e->Gauge1->setMaximum(2000);
    e->Gauge1->setValue(1234);
    e->Gauge1->show();
    ok = save(e, QStringLiteral("export_progress.png")) && ok;
    e->Label6->hide();
    e->Gauge1->hide();
    e->Label1->show();
    e->hide();
    s->Exportable = 0;

    Importar_de_FE_->Label1->setCaption(QStringLiteral("F. de Estudio ORIGEN: Ingles"));
    Importar_de_FE_->show();
    ok = save(Importar_de_FE_, QStringLiteral("import_from_study_file.png")) && ok;
    Importar_de_FE_->Label1->setCaption(QStringLiteral("F. de Estudio seleccionado: (Ninguno)."));
    Importar_de_FE_->hide();

    FE_Transporte_->show();
    FE_Transporte_->activate();
    ok = save(FE_Transporte_, QStringLiteral("transport.png")) && ok;
    FE_Transporte_->Muestra_Aviso_Proceso_Largo();
    ok = save(FE_Transporte_, QStringLiteral("transport_wait_notice.png")) && ok;
    FE_Transporte_->Oculta_Aviso_Proceso_Largo();
    FE_Transporte_->hide();
    return ok;
}
