#include "ReviewFixture.h"

#include "editing/FILTRO_ENV_.h"
#include "store/Sesion.h"

#include <tuple>

namespace {
const std::string B = " (Nive_fich <> 0 ) ";

// Cards of levels 1, 2, 3 and 8, all due today and never reviewed, plus one of level 0.
std::vector<testsupport::Card> someCards()
{
    return {cardAt(1), cardAt(2), cardAt(3), cardAt(8), cardAt(0)};
}
} // namespace

class ReviewSelectionTest : public ReviewTest {};

TEST_F(ReviewSelectionTest, TheFiltersOfBothModesAndBothButtonsReachTheTable)
{
    struct Case {
        const char *name;
        std::string startFilter;  // the card table's filter when the window opens
        QString filtroActual;     // the selection window's filter
        std::vector<int> levels;  // boxes checked, in this order
        int button;               // 1 "&Repasar", 4 "REPASO POR &TIEMPO"
        bool sameDay;
        std::string expected;
    };
    // The window's wiring of the filters (their texts: Filtros_Repaso_test).
    const QString sel = QStringLiteral(" ( Nive_Fich = 3 ) and  (Nive_fich <> 0 ) ");
    const std::vector<Case> cases{
        {"quick, levels clicked out of order", B, Filtro_Base, {8, 3, 1}, 1, true,
         " ( Nive_Fich = 1 or Nive_Fich = 3 or Nive_Fich = 8 ) and  (Nive_fich <> 0 ) "},
        {"quick, level 2, by time, same day off", B, Filtro_Base, {2}, 4, false,
         "( Nive_Fich = 2 ) and ( Fech_Prox_Repa <= '20261205' ) and  (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> "
         "20261205)"},
        {"selection, by time", sel.toStdString(), sel, {1}, 4, true,
         "(  ( Nive_Fich = 3 ) and  (Nive_fich <> 0 )  ) and ( Fech_Prox_Repa <= '20261205' )"},
    };
    openStudy(someCards());
    p->Repaso_Por_Tiempo = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        table().setFilter(c.startFilter);
        p->Filtro_Actual = c.filtroActual;
        const bool quick = c.startFilter == B;
        std::string seen = "<no session>";
        inSelection([&](TSelecc_Repaso_ &w) {
            EXPECT_EQ(w.RadioButton2->isChecked(), quick);
            EXPECT_EQ(w.CheckBoxNivel[1]->isEnabled(), quick);
            EXPECT_FALSE(p->isEnabled()) << "the main window is disabled while the selection is open";
            for (int n = 1; n <= 8; ++n)
                w.CheckBoxNivel[std::size_t(n)]->setChecked(false);
            for (int n : c.levels)
                w.CheckBoxNivel[std::size_t(n)]->setChecked(true);
            w.CheckBox9->setChecked(c.sameDay);
            duringReview([&](TRepasar_ &r) {
                seen = filter();
                r.Button4->click();
            });
            (c.button == 1 ? w.Button1 : w.Button4)->click();
        });
        pressKey('2');
        EXPECT_EQ(seen, c.expected);
        EXPECT_TRUE(p->isEnabled());
        clearMessages();
    }
    EXPECT_EQ(Niveles_Marcados[1], 1);
    EXPECT_EQ(Niveles_Marcados[3], 0);
}

// The time button follows the option, no cards keeps the window open, and the selection button
// opens the selection window to select only.
TEST_F(ReviewSelectionTest, TheTimeButtonNoCardsAndTheSelectionButton)
{
    openStudy({cardAt(1, "20261206"), cardAt(2, "20261210", "20261205")});
    p->Repaso_Por_Tiempo = 0;
    inSelection([&](TSelecc_Repaso_ &w) {
        EXPECT_FALSE(w.Button4->isEnabled());
        w.CheckBox9->setChecked(false);
        w.CheckBoxNivel[2]->setChecked(true);
        w.Button1->click(); // level 2 was reviewed today: nothing left
        EXPECT_EQ(filter(), " ( Nive_Fich = 2 ) and  (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> 20261205)");
        w.Button4->setEnabled(true);
        w.Button4->click(); // nothing due today either
        EXPECT_EQ(filter(), "( Nive_Fich = 2 ) and ( Fech_Prox_Repa <= '20261205' ) and  (Nive_fich <> 0 ) and "
                            "(Fech_Ulti_Repa <> 20261205)");
        w.Button2->click();
    });
    pressKey('2');
    EXPECT_EQ(messages(), QStringList(2, Msg_No_Hay_Fichas_Repaso));
    EXPECT_FALSE(shownWindows().contains("Repasar_"));
    EXPECT_TRUE(p->isEnabled());

    table().setFilter("Nive_Fich = 2");
    int soloSeleccionar = -1;
    inSelection([&](TSelecc_Repaso_ &w) {
        platform::onNextShow("FILTRO_ENV", [&](QWidget *) { soloSeleccionar = p->Solo_Seleccionar; });
        w.Button5->click();
        w.Button2->click();
    });
    pressKey('2');
    EXPECT_EQ(soloSeleccionar, 1);
    EXPECT_EQ(p->Reiniciar_Seleccion, 0); // taken by the selection window's first activation
}

