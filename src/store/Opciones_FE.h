#pragma once
// The settings of a study file as its settings container keeps them: the options line
// (Linea_Opciones_FE, 200 characters, positions counted from 0) and the version line.
//
//   0, 2, 4, 6, 8   '1' = question picture, answer picture, long answer, key, importance
//   11-13, 15-17    question size, short-answer size: right-aligned digits ("  0" = none)
//   20 'C' 21-22    compressed               "si" / "no"
//   24 'E' 25-26    password                 "si" / "no"
//   28 'M' 29-30    cards may be modified    "si" / "no"
//   32-33 "EX" 34-35  may be exported        "si" / "no"
//   37-38 "IM" 39-40  may be printed         "si" / "no"
//
// Reading tests the flags exactly: '1' for the card parts, a lower-case 's' for the rights;
// every other character reads as no.
#include <QString>

#include <optional>

struct Opciones_FE {
    bool Imagen_Pregunta = false;
    bool Imagen_Respuesta = false;
    bool Texto_Largo = false;
    bool Clave = false;
    bool Importancia = false;
    int Tam_Pregunta = 0;
    int Tam_Respuesta = 0; // 0: the cards have no short answer
    bool Comprimido = false;
    bool Encriptado = false;
    bool Modificable = true;
    bool Exportable = true;
    bool Imprimible = true;
};

inline constexpr int Largo_Linea_Opciones = 200;
// The shortest options line that holds every position read.
inline constexpr int Largo_Minimo_Linea_Opciones = 41;

// The options line, 200 characters. Sizes are written as given (0 to 999 fit).
QString Linea_Opciones_FE(const Opciones_FE &Opciones);
// The version line: Titulo_Programa followed by 200 blanks.
QString Linea_Version_FE();
// Reads an options line. Nothing when it is shorter than the positions read or a size field
// is not a number (leading blanks, then decimal digits only).
std::optional<Opciones_FE> Lee_Linea_Opciones_FE(const QString &Linea);

// The five choices of an export written over an options line at 21-22 (compressed), 25-26
// (password), 29-30 (modify), 34-35 (export) and 39-40 (print); every other position keeps
// the line's value. A shorter line is first padded with blanks to 200 characters.
QString Linea_Opciones_Exportada(QString Linea, bool Comprimido, bool Encriptado, bool Modificable, bool Exportable,
                                 bool Imprimible);

// A name that makes one file name in the "dat" folder: no folder separators, none of the
// characters that file names may not hold on the systems study files travel to, no control
// codes.
bool Nombre_FE_Valido(const QString &Nombre);
extern const QString Msg_Nombre_No_Valido;
// Whether every file of a study file of that name fits the folder's limit on the length of a
// name: the longest is the engine's journal "<name>.DB-journal".
bool Nombre_FE_Cabe(const QString &Carpeta, const QString &Nombre);
extern const QString Msg_Nombre_Largo; // "El nombre es demasiado largo para un archivo de esta carpeta...." // "El nombre no puede contener ninguno\r\rde estos caracteres: ..."
