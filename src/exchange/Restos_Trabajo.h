#pragma once
// Work files that the exchange keeps in a study files' folder while it writes there, named
// after the process that makes them, the replacement of a set of files (a study file's table,
// settings and picture) that a kill at any step leaves whole, and the removal of what a
// process that is gone (a killed program) left. No file of another name is ever touched but
// those a written-down replacement names.
#include <QString>

#include <vector>

// The table an export or an unpacking builds before it takes its place:
// "<folder>/.<kind>-<process>.db".
QString Tabla_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso);
// Any other part built the same way: "<folder>/.<kind>-<process>.<extension in lower case>".
QString Parte_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso, const QString &Extension);
// Removes a table with its journal files (the journals first).
void Quita_Tabla(const QString &Ruta);

// One step of a replacement, names within the folder: the work part Origen (a name
// Parte_De_Trabajo gives for the replacement's kind and process) takes the name Destino, with
// whatever journal files lie beside Destino going first; or, Origen empty, the file Destino goes.
struct Paso_Reemplazo {
    QString Origen;
    QString Destino;
};
// Replaces a set of files in the folder as one: the steps are first written down, on the
// disk, in the plan ".<kind>-<process>.plan", then carried out in order, and the plan goes
// last. A process killed before the plan is complete changed nothing; one killed later leaves
// the plan, which the next Quita_Restos_Abandonados in that folder carries out to its end.
// Every part named must be complete (and on the disk) before. Nada_Hecho when the plan can't be
// written (nothing done, the work parts still the caller's), A_Medias when a step fails (the
// plan and the parts it takes stay, for the next run to finish).
enum class Reemplazo { Hecho, Nada_Hecho, A_Medias };
Reemplazo Reemplaza_Conjunto(const QString &Carpeta, const QString &Tipo, const std::vector<Paso_Reemplazo> &Pasos);

// First finishes in the folder the replacements whose process is gone or is this one (a step
// that failed), then removes the work files above of processes that are gone, each table with
// its journal files, and the temporary files ".~sv<process>-<n>" of their saves cut short.
// Returns how many files went. Run before an export or an unpacking writes into a folder, and
// when a study file there is opened or repaired. (The engine removes its own table copies
// ".~tb<process>-<n>" when it opens a table in that folder.)
int Quita_Restos_Abandonados(const QString &Carpeta);
