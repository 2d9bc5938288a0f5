#include "editing/Anade_n_Grupo_Lineas.h"

std::array<QString, 4> Divide_Linea_Grupo(const QString &L)
{
    // Positions from 0; a missing separator stands where the previous one stood.
    const qsizetype p1 = L.indexOf(QLatin1Char('&'));
    const qsizetype a2 = p1 < 0 ? -1 : L.indexOf(QLatin1Char('&'), p1 + 1);
    const qsizetype p2 = a2 < 0 ? p1 : a2;
    const qsizetype a3 = p2 < 0 ? -1 : L.indexOf(QLatin1Char('&'), p2 + 1);
    const qsizetype p3 = a3 < 0 ? p2 : a3;
    auto entre = [&](qsizetype desde, qsizetype hasta) {
        return hasta > desde ? L.mid(desde, hasta - desde) : QString();
    };
    return {entre(0, p1), entre(p1 + 1, p2), entre(p2 + 1, p3), L.mid(p3 + 1)};
}
