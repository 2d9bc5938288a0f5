#include "exchange/Exportacion.h"

#include "platform/Files.h"
#include "store/Ficha.h"
#include "store/Opciones_FE.h"

#include <QDir>

const QString Msg_No_Exportable = QStringLiteral(
    "No podrá exportar pues, cuando este Fichero de Estudio fue creado,\r\resa posibilidad no fue activada. ");
const QString Msg_Exportar_Vacio =
    QStringLiteral("No se puede exportar porque el Fichero de Estudio\r\rno tiene fichas.   Está vacio.\r");
const QString Msg_Exportar_Sin_Nombre = QStringLiteral("Debe escribir un nombre para\r\rel nuevo Fichero de Estudio.");
const QString Msg_Exportar_Ya_Existe =
    QStringLiteral("      Ya existe un Fichero con ese nombre.\r\rDebe cambiarlo para poder crear un Fichero nuevo.");
const QString Msg_Falta_Contrasena = QStringLiteral(" Falta la CONTRASEÑA. ");
const QString Msg_Exportado = QStringLiteral("El nuevo Fichero de Estudio\r\r%1\r\rha sido creado.");
const QString Msg_Fecha_Exportar = QStringLiteral("La Fecha de Creación no es una fecha completa.");
const QString Msg_Fichas_Nivel_1 = QStringLiteral("Debe escribir cuántas fichas\r\rpasarán al Nivel 1 (de 0 a 999).");
const QString Msg_Nivel_Exportar = QStringLiteral("Debe escribir el Nivel\r\rde todas las fichas (de 0 a 9).");

namespace {
// A whole number made of the digits of the text once trimmed; nothing otherwise.
std::optional<int> numero(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}
} // namespace

std::variant<Rechazo_Exportacion, Plan_Exportacion> Comprueba_Exportacion(const Pedido_Exportacion &P)
{
    using F = Foco_Exportacion;
    auto rechazo = [](const QString &mensaje, F foco) { return Rechazo_Exportacion{mensaje, foco}; };
    if (P.Exportable == 0)
        return rechazo(Msg_No_Exportable, F::Salir);
    if (!P.Hay_Fichas)
        return rechazo(Msg_Exportar_Vacio, F::Ninguno);
    if (P.Nombre.isEmpty())
        return rechazo(Msg_Exportar_Sin_Nombre, F::Nombre);
    Plan_Exportacion plan;
    plan.Carpeta = P.Carpeta_Programa + QStringLiteral("/dat");
    plan.Base = plan.Carpeta + QLatin1Char('/') + P.Nombre;
    for (const char *ext : {"STU", "MB", "DB", "PX"})
        if (!platform::existingPathAnyCase(plan.Base + QLatin1Char('.') + QLatin1String(ext)).isEmpty())
            return rechazo(Msg_Exportar_Ya_Existe, F::Nombre);
    if (P.Con_Contrasena && P.Contrasena.trimmed().isEmpty())
        return rechazo(Msg_Falta_Contrasena, F::Contrasena);
    if (!Nombre_FE_Valido(P.Nombre))
        return rechazo(Msg_Nombre_No_Valido, F::Nombre);
    if (!Nombre_FE_Cabe(QDir(plan.Carpeta).exists() ? plan.Carpeta : P.Carpeta_Programa, P.Nombre))
        return rechazo(Msg_Nombre_Largo, F::Nombre);

    const QString &fecha = P.Fecha;
    const QString dia = P.Formato_Fecha == 1 ? fecha.mid(0, 2) : fecha.mid(3, 2);
    const QString mes = P.Formato_Fecha == 1 ? fecha.mid(3, 2) : fecha.mid(0, 2);
    const QString anio = fecha.mid(6, 2);
    if (!numero(dia) || !numero(mes) || !numero(anio) || (dia + mes + anio).contains(QLatin1Char(' ')))
        return rechazo(Msg_Fecha_Exportar, F::Fecha);
    plan.Fech_Crea = (QStringLiteral("20") + anio + mes + dia).toStdString();
    plan.Opcion_Nivel = P.Opcion_Nivel;
    if (P.Opcion_Nivel == 1) {
        const std::optional<int> n = numero(P.Fichas_Nivel_1);
        if (!n)
            return rechazo(Msg_Fichas_Nivel_1, F::Fichas_Nivel_1);
        plan.Fichas_Nivel_1 = *n;
    }
    if (P.Opcion_Nivel == 3) {
        const std::optional<int> n = numero(P.Nivel_Todas);
        if (!n)
            return rechazo(Msg_Nivel_Exportar, F::Nivel);
        plan.Nivel_Todas = *n;
    }

    plan.Comprime = P.Comprimir;
    plan.Encripta = P.Con_Contrasena;
    plan.Empaqueta = plan.Comprime || plan.Encripta;
    plan.Clave = P.Con_Contrasena ? P.Contrasena.toStdString() : std::string();
    plan.Sin_Cambios_Repaso = P.Sin_Cambios_Repaso;
    plan.Exportable = P.Nuevo_Exportable;
    plan.Modificable = P.Nuevo_Modificable;
    plan.Imprimible = P.Nuevo_Imprimible;
    return plan;
}

QString Opciones_Nuevo_FE(const Plan_Exportacion &Plan, TPackStreams &PKS2, const QString &Linea)
{
    PKS2.Key = Plan.Clave;
    PKS2.Encrypted = Plan.Encripta;
    PKS2.Compressed = Plan.Comprime;
    return Linea_Opciones_Exportada(Linea, Plan.Comprime, Plan.Encripta, Plan.Modificable, Plan.Exportable, Plan.Imprimible);
}

std::vector<const char *> Campos_Blob_Exportados(int Tam_Respuesta, int Con_Texto_Largo, int Con_Imagen_Pregunta,
                                                 int Con_Imagen_Respuesta)
{
    std::vector<const char *> campos;
    if (Tam_Respuesta > 0)
        campos.push_back(ficha::Resp_Text);
    if (Con_Texto_Largo == 1)
        campos.push_back(ficha::Resp_Memo);
    if (Con_Imagen_Pregunta == 1)
        campos.push_back(ficha::Preg_Imag);
    if (Con_Imagen_Respuesta == 1)
        campos.push_back(ficha::Resp_Imag);
    return campos;
}

Imagen_Exportada Imagen_Nuevo_FE(Eleccion_Imagen Eleccion, const QString &Ruta_FE, const QString &Tipo_Otra_Imagen)
{
    if (Eleccion == Eleccion_Imagen::Misma) {
        const QString O = Ruta_FE.left(Ruta_FE.size() - 2);
        for (const char *ext : {"BMP", "JPG", "JPEG"}) {
            const QString path = platform::existingPathAnyCase(O + QLatin1String(ext));
            if (!path.isEmpty())
                return {path, ext[0] == 'B' ? QStringLiteral("BMP") : QStringLiteral("JPG")};
        }
    } else if (Eleccion == Eleccion_Imagen::Otra
               && (Tipo_Otra_Imagen == QLatin1String("BMP") || Tipo_Otra_Imagen == QLatin1String("JPG"))) {
        return {QString(), Tipo_Otra_Imagen};
    }
    return {};
}
