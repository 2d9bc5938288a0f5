#include "review/Filtros_Repaso.h"

namespace repaso {

QString Filtro_Niveles(const std::array<int, 9> &Niveles_Marcados, const QString &Base)
{
    QString L;
    for (int n = 1; n <= 8; ++n) {
        if (Niveles_Marcados[std::size_t(n)] != 1)
            continue;
        L += (L.isEmpty() ? QStringLiteral("Nive_Fich = ") : QStringLiteral(" or Nive_Fich = ")) + QString::number(n);
    }
    return L.isEmpty() ? Base : L;
}

QString Filtro_Repasar(bool Rapida, bool Algun_Nivel, const QString &F, const QString &Base)
{
    if (!Rapida)
        return F;
    return Algun_Nivel ? QStringLiteral(" ( ") + F + QStringLiteral(" ) and ") + Base : Base;
}

QString Filtro_Por_Tiempo(bool Rapida, bool Algun_Nivel, const QString &F, const QString &Base,
                          const QString &Fecha_Hoy)
{
    const QString Q = QLatin1Char('\'') + Fecha_Hoy + QLatin1Char('\'');
    const bool conCondicion = Rapida ? Algun_Nivel : F != Base;
    if (!conCondicion)
        return QStringLiteral("Fech_Prox_Repa <= ") + Q + QStringLiteral(" and ") + Base;
    const QString vencidas = QStringLiteral("( ") + F + QStringLiteral(" ) and ( Fech_Prox_Repa <= ") + Q + QStringLiteral(" )");
    return Rapida ? vencidas + QStringLiteral(" and ") + Base : vencidas;
}

QString Filtro_Mismo_Dia(const QString &F, bool Permitido, const QString &Fecha_Hoy)
{
    if (Permitido)
        return F;
    return F + QStringLiteral("and (Fech_Ulti_Repa <> ") + Fecha_Hoy + QLatin1Char(')');
}

Repaso_Por_Tiempo Filtro_Menu_Por_Tiempo(const QString &F, const QString &Fecha_Hoy)
{
    const QString antes = F.trimmed().isEmpty() ? QStringLiteral("( Nive_Fich <> 0 ) ") : F;
    return {antes, antes + QStringLiteral(" and (Fech_Prox_Repa <= ") + Fecha_Hoy + QLatin1Char(')')};
}

} // namespace repaso