// The mode is chosen anew when the selection window closes: a selection dropped there brings
// back the quick mode with its level boxes; the same-day box keeps what the user set.
TEST_F(ReviewSelectionTest, TheModeIsChosenAnewWhenTheSelectionWindowCloses)
{
    openStudy(someCards());
    const QString sel = QStringLiteral(" ( Nive_Fich = 3 ) and  (Nive_fich <> 0 ) ");
    table().setFilter(sel.toStdString());
    p->Filtro_Actual = p->Filtro_Seleccion = sel;
    p->Seleccion_Activa = 1;
    using Modo = std::tuple<bool, bool, bool, bool>; // quick mode, level box and selection button enabled, same day
    Modo antes, despues;
    auto modo = [](TSelecc_Repaso_ &w) {
        return Modo(w.RadioButton2->isChecked(), w.CheckBoxNivel[1]->isEnabled(), w.Button5->isEnabled(),
                    w.CheckBox9->isChecked());
    };
    inSelection([&](TSelecc_Repaso_ &w) {
        w.CheckBox9->setChecked(false);
        antes = modo(w);
        platform::onNextShow("FILTRO_ENV", [](QWidget *) { FILTRO_ENV->Button4->click(); }); // "  &Quitar Selección"
        w.Button5->click();
        despues = modo(w);
        w.Button2->click();
    });
    pressKey('2');
    EXPECT_EQ(antes, Modo(false, false, true, false));
    EXPECT_EQ(despues, Modo(true, true, false, false));
    EXPECT_EQ(filter(), B);
}

// The window's wiring of the main menu's review by time (its filters: Filtros_Repaso_test).
TEST_F(ReviewSelectionTest, TheMainMenuReviewByTimeTakesTheDueCardsWithoutTheSameDayClause)
{
    openStudy({cardAt(1, "20261205"), cardAt(2, "20261206"), cardAt(3, "20261101", "20261205"), cardAt(0)});
    table().setFilter("Nive_Fich <> 0");
    std::size_t seen = 0;
    duringReview([&](TRepasar_ &r) {
        EXPECT_EQ(filter(), "Nive_Fich <> 0 and (Fech_Prox_Repa <= 20261205)");
        EXPECT_EQ(r.Label2->caption(), "Fichas Seleccionadas: 2");
        seen = table().recordCount();
        r.Button4->click();
    });
    pressKey('3');
    EXPECT_EQ(seen, 2u) << "the card reviewed today is due all the same; level 0 and tomorrow's are not";
    EXPECT_TRUE(p->Filtro_Antes_Repaso.isEmpty()) << "put back by the main window's activation";
    EXPECT_EQ(filter(), "Nive_Fich <> 0");

    clearMessages();
    table().setFilter("Nive_Fich = 2");
    pressKey('3');
    EXPECT_EQ(messages(), QStringList{Msg_No_Hay_Fichas_Repaso});

    p->Cierra_Fichero();
    clearMessages();
    pressKey('3');
    EXPECT_EQ(messages(), QStringList{"No hay ningún Fichero de Estudio abierto."});
}

TEST_F(ReviewSelectionTest, AfterAQuickReviewTheMainWindowPutsBackTheSelectionInForceOrTheBase)
{
    openStudy(someCards());
    const QString sel = QStringLiteral(" ( Nive_Fich = 3 ) and  (Nive_fich <> 0 ) ");
    struct Case {
        const char *name;
        int seleccionActiva;
        QString filtroSeleccion; // as the selection window left it
        std::string expected;
        std::size_t cards;
        bool retry; // tried first with no level-5 card: the failed try's filter is not put back
    };
    for (const Case &c : {Case{"no selection made", 0, "", B, 4, false},
                          Case{"a selection in force", 1, sel, sel.toStdString(), 1, false},
                          Case{"a selection dropped", 0, sel, B, 4, false},
                          Case{"a selection in force, retried", 1, sel, sel.toStdString(), 1, true}}) {
        SCOPED_TRACE(c.name);
        clearMessages();
        p->Seleccion_Activa = c.seleccionActiva;
        p->Filtro_Seleccion = c.filtroSeleccion;
        p->Filtro_Actual = c.seleccionActiva == 1 ? sel : Filtro_Base;
        table().setFilter(p->Filtro_Actual.toStdString());
        inSelection([&](TSelecc_Repaso_ &w) {
            w.RadioButton2->setChecked(true);
            if (c.retry) {
                w.CheckBoxNivel[5]->click();
                w.Button1->click();
                w.CheckBoxNivel[5]->click();
            }
            w.CheckBoxNivel[1]->setChecked(true);
            duringReview([](TRepasar_ &r) { r.Button4->click(); });
            w.Button1->click();
        });
        pressKey('2');
        EXPECT_EQ(messages().size(), c.retry ? 2 : 1); // no cards, then the closing statistics
        EXPECT_EQ(filter(), c.expected);
        EXPECT_EQ(table().recordCount(), c.cards) << "a level-0 card never shows in normal work";
    }
}

