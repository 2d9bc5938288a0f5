#include "review/Reglas_Repaso.h"

#include "platform/Clock.h"

#include <QTime>

#include <algorithm>

namespace {
const QString Texto_Duracion_Sesion = QStringLiteral("La sesión de repaso ha durado   ");
} // namespace

QString Fecha_Hoy_Mas_Dias(int N)
{
    return platform::clock::today().addDays(N).toString(QStringLiteral("yyyyMMdd"));
}

int Porcentaje_Repaso(int x, int Total)
{
    return Total > 0 ? int(std::int64_t(x) * 100 / Total) : 0;
}

QString Texto_Duracion(std::int64_t Milisegundos)
{
    const std::int64_t s = std::max<std::int64_t>(Milisegundos, 0) / 1000;
    // A time of day: past 24 hours the clock starts again at 00:00:00.
    return QTime(0, 0).addSecs(int(s % 86400)).toString(QStringLiteral("hh:mm:ss"));
}

QString Texto_Tiempo_Medio(std::int64_t Milisegundos, int Fichas)
{
    const std::int64_t ms = std::max<std::int64_t>(Milisegundos, 0);
    const std::int64_t porFicha = std::int64_t(std::max(Fichas, 1)) * 1000; // ms x cards in a second per card
    if (ms < 60 * porFicha) {
        // Rounded to the nearest second, a half to the even one.
        std::int64_t q = ms / porFicha;
        const std::int64_t r2 = 2 * (ms % porFicha);
        if (r2 > porFicha || (r2 == porFicha && q % 2 == 1))
            ++q;
        return QString::number(q) + QStringLiteral(" segundos.");
    }
    const std::int64_t segundos = ms / porFicha;
    const std::int64_t minutos = segundos / 60;
    return QString::number(minutos) + QStringLiteral(" minuto/s  ") + QString::number(segundos - minutos * 60)
           + QStringLiteral(" segundos.");
}

namespace repaso {

std::optional<Ficha> Juzga(const Ficha &Actual, bool Correcta, const QString &Fecha_Hoy,
                           const std::array<int, 10> &Dias_Repaso)
{
    if (!(Actual.Fech_Ulti_Repa < Fecha_Hoy))
        return std::nullopt;
    Ficha f = Actual;
    f.Nive_Fich = Correcta ? Actual.Nive_Fich + 1 : 1;
    // Levels below 1 (only a damaged card holds them) take the first interval.
    const int dias = Dias_Repaso[std::size_t(Correcta ? std::clamp(f.Nive_Fich, 1, 9) : 2)];
    f.Fech_Ulti_Repa = Fecha_Hoy;
    f.Total_Repa = Actual.Total_Repa + 1;
    f.Fech_Prox_Repa = Fecha_Hoy_Mas_Dias(dias);
    return f;
}

void Cuenta(Contadores &c, bool Correcta)
{
    ++c.Fichas_Repasadas;
    --c.Fichas_Pendientes;
    (Correcta ? c.Aciertos : c.Errores) += 1;
}

QString Texto_Repasadas(const Contadores &c)
{
    return QStringLiteral("Fichas ya Repasadas: ") + QString::number(c.Fichas_Repasadas);
}

QString Texto_Pendientes(const Contadores &c)
{
    return QStringLiteral("Fichas pendientes: ") + QString::number(c.Fichas_Pendientes);
}

namespace {
QString resultado(const QString &rotulo, int x, const Contadores &c)
{
    if (c.Fichas_Repasadas == 0)
        return rotulo;
    return rotulo + QString::number(x) + QStringLiteral(" ( ") + QString::number(Porcentaje_Repaso(x, c.Fichas_Repasadas))
           + QStringLiteral("% ) ");
}
} // namespace

QString Texto_Aciertos(const Contadores &c)
{
    return resultado(QStringLiteral("Aciertos: "), c.Aciertos, c);
}

QString Texto_Errores(const Contadores &c)
{
    return resultado(QStringLiteral("Errores: "), c.Errores, c);
}

QString Texto_Estadisticas(const Contadores &c, std::int64_t Milisegundos, bool Sin_Fichas)
{
    const QString D = Texto_Duracion(Milisegundos);
    if (c.Fichas_Repasadas < 1)
        return Texto_Duracion_Sesion + D + QStringLiteral("\r\rNo se han repasado fichas.");
    QString m;
    if (Sin_Fichas)
        m = QStringLiteral("No hay más fichas seleccionadas que repasar\r\r");
    m += Texto_Duracion_Sesion + D + QStringLiteral("\r\r");
    m += QStringLiteral("Se han repasado ") + QString::number(c.Fichas_Repasadas) + QStringLiteral(" fichas.\r\r");
    m += QStringLiteral("    *  Correctas: ") + QString::number(c.Aciertos) + QStringLiteral(" fichas.   ( ")
         + QString::number(Porcentaje_Repaso(c.Aciertos, c.Fichas_Repasadas)) + QStringLiteral(" % )\r\r");
    m += QStringLiteral("    *  Incorrectas: ") + QString::number(c.Errores) + QStringLiteral(" fichas.   ( ")
         + QString::number(Porcentaje_Repaso(c.Errores, c.Fichas_Repasadas)) + QStringLiteral(" % )\r\r");
    m += QStringLiteral("Tiempo medio dedicado a cada ficha: ") + Texto_Tiempo_Medio(Milisegundos, c.Fichas_Repasadas);
    return m;
}

} // namespace repaso
