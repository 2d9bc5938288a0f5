// The selection's filter text, built from the condition rows of the selection window, and the
// cards it lets through.
#include "selection_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// One condition row as the user fills it. Indexes as the combos count them (-1: nothing
// chosen, the combo showing its text at creation).
struct Fila {
    int campo;    // 0 level, 1 key, 2 importance, 3 last review date, 4 review count
    int operador; // 0 =, 1 >, 2 >=, 3 <, 4 <=, 5 <>
    QString valor;
    int conector = 0; // 0 O, 1 Y (rows 2 to 6)
};

struct Caso {
    const char *nombre;
    int formatoFecha;
    std::vector<Fila> filas;
    const char *filtro;           // between " ( " and " ) and " + the base filter
    std::vector<std::size_t> pasan; // the cards of the view, by their place in the list
};

// The rows reach the condition rules (editing/Condicion_Seleccion.h, whose own table has every
// case) through the combos, the value edits and the date masks, and the card table filters by
// the result.
const std::vector<Caso> Casos = {
    {"nothing chosen", 1, {{-1, -1, "5"}}, "Nive_Fich=5", {7, 8}},
    {"key with a quote", 1, {{1, 0, "a'b"}}, "Clav_Fich='a''b*'", {5}},
    {"date month first", 0, {{3, 1, "07/03/25"}}, "Fech_Ulti_Repa>'20250703'", {4, 5, 6}},
    {"six rows, and before or",
     1,
     {{0, 2, "1"}, {2, 4, "4", 1}, {1, 0, "a", 0}, {4, 5, "3", 1}, {3, 3, "01/01/26", 1}, {0, 1, "3", 0}},
     "Nive_Fich>=1 AND Nive_Impo<=4 OR Clav_Fich='a*' AND Total_Repa<>3 AND Fech_Ulti_Repa<'20260101'"
     " OR Nive_Fich>3",
     {1, 2, 3, 4, 6, 7, 8, 9, 11}},
};

class SelectionFilter : public SelectionFixture {
protected:
    std::vector<Card> cards = {
        tarjeta(0, 3, "ab", "20250307", 1),   tarjeta(1, -1, "ab", "", 0),
        tarjeta(1, 4, "abc", "20250308", 3),  tarjeta(2, 3, "b", "20250703", 5),
        tarjeta(2, 2, "", "20261205", 2),     tarjeta(3, 5, "a'bc", "20251231", 3),
        tarjeta(4, 1, "ba", "20260101", 0),   tarjeta(5, 3, "aa", "20250307", 9),
        tarjeta(5, -1, "a", "20241130", 1),   tarjeta(9, 4, "zz", "20250306", 4),
        tarjeta(0, 1, "a", "", 0),            tarjeta(2, 4, "ab", "20250307", 3),
    };

    // Fills the rows of the window, from row 1, and ticks the boxes that show them.
    void rellena(const std::vector<Fila> &filas)
    {
        TFILTRO_ENV *w = FILTRO_ENV;
        QComboBox *conector[] = {nullptr, w->ComboBox3, w->ComboBox6, w->ComboBox9, w->ComboBox12, w->ComboBox15};
        QComboBox *campo[] = {w->ComboBox1, w->ComboBox4, w->ComboBox7, w->ComboBox10, w->ComboBox13, w->ComboBox16};
        QComboBox *operador[] = {w->ComboBox2, w->ComboBox5, w->ComboBox8, w->ComboBox11, w->ComboBox14, w->ComboBox17};
        QLineEdit *valor[] = {w->Edit1, w->Edit2, w->Edit3, w->Edit4, w->Edit5, w->Edit6};
        platform::MaskEdit *fecha[] = {w->MaskEdit1, w->MaskEdit2, w->MaskEdit3, w->MaskEdit4, w->MaskEdit5, w->MaskEdit6};
        QCheckBox *casilla[] = {w->CheckBox1, w->CheckBox2, w->CheckBox3, w->CheckBox4, w->CheckBox5};
        for (std::size_t k = 0; k < filas.size(); ++k) {
            const Fila &f = filas[k];
            valor[k]->clear(); // no digit check on a key left from the case before
            if (k > 0) {
                casilla[k - 1]->setChecked(true);
                elige(conector[k], f.conector, QStringLiteral("O"));
            }
            elige(campo[k], f.campo, QStringLiteral("Nivel de la Ficha"));
            elige(operador[k], f.operador, QStringLiteral("Igual Que"));
            // A date row swaps the value edit for the date mask, holding today.
            if (f.campo == 3) {
                ASSERT_TRUE(valor[k]->isHidden() && !fecha[k]->isHidden());
                EXPECT_EQ(fecha[k]->text(), QStringLiteral("05/12/26"));
                fecha[k]->setText(f.valor);
            } else {
                ASSERT_TRUE(!valor[k]->isHidden() && fecha[k]->isHidden());
                valor[k]->setText(f.valor);
            }
        }
        for (std::size_t k = filas.size(); k <= 5; ++k)
            casilla[k - 1]->setChecked(false);
    }
};

TEST_F(SelectionFilter, TheRowsGiveTheFilterAndItsCards)
{
    abre(cards);
    for (const Caso &c : Casos) {
        SCOPED_TRACE(c.nombre);
        Sesion_->Formato_Fecha = c.formatoFecha;
        rellena(c.filas);
        FILTRO_ENV->Button2Click();
        const QString esperado =
            QStringLiteral(" ( ") + QString::fromUtf8(c.filtro) + QStringLiteral(" ) and ") + QStringLiteral(" (Nive_fich <> 0 ) ");
        EXPECT_EQ(Sesion_->Filtro_Actual, esperado);
        EXPECT_EQ(QString::fromStdString(tabla().filter()), esperado);
        EXPECT_EQ(Sesion_->Filtro_Seleccion, esperado);
        EXPECT_EQ(Sesion_->Seleccion_Activa, 1);
        std::vector<long long> pasan;
        for (std::size_t i : c.pasan)
            pasan.push_back(ids[i]);
        std::vector<long long> vistas = vista();
        std::sort(vistas.begin(), vistas.end());
        EXPECT_EQ(vistas, pasan);
        EXPECT_EQ(FILTRO_ENV->Label5->caption(), QStringLiteral(" Fichas en uso: %1 ").arg(pasan.size()));
    }
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('|')).toStdString();
}

} // namespace
