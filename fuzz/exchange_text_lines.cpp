// Fuzz target: the lines of the text imports and of group entry's text file, split into a
// card's parts, on any text. The first byte is the separator of the imports. Checks that the
// parts are pieces of the line in order, that only the last part holds separators, and that a
// name judged to be of the text file's folder cannot leave it.
#include "editing/Anade_n_Grupo_Lineas.h"
#include "exchange/Importar_de_txt_Lineas.h"
#include "platform/TextFile.h"

#include "FuzzCheck.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QString s = data[0] ? QString(QChar(char16_t(data[0]))) : QString();
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    platform::LineSplitter splitter;
    splitter.feed(bytes);
    splitter.finish();
    for (const QString &line : platform::decodeLines(splitter.lines())) {
        const Partes_Linea_Texto p = Divide_Linea_Texto(line, s);
        if (!s.isEmpty()) {
            check(!p.Pregunta.contains(s) && !p.Respuesta.contains(s) && !p.Clave.contains(s));
            // With three separators the parts give the line back (an empty importance reads "0").
            if (line.count(s) >= 3)
                check(QStringList({p.Pregunta, p.Respuesta, p.Clave, p.Importancia}).join(s) == line
                      || (p.Importancia == QLatin1String("0")
                          && QStringList({p.Pregunta, p.Respuesta, p.Clave, QString()}).join(s) == line));
        } else {
            check(p.Pregunta.isEmpty() && p.Respuesta.isEmpty() && p.Clave.isEmpty());
            check(p.Importancia == (line.isEmpty() ? QStringLiteral("0") : line));
        }

        const Archivos_Linea a = Divide_Linea_Archivos(line, s);
        if (!s.isEmpty() && line.count(s) >= 2)
            check(QStringList({a.Imagen_Pregunta, a.Imagen_Respuesta, a.Texto_Largo}).join(s) == line);
        for (const QString &name : {a.Imagen_Pregunta, a.Imagen_Respuesta, a.Texto_Largo, line}) {
            if (!Nombre_En_Carpeta(name))
                continue;
            check(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && name.trimmed() != "..");
            check(!name.contains(QChar(0)));
        }

        const std::array<QString, 4> g = Divide_Linea_Grupo(line);
        check(!g[0].contains(QLatin1Char('&')) && !g[1].contains(QLatin1Char('&')) && !g[2].contains(QLatin1Char('&')));
        if (line.count(QLatin1Char('&')) >= 3)
            check(QStringList({g[0], g[1], g[2], g[3]}).join(QLatin1Char('&')) == line);
        else
            check(g[0].size() + g[1].size() + g[2].size() + g[3].size() <= line.size());
    }
    return 0;
}
