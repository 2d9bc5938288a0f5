// The print table: re-created by the print entry, filled in print order for every
// cards-a-page choice and every count of cards on the last page, emptied by "&Salir"; the
// print permission and the count of cards.
#include "PrintingFixture.h"

#include "app/Panta_Inicio.h"

namespace {
const QString NoHayFichero = QStringLiteral("No hay ningún Fichero de Estudio abierto.");

// Answer rows of a two-column page of N cards holding the cards first..first+k-1: the left
// column (rows 1 to N/2) shows the second half of the page, the right column the first half,
// each card at the place its question has in the other column.
QStringList mirroredPage(int N, int first, int k)
{
    QStringList rows;
    const int half = N / 2;
    for (int j = 1; j <= N; ++j) {
        const int card = j <= half ? half + j : j - half;
        rows << (card <= k ? QString::number(first + card - 1) : QString());
    }
    return rows;
}

QStringList inOrder(int n)
{
    QStringList rows;
    for (int i = 1; i <= n; ++i)
        rows << QString::number(i);
    return rows;
}
} // namespace

class FillingTest : public PrintingFixture {};

// Every count of cards from none to two pages and a half, for every choice, on both sides.
TEST_F(FillingTest, EveryChoiceAndEveryCountOnTheLastPage)
{
    // The rule, on the example pages of 7 cards at 6, 15 at 8 and 13 at 10 a page.
    ASSERT_EQ(mirroredPage(6, 1, 6) + mirroredPage(6, 7, 1),
              (QStringList{"4", "5", "6", "1", "2", "3", "", "", "", "7", "", ""}));
    ASSERT_EQ(mirroredPage(8, 9, 7), (QStringList{"13", "14", "15", "", "9", "10", "11", "12"}));
    ASSERT_EQ(mirroredPage(10, 11, 3), (QStringList{"", "", "", "", "", "11", "12", "13", "", ""}));
    openCards(25);
    engine::Table &T = *D_Module_->Tabla_Activa;
    T.setFiltered(true);
    for (int perPage : {6, 8, 10, 3, 4, 5}) {
        cardsAPage(perPage);
        for (int n = 0; n <= 25; ++n) {
            T.setFilter("AutoInc <= " + std::to_string(n));
            w->Imprimiendo_Preguntas = 0;
            w->Columnas = perPage >= 6 ? 2 : 1;
            w->Llena_Tabla_Imprime();
            QStringList expected;
            if (perPage >= 6)
                for (int first = 1; first <= n; first += perPage)
                    expected += mirroredPage(perPage, first, std::min(perPage, n - first + 1));
            else
                expected = inOrder(n);
            ASSERT_EQ(rows(), expected) << "answers, " << n << " cards, " << perPage << " a page";

            w->Imprimiendo_Preguntas = 1;
            w->Llena_Tabla_Imprime();
            ASSERT_EQ(rows(), inOrder(n)) << "questions, " << n << " cards, " << perPage << " a page";
        }
    }
}

