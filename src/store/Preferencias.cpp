#include "store/Preferencias.h"

namespace preferencias {

namespace {

// Reads the fields of one line; remembers whether every field was there and well formed.
class Campos {
public:
    explicit Campos(const QString &linea) : m_linea(linea) {}

    bool correcto() const { return m_correcto; }

    // Columns first..first+length-1 (1-based); nothing when the line does not reach the last.
    bool alcanza(int first, int length)
    {
        if (m_linea.size() >= first - 1 + length)
            return true;
        m_correcto = false;
        return false;
    }

    // Whether the columns hold exactly the value; `siFalta` when the line does not reach them.
    bool es(int first, const QLatin1String &valor, bool siFalta)
    {
        if (!alcanza(first, int(valor.size())))
            return siFalta;
        return QStringView(m_linea).mid(first - 1, valor.size()) == valor;
    }

    // A number of `length` decimal digits, blanks around them allowed; `siFalla` otherwise.
    int numero(int first, int length, int siFalla)
    {
        if (!alcanza(first, length))
            return siFalla;
        const QStringView texto = QStringView(m_linea).mid(first - 1, length).trimmed();
        int n = 0;
        for (QChar c : texto) {
            if (c < u'0' || c > u'9') {
                m_correcto = false;
                return siFalla;
            }
            n = n * 10 + (c.unicode() - u'0');
        }
        if (texto.isEmpty()) {
            m_correcto = false;
            return siFalla;
        }
        return n;
    }

private:
    const QString &m_linea;
    bool m_correcto = true;
};

QString dosCifras(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString siNo(bool si)
{
    return si ? QStringLiteral("SI") : QStringLiteral("NO");
}

} // namespace

QString Rellena_Ceros_3(int n)
{
    return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'));
}

const QString &rotuloMismoDia()
{
    static const QString r = QStringLiteral("[Permitir repasar las fichas varias veces el mismo día]");
    return r;
}

const QStringList &primeraVez()
{
    static const QStringList l{
        QStringLiteral("ddmmaa__ESP_S_000-001-007-021-045-090-120-150-180-"),
        QStringLiteral("SI_SIPER_030-035-030-030-025-025-020-Parpad_SI_05__"),
        QStringLiteral("SI__020__010__"),
        QStringLiteral("No       ") + rotuloMismoDia(),
    };
    return l;
}

Leido<Repaso> leeRepaso(const QString &linea)
{
    Campos c(linea);
    Repaso v;
    const Repaso def;
    v.Formato_Fecha = c.es(1, QLatin1String("mmddaa"), def.Formato_Fecha == 0) ? 0 : 1;
    v.Idioma = c.es(9, QLatin1String("ING"), def.Idioma == QLatin1String("ING")) ? QStringLiteral("ING")
                                                                               : QStringLiteral("ESP");
    v.Repaso_Por_Tiempo = c.es(13, QLatin1String("S"), def.Repaso_Por_Tiempo == 1) ? 1 : 0;
    for (int i = 1; i <= 9; ++i)
        v.Dias_Repaso[i] = c.numero(15 + 4 * (i - 1), 3, def.Dias_Repaso[i]);
    return {v, c.correcto()};
}

Leido<Descansos> leeDescansos(const QString &linea)
{
    Campos c(linea);
    Descansos v;
    const Descansos def;
    v.Avisar_Descansos = c.es(1, QLatin1String("NO"), def.Avisar_Descansos == 0) ? 0 : 1;
    v.Descansos_Periodicos = c.es(4, QLatin1String("SIPER"), def.Descansos_Periodicos == 1) ? 1 : 0;
    for (int j = 0; j <= 6; ++j)
        v.Minutos[j] = c.numero(10 + 4 * j, 3, def.Minutos[j]);
    v.Parpadeo = c.es(45, QLatin1String("SI"), def.Parpadeo);
    v.Minutos_Parpadeo = c.numero(48, 2, def.Minutos_Parpadeo);
    return {v, c.correcto()};
}

Leido<Nivel0> leeNivel0(const QString &linea)
{
    Campos c(linea);
    Nivel0 v;
    const Nivel0 def;
    v.Pasar_Nivel_0_a_1 = c.es(1, QLatin1String("NO"), def.Pasar_Nivel_0_a_1 == 0) ? 0 : 1;
    v.Min_Fichas_Nivel_1 = c.numero(5, 3, def.Min_Fichas_Nivel_1);
    v.Fichas_A_Pasar = c.numero(10, 3, def.Fichas_A_Pasar);
    return {v, c.correcto()};
}

Leido<MismoDia> leeMismoDia(const QString &linea)
{
    Campos c(linea);
    MismoDia v;
    v.Permitido = !c.es(1, QLatin1String("NO"), !MismoDia().Permitido);
    return {v, c.correcto()};
}

QString lineaRepaso(const Repaso &v)
{
    QString l = (v.Formato_Fecha == 0 ? QStringLiteral("mmddaa") : QStringLiteral("ddmmaa")) + QStringLiteral("__")
                + v.Idioma + QLatin1Char('_') + (v.Repaso_Por_Tiempo == 1 ? QLatin1Char('S') : QLatin1Char('N'))
                + QLatin1Char('_');
    for (int i = 1; i <= 9; ++i)
        l += Rellena_Ceros_3(v.Dias_Repaso[i]) + QLatin1Char('-');
    return l;
}

QString lineaDescansos(const Descansos &v)
{
    QString l = siNo(v.Avisar_Descansos == 1) + QLatin1Char('_')
                + (v.Descansos_Periodicos == 1 ? QStringLiteral("SIPER") : QStringLiteral("NOPER")) + QLatin1Char('_');
    for (int j = 0; j <= 6; ++j)
        l += Rellena_Ceros_3(v.Minutos[j]) + QLatin1Char('-');
    return l + QStringLiteral("Parpad_") + siNo(v.Parpadeo) + QLatin1Char('_') + dosCifras(v.Minutos_Parpadeo)
           + QStringLiteral("__");
}

QString lineaNivel0(const Nivel0 &v)
{
    return siNo(v.Pasar_Nivel_0_a_1 == 1) + QStringLiteral("__") + Rellena_Ceros_3(v.Min_Fichas_Nivel_1)
           + QStringLiteral("__") + Rellena_Ceros_3(v.Fichas_A_Pasar) + QStringLiteral("__");
}

QString lineaMismoDia(const MismoDia &v)
{
    // The first-run form: "No" and seven blanks.
    return (v.Permitido ? QStringLiteral("No") : QStringLiteral("NO")) + QStringLiteral("       ") + rotuloMismoDia();
}

QString lineaMismoDiaOpciones(const MismoDia &v)
{
    return siNo(v.Permitido) + QStringLiteral("    ") + rotuloMismoDia();
}

QStringList lineasOpciones(const Repaso &repaso, const Descansos &descansos, const Nivel0 &nivel0,
                           const MismoDia &mismoDia)
{
    Nivel0 n = nivel0;
    n.Pasar_Nivel_0_a_1 = 0;
    return {lineaRepaso(repaso), lineaDescansos(descansos), lineaNivel0(n), lineaMismoDiaOpciones(mismoDia)};
}

namespace {
template <class Lee, class Escribe>
void corrigeLinea(QStringList &lineas, int indice, Lee lee, Escribe escribe)
{
    const QString linea = lineas.value(indice);
    const auto leido = lee(linea);
    if (indice >= lineas.size())
        lineas.append(escribe(leido.valores));
    else if (!leido.correcto)
        lineas[indice] = escribe(leido.valores);
}
} // namespace

QStringList corrige(const QStringList &lineas)
{
    QStringList out = lineas;
    corrigeLinea(out, 0, leeRepaso, lineaRepaso);
    corrigeLinea(out, 1, leeDescansos, lineaDescansos);
    corrigeLinea(out, 2, leeNivel0, lineaNivel0);
    corrigeLinea(out, 3, leeMismoDia, lineaMismoDia);
    return out;
}

bool correctas(const QStringList &lineas)
{
    return lineas.size() >= Lineas && leeRepaso(lineas[0]).correcto && leeDescansos(lineas[1]).correcto
           && leeNivel0(lineas[2]).correcto && leeMismoDia(lineas[3]).correcto;
}

} // namespace preferencias
