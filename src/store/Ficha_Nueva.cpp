#include "store/Ficha_Nueva.h"

#include "engine/Table.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QCoreApplication>

void Anade_Ficha_Entera(const std::function<void()> &Rellena)
{
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.append();
    try {
        Rellena();
        t.post();
    } catch (...) {
        if (t.state() == engine::Table::State::Insert)
            t.cancel();
        throw;
    }
}

void Pon_Ficha_Nueva(int Nivel, std::optional<int> Importancia, const std::optional<QString> &Clave,
                     const QString &Pregunta)
{
    TD_Module_ &dm = *D_Module_;
    dm.Si_Ficha_Usa_Comp_Encr_o_no();
    dm.Tabla_ActivaNive_Fich().setAsInteger(Nivel);
    if (Importancia)
        dm.Tabla_ActivaNive_Impo().setAsInteger(*Importancia);
    if (Clave)
        dm.Tabla_ActivaClav_Fich().setAsString(Clave->toStdString());
    dm.Tabla_ActivaPreg_Text().setAsString(Pregunta.toStdString());
    dm.Tabla_ActivaFech_Crea().setAsString(Sesion_->Fecha_Hoy.toStdString());
    dm.Tabla_ActivaFech_Ulti_Repa().setAsString("");
    dm.Tabla_ActivaTotal_Repa().setAsInteger(0);
}

Alta_En_Bloque::Alta_En_Bloque()
{
    engine::Table &t = *D_Module_->Tabla_Activa;
    m_transaccion.emplace(t);
    m_bloque.emplace(t);
    t.setViewDeferred(true);
}

Alta_En_Bloque::~Alta_En_Bloque()
{
    m_bloque.reset();
    m_transaccion.reset(); // rolled back when Termina() was not reached, the view rebuilt
    Deja_Vista();
}

void Alta_En_Bloque::Deja_Vista() noexcept
{
    try {
        D_Module_->Tabla_Activa->setViewDeferred(false);
    } catch (...) {
        // The view stays as it was; a rollback or the next refresh rebuilds it.
    }
}

void Alta_En_Bloque::Termina()
{
    if (!m_transaccion)
        return;
    try {
        m_transaccion->commit();
    } catch (...) {
        m_bloque.reset();
        m_transaccion.reset();
        Deja_Vista();
        throw;
    }
    m_transaccion.reset();
    Deja_Vista(); // the view takes the new cards once, on the last one
    m_bloque->end();
    m_bloque.reset();
}

void Alta_En_Bloque::Ficha_Anadida()
{
    if (++m_fichas % 100 == 0)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