TEST_F(ReviewSelectionTest, TheQueueKeepsTheOrderOfTheViewAtTheStart)
{
    // Level, then importance, then AutoInc; answering moves cards in the order, not in the queue.
    openStudy({cardAt(2, "20261205", {}, 0), cardAt(1, "20261205", {}, 5), cardAt(1, "20261205", {}, 0),
               cardAt(3, "20261205", {}, 0), cardAt(1, "20261205", {}, 5)});
    const std::vector<long long> expected{ids[2], ids[1], ids[4], ids[0], ids[3]};
    std::vector<long long> shown;
    int refreshes = 0; // every refresh of the displays sets or clears the question picture
    duringReview([&](TRepasar_ &r) {
        EXPECT_EQ(p->NumFich_Agotada, 0);
        QObject::connect(r.Image1, &platform::ImageControl::pictureChanged, &r, [&refreshes] { ++refreshes; });
        for (int i = 0; i < 5; ++i) {
            shown.push_back(current());
            r.Button1->click();
            (i % 2 ? r.Button7 : r.Button6)->click();
        }
        QObject::disconnect(r.Image1, &platform::ImageControl::pictureChanged, &r, nullptr);
    });
    pressKey('3');
    EXPECT_EQ(shown, expected);
    // Every answered card leaves the view by its new date. The displays are refreshed once for
    // each next card (4), once for the card the last post left current, and cleared as the
    // window closes.
    EXPECT_EQ(refreshes, 6);
    EXPECT_FALSE(p->NumFich) << "the review frees the queue";
}

TEST_F(ReviewSelectionTest, AOneCardViewStartsOnItsLastCard)
{
    openStudy({cardAt(1), cardAt(2, "20261230")});
    int agotada = -1;
    duringReview([&](TRepasar_ &r) {
        agotada = p->NumFich_Agotada;
        answer(r, {true});
        EXPECT_FALSE(r.isVisible());
    });
    pressKey('3');
    EXPECT_EQ(agotada, 1);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("No hay más fichas seleccionadas que repasar\r\r"));
}

TEST_F(ReviewSelectionTest, TheNextCardIsLookedUpWithOneRefreshAndMissingEntriesAreSkipped)
{
    openStudy({cardAt(1), cardAt(2), cardAt(3), cardAt(4), cardAt(0)});
    engine::Table &t = table();
    int refreshes = 0;
    engine::Table::Handler module = t.afterScroll;
    t.afterScroll = [&](engine::Table &dt) {
        ++refreshes;
        module(dt);
    };
    t.first();
    refreshes = 0;

    D_Module_->Valores_a_NumFich();
    EXPECT_EQ(refreshes, 0) << "the queue is read without moving the cursor";
    EXPECT_EQ(*p->NumFich, (QStringList{QString::number(ids[0]), QString::number(ids[1]), QString::number(ids[2]),
                                        QString::number(ids[3])}));

    struct Case {
        QStringList queue;
        bool found;
        long long current;
        QStringList left;
        int agotada;
    };
    const QString a = QString::number(ids[0]), c = QString::number(ids[2]), d = QString::number(ids[3]);
    const QString level0 = QString::number(ids[4]);
    const std::vector<Case> cases{
        {{d, a}, true, ids[3], {a}, 0},                  // from the last card of the view back to the first
        {{c}, true, ids[2], {}, 1},                      // the last entry
        {{"999", level0, "x", a, c}, true, ids[0], {c}, 0}, // absent, out of the view, not a number: skipped
        {{"999", level0}, false, ids[0], {}, 1},         // nothing left in the view: the cursor stays
        {{}, false, ids[0], {}, 1},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.queue.join(",").toStdString());
        *p->NumFich = k.queue;
        p->NumFich_Agotada = 0;
        refreshes = 0;
        EXPECT_EQ(D_Module_->Siguiente_Registro(), k.found);
        EXPECT_EQ(refreshes, k.found ? 1 : 0);
        EXPECT_EQ(current(), k.current);
        EXPECT_EQ(*p->NumFich, k.left);
        EXPECT_EQ(p->NumFich_Agotada, k.agotada);
    }
    t.afterScroll = module;
}
