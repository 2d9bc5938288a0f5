#include "support/StudyFileOpen.h"

#include "engine/Table.h"
#include "platform/ModalShow.h"
#include "review/FreeNiv0a1.h"

#include <QCoreApplication>
#include <QFocusEvent>

namespace {
const QString Pasadas = QStringLiteral("  Fichas han pasado al Nivel 1.");

// Level-0 cards q1..q6 with importance 1..6 and keys, in this index order, and two cards at
// level 1 and 2 that the window never touches.
std::vector<CardRow> baraja()
{
    return {
        {0, 1, "verbos", "q1"}, {0, 2, "", "q2"},      {0, 3, "verbos", "q3"}, {0, 4, "o'hara", "q4"},
        {0, 5, "nombres", "q5"}, {0, 6, "verbos", "q6"}, {1, 1, "verbos", "r1"}, {2, 1, "", "r2"},
    };
}

QStringList movidas(const QStringList &niveles)
{
    QStringList out;
    for (const QString &s : niveles)
        if (s.startsWith('q') && s.endsWith(":1"))
            out << s.left(s.indexOf(':'));
    return out;
}
} // namespace

class FreeNiv0a1Test : public StudyFileFixture {
protected:
    void SetUp() override
    {
        StudyFileFixture::SetUp();
        abre(QStringLiteral("Prueba"));
    }
    // The cards opened afresh, under a name of their own.
    void abre(const QString &name)
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Importancia = true;
        openStudyFile(o, baraja(), name);
        w = FreeNiv0a1_;
        ASSERT_NE(w, nullptr);
    }
    // Menu entry A; `work` runs while the window is open.
    void conVentana(const std::function<void()> &work)
    {
        platform::onNextShow("FreeNiv0a1_", [&](QWidget *) { work(); });
        pressKey('A');
    }
    QStringList movidasAhora() { return movidas(levels()); }

    TFreeNiv0a1_ *w = nullptr;
};

TEST_F(FreeNiv0a1Test, ByQuantityTakesTheFirstCardsInIndexOrderOrRefusesAll)
{
    struct Case {
        QString typed;
        QStringList moved;
        QStringList messages;
        QString error;
    } cases[] = {
        {"10 ", {}, {"No hay tantas fichas en el Nivel 0."}, {}},
        {"0  ", {}, {"0" + Pasadas}, {}},
        {"1 2", {}, {}, "'1 2' is not a valid integer value"},
        {"   ", {}, {}, "'' is not a valid integer value"},
        {"3  ", {"q1", "q2", "q3"}, {"3" + Pasadas}, {}},
        {" 2 ", {"q1", "q2", "q3", "q4", "q5"}, {"2" + Pasadas}, {}},
    };
    for (const Case &c : cases) {
        clearMessages();
        conVentana([&] {
            w->MaskEdit1->setText(c.typed);
            w->Button2->click();
        });
        EXPECT_EQ(movidasAhora(), c.moved) << c.typed.toStdString();
        EXPECT_EQ(messages(), c.messages) << c.typed.toStdString();
        EXPECT_EQ(takeErrorReports(), c.error.isEmpty() ? QStringList() : QStringList{c.error});
    }
    conVentana([&] { EXPECT_EQ(w->label5->caption(), "1  Fichas en el Nivel 0."); });
}

// The window opens on the level-0 cards and puts the filter back on closing.
TEST_F(FreeNiv0a1Test, HandPickedMovesTheFlaggedRowsOnly)
{
    conVentana([&] {
        EXPECT_EQ(cards().filter(), "Nive_Fich = 0 ");
        EXPECT_EQ(w->label5->caption(), "6  Fichas en el Nivel 0.");
        EXPECT_EQ(w->DBGrid1->model()->rowCount(), 6);
        w->Button7->click();
        cards().first();
        std::vector<std::int64_t> marcas;
        for (int i = 0; i < 6; ++i, cards().next())
            if (i == 1 || i == 4)
                marcas.push_back(cards().bookmark());
        for (auto m : marcas)
            w->DBGrid1->selectRow(m, true);
        w->Button7->click();
        EXPECT_EQ(w->label5->caption(), "4  Fichas en el Nivel 0.");
        EXPECT_FALSE(w->DBGrid1->isHidden());
    });
    EXPECT_EQ(messages(), (QStringList{"0" + Pasadas, "2" + Pasadas}));
    EXPECT_EQ(movidasAhora(), (QStringList{"q2", "q5"}));
    EXPECT_EQ(QString::fromStdString(cards().filter()), Filtro_Base);
}

