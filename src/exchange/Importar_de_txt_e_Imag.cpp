#include "exchange/Importar_de_txt_e_Imag.h"

#include "engine/Table.h"
#include "packing/Streams.h"
#include "platform/Files.h"
#include "platform/Picture.h"
#include "platform/TextFile.h"
#include "store/D_Module.h"
#include "store/Ficha_Nueva.h"
#include "store/Sesion.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <optional>
#include <stdexcept>

TImportar_de_txt_e_Imag_ *Importar_de_txt_e_Imag_ = nullptr;

namespace {
const QString Msg_Importadas = QStringLiteral("Se han importado %1 Fichas.");
const QString Msg_Error_Imagen = QStringLiteral("Error al leer imagen");
const QString Msg_Sin_Linea_Archivos = QStringLiteral(
    "Es la última línea del archivo y no tiene detrás la línea con los nombres de las imágenes y del texto largo.");
const QString Msg_Texto_Largo_Ilegible = QStringLiteral("No se puede leer el archivo de texto largo\r\r%1");
const QString Msg_Nombre_Fuera = QStringLiteral(
    "\"%1\" no es el nombre de un archivo de la carpeta del archivo de texto. Los nombres de las imágenes y del "
    "texto largo no pueden llevar carpetas ni unidad (\"/\", \"\\\", \"..\", \"C:\").");

// Larger files are not taken as a picture or a long answer, as in the card editor.
constexpr qint64 Tamano_Maximo_Archivo = 64 * 1024 * 1024;

// Reading a file failed; its text is the message.
class ArchivoIlegible : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

QByteArray empaqueta(const QByteArray &bytes)
{
    if (Sesion_->Fichero_Empaquetado != 1)
        return bytes;
    packing::MemoryStream stream = toMemoryStream(bytes);
    D_Module_->Comprime_Codifica_Stream_con_PKS(stream);
    return toByteArray(stream);
}

// A name or path as a message quotes it: control characters pictured, a long one shortened.
QString cita(const QString &texto)
{
    return QString::fromStdString(engine::shortenedText(platform::controlPictures(texto).toStdString()));
}

bool nombrado(const QString &nombre)
{
    return !nombre.trimmed().isEmpty();
}
} // namespace

TImportar_de_txt_e_Imag_::TImportar_de_txt_e_Imag_(QWidget *parent)
    : TImportar_Base_("Importar_de_txt_e_Imag_",
                      QStringLiteral("   Importar Fichas con texto e Imágenes desde un Archivo de Texto"), 43, parent)
{
    Importar_de_txt_e_Imag_ = this;
}

TImportar_de_txt_e_Imag_::~TImportar_de_txt_e_Imag_()
{
    if (Importar_de_txt_e_Imag_ == this)
        Importar_de_txt_e_Imag_ = nullptr;
}

// A file of the text file's folder, found also when only the case of its letters differs;
// throws ArchivoIlegible, also when the name leads out of the folder through a link.
QByteArray TImportar_de_txt_e_Imag_::leeArchivo(const QString &Nombre) const
{
    const QString ruta = Carpeta_Archivo + Nombre;
    const QString existente = Nombre_En_Carpeta(Nombre) ? platform::existingPathAnyCase(ruta) : QString();
    const QString carpeta = QFileInfo(Carpeta_Archivo).canonicalFilePath() + QLatin1Char('/');
    std::optional<QByteArray> bytes;
    if (!existente.isEmpty() && QFileInfo(existente).canonicalFilePath().startsWith(carpeta))
        bytes = platform::readWholeFile(existente, Tamano_Maximo_Archivo);
    if (!bytes)
        throw ArchivoIlegible(cita(ruta).toStdString());
    return *bytes;
}

void TImportar_de_txt_e_Imag_::Carga_Imagen_en_Ficha(const QString &Tipo, const QString &Nombre)
{
    Imagen &imagen = Tipo == QLatin1String("Pregunt") ? m_pregunta : m_respuesta;
    imagen = Imagen();
    try {
        const bool jpg = Nombre.endsWith(QLatin1String("JPG")) || Nombre.endsWith(QLatin1String("JPEG"));
        const QByteArray bytes = leeArchivo(Nombre);
        platform::decodePictureOrThrow(bytes, jpg ? platform::PictureFormat::Jpeg : platform::PictureFormat::Bmp);
        imagen.bytes = empaqueta(bytes);
        imagen.tipo = jpg ? QStringLiteral("JPG") : QStringLiteral("BMP");
        imagen.cargada = true;
    } catch (const std::exception &) {
        imagen = Imagen();
        D_Module_->Ver_Mensaje(Msg_Error_Imagen);
    }
}

