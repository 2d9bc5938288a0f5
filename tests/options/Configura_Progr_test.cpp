// The options window: every option shown from the session and the preferences lines, stored
// back at its positions and found again after a restart; refusals that store nothing; the
// enabling of the controls; the program picture; help.
#include "OptionsTest.h"

#include "app/Program.h"
#include "options/Configura_Progr.h"
#include "options/Descanso.h"
#include "options/Parpadeo_Aviso.h"
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/Help.h"
#include "platform/ImageControl.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "store/D_Module.h"
#include "support/EventLoop.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTest>
#include <QTimer>


namespace {
const QString Rotulo = QString::fromUtf8("[Permitir repasar las fichas varias veces el mismo d\xC3\xAD" "a]");

TConfigura_Progr_ *w()
{
    return Configura_Progr_;
}

platform::ImageControl *imagenPrincipal()
{
    return Sesion_->Ventana_Principal()->findChild<platform::ImageControl *>(QStringLiteral("Image1"));
}
} // namespace

class OptionsWindowTest : public OptionsTest {
protected:
    void startWithLines(const QStringList &lineas)
    {
        putFile(QStringLiteral("Orvenda02.stu"), platform::rtf::fromLines(lineas));
        startProgram();
        activateMain();
    }
    static QStringList lines() { return Sesion_->RichEdit2->lines(); }
    QStringList fileLines() const { return platform::rtf::toLines(preferencesBytes()); }
};

TEST_F(OptionsWindowTest, EveryOptionChangedIsStoredAtItsPositionAndFoundAgainAfterARestart)
{
    startWithLines({QStringLiteral("ddmmaa__ESP_S_000-001-007-021-045-090-120-150-180-"),
                    QStringLiteral("NO_SIPER_030-035-030-030-025-025-020-Parpad_NO_05__"),
                    QStringLiteral("SI__020__010__"), QStringLiteral("SI    ") + Rotulo});
    const QString familia = QFontDatabase::families().value(0);
    ASSERT_FALSE(familia.isEmpty());
    QFont fuente(familia);
    fuente.setPixelSize(23);
    fuente.setItalic(true);

    platform::onNextShow(QStringLiteral("Configura_Progr_"), [&](QWidget *) {
        platform::FontDialog::queueFont(fuente, QColor(128, 0, 0));
        w()->Button10->click();
        w()->RadioGroup1->setItemIndex(0);
        w()->RadioGroup2->setItemIndex(0);
        w()->CheckBox2->click();
        const int dias[] = {0, 5, 2, 9, 30, 60, 100, 200, 365, 999};
        for (int i = 1; i <= 9; ++i)
            w()->Edit_Repaso(i)->setText(QString::number(dias[i]));
        w()->CheckBox1->click();
        w()->RadioButton2->click();
        const int minutos[] = {40, 12, 11, 12, 13, 14, 15};
        for (int j = 0; j <= 6; ++j)
            w()->Edit_Descanso(j)->setText(QString::number(minutos[j]));
        w()->CheckBox5->click();
        w()->MaskEdit19->setText(QStringLiteral("12"));
        w()->CheckBox6->click();
        w()->Button3->click();
    });
    pressKey('B');
    EXPECT_TRUE(messages().isEmpty());

    const QStringList esperadas{QStringLiteral("mmddaa__ING_N_005-002-009-030-060-100-200-365-999-"),
                                QStringLiteral("SI_NOPER_040-012-011-012-013-014-015-Parpad_SI_12__"),
                                QStringLiteral("NO__020__010__"), QStringLiteral("NO    ") + Rotulo};
    EXPECT_EQ(fileLines(), esperadas);

    // The program again, in the same program folder.
    app::destroyWindows();
    app::prepareApplication();
    app::createWindows();
    activateMain();
    // The window below shows the session's fields; the rest of what was read is checked here.
    TSesion_ *s = Sesion_;
    EXPECT_EQ(s->Timer_Descanso->interval(), 12 * Minute);
    EXPECT_EQ(s->Timer_Parpadeo->interval(), 12 * Minute);
    EXPECT_EQ(s->Pasar_Nivel_0_a_1, 0);
    EXPECT_EQ(D_Module_->Estilo_Fuente().font.family(), familia);
    EXPECT_TRUE(D_Module_->Estilo_Fuente().font.italic());
    EXPECT_EQ(D_Module_->Estilo_Fuente().color, QColor(128, 0, 0));

    // The window shows everything that was read: accepted unchanged, it writes the same lines.
    QFile::remove(programPath(QStringLiteral("Orvenda02.stu")));
    platform::onNextShow(QStringLiteral("Configura_Progr_"), [](QWidget *) { w()->Button3->click(); });
    pressKey('B');
    EXPECT_EQ(fileLines(), esperadas);
    EXPECT_EQ(w()->Label37->font().family(), familia);
    EXPECT_EQ(w()->FontDialog1->Color, QColor(128, 0, 0));
}

