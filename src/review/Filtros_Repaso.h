#pragma once
// The filters that choose the cards of a review session, as texts of the engine's filter
// language, apart from the review selection window (Selecc_Repaso.h) and the main menu's
// review by time, which set them on Tabla_Activa.
//
// B is the base filter " (Nive_fich <> 0 ) ", F the filter on the table before the step,
// T today as yyyymmdd. Every blank below is part of the text:
//   levels of the quick selection  "Nive_Fich = 1 or Nive_Fich = 3", B when none is checked;
//   "  &Repasar", quick mode       " ( " F " ) and " B when a level is checked, else B;
//                 selection mode   F as it is;
//   by time, with a condition      "( " F " ) and ( Fech_Prox_Repa <= 'T' )", then " and " B
//                                  in quick mode;
//            without one           "Fech_Prox_Repa <= 'T' and " B (quick mode with no level
//                                  checked, or the selection window's filter equal to B);
//   same day not allowed           F "and (Fech_Ulti_Repa <> T)" (no blank before "and");
//   main menu's review by time     F " and (Fech_Prox_Repa <= T)", F first taken as
//                                  "( Nive_Fich <> 0 ) " when it is blank.
#include <QString>

#include <array>

namespace repaso {

// The quick selection's levels, Niveles_Marcados indexed 1 to 8 (1 = checked), in ascending
// order whatever the order they were checked in; Base when none is.
QString Filtro_Niveles(const std::array<int, 9> &Niveles_Marcados, const QString &Base);

// "  &Repasar", from the filter that Pone_Filtro_Niveles left.
QString Filtro_Repasar(bool Rapida, bool Algun_Nivel, const QString &F, const QString &Base);

// "   Repasar con REPASO POR &TIEMPO", from the filter that Pone_Filtro_Niveles left.
QString Filtro_Por_Tiempo(bool Rapida, bool Algun_Nivel, const QString &F, const QString &Base,
                          const QString &Fecha_Hoy);

// The clause that leaves out the cards already reviewed today, unless that is allowed.
QString Filtro_Mismo_Dia(const QString &F, bool Permitido, const QString &Fecha_Hoy);

// The main menu's review by time: the filter saved to put back after the session, and the
// session's filter.
struct Repaso_Por_Tiempo {
    QString Antes;
    QString Filtro;
};
Repaso_Por_Tiempo Filtro_Menu_Por_Tiempo(const QString &F, const QString &Fecha_Hoy);

} // namespace repaso
