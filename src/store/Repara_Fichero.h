#pragma once
// Repairing and deleting a study file.
//
// The repair utilities work on the card table named by Sesion_->Ruta_FE (a full path), open
// it exclusively, and report each failure in an error box while setting
// Sesion_->Error_Reparacion to 1; the caller goes on with the next step. The folder given to
// them is the database name of their table objects (empty: the full path in Ruta_FE counts).
// Each shows the hourglass and a progress bar along the bottom of the main window while it
// works.
//
// The packing never makes a file worse: the table is packed into a copy beside it that
// replaces it only when complete and intact, and the readable cards of a damaged table are
// carried over into that copy (see engine::Table::pack).
#include "engine/Table.h"

#include <QString>

// Shows the engine's long work (converting a table of an older format when it is opened)
// with the hourglass and a progress bar along the bottom of the main window.
void Muestra_Progreso_Del_Motor();

// When the table Tabla was written in a newer format than this version reads, the engine's
// text that says so (its format, the newest this version reads, the table left untouched);
// empty otherwise, also when the table cannot be opened for another reason.
QString Formato_Mas_Reciente(const QString &Tabla);

// What Rescata_Tabla did with a table.
struct Rescate {
    enum class Resultado {
        Intacta,   // nothing to rescue (or not this step's to tell: held by someone else, ...)
        Rescatada, // damaged; its readable cards now make the table
        Ilegible,  // damaged, and not one card of it can be read: left as it was
    };
    Resultado Resultado = Resultado::Intacta;
    engine::SalvageReport Informe;
};

// When SQLite finds the table Tabla damaged, puts in its place a table of every card and
// field that can still be read, after keeping the damaged file beside it (Nombre_Danado)
// when anything could not be carried over. An intact table is not touched.
Rescate Rescata_Tabla(const QString &Tabla);
// The name the damaged table X.DB is kept under: "X (dañado AAAA-MM-DD).DB" in its folder,
// with today's date, numbered (", 2", ", 3", ...) when that name is taken.
QString Nombre_Danado(const QString &Tabla);
// What the user is told of a rescue that found damage: the cards carried over and lost, the
// pictures and answers lost, and where the damaged file was kept; or that the file could not
// be read at all and was left as it was. Empty for a table that was intact, or that lost
// nothing.
QString Mensaje_Rescate(const QString &Tabla, const Rescate &R);

// Abre_Tabla_Sin_Indice, then Empaqueta_Tabla.
void Repara_Tabla(const QString &Carpeta);
// Deletes the table's index files, opens the table exclusively, drops and builds its
// indexes again, and closes it.
void Abre_Tabla_Sin_Indice(const QString &Carpeta);
// Packs the table (compacts it and builds its indexes afresh).
void Empaqueta_Tabla(const QString &Carpeta);
// Deletes the index files of the table Tabla (the path less its last 2 characters + "px",
// found in any case).
void Borra_Ficheros_Indice(const QString &Carpeta, const QString &Tabla);

// Deletes the study file whose table is Tabla (X.DB): the table, the engine's side files of
// the table (-wal, -shm, -journal), then X.MB, X.PX, X.STU, X.JPG, X.BMP and X.CLA, each that
// exists (found in any case). Files that are missing or cannot be deleted are passed over.
void Borra_Fichero_Estudio(const QString &Tabla);
