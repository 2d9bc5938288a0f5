#pragma once
// The lines of the preferences file Orvenda02.stu: what each line means, the first-run
// lines, and the reading of lines that are not as the program writes them.
//
// Columns are 1-based in the comments. A flag compares its columns exactly with one value and
// takes any other content as the other value. Reading never fails: a field whose last column
// lies beyond the end of its line, or a number whose columns are not decimal digits (blanks
// around them allowed), takes its first-run value, and the line counts as malformed.
#include <QString>
#include <QStringList>

#include <array>

namespace preferencias {

inline constexpr int Lineas = 4;

// The four lines written when the file does not exist.
const QStringList &primeraVez();
// The label that follows the same-day flag on line 4.
const QString &rotuloMismoDia();

// Line 1: "ddmmaa__ESP_S_" then nine groups "ddd-" (review intervals in days).
struct Repaso {
    int Formato_Fecha = 1;           // 0 only for exactly "mmddaa" at 1-6
    QString Idioma = QStringLiteral("ESP"); // "ING" only for exactly "ING" at 9-11
    int Repaso_Por_Tiempo = 1;       // 1 only for exactly "S" at 13
    std::array<int, 10> Dias_Repaso{0, 0, 1, 7, 21, 45, 90, 120, 150, 180}; // [1..9] at 15+4(i-1)
};

// Line 2: "SI_SIPER_" then seven groups "ddd-" (break minutes), "Parpad_SI_05__".
struct Descansos {
    int Avisar_Descansos = 1;        // 0 only for exactly "NO" at 1-2
    int Descansos_Periodicos = 1;    // 1 only for exactly "SIPER" at 4-8
    std::array<int, 7> Minutos{30, 35, 30, 30, 25, 25, 20}; // [0..6] at 10+4j
    bool Parpadeo = true;            // on only for exactly "SI" at 45-46
    int Minutos_Parpadeo = 5;        // two digits at 48-49
};

// Line 3: "SI__020__010__" (automatic move from level 0 to level 1).
struct Nivel0 {
    int Pasar_Nivel_0_a_1 = 1;       // 0 only for exactly "NO" at 1-2
    int Min_Fichas_Nivel_1 = 20;     // 5-7
    int Fichas_A_Pasar = 10;         // 10-12
};

// Line 4: the same-day review option; off only for exactly "NO" at 1-2.
struct MismoDia {
    bool Permitido = true;
};

template <class T>
struct Leido {
    T valores;
    bool correcto = true; // every field reached and every number made of digits
};

Leido<Repaso> leeRepaso(const QString &linea);
Leido<Descansos> leeDescansos(const QString &linea);
Leido<Nivel0> leeNivel0(const QString &linea);
Leido<MismoDia> leeMismoDia(const QString &linea);

// The lines for the given values. Line 4 has two forms: the first run's ("No" and seven
// blanks before the label) and the options window's ("SI" or "NO" and four blanks).
QString lineaRepaso(const Repaso &v);
QString lineaDescansos(const Descansos &v);
QString lineaNivel0(const Nivel0 &v);
QString lineaMismoDia(const MismoDia &v);
QString lineaMismoDiaOpciones(const MismoDia &v);

// The four lines as the options window's "A&ceptar" writes them. Its level-0 flag is always
// written "NO" (the window does not offer the move).
QStringList lineasOpciones(const Repaso &repaso, const Descansos &descansos, const Nivel0 &nivel0,
                           const MismoDia &mismoDia);

// A whole number as three digits, zero-padded on the left ("7" gives "007"). Each group of
// lines 1 and 2 is Rellena_Ceros_3 of its value and "-" (the options window's
// Intervalo_Repaso_a_Texto and Intervalo_Descanso_a_Texto).
QString Rellena_Ceros_3(int n);

// At least four lines in which each of the first four is well formed: a well-formed line is
// kept as it is; a malformed or missing one is rebuilt from the values read from it (its
// first-run values where it fails). Lines after the fourth are kept.
QStringList corrige(const QStringList &lineas);
bool correctas(const QStringList &lineas);

} // namespace preferencias
