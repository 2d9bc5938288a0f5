#include "app/Apertura_FE.h"

#include "platform/Cp1252.h"
#include "platform/Files.h"
#include "store/Sesion.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace apertura {

QString Carpeta(const QString &Ruta)
{
    const qsizetype i = Ruta.lastIndexOf(QLatin1Char('/'));
    return i < 0 ? QString() : Ruta.left(i + 1);
}

QString Carpeta_Tabla(const QString &Ruta)
{
    QString carpeta = Carpeta(Ruta);
    if (carpeta.size() > 1)
        carpeta.chop(1);
    return carpeta;
}

QString Nombre(const QString &Ruta)
{
    return Ruta.mid(Ruta.lastIndexOf(QLatin1Char('/')) + 1);
}

QString Sin_Extension(const QString &Nombre)
{
    return Nombre.left(qMax<qsizetype>(0, Nombre.size() - 3));
}

bool Contenedor_Cifrado(const QString &Ruta)
{
    QFile f(Ruta);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(2);
    return head.size() == 2 && head.at(1) == '*';
}

void Pon_Opciones(TSesion_ &s, const Opciones_FE &o)
{
    s.Con_Imagen_Pregunta = o.Imagen_Pregunta ? 1 : 0;
    s.Con_Imagen_Respuesta = o.Imagen_Respuesta ? 1 : 0;
    s.Con_Texto_Largo = o.Texto_Largo ? 1 : 0;
    s.Con_Clave = o.Clave ? 1 : 0;
    s.Con_Importancia = o.Importancia ? 1 : 0;
    s.Tam_Pregunta = o.Tam_Pregunta;
    s.Tam_Respuesta = o.Tam_Respuesta;
    s.Comprimido = o.Comprimido ? 1 : 0;
    s.Encriptado = o.Encriptado ? 1 : 0;
    s.Fichero_Empaquetado = (s.Comprimido == 1 || s.Encriptado == 1) ? 1 : 0;
    s.Exportable = o.Exportable ? 1 : 0;
    s.Modificable = o.Modificable ? 1 : 0;
    s.Imprimible = o.Imprimible ? 1 : 0;
}

QString Ruta_Imagen(const QString &Ruta_FE)
{
    for (const char *ext : {"BMP", "JPG", "JPEG"}) {
        const QString ruta = platform::existingPathAnyCase(Ruta_Companero(Ruta_FE, QLatin1String(ext)));
        if (!ruta.isEmpty())
            return ruta;
    }
    return {};
}

QString Primera_Linea_Ultimo(const QString &Carpeta_Programa)
{
    const QString path = platform::existingPathAnyCase(Carpeta_Programa + QLatin1Char('/') + Fichero_Ultimo_FE);
    const std::optional<QByteArray> bytes = path.isEmpty() ? std::nullopt : platform::readWholeFile(path);
    if (!bytes)
        return {};
    const QString text = platform::cp1252::decodeText(*bytes);
    qsizetype end = 0;
    while (end < text.size() && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
        ++end;
    if (end < text.size()) {
        QString whole = text;
        if (whole.endsWith(QLatin1String("\r\n")))
            whole.chop(2);
        else if (whole.endsWith(QLatin1Char('\n')) || whole.endsWith(QLatin1Char('\r')))
            whole.chop(1);
        if (whole.size() > end && QFileInfo(whole).isFile())
            return whole;
    }
    return text.left(end);
}

bool Nombre_Ilegible(const QString &Ruta)
{
    return Ruta.contains(QChar(QChar::ReplacementCharacter)) && !QFileInfo::exists(Ruta);
}

QString Rotulo_Ultimo(const QString &Ruta)
{
    if (Ruta.isEmpty())
        return {};
    return QStringLiteral("9-  Abrir último Fichero abierto:\r        ") + Sin_Extension(Nombre(Ruta));
}

} // namespace apertura
