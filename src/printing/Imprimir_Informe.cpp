// The report Hoja1: its layout for each side and option, the work of each band, the paper
// size, the frame, stretch and centring boxes and the text font.
#include "printing/Imprimir.h"

#include "engine/Table.h"
#include "packing/Streams.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

using platform::roundHalfEven;

packing::MemoryStream &Desempaqueta_Stream_con_PKS(packing::MemoryStream &S, int64_t Limite)
{
    return Descomprime_Decodifica_Stream_con_PKS(S, Limite);
}

namespace {
// An answer as its band prints it: unpacked when its row is packed. An answer over the answer
// limit, packed or not, is damaged, as when the card is shown: ECorruptFile.
void Respuesta_de_Fila(packing::MemoryStream &S, bool Empaquetada)
{
    if (Empaquetada)
        Desempaqueta_Stream_con_PKS(S, Limite_Respuesta);
    else if (S.size() > Limite_Respuesta)
        throw ECorruptFile("File is corrupt.");
}

// What `lee` reads from a field of the row; nothing when the field cannot be read (a damaged
// container, content over its limit, a picture that does not decode).
template <class F>
auto Lectura(F lee) -> std::optional<decltype(lee())>
{
    try {
        return lee();
    } catch (const std::exception &) {
        return std::nullopt;
    }
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Layout

int TImprimir_::Ancho_Banda() const
{
    return int(roundHalfEven(Hoja1.columnWidth()));
}

int TImprimir_::Alto_Banda() const
{
    return int(Banda1.height);
}

platform::ReportControl *TImprimir_::control(const QString &Clave) const
{
    if (Clave == QLatin1String("text"))
        return QRDBText1;
    if (Clave == QLatin1String("imag"))
        return QRDBImage1;
    if (Clave == QLatin1String("memo"))
        return QRDBRichText1;
    return nullptr;
}

void TImprimir_::Coloca_Arriba_Izquierda(const QString &Clave)
{
    if (platform::ReportControl *c = control(Clave)) {
        c->top = 1;
        c->left = 1;
    }
}

void TImprimir_::Coloca_en_Mitad_Derecha(const QString &Clave)
{
    if (platform::ReportControl *c = control(Clave)) {
        c->top = 1;
        c->left = roundHalfEven(Ancho_Banda() / 2.0 + 1);
    }
}

void TImprimir_::Ajusta_Ancho_a_Banda(const QString &Clave, const QString &Extension)
{
    if (platform::ReportControl *c = control(Clave))
        c->width = Extension == QLatin1String("todo") ? Ancho_Banda() - 2 : roundHalfEven(Ancho_Banda() / 2.0 - 3);
}

void TImprimir_::Ajusta_Alto_a_Banda(const QString &Clave)
{
    if (platform::ReportControl *c = control(Clave))
        c->height = Alto_Banda() - (c == QRDBImage1 ? 2 : 1);
}

void TImprimir_::Coloca_Texto_Arriba_Imagen_Abajo()
{
    const int H = Alto_Banda();
    const int T = int(QRDBText1->top);
    const int alto = (H - T) / 2 - 1;
    QRDBText1->height = alto;
    QRDBImage1->height = H - (T + alto + 1);
    QRDBImage1->top = T + alto;
    QRDBImage1->left = 1;
    QRDBImage1->width = Ancho_Banda() - 2;
}

// The band is as high as the space between the margins allows for 3, 4 or 5 bands a column,
// to the nearest whole unit (a half to the even one) and never more: so every column holds
// exactly that many cards, which the mirrored answers need, and no band runs into the bottom
// margin or off the paper.
void TImprimir_::Prepara_Informe()
{
    const TSesion_ *s = Sesion_;
    Hoja1.columns = Columnas;
    const int filas = (FichxPag_3->isChecked() || FichxPag_6->isChecked()) ? 3
                      : (FichxPag_4->isChecked() || FichxPag_8->isChecked()) ? 4
                                                                              : 5;
    const double espacio = Hoja1.pageLength() - Hoja1.topMargin - Hoja1.bottomMargin;
    double alto = roundHalfEven(espacio / filas);
    if (alto * filas > espacio)
        alto -= 1;
    Banda1.height = alto;
    Hoja1.bandsPerColumn = filas;

    const int p = Grupo_Preg->itemIndex();
    const int r = Grupo_Resp->itemIndex();
    if (Imprimiendo_Preguntas == 1) {
        QRDBText1->enabled = s->Tam_Pregunta > 0 && p != 2;
        QRDBImage1->enabled = s->Con_Imagen_Pregunta && p != 0;
        QRDBRichText1->enabled = false;
        Disena_Banda_Pregunta();
    } else {
        QRDBText1->enabled = s->Tam_Respuesta > 0 && (r == 0 || r == 3);
        QRDBImage1->enabled = s->Con_Imagen_Respuesta && (r == 1 || r == 3 || r == 4);
        QRDBRichText1->enabled = s->Con_Texto_Largo && (r == 2 || r == 4);
        Disena_Banda_Respuesta();
    }
}

void TImprimir_::Disena_Banda_Pregunta()
{
    const QString todo = QStringLiteral("todo");
    switch (Grupo_Preg->itemIndex()) {
    case 2:
        Coloca_Arriba_Izquierda(QStringLiteral("imag"));
        Ajusta_Alto_a_Banda(QStringLiteral("imag"));
        Ajusta_Ancho_a_Banda(QStringLiteral("imag"), todo);
        break;
    case 0:
        Coloca_Arriba_Izquierda(QStringLiteral("text"));
        Ajusta_Ancho_a_Banda(QStringLiteral("text"), todo);
        QRDBText1->height = Alto_Banda() - 2;
        QRDBImage1->left = 1;
        Ajusta_Ancho_a_Banda(QStringLiteral("imag"), todo);
        break;
    case 1:
        Coloca_Arriba_Izquierda(QStringLiteral("text"));
        Ajusta_Ancho_a_Banda(QStringLiteral("text"), todo);
        QRDBImage1->left = 1;
        Ajusta_Ancho_a_Banda(QStringLiteral("imag"), todo);
        Coloca_Texto_Arriba_Imagen_Abajo();
        break;
    default:
        break;
    }
}

void TImprimir_::Disena_Banda_Respuesta()
{
    const QString todo = QStringLiteral("todo");
    const QString mitad = QStringLiteral("mitad");
    switch (Grupo_Resp->itemIndex()) {
    case 0:
        Ajusta_Ancho_a_Banda(QStringLiteral("text"), todo);
        Coloca_Arriba_Izquierda(QStringLiteral("text"));
        Ajusta_Alto_a_Banda(QStringLiteral("text"));
        break;
    case 1:
        Ajusta_Ancho_a_Banda(QStringLiteral("imag"), todo);
        Coloca_Arriba_Izquierda(QStringLiteral("imag"));
        Ajusta_Alto_a_Banda(QStringLiteral("imag"));
        break;
    case 2:
        Ajusta_Ancho_a_Banda(QStringLiteral("memo"), todo);
        Coloca_Arriba_Izquierda(QStringLiteral("memo"));
        Ajusta_Alto_a_Banda(QStringLiteral("memo"));
        break;
    case 3:
        if (FichxPag_6->isChecked()) {
            Coloca_Arriba_Izquierda(QStringLiteral("text"));
            Ajusta_Ancho_a_Banda(QStringLiteral("text"), todo);
            Coloca_Texto_Arriba_Imagen_Abajo();
        } else {
            Coloca_Arriba_Izquierda(QStringLiteral("text"));
            Ajusta_Ancho_a_Banda(QStringLiteral("text"), mitad);
            Ajusta_Alto_a_Banda(QStringLiteral("text"));
            Ajusta_Ancho_a_Banda(QStringLiteral("imag"), mitad);
            Coloca_en_Mitad_Derecha(QStringLiteral("imag"));
            Ajusta_Alto_a_Banda(QStringLiteral("imag"));
        }
        break;
    case 4:
        Ajusta_Ancho_a_Banda(QStringLiteral("memo"), mitad);
        Coloca_Arriba_Izquierda(QStringLiteral("memo"));
        Ajusta_Alto_a_Banda(QStringLiteral("memo"));
        Ajusta_Ancho_a_Banda(QStringLiteral("imag"), mitad);
        Coloca_en_Mitad_Derecha(QStringLiteral("imag"));
        Ajusta_Alto_a_Banda(QStringLiteral("imag"));
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Band work

// Each band prepares its row: the first line of the short answer into TEXT, the long answer
// and the picture unpacked, a JPEG picture turned into a bitmap. A plain study file's row is
// written (and keeps what was prepared); a packed file's row is only changed in the edit
// buffer, which the band's end drops, so that nothing unpacked reaches the file. A field that
// cannot be read prints empty, and its card is named after the run.
void TImprimir_::Banda1BeforePrint()
{
    const TSesion_ *s = Sesion_;
    TD_Module_ &dm = *D_Module_;
    engine::Table &I = *dm.Imprime;
    const bool empaquetado = s->Fichero_Empaquetado == 1;
    const bool filaEmpaquetada = empaquetado && dm.ImprimeComp_Encr().asString() == "Fs";
    auto escribe = [&](auto cambia) {
        if (I.state() == engine::Table::State::Browse)
            I.edit();
        cambia();
        if (!empaquetado)
            I.post();
    };
    // A damaged container is not told card by card while the pages are drawn.
    const OnCorruptOverride silencio(*dm.PKS);
    bool danada = false;

    if (Imprimiendo_Preguntas == 0 && s->Tam_Respuesta >= 1) {
        packing::MemoryStream S = blobStream(dm.ImprimeMemo2());
        if (S.size() > 0) {
            const auto linea = Lectura([&] {
                Respuesta_de_Fila(S, filaEmpaquetada);
                platform::RichEdit *re = s->RE_Resp_Text;
                re->loadFirstLineFromBytes(toByteArray(S));
                return re->line(0).toStdString();
            });
            if (linea)
                escribe([&] { dm.ImprimeTEXT().setAsString(*linea); });
            danada = danada || !linea;
        }
    }
    if (s->Con_Texto_Largo) {
        packing::MemoryStream S = blobStream(dm.ImprimeMemo());
        if (S.size() > 0) {
            const auto leida = Lectura([&] {
                Respuesta_de_Fila(S, filaEmpaquetada);
                return true;
            });
            if (!leida)
                escribe([&] { dm.ImprimeMemo().clear(); });
            else if (filaEmpaquetada)
                escribe([&] { loadBlob(dm.ImprimeMemo(), S); });
            danada = danada || !leida;
        }
    }
    const bool conImagen = Imprimiendo_Preguntas == 1 ? s->Con_Imagen_Pregunta : s->Con_Imagen_Respuesta;
    if (conImagen) {
        packing::MemoryStream S = blobStream(dm.ImprimeImag());
        if (S.size() > 0) {
            const bool jpg = dm.ImprimeTEXT2().asString() == "JPG";
            const auto bytes = Lectura([&] {
                if (filaEmpaquetada)
                    Desempaqueta_Stream_con_PKS(S, Limite_Imagen);
                QByteArray b = toByteArray(S);
                if (jpg)
                    b = platform::encodeBmp(platform::decodePictureOrThrow(b, platform::PictureFormat::Jpeg));
                return b;
            });
            if (!bytes)
                escribe([&] {
                    dm.ImprimeImag().clear();
                    dm.ImprimeTEXT2().clear();
                });
            else if (jpg || filaEmpaquetada)
                escribe([&] {
                    dm.ImprimeImag().setBytes(std::string_view(bytes->constData(), size_t(bytes->size())));
                    // The row now holds a bitmap: a later run of the report must not take it
                    // for a JPEG picture.
                    if (jpg)
                        dm.ImprimeTEXT2().clear();
                });
            danada = danada || !bytes;
        }
    }
    if (danada)
        Anota_Ficha_Danada(I.bookmark());
}

void TImprimir_::Banda1AfterPrint()
{
    engine::Table &I = *D_Module_->Imprime;
    if (Sesion_->Fichero_Empaquetado == 1 && I.state() != engine::Table::State::Browse)
        I.cancel(); // the unpacked content never reaches the file
}

// ---------------------------------------------------------------------------------------------
// Paper, frame, stretch, centring, font

void TImprimir_::Pon_Etiquetas_Pagina()
{
    Label4->setCaption(QStringLiteral("Alto : %1 mm.").arg(int(roundHalfEven(Hoja1.pageLength()))));
    Label6->setCaption(QStringLiteral("Ancho : %1 mm.").arg(int(roundHalfEven(Hoja1.pageWidth()))));
}

void TImprimir_::ComboBox1Change()
{
    const QString t = ComboBox1->currentText();
    const std::pair<const char *, int> papeles[] = {{"Din A4", 9}, {"Executive", 7}, {"Letter", 1}, {"Note", 18}};
    for (const auto &[nombre, codigo] : papeles)
        if (t == QLatin1String(nombre))
            Hoja1.setPaperSize(codigo);
    Pon_Etiquetas_Pagina();
}

void TImprimir_::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    Banda1.borderTop = Banda1.borderBottom = Banda1.borderLeft = Banda1.borderRight = on;
}

void TImprimir_::CheckBox2Click()
{
    QRDBImage1->stretch = CheckBox2->isChecked();
}

void TImprimir_::CheckBox3Click()
{
    QRDBText1->alignment = CheckBox3->isChecked() ? Qt::AlignHCenter : Qt::AlignLeft;
}

void TImprimir_::Button4Click()
{
    if (!FontDialog1) {
        FontDialog1 = new QFontDialog(this);
        FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
    }
    FontDialog1->setCurrentFont(QRDBText1->font);
    FontDialog1->setResult(QDialog::Rejected);
    platform::showModal(FontDialog1);
    if (FontDialog1->result() == QDialog::Accepted)
        QRDBText1->font = FontDialog1->currentFont();
}
