// The selection's condition rules: the text of each condition, the values admitted and the
// filter around the conditions.
#include "editing/Condicion_Seleccion.h"

#include <gtest/gtest.h>

namespace {

using namespace seleccion;

TEST(CondicionSeleccion, EveryFieldOperatorAndConnectorGivesItsText)
{
    struct Caso {
        int sigue, conector, campo, operador;
        const char *valor;
        int formatoFecha;
        const char *texto;
    };
    const Caso casos[] = {
        {0, 0, -1, -1, "5", 1, "Nive_Fich=5"},            // nothing chosen: the first items
        {0, 1, Campo_Nivel, 0, "2", 1, "Nive_Fich=2"},     // no connector on a first condition
        {0, 0, Campo_Clave, 0, "ab", 1, "Clav_Fich='ab*'"}, // the key is a prefix
        {0, 0, Campo_Clave, -1, "ab", 1, "Clav_Fich='ab*'"},
        {0, 0, Campo_Clave, 1, "ab", 1, "Clav_Fich>'ab*'"},
        {0, 0, Campo_Clave, 2, "ab", 1, "Clav_Fich>='ab'"}, // ">=": no star
        {0, 0, Campo_Clave, 3, "b", 1, "Clav_Fich<'b*'"},
        {0, 0, Campo_Clave, 4, "ab", 1, "Clav_Fich<='ab*'"},
        {0, 0, Campo_Clave, 5, "ab", 1, "Clav_Fich<>'ab*'"},
        {0, 0, Campo_Clave, 0, "a'b", 1, "Clav_Fich='a''b*'"},
        {0, 0, Campo_Clave, -1, "", 1, "Clav_Fich='*'"},
        {0, 0, Campo_Fecha, 1, "07/03/25", 1, "Fech_Ulti_Repa>'20250307'"}, // day first
        {0, 0, Campo_Fecha, 1, "07/03/25", 0, "Fech_Ulti_Repa>'20250703'"}, // month first
        {0, 0, Campo_Fecha, 5, "05/12/26", 1, "Fech_Ulti_Repa<>'20261205'"},
        {0, 0, Campo_Fecha, 0, "  /  /  ", 1, "Fech_Ulti_Repa='20      '"}, // a blank mask, by position
        {0, 0, Campo_Importancia, 4, "3", 1, "Nive_Impo<=3"},
        {0, 0, Campo_Repasos, 3, "3", 1, "Total_Repa<3"},
        {0, 0, Campo_Repasos, 1, " 3", 1, "Total_Repa> 3"}, // numbers as typed
        {1, 1, Campo_Importancia, 2, "3", 1, " AND Nive_Impo>=3"},
        {1, 0, Campo_Nivel, 0, "0", 1, " OR Nive_Fich=0"},
        {1, -1, Campo_Nivel, 1, "3", 1, " OR Nive_Fich>3"}, // connector nothing chosen
        {1, 2, 7, 9, "3", 1, " OR Nive_Fich=3"},           // out of range: the first items
    };
    for (const Caso &c : casos)
        EXPECT_EQ(Condicion(c.sigue, c.conector, c.campo, c.operador, QString::fromUtf8(c.valor), c.formatoFecha),
                  QString::fromUtf8(c.texto))
            << c.texto;
}

TEST(CondicionSeleccion, ValuesOtherThanTheKeyTakeDigitsOnly)
{
    struct Caso {
        int campo;
        const char *valor;
        bool admitido;
    };
    const Caso casos[] = {
        {Campo_Nivel, "", true},       {Campo_Nivel, "0123456789", true}, {Campo_Nivel, " ", false},
        {Campo_Nivel, "1x", false},    {Campo_Importancia, "3,5", false}, {Campo_Repasos, "-1", false},
        {-1, "1.", false},             {Campo_Fecha, "07/03/25", false},  {Campo_Clave, "a b'*", true},
        {Campo_Nivel, "\xd9\xa3", false}, // an Arabic-Indic digit is no digit 0 to 9
    };
    for (const Caso &c : casos)
        EXPECT_EQ(Valor_Admitido(c.campo, QString::fromUtf8(c.valor)), c.admitido) << c.campo << " " << c.valor;
    // Choosing a field checks the value already typed, except for the key and the date.
    for (int campo = -1; campo <= Campo_Repasos; ++campo)
        EXPECT_EQ(Campo_Numerico(campo), campo != Campo_Clave && campo != Campo_Fecha) << campo;
}

TEST(CondicionSeleccion, TheSelectionWrapsItsConditionsBeforeTheBaseFilter)
{
    EXPECT_EQ(Filtro_de_Seleccion(QStringLiteral("Nive_Fich=2 OR Nive_Fich=3"), QStringLiteral(" (Nive_fich <> 0 ) ")),
              QStringLiteral(" ( Nive_Fich=2 OR Nive_Fich=3 ) and  (Nive_fich <> 0 ) "));
}

} // namespace
