// The selection's filter text, built from the condition rows of the selection window, and the
// cards it lets through, compared with a plain evaluation of the same conditions.
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
    const char *filtro; // between " ( " and " ) and " + the base filter
};

const std::vector<Caso> Casos = {
    {"level, nothing chosen", 1, {{-1, -1, "5"}}, "Nive_Fich=5"},
    {"level equal", 1, {{0, 0, "2"}}, "Nive_Fich=2"},
    {"key equal is a prefix", 1, {{1, 0, "ab"}}, "Clav_Fich='ab*'"},
    {"key nothing chosen", 1, {{1, -1, "ab"}}, "Clav_Fich='ab*'"},
    {"key different", 1, {{1, 5, "ab"}}, "Clav_Fich<>'ab*'"},
    {"key greater or equal, no star", 1, {{1, 2, "ab"}}, "Clav_Fich>='ab'"},
    {"key greater", 1, {{1, 1, "ab"}}, "Clav_Fich>'ab*'"},
    {"key less", 1, {{1, 3, "b"}}, "Clav_Fich<'b*'"},
    {"key less or equal", 1, {{1, 4, "ab"}}, "Clav_Fich<='ab*'"},
    {"key with a quote", 1, {{1, 0, "a'b"}}, "Clav_Fich='a''b*'"},
    {"date day first", 1, {{3, 1, "07/03/25"}}, "Fech_Ulti_Repa>'20250307'"},
    {"date month first", 0, {{3, 1, "07/03/25"}}, "Fech_Ulti_Repa>'20250703'"},
    {"date different", 1, {{3, 5, "05/12/26"}}, "Fech_Ulti_Repa<>'20261205'"},
    {"importance", 1, {{2, 4, "3"}}, "Nive_Impo<=3"},
    {"review count", 1, {{4, 3, "3"}}, "Total_Repa<3"},
    {"two rows Y", 1, {{0, 0, "2"}, {2, 2, "3", 1}}, "Nive_Fich=2 AND Nive_Impo>=3"},
    {"two rows O with level 0", 1, {{0, 0, "1"}, {0, 0, "0", 0}}, "Nive_Fich=1 OR Nive_Fich=0"},
    {"connector nothing chosen", 1, {{0, 0, "1"}, {0, 1, "3", -1}}, "Nive_Fich=1 OR Nive_Fich>3"},
    {"six rows, and before or",
     1,
     {{0, 2, "1"}, {2, 4, "4", 1}, {1, 0, "a", 0}, {4, 5, "3", 1}, {3, 3, "01/01/26", 1}, {0, 1, "3", 0}},
     "Nive_Fich>=1 AND Nive_Impo<=4 OR Clav_Fich='a*' AND Total_Repa<>3 AND Fech_Ulti_Repa<'20260101'"
     " OR Nive_Fich>3"},
};

// A plain evaluation of the rows on a card: AND before OR, then the base filter.
bool pasa(const std::vector<Fila> &filas, const testsupport::Card &c, int formatoFecha)
{
    auto condicion = [&](const Fila &f) {
        const int campo = std::max(f.campo, 0), op = std::max(f.operador, 0);
        auto compara = [op](auto a, auto b) {
            switch (op) {
            case 1: return a > b;
            case 2: return a >= b;
            case 3: return a < b;
            case 4: return a <= b;
            case 5: return a != b;
            default: return a == b;
            }
        };
        const std::string v = f.valor.toStdString();
        switch (campo) {
        case 1: {
            // A prefix: the key's first characters against the value, except with ">=".
            const std::string key = op == 2 ? c.key : c.key.substr(0, v.size());
            return compara(key, v);
        }
        case 3: {
            const std::string dd = formatoFecha == 1 ? v.substr(0, 2) : v.substr(3, 2);
            const std::string mm = formatoFecha == 1 ? v.substr(3, 2) : v.substr(0, 2);
            return compara(c.lastReview, "20" + v.substr(6, 2) + mm + dd);
        }
        case 2:
            // A blank importance is below every number.
            return c.importance < 0 ? compara(0, 1) : compara(c.importance, std::stoi(v));
        case 4:
            return compara(c.reviews, std::stoi(v));
        default:
            return compara(c.level, std::stoi(v));
        }
    };
    bool alguno = false, grupo = condicion(filas[0]);
    for (std::size_t k = 1; k < filas.size(); ++k) {
        if (filas[k].conector == 1) {
            grupo = grupo && condicion(filas[k]);
        } else {
            alguno = alguno || grupo;
            grupo = condicion(filas[k]);
        }
    }
    return (alguno || grupo) && c.level != 0;
}

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

TEST_F(SelectionFilter, EveryFieldOperatorAndConnectorGivesItsTextAndItsCards)
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
        for (std::size_t i = 0; i < cards.size(); ++i)
            if (pasa(c.filas, cards[i], c.formatoFecha))
                pasan.push_back(ids[i]);
        std::vector<long long> vistas = vista();
        std::sort(vistas.begin(), vistas.end());
        EXPECT_EQ(vistas, pasan);
        EXPECT_EQ(FILTRO_ENV->Label5->caption(), QStringLiteral(" Fichas en uso: %1 ").arg(pasan.size()));
    }
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('|')).toStdString();
}

TEST_F(SelectionFilter, TheBuilderAppendsToTheCurrentFilter)
{
    abre({});
    Sesion_->Filtro_Actual = QStringLiteral("X");
    Anade_Condicion_a_Filtro(0, 1, 0, 0, QStringLiteral("5"));
    Anade_Condicion_a_Filtro(1, 1, 4, 1, QStringLiteral(" 3"));
    Anade_Condicion_a_Filtro(1, -1, 1, -1, QString());
    Anade_Condicion_a_Filtro(1, 0, 3, 0, QStringLiteral("  /  /  "));
    EXPECT_EQ(Sesion_->Filtro_Actual, QStringLiteral("XNive_Fich=5 AND Total_Repa> 3 OR Clav_Fich='*' OR Fech_Ulti_Repa='20      '"));
}

} // namespace
