#include "store/Sesion.h"

#include "platform/Files.h"
#include "platform/Timer.h"

#include <optional>

TSesion_ *Sesion_ = nullptr;

QString Titulo_Programa = QStringLiteral("Orvenda  vs. 2.0").leftJustified(40, QLatin1Char(' '));
QString Filtro_Base = QStringLiteral(" (Nive_fich <> 0 ) ");
const QString Fichero_Preferencias = QStringLiteral("Orvenda02.stu");
const QString Fichero_Ayuda = QStringLiteral("Orvenda2.chm");
const QString Fichero_Estilo_Fuente = QStringLiteral("01.stl");
const QString Msg_Ningun_Fichero_Abierto = QStringLiteral("No hay ningún Fichero de Estudio abierto.");
const QString Msg_Ningun_Fichero_Seleccionado = QStringLiteral("No se seleccionó ningún Fichero de Estudio");
const QString Msg_Fichero_Incompleto = QStringLiteral("El Fichero de Estudio está incompleto.");
const QString Msg_Preferencias_Nuevas = QStringLiteral(
    " Se ha creado un nuevo archivo con las preferencias del programa. \r\r"
    " Siempre verá este mensaje si usa el programa por primera vez. \r\r"
    " Si ya lo había usado antes, recuerde que perderá la configuración anterior. ");
const QString Msg_Preferencias_No_Guardadas = QStringLiteral(
    " No se ha podido guardar el archivo con las preferencias del programa (Orvenda02.stu). \r\r"
    " Se usarán las preferencias iniciales mientras no se pueda guardar. ");

const QString Sin_Fichero = QStringLiteral("Fichero Abierto:  (ninguno)");
const QString Fichero_Ultimo_FE = QStringLiteral("ultimo.txt");

// ---------------------------------------------------------------------------------------------
// Free routines of the unit

void Pide_Descanso()
{
    Sesion_->Timer_Descanso->setInterval(99);
    Sesion_->Timer_Descanso->setEnabled(true);
}

QString Numero_Serie_Disco(const QString &Carpeta)
{
    const std::optional<std::uint32_t> serial = platform::volumeSerial(Carpeta);
    if (!serial)
        return QStringLiteral("~~~");
    const QString hex = QStringLiteral("%1").arg(*serial, 8, 16, QLatin1Char('0')).toUpper();
    return hex.left(4) + QLatin1Char('-') + hex.mid(4);
}

QString Ruta_Companero(const QString &Ruta, const QString &Extension)
{
    if (Ruta.size() < 2)
        return {};
    return Ruta.left(Ruta.size() - 2) + Extension;
}