TEST_F(OptionsWindowTest, ABlankOrNonNumericIntervalOrBreakIsRefusedNamingItAndNothingIsStored)
{
    startWithLines(preferencias::primeraVez());
    const QByteArray antes = preferencesBytes();
    struct Caso {
        platform::MaskEdit *(*edit)();
        QString texto;
        QString nombre;
    };
    const Caso casos[] = {
        {[] { return w()->MaskEdit1; }, QStringLiteral(""), QStringLiteral("El intervalo del 1er Repaso")},
        {[] { return w()->MaskEdit4; }, QStringLiteral("1 2"), QString::fromUtf8("El intervalo del 4º Repaso")},
        {[] { return w()->MaskEdit10; }, QStringLiteral("   "), QStringLiteral("El primer descanso")},
        {[] { return w()->MaskEdit11; }, QStringLiteral("4 5"), QStringLiteral("El intervalo de los siguientes descansos")},
        {[] { return w()->MaskEdit16; }, QStringLiteral(""), QString::fromUtf8("El 6º descanso")},
    };
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.nombre.toStdString());
        clearMessages();
        w()->activate();
        w()->RadioGroup1->setItemIndex(0);
        w()->MaskEdit2->setText(QStringLiteral("44"));
        w()->CheckBox1->click();
        c.edit()->setText(c.texto);
        w()->Button3->click();
        EXPECT_EQ(messages(), QStringList{Msg_Opcion_No_Numerica.arg(c.nombre)});
        EXPECT_EQ(preferencesBytes(), antes);
        EXPECT_EQ(lines(), preferencias::primeraVez());
        EXPECT_EQ(Sesion_->Formato_Fecha, 1);
        EXPECT_EQ(Sesion_->Dias_Repaso[2], 1);
        EXPECT_EQ(Sesion_->Avisar_Descansos, 1);
        EXPECT_EQ(Sesion_->Leer_Preferencias, 0);
    }
}

TEST_F(OptionsWindowTest, TheBlinkMinutesAreWrittenWithTwoDigitsAndABlankEditLeftReadsZero)
{
    startWithLines(preferencias::primeraVez());
    struct Caso {
        bool aviso;
        QString minutos;
        QString final;
    };
    // The window's wiring (the two digits themselves: Preferencias_lines_test).
    const Caso casos[] = {{false, QStringLiteral("12"), QStringLiteral("Parpad_NO_12__")},
                          {true, QString(), QStringLiteral("Parpad_SI_00__")}};
    for (const Caso &c : casos) {
        w()->activate();
        if (w()->CheckBox5->isChecked() != c.aviso)
            w()->CheckBox5->click();
        w()->MaskEdit19->setText(c.minutos);
        w()->MaskEdit19Exit();
        w()->Button3->click();
        EXPECT_EQ(lines().value(1).mid(37), c.final);
        EXPECT_EQ(Sesion_->Timer_Parpadeo->enabled(), c.aviso);
        if (c.minutos.isEmpty()) {
            EXPECT_EQ(w()->MaskEdit19->text().trimmed(), QStringLiteral("0"));
        }
        activateMain(); // reads the file back
    }
}

TEST_F(OptionsWindowTest, TheBreakControlsFollowTheReminderAndItsStoredMode)
{
    startWithLines(preferencias::primeraVez()); // reminder on, periodic
    w()->activate();
    EXPECT_TRUE(w()->MaskEdit10->isEnabled());
    EXPECT_TRUE(w()->MaskEdit11->isEnabled());
    EXPECT_FALSE(w()->MaskEdit12->isEnabled());
    w()->RadioButton2->click();
    EXPECT_FALSE(w()->MaskEdit11->isEnabled());
    EXPECT_TRUE(w()->MaskEdit12->isEnabled() && w()->Label14->isEnabled());

    w()->CheckBox1->click(); // off: everything off, the stored mode back
    for (QWidget *c : std::initializer_list<QWidget *>{w()->MaskEdit10, w()->RadioButton1, w()->RadioButton2,
                                                        w()->MaskEdit11, w()->MaskEdit12, w()->MaskEdit16})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(w()->RadioButton1->isChecked());

    w()->CheckBox2->click(); // review by time off at once, even if the window is left
    EXPECT_EQ(Sesion_->Repaso_Por_Tiempo, 0);
    EXPECT_FALSE(w()->MaskEdit9->isEnabled() || w()->Label36->isEnabled());
    w()->BitBtn2->click();
    EXPECT_EQ(lines(), preferencias::primeraVez());

    w()->BitBtn1->click();
    EXPECT_EQ(platform::helpContextRequests(), QList<std::uint32_t>{23});
}