TEST_F(FillingTest, RowsHoldTheFilesDesignWhateverThePrintOptions)
{
    openCards(2, {.questionPicture = true, .answerPicture = true, .longAnswer = true});
    D_Module_->Tabla_Activa->first();
    const std::string resp = D_Module_->Tabla_ActivaResp_Text().asBytes();
    const std::string memo = D_Module_->Tabla_ActivaResp_Memo().asBytes();
    const std::string imag = D_Module_->Tabla_ActivaResp_Imag().asBytes();

    w->Imprimiendo_Preguntas = 0;
    w->Columnas = 1;
    w->Llena_Tabla_Imprime();
    engine::Table &I = *D_Module_->Imprime;
    I.first();
    EXPECT_EQ(I.fieldByName("TEXT").asString(), "");
    EXPECT_EQ(I.fieldByName("TEXT2").asString(), "JPG");
    EXPECT_EQ(I.fieldByName("Memo2").asBytes(), resp);
    EXPECT_EQ(I.fieldByName("Memo").asBytes(), memo);
    EXPECT_EQ(I.fieldByName("Imag").asBytes(), imag);
    EXPECT_EQ(I.fieldByName("Comp_Encr").asString(), "Fn");
    EXPECT_TRUE(D_Module_->ImprimeLogi().isNull()); // created, never written

    w->Imprimiendo_Preguntas = 1;
    w->Llena_Tabla_Imprime();
    I.first();
    EXPECT_EQ(I.fieldByName("TEXT").asString(), "P1");
    EXPECT_EQ(I.fieldByName("Memo2").asBytes(), "");
    EXPECT_EQ(I.fieldByName("Memo").asBytes(), "");
    EXPECT_EQ(I.fieldByName("Imag").asBytes(), D_Module_->Tabla_ActivaPreg_Imag().asBytes());

    // The picture type is only ever set: a bitmap card copies its picture and leaves TEXT2.
    s->Con_Imagen_Pregunta = 1;
    I.first();
    I.edit();
    w->Copia_Campo_a_Imprime(QStringLiteral("Otra cosa"));
    EXPECT_EQ(I.fieldByName("TEXT2").asString(), "JPG");
    I.cancel();
}

TEST_F(FillingTest, PermissionCountsMenuEntryAndLeaving)
{
    openCards(13);
    // The count of the cards the filter passes, on every activation.
    D_Module_->Tabla_Activa->setFilter("AutoInc > 4");
    D_Module_->Tabla_Activa->setFiltered(true);
    w->activate();
    EXPECT_EQ(w->Label5->caption(), QStringLiteral(" Nº de Fichas a Imprimir: 9 "));

    // No permission: a message at activation and at each of the four buttons; nothing filled.
    s->Imprimible = 0;
    clearMessages();
    w->activate();
    for (QPushButton *b : {w->Button3, w->Button6, w->Button2, w->Button7})
        b->click();
    EXPECT_EQ(messages(), QStringList(5, Aviso_Impresion_Desconectada));
    EXPECT_TRUE(D_Module_->Imprime->isEmpty());

    // "&Salir" empties the print table.
    s->Imprimible = 1;
    clearMessages();
    w->Button3->click();
    EXPECT_EQ(D_Module_->Imprime->recordCount(), 9u);
    w->Button1->click();
    EXPECT_TRUE(D_Module_->Imprime->isEmpty());

    // The menu entry re-creates an empty print table even with no file open, then refuses.
    w->Button3->click();
    s->FE_Abierto = 0;
    Panta_Inicio_->Label6Click();
    EXPECT_TRUE(D_Module_->Imprime->active());
    EXPECT_TRUE(D_Module_->Imprime->isEmpty());
    EXPECT_EQ(messages(), QStringList{NoHayFichero});
    EXPECT_FALSE(shownWindows().contains(QStringLiteral("Imprimir_")));

    s->FE_Abierto = 1;
    Panta_Inicio_->Label6Click();
    EXPECT_TRUE(shownWindows().contains(QStringLiteral("Imprimir_")));
}

// The selection window opens as a pure selection dialog; the filter it leaves on the card
// table is what the count shows (the window's activation runs again as the selection window
// closes) and the next preview takes.
TEST_F(FillingTest, SelectingCardsOpensTheSelectionWindowAsAPureSelection)
{
    openCards(5);
    int during = -1;
    QString counted;
    platform::onNextShow(QStringLiteral("Imprimir_"), [&](QWidget *) {
        platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
            during = s->Solo_Seleccionar;
            D_Module_->Tabla_Activa->setFilter("AutoInc <= 2");
            D_Module_->Tabla_Activa->setFiltered(true);
        });
        w->Button5->click();
        counted = w->Label5->caption();
        w->Button3->click();
    });
    platform::showModal(w);
    EXPECT_EQ(during, 1);
    EXPECT_EQ(s->Solo_Seleccionar, 0);
    EXPECT_EQ(counted, QStringLiteral(" Nº de Fichas a Imprimir: 2 "));
    EXPECT_EQ(rows(), (QStringList{"1", "2"}));
}
