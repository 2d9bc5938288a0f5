// The review's filters without a window, character for character: both modes of the
// selection, both buttons, the same-day clause and the main menu's review by time.
#include "review/Filtros_Repaso.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
const QString B = QStringLiteral(" (Nive_fich <> 0 ) ");
const QString T = QStringLiteral("20261205");

std::array<int, 9> levels(std::initializer_list<int> checked)
{
    std::array<int, 9> n{};
    for (int l : checked)
        n[std::size_t(l)] = 1;
    return n;
}
} // namespace

TEST(FiltrosRepaso, TheQuickSelectionJoinsItsLevelsInAscendingOrder)
{
    EXPECT_EQ(repaso::Filtro_Niveles(levels({}), B), B);
    EXPECT_EQ(repaso::Filtro_Niveles(levels({8, 3, 1}), B), "Nive_Fich = 1 or Nive_Fich = 3 or Nive_Fich = 8");
    EXPECT_EQ(repaso::Filtro_Niveles(levels({2}), B), "Nive_Fich = 2");
}

TEST(FiltrosRepaso, TheFiltersOfBothModesAndBothButtonsAreBuiltCharacterForCharacter)
{
    const QString sel = QStringLiteral(" ( Nive_Fich = 3 ) and  (Nive_fich <> 0 ) ");
    struct Case {
        const char *name;
        bool quick;
        QString F; // the filter Pone_Filtro_Niveles left
        bool someLevel;
        bool byTime;
        bool sameDay;
        QString expected;
    };
    const std::vector<Case> cases{
        {"quick, no level", true, B, false, false, true, B},
        {"quick, no level, by time", true, B, false, true, true, "Fech_Prox_Repa <= '20261205' and  (Nive_fich <> 0 ) "},
        {"quick, no level, same day off", true, B, false, false, false, " (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> 20261205)"},
        {"quick, levels 1, 3, 8", true, "Nive_Fich = 1 or Nive_Fich = 3 or Nive_Fich = 8", true, false, true,
         " ( Nive_Fich = 1 or Nive_Fich = 3 or Nive_Fich = 8 ) and  (Nive_fich <> 0 ) "},
        {"quick, levels 1 and 2, same day off", true, "Nive_Fich = 1 or Nive_Fich = 2", true, false, false,
         " ( Nive_Fich = 1 or Nive_Fich = 2 ) and  (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> 20261205)"},
        {"quick, level 2, by time", true, "Nive_Fich = 2", true, true, true,
         "( Nive_Fich = 2 ) and ( Fech_Prox_Repa <= '20261205' ) and  (Nive_fich <> 0 ) "},
        {"quick, level 2, by time, same day off", true, "Nive_Fich = 2", true, true, false,
         "( Nive_Fich = 2 ) and ( Fech_Prox_Repa <= '20261205' ) and  (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> 20261205)"},
        {"selection equal to the base, by time", false, B, true, true, true,
         "Fech_Prox_Repa <= '20261205' and  (Nive_fich <> 0 ) "},
        {"selection", false, sel, true, false, true, sel},
        {"selection, same day off", false, sel, false, false, false, sel + "and (Fech_Ulti_Repa <> 20261205)"},
        {"selection, by time", false, sel, true, true, true,
         "(  ( Nive_Fich = 3 ) and  (Nive_fich <> 0 )  ) and ( Fech_Prox_Repa <= '20261205' )"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString f = c.byTime ? repaso::Filtro_Por_Tiempo(c.quick, c.someLevel, c.F, B, T)
                                   : repaso::Filtro_Repasar(c.quick, c.someLevel, c.F, B);
        EXPECT_EQ(repaso::Filtro_Mismo_Dia(f, c.sameDay, T), c.expected);
    }
}

TEST(FiltrosRepaso, TheMainMenuReviewByTimeSavesTheFilterAndAddsNoSameDayClause)
{
    struct Case {
        QString start, before, expected;
    };
    for (const Case &c : {Case{"", "( Nive_Fich <> 0 ) ", "( Nive_Fich <> 0 )  and (Fech_Prox_Repa <= 20261205)"},
                          Case{"   ", "( Nive_Fich <> 0 ) ", "( Nive_Fich <> 0 )  and (Fech_Prox_Repa <= 20261205)"},
                          Case{B, B, " (Nive_fich <> 0 )  and (Fech_Prox_Repa <= 20261205)"},
                          Case{"Nive_Fich = 3", "Nive_Fich = 3", "Nive_Fich = 3 and (Fech_Prox_Repa <= 20261205)"}}) {
        SCOPED_TRACE(c.start.toStdString());
        const repaso::Repaso_Por_Tiempo r = repaso::Filtro_Menu_Por_Tiempo(c.start, T);
        EXPECT_EQ(r.Antes, c.before);
        EXPECT_EQ(r.Filtro, c.expected);
    }
}