TEST_F(OptionsWindowTest, AcceptedTimersAndTheSameDayOptionFollowAtOnce)
{
    startWithLines(preferencias::primeraVez());
    m_inicio = platform::clock::now();
    platform::onNextShow(QStringLiteral("Configura_Progr_"), [](QWidget *) {
        w()->MaskEdit10->setText(QStringLiteral("5"));
        w()->CheckBox6->click();
        w()->Button3->click();
    });
    pressKey('B');
    EXPECT_EQ(Sesion_->Timer_Descanso->interval(), 5 * Minute);
    EXPECT_FALSE(Sesion_->Mismo_Dia_Permitido());
    EXPECT_EQ(Sesion_->Leer_Preferencias, 0);
}

// ---- In a real event loop ----

// The windows shown for real. The old blink reminder comes while the options window keeps the
// focus, so no window takes the focus back when the notice closes: the notice's skip flag must
// not stay to skip a later activation. New break and blink times, changed together, apply as
// the window closes, whatever the main window's activation does.
TEST_F(OptionsWindowTest, NewBreakAndBlinkTimesApplyAsTheWindowClosesInARealEventLoop)
{
    startWithLines(preferencias::primeraVez()); // first break at 35 minutes, blink every 5
    m_inicio = platform::clock::now();
    platform::setScripted(false);
    auto *principal = dynamic_cast<platform::Form *>(Sesion_->Ventana_Principal());
    principal->show();
    principal->activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return principal->isActiveWindow(); }));

    bool avisoVisto = false;
    QTimer::singleShot(0, w(), [&] {
        ASSERT_TRUE(testsupport::waitUntil([] { return w()->MaskEdit10->text().trimmed() == QLatin1String("35"); }))
            << "the window's activation shows the stored options";
        advance(5);
        avisoVisto = Parpadeo_Aviso_->isVisible() && Sesion_->Saltar_Activacion == 1;
        advance(3.0 / 60);
        EXPECT_FALSE(Parpadeo_Aviso_->isVisible());
        EXPECT_TRUE(testsupport::waitUntil([] { return Sesion_->Saltar_Activacion == 0; }));
        w()->MaskEdit10->setText(QStringLiteral("1"));
        w()->MaskEdit19->setText(QStringLiteral("1"));

        click(w()->Button3);
    });
    pressKey('B'); // returns when "A&ceptar" has closed the window
    EXPECT_TRUE(avisoVisto);
    EXPECT_FALSE(w()->isVisible());
    EXPECT_EQ(Sesion_->Timer_Descanso->remainingTime(), Minute);
    EXPECT_EQ(Sesion_->Timer_Parpadeo->remainingTime(), Minute);

    // The main window gets the focus back: its activation reads the same times and restarts
    // neither timer.
    principal->activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return principal->isActiveWindow() && Sesion_->Leer_Preferencias == 0; }));
    EXPECT_EQ(Sesion_->Timer_Descanso->remainingTime(), Minute);

    QList<double> descansos;
    const int observador = platform::addModalObserver([&](QWidget *, const QString &nombre) {
        if (nombre == QLatin1String("Descanso_")) {
            descansos << minutes();
            QTimer::singleShot(0, Descanso_, [] { Descanso_->Button5->click(); });
        }
    });
    const double cerrada = minutes();
    advance(1);

    platform::removeModalObserver(observador);
    ASSERT_EQ(descansos.size(), 1);
    EXPECT_DOUBLE_EQ(descansos[0], cerrada + 1);
    EXPECT_TRUE(Parpadeo_Aviso_->isVisible());
    EXPECT_TRUE(testsupport::waitUntil([] { return Parpadeo_Aviso_->Timer1->enabled(); })) << "the notice takes the focus";
    advance(3.0 / 60);
    EXPECT_FALSE(Parpadeo_Aviso_->isVisible());
    principal->hide();
    platform::setScripted(true);
}

