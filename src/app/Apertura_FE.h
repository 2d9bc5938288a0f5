#pragma once
// The steps of opening a study file that need no window, apart from the main window's open
// routine (Panta_Inicio_Fichero.cpp), which runs them in order with its dialog, its labels,
// its pictures and the data module's containers and card table:
//   - the names made from the table path Ruta_FE (X.DB): its folder, its name, the study
//     file's name (Nombre_FE: the name less its 2-letter extension and the dot);
//   - whether the settings container X.STU is enciphered;
//   - the session fields that the settings line gives (the card parts, the sizes, packing and
//     the three rights);
//   - the study file's picture: the first of X.BMP, X.JPG, X.JPEG;
//   - the last-file note "ultimo.txt" and the caption of menu entry 9 made from it.
#include "store/Opciones_FE.h"

#include <QString>

class TSesion_;

namespace apertura {

// The folder part of a path with its trailing separator (empty when there is none).
QString Carpeta(const QString &Ruta);
// The folder of the card table for the engine: without its trailing separator, except "/".
QString Carpeta_Tabla(const QString &Ruta);
// The last part of a path.
QString Nombre(const QString &Ruta);
// A table file's name less its 2-letter extension and the dot ("Ingles.db" gives "Ingles").
QString Sin_Extension(const QString &Nombre);

// Whether a settings container says it is enciphered (its second byte is '*').
bool Contenedor_Cifrado(const QString &Ruta);

// The fields of the session that the settings line sets: Con_Imagen_Pregunta,
// Con_Imagen_Respuesta, Con_Texto_Largo, Con_Clave, Con_Importancia, Tam_Pregunta,
// Tam_Respuesta, Comprimido, Encriptado, Fichero_Empaquetado, Exportable, Modificable,
// Imprimible.
void Pon_Opciones(TSesion_ &Sesion, const Opciones_FE &Opciones);

// The study file's picture beside the table file, whatever the case of its name; empty when
// there is none.
QString Ruta_Imagen(const QString &Ruta_FE);

// The path in the program folder's last-file note: its first line; empty when the note is
// missing or holds no line. The note is the path and a line end, and a file name may itself
// hold line ends: the whole note less its last line end is taken when a file of that name
// exists.
QString Primera_Linea_Ultimo(const QString &Carpeta_Programa);
// Whether a chosen file name can't be the name of a file: a name whose bytes are not UTF-8
// reaches the program with replacement characters (U+FFFD) in their place, and no file of that
// name exists.
bool Nombre_Ilegible(const QString &Ruta);
// The caption of menu entry 9 for the last file opened ("9-  Abrir último Fichero abierto:",
// a carriage return, 8 blanks and the study file's name); empty when there is none.
QString Rotulo_Ultimo(const QString &Ruta);

} // namespace apertura
