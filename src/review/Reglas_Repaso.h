#pragma once
// The rules of a review session, apart from the review window (Repasar.h), which applies them
// to its card and its labels: how a judgement reschedules a card, and the texts of the
// session's counters, results, clock and closing figures.
//
// A judgement reschedules the card by the interval table Dias_Repaso, but only the first one
// of a day: a card whose last review is today (or later) is never written again that day.
//   right: level + 1; next review = today + Dias_Repaso[new level], Dias_Repaso[9] from
//          level 9 on;
//   wrong: level 1; next review = today + Dias_Repaso[2].
// Both set the last review to today and count one more review. Dates are yyyymmdd texts,
// which compare as strings; an empty date comes before every other.
//
// Percentages and the average time are whole numbers computed without floating point.
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The date N days after today (the clock's), as yyyymmdd.
QString Fecha_Hoy_Mas_Dias(int N);

// x as a percentage of Total, the fraction dropped (57 of 100 is 57); 0 when Total is 0.
int Porcentaje_Repaso(int x, int Total);

// A duration in milliseconds as the clock shows it: hours, minutes and seconds of two
// digits each ("00:12:41"), the seconds' fraction dropped; a negative duration reads as 0.
QString Texto_Duracion(std::int64_t Milisegundos);

// The average time per card: below a minute the seconds rounded ("12 segundos."), else
// whole minutes and the whole seconds left ("1 minuto/s  15 segundos.").
QString Texto_Tiempo_Medio(std::int64_t Milisegundos, int Fichas);

namespace repaso {

// The fields of a card that a judgement reads and writes.
struct Ficha {
    int Nive_Fich = 0;
    QString Fech_Ulti_Repa;
    int Total_Repa = 0;
    QString Fech_Prox_Repa;
    bool operator==(const Ficha &) const = default;
};

// The card as the judgement leaves it, or nothing when the card is not to be written (its last
// review is today or later). Dias_Repaso is indexed 1 to 9.
std::optional<Ficha> Juzga(const Ficha &Actual, bool Correcta, const QString &Fecha_Hoy,
                           const std::array<int, 10> &Dias_Repaso);

// The session's counters, as the review window keeps them.
struct Contadores {
    int Fichas_Repasadas = 0; // cards answered
    int Fichas_Pendientes = 0; // cards still to answer
    int Aciertos = 0;
    int Errores = 0;
};

// One more card answered.
void Cuenta(Contadores &c, bool Correcta);

// "Fichas ya Repasadas: 3" and "Fichas pendientes: 2".
QString Texto_Repasadas(const Contadores &c);
QString Texto_Pendientes(const Contadores &c);
// "Aciertos: 2 ( 66% ) " and "Errores: 1 ( 33% ) "; before the first answer "Aciertos: " and
// "Errores: ".
QString Texto_Aciertos(const Contadores &c);
QString Texto_Errores(const Contadores &c);

// The message of the session's figures when it closes, for a session that lasted the given
// milliseconds without its pauses; Sin_Fichas when it ended because its queue ran out.
QString Texto_Estadisticas(const Contadores &c, std::int64_t Milisegundos, bool Sin_Fichas);

} // namespace repaso
