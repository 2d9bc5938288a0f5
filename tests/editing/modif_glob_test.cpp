// The global modification: what a run writes, what it refuses before writing anything, and
// that a run that fails half way changes nothing and leaves no card flagged.
#include "selection_fixture.h"

#include "app/Panta_Inicio.h"

#include "engine/EngineError.h"
#include "platform/ModalShow.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString Completada = QStringLiteral(" LA MODIFICACIÓN GLOBAL SE HA COMPLETADO ");

// Pixels of a check box's caption (left of its box) clearly darker than the panel behind it.
int tinta(QCheckBox *box)
{
    const QImage image = box->grab().toImage();
    const int fondo = qGray(box->palette().color(QPalette::Window).rgb());
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width() * 2 / 3; ++x)
            n += qGray(image.pixel(x, y)) < fondo - 60;
    return n;
}

class ModifGlob : public SelectionFixture {
protected:
    void SetUp() override
    {
        SelectionFixture::SetUp();
        std::vector<Card> cards = {tarjeta(0, 1, "k0", "", 1, "20260101"), tarjeta(1, 2, "k1", "", 2, "20260102"),
                                   tarjeta(2, 3, "k2", "", 3, "20260103"), tarjeta(3, 4, "k3", "", 4, "20260104"),
                                   tarjeta(5, 5, "k5", "", 5, "20260105")};
        cards[1].flag = 1; // outside the selection, left flagged by an earlier program
        abre(cards);
        // The selection: levels 2 and up.
        FILTRO_ENV->Edit1->setText(QStringLiteral("2"));
        elige(FILTRO_ENV->ComboBox2, 2);
        FILTRO_ENV->Button2Click();
        ASSERT_EQ(vista(), (std::vector<long long>{ids[2], ids[3], ids[4]}));
    }
    TModif_glob_ *w() { return Modif_glob_; }
    // Runs the modification from the menu entry D, after the script given, keeping the
    // progress bar's maximum and last value (-1: it never moved).
    void ejecuta(const std::function<void()> &antes)
    {
        ultimo = -1;
        platform::onNextShow(QStringLiteral("Modif_glob_"), [&](QWidget *) {
            const auto c = QObject::connect(w()->Gauge1, &QProgressBar::valueChanged, w(), [this](int v) {
                maximo = w()->Gauge1->maximum();
                ultimo = v;
            });
            antes();
            w()->BitBtn2->click();
            QObject::disconnect(c);
        });
        pressKey('D');
    }
    int maximo = 0, ultimo = -1;
};

TEST_F(ModifGlob, TickedValuesGoToEveryCardOfTheViewAndNowhereElse)
{
    const auto antes = todas();
    ejecuta([&] {
        w()->CheckBox1->setChecked(true);
        w()->MaskEdit1->setText(QStringLiteral("7"));
        w()->CheckBox2->setChecked(true);
        w()->Edit1->setText(QStringLiteral("una clave de más de quince"));
        w()->CheckBox3->setChecked(true);
        w()->MaskEdit2->setText(QStringLiteral(" 42"));
        w()->CheckBox4->setChecked(true);
        w()->MaskEdit3->setText(QStringLiteral("07/03/25"));
        w()->CheckBox5->setChecked(true);
        w()->MaskEdit4->setText(QStringLiteral("9"));
    });
    EXPECT_EQ(messages(), QStringList{Completada});
    EXPECT_EQ(maximo, 6);
    EXPECT_EQ(ultimo, 6);
    const auto despues = todas();
    ASSERT_EQ(despues.size(), 5u);
    // The file's order: level 0 untouched; the card flagged by an earlier program only loses
    // its flag; the three cards of the view at level 7.
    EXPECT_EQ(despues[0], antes[0]);
    Estado leftover = antes[1];
    leftover.flag = "False";
    EXPECT_EQ(despues[1], leftover);
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(despues[i], (Estado{7, 42, 9, "una clave de má", "20250307", "False"}));
    EXPECT_EQ(QString::fromStdString(tabla().filter()), Sesion_->Filtro_Actual);

    // Month first; level 0 takes the cards out of the view.
    clearMessages();
    Sesion_->Formato_Fecha = 0;
    ejecuta([&] {
        w()->CheckBox2->setChecked(false);
        w()->CheckBox3->setChecked(false);
        w()->CheckBox5->setChecked(false);
        w()->CheckBox1->setChecked(true);
        w()->MaskEdit1->setText(QStringLiteral("0"));
        EXPECT_EQ(w()->MaskEdit3->text(), QStringLiteral("07/03/25")); // kept
    });
    EXPECT_EQ(messages(), QStringList{Completada});
    EXPECT_EQ(tabla().recordCount(), 0u);
    const auto despues0 = todas();
    EXPECT_EQ(std::count_if(despues0.begin(), despues0.end(),
                            [](const Estado &e) { return e.level == 0 && e.nextReview == "20250703"; }),
              3);
}

