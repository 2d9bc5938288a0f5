// Stand-in bodies, replaced when the card store and the study-file handling join:
//   TD_Module_::Lee_Estilo_Fuente             reloads the display font style from 01.stl
//   TPanta_Inicio_::Actualiza_Ultimo_FE_abierto  refreshes menu entry 9 from ultimo.txt
//   pending::Filtro_Tabla_Activa               D_Module_->Tabla_Activa's filter text
//   pending::Seleccion_Rapida_Marcada          Selecc_Repaso_->RadioButton2->isChecked()
#include "app/PendingStubs.h"

#include "app/Panta_Inicio.h"
#include "store/D_Module.h"

void TD_Module_::Lee_Estilo_Fuente() {}

void TPanta_Inicio_::Actualiza_Ultimo_FE_abierto() {}

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
