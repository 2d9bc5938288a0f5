// The review's rules without a window: the judgement over every level and interval table,
// the same-day rule, dates, percentages, and the texts of counters, clock and figures.
#include "platform/Clock.h"
#include "review/Reglas_Repaso.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
struct Clock {
    explicit Clock(const QDate &day) { platform::clock::setNow(QDateTime(day, QTime(10, 0))); }
    ~Clock() { platform::clock::reset(); }
};

} // namespace

namespace repaso {
// Found by the test framework's printer next to the record, so a failed comparison shows the card.
std::ostream &operator<<(std::ostream &os, const Ficha &f)
{
    return os << "{" << f.Nive_Fich << ", '" << f.Fech_Ulti_Repa.toStdString() << "', " << f.Total_Repa << ", '"
              << f.Fech_Prox_Repa.toStdString() << "'}";
}
} // namespace repaso

TEST(ReglasRepaso, JudgementsFollowTheIntervalTableOverEveryLevel)
{
    Clock clock(QDate(2026, 12, 5));
    const std::array<int, 10> defaults{0, 0, 1, 7, 21, 45, 90, 120, 150, 180};
    const std::array<int, 10> edited{0, 3, 0, 5, 8, 13, 21, 34, 55, 89};
    for (const auto &dias : {defaults, edited}) {
        for (bool right : {true, false}) {
            for (int level = -1; level <= 12; ++level) {
                SCOPED_TRACE(testing::Message() << (right ? "right" : "wrong") << ", level " << level
                                                << (dias == defaults ? ", default" : ", edited"));
                const repaso::Ficha before{level, QStringLiteral("20261201"), level * 2, QStringLiteral("20261204")};
                const int L = right ? level + 1 : 1;
                const int d = right ? dias[std::size_t(std::clamp(L, 1, 9))] : dias[2];
                const repaso::Ficha after{L, QStringLiteral("20261205"), level * 2 + 1,
                                          QDate(2026, 12, 5).addDays(d).toString(QStringLiteral("yyyyMMdd"))};
                EXPECT_EQ(repaso::Juzga(before, right, QStringLiteral("20261205"), dias), after);
            }
        }
    }
}

TEST(ReglasRepaso, OnlyTheFirstAnswerOfADayWritesTheCard)
{
    Clock clock(QDate(2026, 12, 5));
    std::array<int, 10> dias{0, 0, 0, 7, 21, 45, 90, 120, 150, 180};
    struct Case {
        QString last;
        bool written;
    };
    for (const Case &c : {Case{"", true}, Case{"20261204", true}, Case{"20251231", true}, Case{"20261205", false},
                          Case{"20261206", false} /* a wrong system date */}) {
        SCOPED_TRACE(c.last.toStdString());
        for (bool right : {true, false}) {
            const auto f = repaso::Juzga({4, c.last, 3, QStringLiteral("20261205")}, right, QStringLiteral("20261205"), dias);
            EXPECT_EQ(f.has_value(), c.written);
        }
    }
    // Dias_Repaso[2] = 0: a wrong answer is due again today.
    EXPECT_EQ(repaso::Juzga({6, {}, 0, {}}, false, QStringLiteral("20261205"), dias),
              (repaso::Ficha{1, QStringLiteral("20261205"), 1, QStringLiteral("20261205")}));
}

TEST(ReglasRepaso, DatesAfterTodayCrossMonthsYearsAndLeapDays)
{
    struct Case {
        QDate today;
        int days;
        QString expected;
    };
    for (const Case &c : {Case{{2026, 12, 31}, 1, "20270101"}, Case{{2026, 12, 5}, 0, "20261205"},
                          Case{{2027, 2, 28}, 1, "20270301"}, Case{{2028, 2, 28}, 1, "20280229"},
                          Case{{2026, 1, 31}, 30, "20260302"}, Case{{2026, 12, 5}, 180, "20270603"}}) {
        platform::clock::setNow(QDateTime(c.today, QTime(23, 59, 59)));
        EXPECT_EQ(Fecha_Hoy_Mas_Dias(c.days), c.expected) << c.today.toString().toStdString();
    }
    platform::clock::reset();
}

TEST(ReglasRepaso, PercentagesAndTheAverageTimeAreWholeNumbers)
{
    struct Pct {
        int x, total, expected;
    };
    for (const Pct &c : {Pct{57, 100, 57}, Pct{29, 100, 29}, Pct{1, 3, 33}, Pct{2, 3, 66}, Pct{5, 5, 100},
                         Pct{0, 7, 0}, Pct{1, 0, 0}})
        EXPECT_EQ(Porcentaje_Repaso(c.x, c.total), c.expected) << c.x << "/" << c.total;

    struct Avg {
        std::int64_t ms;
        int cards;
        QString expected;
    };
    for (const Avg &c : {Avg{75900, 1, "1 minuto/s  15 segundos."}, Avg{12400, 1, "12 segundos."},
                         Avg{227700, 3, "1 minuto/s  15 segundos."}, Avg{12500, 1, "12 segundos."},
                         Avg{13500, 1, "14 segundos."}, Avg{60000, 1, "1 minuto/s  0 segundos."},
                         Avg{3 * 3599999, 3, "59 minuto/s  59 segundos."}, Avg{0, 4, "0 segundos."}})
        EXPECT_EQ(Texto_Tiempo_Medio(c.ms, c.cards), c.expected) << c.ms << "/" << c.cards;

    EXPECT_EQ(Texto_Duracion(0), "00:00:00");
    EXPECT_EQ(Texto_Duracion(761999), "00:12:41");
    EXPECT_EQ(Texto_Duracion(-5), "00:00:00");
}

TEST(ReglasRepaso, CountersResultsAndTheClosingFigures)
{
    repaso::Contadores c{0, 3, 0, 0};
    EXPECT_EQ(repaso::Texto_Aciertos(c), "Aciertos: ");
    EXPECT_EQ(repaso::Texto_Errores(c), "Errores: ");
    EXPECT_EQ(repaso::Texto_Estadisticas(c, 5000, false), "La sesión de repaso ha durado   00:00:05\r\rNo se han repasado fichas.");
    EXPECT_EQ(repaso::Texto_Estadisticas(c, 5000, true), "La sesión de repaso ha durado   00:00:05\r\rNo se han repasado fichas.");
    repaso::Cuenta(c, true);
    repaso::Cuenta(c, false);
    repaso::Cuenta(c, true);
    EXPECT_EQ(repaso::Texto_Repasadas(c), "Fichas ya Repasadas: 3");
    EXPECT_EQ(repaso::Texto_Pendientes(c), "Fichas pendientes: 0");
    EXPECT_EQ(repaso::Texto_Aciertos(c), "Aciertos: 2 ( 66% ) ");
    EXPECT_EQ(repaso::Texto_Errores(c), "Errores: 1 ( 33% ) ");
    EXPECT_EQ(repaso::Texto_Estadisticas(c, 227700, true),
              "No hay más fichas seleccionadas que repasar\r\r"
              "La sesión de repaso ha durado   00:03:47\r\r"
              "Se han repasado 3 fichas.\r\r"
              "    *  Correctas: 2 fichas.   ( 66 % )\r\r"
              "    *  Incorrectas: 1 fichas.   ( 33 % )\r\r"
              "Tiempo medio dedicado a cada ficha: 1 minuto/s  15 segundos.");
    EXPECT_FALSE(repaso::Texto_Estadisticas(c, 227700, false).startsWith("No hay más"));
}
