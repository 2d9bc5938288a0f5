#include "exchange/Importar_de_txt_Lineas.h"

#include <tuple>
#include <utility>

namespace {
// The text before the first separator, and the text after it (all of the text when there is
// none). An empty separator matches nowhere.
std::pair<QString, QString> corta(const QString &texto, const QString &s)
{
    const qsizetype p = s.isEmpty() ? qsizetype(-1) : texto.indexOf(s);
    return {p > 0 ? texto.left(p) : QString(), p < 0 ? texto : texto.mid(p + 1)};
}
} // namespace

Partes_Linea_Texto Divide_Linea_Texto(const QString &L, const QString &s)
{
    Partes_Linea_Texto partes;
    QString resto;
    std::tie(partes.Pregunta, resto) = corta(L, s);
    std::tie(partes.Respuesta, resto) = corta(resto, s);
    std::tie(partes.Clave, partes.Importancia) = corta(resto, s);
    if (partes.Importancia.isEmpty())
        partes.Importancia = QStringLiteral("0");
    return partes;
}

Archivos_Linea Divide_Linea_Archivos(const QString &L, const QString &s)
{
    Archivos_Linea a;
    QString resto;
    std::tie(a.Imagen_Pregunta, resto) = corta(L, s);
    std::tie(a.Imagen_Respuesta, a.Texto_Largo) = corta(resto, s);
    return a;
}

bool Nombre_En_Carpeta(const QString &Nombre)
{
    // Blanks around "..", which some systems drop, and a NUL, which ends a name there, count.
    if (Nombre.trimmed() == QLatin1String("..") || Nombre.contains(QLatin1Char('/'))
        || Nombre.contains(QLatin1Char('\\')) || Nombre.contains(QChar(0)))
        return false;
    const bool unidad = Nombre.size() >= 2 && Nombre.at(1) == QLatin1Char(':') && Nombre.at(0).isLetter();
    return !unidad;
}
