#include "store/Opciones_FE.h"

#include "store/Sesion.h"

#include <QFile>

#include <unistd.h>

namespace {
void put(QString &line, int position, const QString &text)
{
    line.replace(position, text.size(), text);
}

QString siNo(bool yes)
{
    return yes ? QStringLiteral("si") : QStringLiteral("no");
}

QString flag(bool yes)
{
    return yes ? QStringLiteral("1") : QStringLiteral("0");
}

// Leading blanks removed, then one or more decimal digits and nothing else.
std::optional<int> sizeField(const QString &field)
{
    int i = 0;
    while (i < field.size() && field.at(i) == QLatin1Char(' '))
        ++i;
    if (i == field.size())
        return std::nullopt;
    int value = 0;
    for (; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}
} // namespace

QString Linea_Opciones_FE(const Opciones_FE &o)
{
    QString line(Largo_Linea_Opciones, QLatin1Char(' '));
    put(line, 0, flag(o.Imagen_Pregunta));
    put(line, 2, flag(o.Imagen_Respuesta));
    put(line, 4, flag(o.Texto_Largo));
    put(line, 6, flag(o.Clave));
    put(line, 8, flag(o.Importancia));
    put(line, 11, QString::number(o.Tam_Pregunta).rightJustified(3, QLatin1Char(' '), true));
    put(line, 15, QString::number(o.Tam_Respuesta).rightJustified(3, QLatin1Char(' '), true));
    put(line, 20, QStringLiteral("C") + siNo(o.Comprimido));
    put(line, 24, QStringLiteral("E") + siNo(o.Encriptado));
    put(line, 28, QStringLiteral("M") + siNo(o.Modificable));
    put(line, 32, QStringLiteral("EX") + siNo(o.Exportable));
    put(line, 37, QStringLiteral("IM") + siNo(o.Imprimible));
    return line;
}

QString Linea_Version_FE()
{
    return Titulo_Programa + QString(200, QLatin1Char(' '));
}

std::optional<Opciones_FE> Lee_Linea_Opciones_FE(const QString &Linea)
{
    if (Linea.size() < Largo_Minimo_Linea_Opciones)
        return std::nullopt;
    const std::optional<int> pregunta = sizeField(Linea.mid(11, 3));
    const std::optional<int> respuesta = sizeField(Linea.mid(15, 3));
    if (!pregunta || !respuesta)
        return std::nullopt;
    auto one = [&](int i) { return Linea.at(i) == QLatin1Char('1'); };
    auto s = [&](int i) { return Linea.at(i) == QLatin1Char('s'); };
    Opciones_FE o;
    o.Imagen_Pregunta = one(0);
    o.Imagen_Respuesta = one(2);
    o.Texto_Largo = one(4);
    o.Clave = one(6);
    o.Importancia = one(8);
    o.Tam_Pregunta = *pregunta;
    o.Tam_Respuesta = *respuesta;
    o.Comprimido = s(21);
    o.Encriptado = s(25);
    o.Modificable = s(29);
    o.Exportable = s(34);
    o.Imprimible = s(39);
    return o;
}

QString Linea_Opciones_Exportada(QString Linea, bool Comprimido, bool Encriptado, bool Modificable, bool Exportable,
                                 bool Imprimible)
{
    if (Linea.size() < Largo_Linea_Opciones)
        Linea = Linea.leftJustified(Largo_Linea_Opciones, QLatin1Char(' '));
    put(Linea, 21, siNo(Comprimido));
    put(Linea, 25, siNo(Encriptado));
    put(Linea, 29, siNo(Modificable));
    put(Linea, 34, siNo(Exportable));
    put(Linea, 39, siNo(Imprimible));
    return Linea;
}

const QString Msg_Nombre_No_Valido =
    QStringLiteral("El nombre no puede contener ninguno\r\rde estos caracteres:   \\ / : * ? \" < > |");

bool Nombre_FE_Valido(const QString &Nombre)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar c : Nombre)
        if (c.unicode() < 32 || c.unicode() == 127 || forbidden.contains(c))
            return false;
    return true;
}

const QString Msg_Nombre_Largo = QStringLiteral(
    "El nombre es demasiado largo para un archivo de esta carpeta.\r\rDebe acortarlo para poder crear un Fichero nuevo.");

bool Nombre_FE_Cabe(const QString &Carpeta, const QString &Nombre)
{
    long limit = ::pathconf(QFile::encodeName(Carpeta).constData(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = 255;
    return QFile::encodeName(Nombre + QStringLiteral(".DB-journal")).size() <= limit;
}
