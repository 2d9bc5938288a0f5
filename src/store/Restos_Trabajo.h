#pragma once
// Work files that an export or an unpacking keeps in a study files' folder while it writes
// there, named after the process that makes them, the replacement of a set of files (a study
// file's table, settings and picture) that a kill at any step leaves whole, and the settling
// of what a process that is no longer at work left. No file of another name is ever touched
// but those a written-down replacement names.
//
// A process at work holds the lock file ".<kind>-<process>.lock" of the folder locked
// (Trabajo_En_Carpeta) from before its first work file is made until its last is gone; the
// system lets the lock go when the process dies. Work files whose lock is free (or missing)
// are abandoned, whatever process now has their number.
#include <QString>

#include <vector>

// The table an export or an unpacking builds before it takes its place:
// "<folder>/.<kind>-<process>.db".
QString Tabla_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso);
// Any other part built the same way: "<folder>/.<kind>-<process>.<extension in lower case>".
QString Parte_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso, const QString &Extension);
// Removes a table with its journal files (the journals first).
void Quita_Tabla(const QString &Ruta);

// The lock of this process's work of a kind in a folder, held for as long as the object lives
// (a short wait when another process is settling an earlier holder's files); the lock file
// goes with it. When the lock can't be had (a folder that can't be written) nothing is held.
class Trabajo_En_Carpeta {
public:
    Trabajo_En_Carpeta(const QString &Carpeta, const QString &Tipo);
    ~Trabajo_En_Carpeta();
    Trabajo_En_Carpeta(const Trabajo_En_Carpeta &) = delete;
    Trabajo_En_Carpeta &operator=(const Trabajo_En_Carpeta &) = delete;

private:
    QString Ruta;
    int Descriptor = -1;
};

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
// The caller holds the Trabajo_En_Carpeta of the kind, and every part named is complete (and
// on the disk) before. Nada_Hecho when the plan can't be written (nothing done, the work parts
// still the caller's), A_Medias when a step fails (the plan and the parts it takes stay, for
// the next settling once the caller has let its lock go).
enum class Reemplazo { Hecho, Nada_Hecho, A_Medias };
Reemplazo Reemplaza_Conjunto(const QString &Carpeta, const QString &Tipo, const std::vector<Paso_Reemplazo> &Pasos);

// Settles the folder: the replacements whose process is no longer at work are finished, then
// that process's work files go (each table with its journal files), and the temporary files
// ".~sv<process>-<n>" of saves cut short. Returns how many files went. Run before anything
// reads, writes or deletes a study file of the folder: the entries that create, delete, open,
// repair, export, import, pack or unpack one, and the start of the program for its "dat".
// (The engine removes its own table copies ".~tb<process>-<n>" when it opens a table there.)
int Quita_Restos_Abandonados(const QString &Carpeta);
// The same for the folder of the file at Ruta, when that folder is there.
void Asienta_Carpeta_De(const QString &Ruta);