// The first name that the card would read and that is not of a file of the text file's folder.
std::optional<QString> TImportar_de_txt_e_Imag_::nombreFuera(const Archivos_Linea &a) const
{
    QStringList leidos = {a.Imagen_Pregunta, a.Imagen_Respuesta};
    if (Sesion_->Con_Texto_Largo == 1)
        leidos << a.Texto_Largo;
    for (const QString &nombre : std::as_const(leidos))
        if (nombrado(nombre) && !Nombre_En_Carpeta(nombre))
            return nombre;
    return std::nullopt;
}

void TImportar_de_txt_e_Imag_::Button1Click()
{
    if (!Elige_Archivo())
        return;
    const auto cierra = qScopeGuard([this] { Lector.close(); });
    Carpeta_Archivo = QFileInfo(OpenDialog1->FileName).absolutePath() + QLatin1Char('/');
    TSesion_ &s = *Sesion_;
    TD_Module_ &dm = *D_Module_;
    const QString separador = Edit1->text();
    const int lineas = Lector.lineCount();
    if (!Sigue_Sin_Respuesta_Corta(2))
        return;
    int importadas = 0;
    Alta_En_Bloque bloque;
    QString lineaTextos, lineaArchivos;
    for (int k = 0; 2 * k < lineas; ++k) {
        const int lineaTexto = 2 * k + 1; // counted from 1
        if (!Lector.next(lineaTextos) || !Lector.next(lineaArchivos)) {
            bloque.Termina();
            if (Lector.failed())
                Lectura_Fallida(importadas);
            else if (Lector.tooLongLine() > 0)
                Linea_Larga_Fallida(importadas);
            else
                Linea_Fallida(lineaTexto, Msg_Sin_Linea_Archivos, importadas);
            return;
        }
        const Partes_Linea_Texto p = Divide_Linea_Texto(lineaTextos, separador);
        const Archivos_Linea a = Divide_Linea_Archivos(lineaArchivos, separador);
        int linea = lineaTexto;
        try {
            const int nivel = Nivel();
            const int importancia = Importancia_Linea(p);
            linea = lineaTexto + 1;
            if (const std::optional<QString> fuera = nombreFuera(a))
                throw ArchivoIlegible(Msg_Nombre_Fuera.arg(cita(*fuera)).toStdString());
            m_pregunta = Imagen();
            m_respuesta = Imagen();
            if (nombrado(a.Imagen_Pregunta))
                Carga_Imagen_en_Ficha(QStringLiteral("Pregunt"), a.Imagen_Pregunta.toUpper());
            if (nombrado(a.Imagen_Respuesta))
                Carga_Imagen_en_Ficha(QStringLiteral("Respuest"), a.Imagen_Respuesta.toUpper());
            std::optional<QByteArray> largo;
            if (nombrado(a.Texto_Largo) && s.Con_Texto_Largo == 1) {
                try {
                    const QByteArray texto = leeArchivo(a.Texto_Largo);
                    Comprueba_Tamano_Campo(texto.size(), Limite_Respuesta, QStringLiteral("La respuesta larga"));
                    largo = empaqueta(texto);
                } catch (const ArchivoIlegible &e) {
                    throw ArchivoIlegible(Msg_Texto_Largo_Ilegible.arg(QString::fromStdString(e.what())).toStdString());
                }
            }
            linea = lineaTexto;
            Anade_Ficha_Entera([&] {
                Pon_Ficha_Nueva(nivel, importancia, Clave_Linea(p), p.Pregunta);
                auto bytes = [](const QByteArray &b) { return std::string_view(b.constData(), size_t(b.size())); };
                if (m_pregunta.cargada) {
                    dm.Tabla_ActivaPreg_Imag().setBytes(bytes(m_pregunta.bytes));
                    dm.Tabla_ActivaTipo_Preg_Imag().setAsString(m_pregunta.tipo.toStdString());
                }
                if (m_respuesta.cargada) {
                    dm.Tabla_ActivaResp_Imag().setBytes(bytes(m_respuesta.bytes));
                    dm.Tabla_ActivaTipo_Resp_Imag().setAsString(m_respuesta.tipo.toStdString());
                }
                if (largo)
                    dm.Tabla_ActivaResp_Memo().setBytes(bytes(*largo));
                else if (s.Con_Texto_Largo == 0)
                    dm.Guarda_Texto_Corto_Respuesta(p.Respuesta);
            });
        } catch (const std::exception &e) {
            if (dm.Avisa_Si_Tabla_Danada(e))
                return; // nothing of the run is written to a damaged file
            bloque.Termina();
            Linea_Fallida(linea, QString::fromUtf8(e.what()), importadas);
            return;
        }
        ++importadas;
        bloque.Ficha_Anadida();
    }
    bloque.Termina();
    if (Lector.failed())
        Lectura_Fallida(importadas);
    else if (Lector.tooLongLine() > 0)
        Linea_Larga_Fallida(importadas);
    else
        dm.Ver_Mensaje(Msg_Importadas.arg(lineas / 2));
}
