#pragma once
// The lines of the text imports, split into a card's parts, with no window involved: the card
// line (question, answer, key, importance), the file line of the import with pictures (question
// picture, answer picture, long-answer file) and the names that file line may hold.
#include <QString>

// The four texts of a card line, split at the first three separators: a field is taken only
// when a separator follows it; the importance is the rest after the last separator found
// ("0" when that is empty), further separators included. An empty separator matches nowhere.
struct Partes_Linea_Texto {
    QString Pregunta;
    QString Respuesta;
    QString Clave;
    QString Importancia;
    bool operator==(const Partes_Linea_Texto &) const = default;
};
Partes_Linea_Texto Divide_Linea_Texto(const QString &Linea, const QString &Separador);

// The three names of a file line: question picture, answer picture, long-answer file. The
// question picture is the text before the first separator, the answer picture the text between
// the first and the second, the long-answer name the rest; with one separator the answer
// picture is empty, with none both pictures are.
struct Archivos_Linea {
    QString Imagen_Pregunta;
    QString Imagen_Respuesta;
    QString Texto_Largo;
    bool operator==(const Archivos_Linea &) const = default;
};
Archivos_Linea Divide_Linea_Archivos(const QString &Linea, const QString &Separador);

// Whether a name of a file line names a file of the text file's own folder: not ".." (blanks
// around it included), with no path separator ("/" or "\"), no NUL and not in an absolute
// form (a drive such as "C:").
bool Nombre_En_Carpeta(const QString &Nombre);
