// The break reminder and the blink notice on the test's clock: the schedule, periodic and by
// list, the pause time, the review clock stopped meanwhile, the ways a break ends, and the
// blink notice's three seconds with the skipped activation.
#include "OptionsTest.h"

#include "options/Descanso.h"
#include "options/Parpadeo_Aviso.h"
#include "options/Ver_Pag_Web.h"
#include "platform/ModalShow.h"
#include "platform/Timer.h"

#include <QWidget>

#include <memory>

namespace {
// Stands for the review window's one-second clock.
struct RelojRepaso {
    RelojRepaso()
    {
        reloj = new platform::Timer(ventana.get());
        reloj->setInterval(1000);
        QObject::connect(reloj, &platform::Timer::timeout, [this] { ++segundos; });
    }
    std::unique_ptr<QWidget> ventana = std::make_unique<QWidget>();
    platform::Timer *reloj;
    int segundos = 0;
};

// "&Salir" after the given minutes.
platform::ModalAction salirTras(double minutos)
{
    return [minutos](QWidget *) {
        platform::Timer::advanceClock(qint64(minutos * Minute));
        Descanso_->Button5->click();
    };
}
} // namespace

class BreakTest : public OptionsTest {
protected:
    void SetUp() override
    {
        OptionsTest::SetUp();
        m_observer = platform::addModalObserver([this](QWidget *, const QString &name) {
            if (name == QLatin1String("Descanso_"))
                m_breaks << minutes();
        });
    }
    void TearDown() override
    {
        platform::removeModalObserver(m_observer);
        OptionsTest::TearDown();
    }
    // Each of n breaks ends by "&Salir" after the given minutes.
    static void breaksLasting(int n, double minutos)
    {
        for (int i = 0; i < n; ++i)
            platform::onNextShow(QStringLiteral("Descanso_"), salirTras(minutos));
    }

    QList<double> m_breaks; // minutes at which each break window opened
    int m_observer = 0;
};

TEST_F(BreakTest, AFiftyMinuteSessionTakesItsListedBreaksAndCountsOnlyStudyTime)
{
    RelojRepaso review; // the review clock runs from the start of the session
    startWithBreaks(QStringLiteral("SI_NOPER_030-010-015-005-030-030-030-Parpad_NO_05__"));
    Sesion_->Timer_n_Repaso = review.reloj;
    Sesion_->Tiempo_Pausas = 0;
    Sesion_->Inicio_Sesion = platform::clock::toDays(platform::clock::now());
    breaksLasting(3, 2);

    advance(50);

    // First break 10 minutes after the reading, then 15 and 5 minutes after each one ends.
    EXPECT_EQ(m_breaks, (QList<double>{10, 27, 34}));
    EXPECT_EQ(Sesion_->Indice_Descanso, 4);
    EXPECT_EQ(Sesion_->Descanso_Armado, 1);
    EXPECT_EQ(ms(Sesion_->Tiempo_Pausas), 6 * Minute);
    const double ahora = platform::clock::toDays(platform::clock::now());
    EXPECT_EQ(ms(ahora - Sesion_->Inicio_Sesion - Sesion_->Tiempo_Pausas), 44 * Minute);
    // The review clock stood still during the breaks (each restart loses at most one tick).
    EXPECT_NEAR(review.segundos, 44 * 60, 3);
    EXPECT_TRUE(review.reloj->enabled());
}

TEST_F(BreakTest, TheListEndsAfterTheSixthBreakAndDescansarBringsOneMoreAfterIt)
{
    startWithBreaks(QStringLiteral("SI_NOPER_030-035-030-030-025-025-020-Parpad_NO_05__"));
    breaksLasting(6, 1);
    advance(300);
    EXPECT_EQ(m_breaks, (QList<double>{35, 66, 97, 123, 149, 170}));
    EXPECT_FALSE(Sesion_->Timer_Descanso->enabled());
    EXPECT_EQ(Sesion_->Indice_Descanso, 7);

    breaksLasting(1, 1);
    Pide_Descanso();
    advance(1);
    ASSERT_EQ(m_breaks.size(), 7);
    EXPECT_NEAR(m_breaks.last(), 300, 0.01);
    EXPECT_FALSE(Sesion_->Timer_Descanso->enabled()); // off again
    advance(200);
    EXPECT_EQ(m_breaks.size(), 7);
}

