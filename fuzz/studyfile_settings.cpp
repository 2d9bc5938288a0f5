// Fuzz target: a study file's settings item (rich text) read into its options, as the open
// routine reads it. Options that read back are written again and must read the same.
#include "platform/Rtf.h"
#include "store/Opciones_FE.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {
bool same(const Opciones_FE &a, const Opciones_FE &b)
{
    return a.Imagen_Pregunta == b.Imagen_Pregunta && a.Imagen_Respuesta == b.Imagen_Respuesta
           && a.Texto_Largo == b.Texto_Largo && a.Clave == b.Clave && a.Importancia == b.Importancia
           && a.Tam_Pregunta == b.Tam_Pregunta && a.Tam_Respuesta == b.Tam_Respuesta && a.Comprimido == b.Comprimido
           && a.Encriptado == b.Encriptado && a.Modificable == b.Modificable && a.Exportable == b.Exportable
           && a.Imprimible == b.Imprimible;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_studyfile_settings";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = platform::rtf::toLines(bytes);
    const std::optional<Opciones_FE> o = Lee_Linea_Opciones_FE(lines.value(0));
    if (!o)
        return 0;
    const QString again = Linea_Opciones_FE(*o);
    const std::optional<Opciones_FE> back = Lee_Linea_Opciones_FE(again);
    if (again.size() != Largo_Linea_Opciones || !back || !same(*o, *back))
        std::abort();
    return 0;
}