TEST_F(FreeNiv0a1Test, ByConditionWithAndWithoutLimit)
{
    struct Case {
        bool importance;
        int comparison;
        QString value;
        QString limit; // null: limit off
        QStringList moved;
        QString left;  // Label7 afterwards
    } cases[] = {
        {true, 2, "4", {}, {"q4", "q5", "q6"}, "0"},
        {true, 3, " 3", "1", {"q1"}, "1"},
        {true, 0, "9", "5", {}, "0"},
        {true, 1, "0", "0", {}, "6"},            // a limit of 0 moves nothing
        {true, 1, "0", "  ", {"q1", "q2", "q3", "q4", "q5", "q6"}, "0"}, // blank limit: off
        {false, 0, "verbos", "10", {"q1", "q3", "q6"}, "0"},
        {false, 0, "o'hara", {}, {"q4"}, "0"},
        {false, 0, "", {}, {"q2"}, "0"},       // the cards without key
        {false, 4, "m", {}, {"q2"}, "0"},
        {false, 1, "o", "2", {"q1", "q3"}, "2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        clearMessages();
        abre(QStringLiteral("C") + QString::number(&c - cases));
        conVentana([&] {
            (c.importance ? w->RadioButton1 : w->RadioButton2)->click();
            (c.importance ? w->RadioGroup2 : w->RadioGroup3)->setItemIndex(c.comparison);
            if (c.importance)
                w->MaskEdit2->setText(c.value);
            else
                w->Edit1->setText(c.value);
            w->CheckBox1->setChecked(!c.limit.isNull());
            w->MaskEdit3->setText(c.limit);
            w->BitBtn2->click();
            EXPECT_EQ(cards().filter(), "Nive_Fich = 0 ");
            EXPECT_EQ(w->Label7->caption(), c.left);
            EXPECT_EQ(w->label5->caption(), QString::number(6 - c.moved.size()) + "  Fichas en el Nivel 0.");
        });
        EXPECT_EQ(movidasAhora(), c.moved);
        EXPECT_EQ(messages(), QStringList{QString::number(c.moved.size()) + Pasadas});
    }
}

TEST_F(FreeNiv0a1Test, RefusedLimitsAndConditionsMoveNothing)
{
    conVentana([&] {
        w->MaskEdit2->setText("2");
        w->CheckBox1->setChecked(true);
        w->MaskEdit3->setText("1 1");
        w->BitBtn2->click();
        EXPECT_EQ(takeErrorReports(), QStringList{"'1 1' is not a valid integer value"});
        // An empty importance is no filter: the engine refuses it and the view stays.
        w->MaskEdit2->setText("  ");
        w->CheckBox1->setChecked(false);
        w->BitBtn2->click();
        const QStringList errors = takeErrorReports();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].startsWith("Filtro no válido")) << errors[0].toStdString();
        EXPECT_EQ(cards().filter(), "Nive_Fich = 0 ");
        EXPECT_EQ(cards().recordCount(), 6u);
    });
    EXPECT_TRUE(movidasAhora().isEmpty());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(FreeNiv0a1Test, AMoveThatFailsHalfWayMovesNoCard)
{
    int posts = 0;
    cards().afterPost = [&](engine::Table &) {
        if (++posts == 3)
            throw engine::EngineError("disco lleno");
    };
    conVentana([&] {
        w->MaskEdit1->setText("5");
        w->Button2->click();
        EXPECT_EQ(takeErrorReports(), QStringList{"disco lleno"});
        EXPECT_EQ(cards().recordCount(), 6u);
        EXPECT_EQ(cards().state(), engine::Table::State::Browse);
        posts = -100;
        w->MaskEdit1->setText("2");
        w->Button2->click();
    });
    EXPECT_EQ(movidasAhora(), (QStringList{"q1", "q2"}));
    EXPECT_EQ(messages(), QStringList{"2" + Pasadas});
}

TEST_F(FreeNiv0a1Test, CountsTheConditionWhenTheValueIsLeftOrAComparisonPicked)
{
    conVentana([&] {
        auto sal = [](QWidget *edit) {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QCoreApplication::sendEvent(edit, &out);
        };
        sal(w->MaskEdit2); // empty value: nothing counted
        EXPECT_EQ(w->Label7->caption(), "0");
        w->MaskEdit2->setText("5");
        sal(w->MaskEdit2);
        EXPECT_EQ(w->Label7->caption(), "1");
        w->RadioGroup2->button(4)->click(); // "Menor o igual que"
        EXPECT_EQ(w->Label7->caption(), "5");
        w->RadioButton2->click();
        w->Edit1->setText("verbos");
        sal(w->Edit1);
        EXPECT_EQ(w->Label7->caption(), "3");
        EXPECT_EQ(cards().filter(), "Nive_Fich = 0 ");
        w->Label8Click();
        EXPECT_TRUE(w->CheckBox1->isChecked());
        EXPECT_FALSE(w->MaskEdit3->isHidden());
    });
    EXPECT_TRUE(movidasAhora().isEmpty());
}

class FreeNiv0a1EmptyTest : public StudyFileFixture {};

TEST_F(FreeNiv0a1EmptyTest, NoLevel0CardIsSaidAndNothingMoves)
{
    openStudyFile(testsupport::defaultOptions(), {{1, -1, "", "r1"}});
    platform::onNextShow("FreeNiv0a1_", [](QWidget *) { FreeNiv0a1_->Button7->click(); });
    pressKey('A');
    EXPECT_EQ(messages(), (QStringList{"No hay fichas en el Nivel 0", "0" + Pasadas}));
}
