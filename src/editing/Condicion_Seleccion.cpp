#include "editing/Condicion_Seleccion.h"

#include "store/Ficha.h"
#include "store/Sesion.h"

#include <QLatin1String>

namespace seleccion {
namespace {
QString comillas(QString texto)
{
    texto.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + texto + QLatin1Char('\'');
}
} // namespace

QString Condicion(int Sigue_a_Otra, int Conector, int Campo, int Operador, const QString &Valor, int Formato_Fecha)
{
    static const char *const Nombres[] = {ficha::Nive_Fich, ficha::Clav_Fich, ficha::Nive_Impo, ficha::Fech_Ulti_Repa,
                                         ficha::Total_Repa};
    static const char *const Signos[] = {"=", ">", ">=", "<", "<=", "<>"};
    const int campo = Campo >= 0 && Campo < 5 ? Campo : Campo_Nivel;
    const int operador = Operador >= 0 && Operador < 6 ? Operador : 0;
    QString condicion;
    if (Sigue_a_Otra == 1)
        condicion = Conector == 1 ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
    condicion += QLatin1String(Nombres[campo]);
    condicion += QLatin1String(Signos[operador]);
    if (campo == Campo_Fecha) {
        const QString aa = Valor.mid(6, 2);
        const QString dd = Formato_Fecha == 1 ? Valor.mid(0, 2) : Valor.mid(3, 2);
        const QString mm = Formato_Fecha == 1 ? Valor.mid(3, 2) : Valor.mid(0, 2);
        condicion += comillas(QStringLiteral("20") + aa + mm + dd);
    } else if (campo == Campo_Clave) {
        condicion += comillas(operador == 2 ? Valor : Valor + QLatin1Char('*'));
    } else {
        condicion += Valor;
    }
    return condicion;
}

bool Campo_Numerico(int Campo)
{
    return Campo == -1 || Campo == Campo_Nivel || Campo == Campo_Importancia || Campo == Campo_Repasos;
}

QString Valor_No_Numerico(int Campo, const QString &Nombre_Campo, const QString &Valor)
{
    if (Campo == Campo_Fecha || !Campo_Numerico(Campo) || Valor_Admitido(Campo, Valor))
        return {};
    return QStringLiteral("El valor de «%1» tiene que ser un número, escrito sólo con cifras (del 0 al 9):\r"
                          "«%2» no lo es.\r\rLa selección anterior sigue en uso.")
        .arg(Nombre_Campo, Valor);
}

bool Valor_Admitido(int Campo, const QString &Valor)
{
    if (Campo == Campo_Clave)
        return true;
    for (QChar c : Valor)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString Filtro_de_Seleccion(const QString &Condiciones, const QString &Filtro_Base)
{
    return QStringLiteral(" ( ") + Condiciones + QStringLiteral(" ) and ") + Filtro_Base;
}

} // namespace seleccion

void Anade_Condicion_a_Filtro(int Sigue_a_Otra, int Conector, int Campo, int Operador, const QString &Valor)
{
    Sesion_->Filtro_Actual += seleccion::Condicion(Sigue_a_Otra, Conector, Campo, Operador, Valor, Sesion_->Formato_Fecha);
}
