#pragma once
// Work files that the exchange keeps in a study files' folder while it writes there, named
// after the process that makes them, and the removal of those left by a process that is gone
// (a killed program). No file of another name is ever touched.
#include <QString>

// The table an export or an unpacking builds before it takes its place:
// "<folder>/.<kind>-<process>.db".
QString Tabla_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso);
// Removes a table with its journal files (the journals first).
void Quita_Tabla(const QString &Ruta);
// Removes from the folder the work tables above of processes that are gone, each with its
// journal files, and the temporary files ".~sv<process>-<n>" of their saves cut short. Returns
// how many files went. Run before an export or an unpacking writes into a folder, and when a
// study file there is opened or repaired. (The engine removes its own table copies
// ".~tb<process>-<n>" when it opens a table in that folder.)
int Quita_Restos_Abandonados(const QString &Carpeta);
