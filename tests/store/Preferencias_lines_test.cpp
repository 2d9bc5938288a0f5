// The preferences lines: the columns each field is read from, and the
// reading of lines that are not as the program writes them.
#include "store/Preferencias.h"

#include <gtest/gtest.h>

using namespace preferencias;

TEST(PreferenceLines, FlagsCompareExactlyAndTakeAnythingElseAsTheOtherValue)
{
    EXPECT_EQ(leeRepaso("MMDDAA__ESP_S_000-001-007-021-045-090-120-150-180-").valores.Formato_Fecha, 1);
    EXPECT_EQ(leeRepaso("ddmmaa__ing_S_000-001-007-021-045-090-120-150-180-").valores.Idioma, "ESP");
    EXPECT_EQ(leeRepaso("ddmmaa__ESP_s_000-001-007-021-045-090-120-150-180-").valores.Repaso_Por_Tiempo, 0);
    EXPECT_EQ(leeDescansos("no_SIPER_030-035-030-030-025-025-020-Parpad_SI_05__").valores.Avisar_Descansos, 1);
    EXPECT_EQ(leeDescansos("SI_siper_030-035-030-030-025-025-020-Parpad_SI_05__").valores.Descansos_Periodicos, 0);
    EXPECT_FALSE(leeDescansos("SI_SIPER_030-035-030-030-025-025-020-Parpad_si_05__").valores.Parpadeo);
    EXPECT_EQ(leeNivel0("No__020__010__").valores.Pasar_Nivel_0_a_1, 1);
    EXPECT_FALSE(leeMismoDia("NO    [x]").valores.Permitido);
    for (const char *on : {"No       [x]", "no", "nO", "SI", "S"})
        EXPECT_TRUE(leeMismoDia(on).valores.Permitido) << on;
}

TEST(PreferenceLines, CharactersAfterTheLastColumnReadChangeNothing)
{
    const QStringList l = primeraVez();
    EXPECT_EQ(leeRepaso(l[0] + "XYZ 999").valores.Dias_Repaso, leeRepaso(l[0]).valores.Dias_Repaso);
    // Column 50 of line 1 and columns 50-51 of line 2 are not read.
    EXPECT_TRUE(leeRepaso(l[0].left(49)).correcto);
    const auto d = leeDescansos(l[1].left(49) + "zz!!");
    EXPECT_TRUE(d.correcto);
    EXPECT_EQ(d.valores.Minutos_Parpadeo, 5);
    const auto n = leeNivel0("SI__020__010xx9999");
    EXPECT_TRUE(n.correcto);
    EXPECT_EQ(n.valores.Fichas_A_Pasar, 10);
}

TEST(PreferenceLines, ANumberThatIsNotDigitsTakesItsFirstRunValue)
{
    // Group 3 of line 1 (columns 23-25); superscript three is a digit to Unicode, not here.
    for (const char *bad : {"0x7", "-07", "+07", "   ", "7.0", "\xC2\xB3" "00"}) {
        const QString group = QString::fromUtf8(bad);
        ASSERT_EQ(group.size(), 3);
        const auto r = leeRepaso("ddmmaa__ESP_S_101-102-" + group + "-104-105-106-107-108-109-");
        EXPECT_FALSE(r.correcto) << bad;
        EXPECT_EQ(r.valores.Dias_Repaso[3], 7) << bad;
        EXPECT_EQ(r.valores.Dias_Repaso[2], 102) << bad;
        EXPECT_EQ(r.valores.Dias_Repaso[4], 104) << bad;
    }
    // Blanks around the digits are allowed.
    const auto padded = leeRepaso("ddmmaa__ESP_S_101-102- 7 -104-105-106-107-108-109-");
    EXPECT_TRUE(padded.correcto);
    EXPECT_EQ(padded.valores.Dias_Repaso[3], 7);
    const auto blink = leeDescansos("SI_SIPER_030-035-030-030-025-025-020-Parpad_SI_x5__");
    EXPECT_FALSE(blink.correcto);
    EXPECT_EQ(blink.valores.Minutos_Parpadeo, 5);
}

