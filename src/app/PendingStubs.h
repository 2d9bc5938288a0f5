#pragma once
// Stand-ins for what the main window's activation needs from units that are being built
// elsewhere: each is replaced by the real call when its unit joins the program.
#include <QString>

namespace pending {

// The data module's card table Tabla_Activa: sets its filter text (only the text; whether the
// table is filtered does not change).
void Filtro_Tabla_Activa(const QString &Filtro);
// The review selection window's quick-selection button (TSelecc_Repaso_::RadioButton2) is checked.
bool Seleccion_Rapida_Marcada();

} // namespace pending