// Periodic breaks come after the first interval, then every period after each one ends.
TEST_F(BreakTest, PeriodicBreaksAndClosingTheBreakByItsTitleBarEndsItAsSalirDoes)
{
    startWithBreaks(); // first run: periodic, first at 35, then every 30
    // The window left open four minutes and closed by its close box (the scripted layer
    // closes what the action leaves open).
    platform::onNextShow(QStringLiteral("Descanso_"), [](QWidget *) { advance(4); });
    breaksLasting(2, 3);
    advance(35 + 4 + 30 + 3 + 30);
    EXPECT_EQ(m_breaks, (QList<double>{35, 69, 102}));
    EXPECT_EQ(ms(Sesion_->Tiempo_Pausas), 10 * Minute);
    EXPECT_EQ(Sesion_->Descanso_Armado, 1);
}

TEST_F(BreakTest, AnExerciseButtonOpensItsPageAndOnlyTheViewersSalirRearms)
{
    startWithBreaks();
    platform::onNextShow(QStringLiteral("Descanso_"), [](QWidget *) {
        advance(2);
        Descanso_->Button4->click(); // "Ejercicios de Cuello"
    });
    advance(35);
    EXPECT_EQ(Sesion_->Pagina_Ejercicio, 2);
    EXPECT_TRUE(platform::isShownNonModal(Ver_Pag_Web_));
    EXPECT_TRUE(Ver_Pag_Web_->WebBrowser1->locationPath().endsWith(QStringLiteral("/2.htm")));
    EXPECT_EQ(ms(Sesion_->Tiempo_Pausas), 2 * Minute);
    EXPECT_EQ(Sesion_->Descanso_Armado, 0);

    advance(120); // while the pages are open, no break comes
    EXPECT_EQ(m_breaks.size(), 1);

    Ver_Pag_Web_->Button1->click();
    EXPECT_EQ(Sesion_->Descanso_Armado, 1);
    EXPECT_FALSE(platform::isShownNonModal(Ver_Pag_Web_));
    breaksLasting(1, 0);
    advance(30);
    EXPECT_EQ(m_breaks.size(), 2);
}

TEST_F(BreakTest, TheBlinkNoticeShowsForThreeSecondsAndTheNextActivationIsSkipped)
{
    startWithBreaks(QStringLiteral("NO_SIPER_030-035-030-030-025-025-020-Parpad_SI_05__"));
    Sesion_->Fecha_Hoy = QStringLiteral("marca"); // rebuilt by every activation that runs

    advance(5);
    EXPECT_TRUE(platform::isShownNonModal(Parpadeo_Aviso_));
    EXPECT_EQ(Sesion_->Saltar_Activacion, 1);
    EXPECT_TRUE(Parpadeo_Aviso_->Timer1->enabled());

    advance(2.9 / 60);
    EXPECT_TRUE(platform::isShownNonModal(Parpadeo_Aviso_));
    advance(0.1 / 60);
    EXPECT_FALSE(platform::isShownNonModal(Parpadeo_Aviso_));
    EXPECT_FALSE(Parpadeo_Aviso_->Timer1->enabled());
    // The main window got the focus back and skipped its activation once.
    EXPECT_EQ(Sesion_->Saltar_Activacion, 0);
    EXPECT_EQ(Sesion_->Fecha_Hoy, QStringLiteral("marca"));

    int avisos = 0;
    QObject::connect(Parpadeo_Aviso_->Timer1, &platform::Timer::timeout, [&] { ++avisos; });
    advance(60);
    EXPECT_EQ(avisos, 12); // every 5 minutes, the blink timer keeps its pace
}

// With the reminder off, neither the ticks nor "Descansar" show a break; blink minutes of zero
// never show the notice.
TEST_F(BreakTest, WithTheReminderOffAndZeroBlinkMinutesNothingShows)
{
    startWithBreaks(QStringLiteral("NO_SIPER_030-035-030-030-025-025-020-Parpad_SI_00__"));
    EXPECT_TRUE(Sesion_->Timer_Parpadeo->enabled());
    advance(600);
    Pide_Descanso();
    advance(1);
    EXPECT_TRUE(m_breaks.isEmpty());
    EXPECT_TRUE(Sesion_->Timer_Descanso->enabled()); // it ticks without effect
    EXPECT_FALSE(platform::isShownNonModal(Parpadeo_Aviso_));
    EXPECT_EQ(Sesion_->Saltar_Activacion, 0);
}
