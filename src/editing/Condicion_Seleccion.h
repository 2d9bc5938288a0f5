#pragma once
// The rules of the selection window's conditions, apart from its controls: the text of one
// condition, the check of a typed value, and the selection's filter around the conditions.
// Fields, operators and connectors are given by their index in the window's combos; -1 (nothing
// chosen, or a typed text) counts as the first item.
#include <QString>

namespace seleccion {

// The fields of the field combo, in its order.
enum Campo { Campo_Nivel = 0, Campo_Clave = 1, Campo_Importancia = 2, Campo_Fecha = 3, Campo_Repasos = 4 };

// One condition: the connector when it follows another (Conector 1 " AND ", 0 or -1 " OR "), the
// field name by Campo (0 or -1 Nive_Fich, 1 Clav_Fich, 2 Nive_Impo, 3 Fech_Ulti_Repa,
// 4 Total_Repa), the operator by Operador (0 or -1 "=", 1 ">", 2 ">=", 3 "<", 4 "<=", 5 "<>")
// and the value: the text as typed for the numeric fields; for the date the card date
// "20"+yy+mm+dd taken by position from the date mask's text (day first when Formato_Fecha = 1),
// quoted; for the key the text quoted, followed by "*" inside the quotes unless the operator is
// ">=". Quoting doubles every single quote. Indexes out of range count as 0.
QString Condicion(int Sigue_a_Otra, int Conector, int Campo, int Operador, const QString &Valor, int Formato_Fecha);

// Whether the value edit is checked for digits as the field changes to Campo (every field but
// the key and the date).
bool Campo_Numerico(int Campo);

// Whether the value typed for the field is admitted when the edit is left: any text for the key,
// else nothing or digits 0 to 9 only.
bool Valor_Admitido(int Campo, const QString &Valor);

// The message for a value that its numeric field cannot take (letters typed for a level, say),
// naming the field as the window shows it; empty when the value is admitted. Campo_Fecha takes
// its value from the date edit and is never refused here.
QString Valor_No_Numerico(int Campo, const QString &Nombre_Campo, const QString &Valor);

// The filter of a selection: " ( " + the conditions + " ) and " + the base filter.
QString Filtro_de_Seleccion(const QString &Condiciones, const QString &Filtro_Base);

} // namespace seleccion

// Appends seleccion::Condicion(...) for the session's date format to the session's
// Filtro_Actual.
void Anade_Condicion_a_Filtro(int Sigue_a_Otra, int Conector, int Campo, int Operador, const QString &Valor);
