#include "store/Ficha_Nueva.h"

#include "engine/Table.h"
#include "store/D_Module.h"

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