TEST(PreferenceLines, AShortLineKeepsWhatItReachesAndDefaultsTheRest)
{
    const auto r = leeRepaso("mmddaa__ING_N_101-102-103-1");
    EXPECT_FALSE(r.correcto);
    EXPECT_EQ(r.valores.Formato_Fecha, 0);
    EXPECT_EQ(r.valores.Repaso_Por_Tiempo, 0);
    EXPECT_EQ(r.valores.Dias_Repaso[3], 103);
    EXPECT_EQ(r.valores.Dias_Repaso[4], 21);
    EXPECT_EQ(r.valores.Dias_Repaso[9], 180);

    // A line that ends before a flag's columns gives the flag its first-run value.
    const auto d = leeDescansos("NO_SI");
    EXPECT_EQ(d.valores.Avisar_Descansos, 0);
    EXPECT_EQ(d.valores.Descansos_Periodicos, 1);
    EXPECT_TRUE(d.valores.Parpadeo);
    EXPECT_EQ(d.valores.Minutos, (std::array<int, 7>{30, 35, 30, 30, 25, 25, 20}));

    const auto empty = leeRepaso("");
    EXPECT_FALSE(empty.correcto);
    EXPECT_EQ(empty.valores.Repaso_Por_Tiempo, 1);
    EXPECT_FALSE(leeMismoDia("N").correcto);
    EXPECT_TRUE(leeMismoDia("N").valores.Permitido);
}

TEST(PreferenceLines, CorrectionRebuildsOnlyTheMalformedAndMissingLines)
{
    const QString goodLine1 = "mmddaa__ING_N_101-102-103-104-105-106-107-108-109- extra";
    const QStringList in{goodLine1, "NO_NOPER_200-2x1-202"};
    const QStringList out = corrige(in);
    ASSERT_EQ(out.size(), 4);
    EXPECT_EQ(out[0], goodLine1);
    EXPECT_EQ(out[1], "NO_NOPER_200-035-202-030-025-025-020-Parpad_SI_05__");
    EXPECT_EQ(out[2], primeraVez()[2]);
    EXPECT_EQ(out[3], primeraVez()[3]);
    EXPECT_TRUE(correctas(out));
    EXPECT_FALSE(correctas(in));

    EXPECT_EQ(corrige({}), primeraVez());
    const QStringList five = primeraVez() + QStringList{"fifth"};
    EXPECT_EQ(corrige(five), five);
}


TEST(PreferenceLines, TheOptionsWindowsLinesHaveTheirOwnLevel0FlagAndSameDayForm)
{
    const QString rotulo = preferencias::rotuloMismoDia();
    preferencias::Repaso r;
    r.Formato_Fecha = 0;
    r.Idioma = QStringLiteral("ING");
    r.Repaso_Por_Tiempo = 0;
    r.Dias_Repaso = {0, 7, 12, 999, 0, 1, 2, 3, 4, 5};
    preferencias::Descansos d;
    d.Avisar_Descansos = 0;
    d.Descansos_Periodicos = 0;
    d.Minutos = {30, 5, 30, 30, 25, 25, 20};
    struct Case {
        bool parpadeo;
        int minutos;
        bool mismoDia;
        QString linea2Final, linea4;
    };
    for (const Case &c : {Case{true, 5, true, "Parpad_SI_05__", "SI    " + rotulo},
                          Case{false, 12, false, "Parpad_NO_12__", "NO    " + rotulo},
                          Case{true, 0, true, "Parpad_SI_00__", "SI    " + rotulo}}) {
        d.Parpadeo = c.parpadeo;
        d.Minutos_Parpadeo = c.minutos;
        const QStringList l = preferencias::lineasOpciones(r, d, preferencias::Nivel0{1, 20, 7},
                                                           preferencias::MismoDia{c.mismoDia});
        ASSERT_EQ(l.size(), 4);
        EXPECT_EQ(l[0], "mmddaa__ING_N_007-012-999-000-001-002-003-004-005-");
        EXPECT_EQ(l[1], "NO_NOPER_030-005-030-030-025-025-020-" + c.linea2Final);
        EXPECT_EQ(l[2], "NO__020__007__");
        EXPECT_EQ(l[3], c.linea4);
        EXPECT_EQ(preferencias::leeMismoDia(l[3]).valores.Permitido, c.mismoDia);
        EXPECT_TRUE(preferencias::correctas(l));
    }
}
