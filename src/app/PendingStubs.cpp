// Stand-in bodies, replaced when the card store and the study-file handling join:
//   pending::Filtro_Tabla_Activa               D_Module_->Tabla_Activa's filter text
//   pending::Seleccion_Rapida_Marcada          Selecc_Repaso_->RadioButton2->isChecked()
#include "app/PendingStubs.h"

#include "app/Panta_Inicio.h"
#include "store/D_Module.h"

namespace pending {

void Filtro_Tabla_Activa(const QString &Filtro)
{
    Q_UNUSED(Filtro);
}

bool Seleccion_Rapida_Marcada()
{
    return false;
}

} // namespace pending
