#include "exchange/Importar_de_txt_e_Imag.h"

#include "engine/Table.h"
#include "packing/Streams.h"
#include "platform/Files.h"
#include "store/D_Module.h"
#include "store/Ficha_Nueva.h"
#include "store/Sesion.h"

#include <QDir>
#include <QFileInfo>

#include <optional>
#include <stdexcept>

TImportar_de_txt_e_Imag_ *Importar_de_txt_e_Imag_ = nullptr;

namespace {
const QString Msg_Importadas = QStringLiteral("Se han importado %1 Fichas.");
const QString Msg_Error_Imagen = QStringLiteral("Error al leer imagen");
const QString Msg_Sin_Linea_Archivos = QStringLiteral(
    "Es la última línea del archivo y no tiene detrás la línea con los nombres de las imágenes y del texto largo.");
const QString Msg_Texto_Largo_Ilegible = QStringLiteral("No se puede leer el archivo de texto largo\r\r%1");

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
} // namespace

Archivos_Linea Divide_Linea_Archivos(const QString &L, const QString &s)
{
    auto busca = [&](const QString &texto) { return s.isEmpty() ? qsizetype(-1) : texto.indexOf(s); };
    Archivos_Linea a;
    const qsizetype p = busca(L);
    a.Imagen_Pregunta = p > 0 ? L.left(p) : QString();
    const QString resto = p < 0 ? L : L.mid(p + 1);
    const qsizetype q = busca(resto);
    a.Imagen_Respuesta = q > 0 ? resto.left(q) : QString();
    a.Texto_Largo = q < 0 ? resto : resto.mid(q + 1);
    return a;
}

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

// A file named in the text file: relative to its folder, found also when only the case of its
// letters differs; throws ArchivoIlegible.
QByteArray TImportar_de_txt_e_Imag_::leeArchivo(const QString &Nombre) const
{
    const QString ruta = QDir::isAbsolutePath(Nombre) ? Nombre : Carpeta_Archivo + Nombre;
    const QString existente = platform::existingPathAnyCase(ruta);
    const std::optional<QByteArray> bytes = existente.isEmpty() ? std::nullopt : platform::readWholeFile(existente);
    if (!bytes)
        throw ArchivoIlegible(ruta.toStdString());
    return *bytes;
}

void TImportar_de_txt_e_Imag_::Carga_Imagen_en_Ficha(const QString &Tipo, const QString &Nombre)
{
    Imagen &imagen = Tipo == QLatin1String("Pregunt") ? m_pregunta : m_respuesta;
    imagen = Imagen();
    try {
        imagen.bytes = empaqueta(leeArchivo(Nombre));
        imagen.tipo = Nombre.endsWith(QLatin1String("JPG")) || Nombre.endsWith(QLatin1String("JPEG"))
                          ? QStringLiteral("JPG")
                          : QStringLiteral("BMP");
        imagen.cargada = true;
    } catch (const std::exception &) {
        imagen = Imagen();
        D_Module_->Ver_Mensaje(Msg_Error_Imagen);
    }
}

void TImportar_de_txt_e_Imag_::Button1Click()
{
    if (!Elige_Archivo())
        return;
    Carpeta_Archivo = QFileInfo(OpenDialog1->FileName).absolutePath() + QLatin1Char('/');
    TSesion_ &s = *Sesion_;
    TD_Module_ &dm = *D_Module_;
    const QString separador = Edit1->text();
    const int lineas = ListBox1->count();
    int importadas = 0;
    Alta_En_Bloque bloque;
    for (int k = 0; 2 * k < lineas; ++k) {
        const int lineaTexto = 2 * k + 1; // counted from 1
        if (2 * k + 1 >= lineas) {
            bloque.Termina();
            Linea_Fallida(lineaTexto, Msg_Sin_Linea_Archivos, importadas);
            return;
        }
        const Partes_Linea_Texto p = Divide_Linea_Texto(ListBox1->item(2 * k)->text(), separador);
        const Archivos_Linea a = Divide_Linea_Archivos(ListBox1->item(2 * k + 1)->text(), separador);
        int linea = lineaTexto;
        try {
            const int nivel = Nivel();
            const int importancia = Importancia_Linea(p);
            linea = lineaTexto + 1;
            m_pregunta = Imagen();
            m_respuesta = Imagen();
            if (!a.Imagen_Pregunta.trimmed().isEmpty())
                Carga_Imagen_en_Ficha(QStringLiteral("Pregunt"), a.Imagen_Pregunta.toUpper());
            if (!a.Imagen_Respuesta.trimmed().isEmpty())
                Carga_Imagen_en_Ficha(QStringLiteral("Respuest"), a.Imagen_Respuesta.toUpper());
            std::optional<QByteArray> largo;
            if (!a.Texto_Largo.trimmed().isEmpty() && s.Con_Texto_Largo == 1) {
                try {
                    largo = empaqueta(leeArchivo(a.Texto_Largo));
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
            bloque.Termina();
            Linea_Fallida(linea, QString::fromUtf8(e.what()), importadas);
            return;
        }
        ++importadas;
        bloque.Ficha_Anadida();
    }
    bloque.Termina();
    dm.Ver_Mensaje(Msg_Importadas.arg(lineas / 2));
}