TEST_F(ModifGlob, ValuesWithoutANumberOrADateAreRefusedBeforeAnythingChanges)
{
    const auto antes = todas();
    const QString nivel = QStringLiteral(
        "El apartado 'Nivel de la Ficha' está marcado, pero su nuevo valor\rno es un número entero.\r\r"
        "Escriba el valor sólo con cifras (del 0 al 9) o desmarque el apartado.\r\r"
        "No se ha modificado ninguna ficha.");
    const QString fecha = QStringLiteral(
        "La 'Fecha del Próximo Repaso' no es una fecha válida.\r\r"
        "Escriba el día, el mes y el año (dd-mm-aa) o desmarque el apartado.\r\r"
        "No se ha modificado ninguna ficha.");
    struct Caso {
        int casilla;
        QString texto;
        QString mensaje;
    };
    const Caso casos[] = {
        {1, QStringLiteral(" "), nivel},
        {3, QStringLiteral("1 2"), QString(nivel).replace(QStringLiteral("Nivel de la Ficha"), QStringLiteral("Nivel de Importancia"))},
        {5, QStringLiteral("   "), QString(nivel).replace(QStringLiteral("Nivel de la Ficha"), QStringLiteral("Nº de Repasos Realizados"))},
        {4, QStringLiteral("07/13/25"), fecha},
        {4, QStringLiteral("32/01/25"), fecha},
        {4, QStringLiteral("29/02/25"), fecha},
        {4, QStringLiteral("  /  /  "), fecha},
        {4, QStringLiteral("07/03/ 5"), fecha},
    };
    QCheckBox *casillas[] = {w()->CheckBox1, w()->CheckBox2, w()->CheckBox3, w()->CheckBox4, w()->CheckBox5};
    platform::MaskEdit *valores[] = {w()->MaskEdit1, nullptr, w()->MaskEdit2, w()->MaskEdit3, w()->MaskEdit4};
    for (const Caso &c : casos) {
        SCOPED_TRACE(c.texto.toStdString());
        clearMessages();
        ejecuta([&] {
            for (QCheckBox *b : casillas)
                b->setChecked(false);
            casillas[c.casilla - 1]->setChecked(true);
            valores[c.casilla - 1]->setText(c.texto);
        });
        EXPECT_EQ(messages(), QStringList{c.mensaje});
        EXPECT_EQ(ultimo, -1);
        EXPECT_EQ(todas(), antes);
    }
    // One blank beside a lone digit is a one-digit day or month.
    EXPECT_EQ(TModif_glob_::Fecha_de_Mascara(QStringLiteral("7 / 3/25")), QStringLiteral("20250307"));
    EXPECT_EQ(TModif_glob_::Fecha_de_Mascara(QStringLiteral("29/02/24")), QStringLiteral("20240229"));
}

