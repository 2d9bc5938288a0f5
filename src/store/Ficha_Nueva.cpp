#include "store/Ficha_Nueva.h"

#include "engine/Table.h"
#include "platform/Application.h"
#include "store/D_Module.h"

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

Alta_En_Bloque::Alta_En_Bloque()
{
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.disableControls();
    m_afterScroll = std::move(t.afterScroll);
    t.afterScroll = nullptr;
}

Alta_En_Bloque::~Alta_En_Bloque()
{
    Termina();
}

void Alta_En_Bloque::Termina()
{
    if (!m_activo)
        return;
    m_activo = false;
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.afterScroll = std::move(m_afterScroll);
    platform::guarded([&] {
        t.enableControls();
        if (t.afterScroll && t.active())
            t.afterScroll(t);
    });
}

void Alta_En_Bloque::Ficha_Anadida()
{
    if (++m_fichas % 100 == 0)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