// In a real event loop: what the user changed before asking for help (F1) is still there
// when the help closes; coming back from the help runs no activation, which would show the
// stored options again.
TEST_F(OptionsWindowTest, ChangesMadeBeforeHelpStayAfterItInARealEventLoop)
{
    installHelpPages();
    startWithLines(preferencias::primeraVez()); // first break at 35 minutes
    platform::setScripted(false);
    bool helpShown = false;
    QString afterHelp;
    QTimer::singleShot(0, w(), [&] {
        ASSERT_TRUE(testsupport::waitUntil([] { return w()->isActiveWindow() && w()->MaskEdit10->text().trimmed() == "35"; }));
        w()->MaskEdit10->setText(QStringLiteral("7"));
        QTest::keyClick(w()->windowHandle(), Qt::Key_F1);
        QWidget *viewer = platform::helpViewer();
        ASSERT_NE(viewer, nullptr);
        helpShown = testsupport::waitUntil([&] { return viewer->isActiveWindow(); });
        QTest::keyClick(viewer->windowHandle(), Qt::Key_Escape);
        w()->activateWindow(); // the window manager gives the focus back
        ASSERT_TRUE(testsupport::waitUntil([] { return w()->isActiveWindow(); }));
        QCoreApplication::processEvents();
        afterHelp = w()->MaskEdit10->text().trimmed();
        w()->Button3->click();
    });
    platform::showModal(w());
    platform::setScripted(true);
    EXPECT_TRUE(helpShown);
    EXPECT_EQ(afterHelp, "7");
    EXPECT_EQ(Sesion_->Descansos[1], 7);
}

// ---- The program picture ----

TEST_F(OptionsWindowTest, ANewPictureReplacesTheOldOneOnlyOnceWrittenAndOthersAreRefused)
{
    putPicture(QStringLiteral("Image.BMP"), 40, 30);
    const QString foto = putPicture(QStringLiteral("fotos/Paisaje.JPEG"), 120, 80);
    putFile(QStringLiteral("fotos/notas.txt"), "no es una imagen");
    putFile(QStringLiteral("fotos/falsa.jpg"), "tampoco es una imagen");
    startWithLines(preferencias::primeraVez());
    w()->activate();

    for (const QString &mala : {programPath(QStringLiteral("fotos/notas.txt")), programPath(QStringLiteral("fotos/falsa.jpg"))}) {
        clearMessages();
        platform::FileDialog::queueFileName(mala);
        w()->Button2->click();
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages()[0].contains(QDir::toNativeSeparators(mala)));
        EXPECT_TRUE(QFileInfo::exists(programPath(QStringLiteral("Image.BMP"))));
        EXPECT_FALSE(QFileInfo::exists(programPath(QStringLiteral("Image.JPG"))));
    }
    clearMessages();
    platform::FileDialog::queueFileName(foto);
    w()->Button2->click();
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(programPath(QStringLiteral("Image.BMP"))));
    EXPECT_EQ(platform::loadPicture(programPath(QStringLiteral("Image.JPG"))).size(), QSize(120, 80));
    EXPECT_EQ(imagenPrincipal()->picture().size(), QSize(120, 80));

    // The dialog starts in the program folder the first time in a run only.
    QStringList carpetas;
    for (const auto &r : platform::FileDialog::requests())
        carpetas << r.initialDir;
    EXPECT_EQ(carpetas, (QStringList{programFolder(), QString(), QString()}));

    platform::FileDialog::queueCancel();
    w()->Button2->click();
    EXPECT_TRUE(QFileInfo::exists(programPath(QStringLiteral("Image.JPG"))));
}

TEST_F(OptionsWindowTest, EliminarDeletesOnlyTheFirstPictureTheStartUpWouldShow)
{
    putPicture(QStringLiteral("Image.BMP"), 40, 30);
    putPicture(QStringLiteral("Image.JPG"), 40, 30);
    startWithLines(preferencias::primeraVez());
    ASSERT_TRUE(imagenPrincipal()->hasPicture());
    w()->activate();
    w()->Button1->click();
    EXPECT_FALSE(QFileInfo::exists(programPath(QStringLiteral("Image.BMP"))));
    EXPECT_TRUE(QFileInfo::exists(programPath(QStringLiteral("Image.JPG"))));
    EXPECT_FALSE(imagenPrincipal()->hasPicture());
}

TEST_F(OptionsWindowTest, APreferencesFileThatCannotBeWrittenLeavesTheOptionsAsTheyWere)
{
    startWithLines(preferencias::primeraVez());
    // A folder where the file should be: the new file cannot take its place.
    QFile::remove(programPath(QStringLiteral("Orvenda02.stu")));
    ASSERT_TRUE(QDir().mkpath(programPath(QStringLiteral("Orvenda02.stu/x"))));
    w()->activate();
    w()->MaskEdit10->setText(QStringLiteral("5"));
    w()->Button3->click();
    // (Closing the message reactivates the main window, which cannot write the file either.)
    ASSERT_FALSE(messages().isEmpty());
    EXPECT_EQ(messages().value(0), Msg_Opciones_No_Guardadas);
    EXPECT_EQ(lines(), preferencias::primeraVez());
    EXPECT_EQ(Sesion_->Descansos[1], 35);
    QDir(programPath(QStringLiteral("Orvenda02.stu"))).removeRecursively();
}