TEST_F(ModifGlob, ARunThatFailsHalfWayChangesNothingAndLeavesNoFlag)
{
    const auto antes = todas();
    const std::string filtro = tabla().filter();
    for (int fallo : {1, 2, 4}) { // the writing pass's first post, one more, its last
        SCOPED_TRACE(fallo);
        clearMessages();
        int posts = 0;
        ejecuta([&] {
            w()->CheckBox1->setChecked(true);
            w()->MaskEdit1->setText(QStringLiteral("4"));
            tabla().afterPost = [&](engine::Table &) {
                if (++posts == fallo)
                    throw engine::EngineError("disco lleno");
            };
        });
        tabla().afterPost = nullptr;
        ASSERT_EQ(messages().size(), 1);
        EXPECT_EQ(messages()[0], QStringLiteral("La modificación global no se ha podido realizar:\rninguna ficha ha "
                                                "cambiado.\r\rdisco lleno"));
        EXPECT_EQ(todas(), antes);
        EXPECT_EQ(tabla().filter(), filtro);
        EXPECT_EQ(vista(), (std::vector<long long>{ids[2], ids[3], ids[4]}));
    }
}

TEST_F(ModifGlob, NothingTickedDoesNothingAndAnEmptyViewOnlyClearsOldFlags)
{
    ejecuta([] {});
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(todas()[1].flag, "True");

    FILTRO_ENV->Edit1->setText(QStringLiteral("9"));
    FILTRO_ENV->Button2Click();
    ASSERT_EQ(tabla().recordCount(), 0u);
    const auto antes = todas();
    ejecuta([&] {
        w()->CheckBox5->setChecked(true);
        w()->MaskEdit4->setText(QStringLiteral("1"));
    });
    EXPECT_EQ(messages(), QStringList{Completada});
    EXPECT_EQ(takeErrorReports(), QStringList());
    EXPECT_EQ(ultimo, -1);
    auto despues = todas();
    EXPECT_EQ(despues[1].flag, "False");
    despues[1].flag = antes[1].flag;
    EXPECT_EQ(despues, antes);
}

TEST_F(ModifGlob, ActivationFollowsTheFileAndSelectingOpensThePureSelection)
{
    Sesion_->Con_Clave = 0;
    Sesion_->Con_Importancia = 0;
    platform::onNextShow(QStringLiteral("Modif_glob_"), [&](QWidget *) {
        // Key and importance can't be ticked in a file without them; their captions stay
        // readable, greyed.
        EXPECT_FALSE(w()->CheckBox2->isEnabled() || w()->CheckBox3->isEnabled());
        for (QCheckBox *box : {w()->CheckBox2, w()->CheckBox3})
            EXPECT_GT(tinta(box), tinta(w()->CheckBox1) / 3) << box->objectName().toStdString();
        EXPECT_FALSE(Sesion_->Ventana_Principal()->isEnabled());
        // The date order's hint, and the date box starting at today.
        EXPECT_EQ(std::pair(w()->Label3->caption(), w()->MaskEdit3->text()),
                  std::pair(QStringLiteral("( dd-mm-aa )"), QStringLiteral("05/12/26")));
        platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
            EXPECT_EQ(Sesion_->Solo_Seleccionar, 1);
            EXPECT_FALSE(w()->isEnabled());
        });
        w()->Button5->click();
        EXPECT_TRUE(w()->isEnabled());
        EXPECT_EQ(Sesion_->Solo_Seleccionar, 0);
        w()->close(); // the close box
    });
    pressKey('d');
    EXPECT_TRUE(Sesion_->Ventana_Principal()->isEnabled());

    // Month first: the hint follows, and an emptied date box starts at today again.
    Sesion_->Formato_Fecha = 0;
    Panta_Inicio_->activate();
    w()->MaskEdit3->setText(QString());
    std::pair<QString, QString> shown;
    platform::onNextShow(QStringLiteral("Modif_glob_"), [&](QWidget *) {
        shown = {w()->Label3->caption(), w()->MaskEdit3->text()};
        w()->Button1->click();
    });
    pressKey('d');
    EXPECT_EQ(shown, std::pair(QStringLiteral("( mm-dd-aa )"), QStringLiteral("12/05/26")));
}

} // namespace
