#include "exchange/FE_Transporte.h"

#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

TFE_Transporte_ *FE_Transporte_ = nullptr;
bool Comprimido_PKS3_Previo = true;
bool Encriptado_PKS3_Previo = false;

const QString Msg_Transporte_Creado = QStringLiteral(
    "El proceso ha finalizado. \r\rCon el Fichero de Estudio elegido se ha creado \r\run nuevo Fichero de Estudio de "
    "Transporte.");
const QString Msg_Transporte_No_Existe = QStringLiteral("Error, el Fichero de Estudio de Transporte no existe.");
const QString Msg_Transporte_Danado = QStringLiteral("Hay un error en el archivo o los datos están alterados.");
const QString Msg_Transporte_Leido =
    QStringLiteral("El Fichero de Estudio de Transporte ha sido\r\rdescomprimido y ya puede utilizarlo.");
const QString Aviso_Proceso_Largo = QStringLiteral(
    "Atención: el proceso de comprimir / descomprimir un Fichero de \rEstudio de Transporte necesita más o menos "
    "tiempo dependiendo \rdel tamaño del Fichero de Estudio y de la velocidad de su ordenador.\r \rEl proceso está "
    "en marcha y se le informará al acabar. \r \rEspere hasta que aparezca un nuevo mensaje. ");

namespace {
const QString Msg_Reemplazar = QStringLiteral(
    "Ya existe en la carpeta \"dat\" un Fichero de Estudio llamado\r\r%1\r\rSi continúa, será sustituido por el del "
    "Fichero de Transporte\ry sus fichas actuales se perderán.");
const QString Msg_Nombre_Transporte = QStringLiteral(
    "El nombre del Fichero de Estudio de Transporte no sirve\r\rpara nombrar un Fichero de Estudio.");
const QString Err_Lectura = QStringLiteral("No se puede leer el archivo %1");
const QString Err_Escritura = QStringLiteral("No se puede escribir el archivo %1");
const QString Err_En_Uso = QStringLiteral("El Fichero de Estudio %1 está siendo usado por otro programa.");

// The parts of a study file that a transport file carries, in the order they are added and
// written; the first two are required.
const char *const Partes[] = {"DB", "STU", "MB", "PX", "BMP", "JPG"};

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

[[noreturn]] void falla(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

// PKS3 without its corruption message while a transport file is read: a damaged transport
// file has its own message, and the wrong-password message would mislead.
class SinAvisoDeCorrupcion {
public:
    explicit SinAvisoDeCorrupcion(TPackStreams &pks) : m_pks(pks), m_evento(std::move(pks.OnCorrupt)) {
        pks.OnCorrupt = nullptr;
    }
    ~SinAvisoDeCorrupcion() { m_pks.OnCorrupt = std::move(m_evento); }

private:
    TPackStreams &m_pks;
    TPackStreams::TNotifyEvent m_evento;
};

// The wait notice shown and PKS3 at work for the life of the guard; however the work ends,
// the notice goes and PKS3 is left without items.
class TrabajoConAviso {
public:
    explicit TrabajoConAviso(TFE_Transporte_ &Ventana) : m_ventana(Ventana) { Ventana.Muestra_Aviso_Proceso_Largo(); }
    ~TrabajoConAviso()
    {
        D_Module_->PKS3->ClearStreams();
        m_ventana.Oculta_Aviso_Proceso_Largo();
    }

private:
    TFE_Transporte_ &m_ventana;
};

QString enCualquierCaso(const QString &path)
{
    const QString found = platform::existingPathAnyCase(path);
    return found.isEmpty() ? path : found;
}

bool existe(const QString &path)
{
    return !platform::existingPathAnyCase(path).isEmpty();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// zlib

std::vector<std::uint8_t> Comprime_Zlib(const void *Datos, std::size_t Tamano)
{
    uLongf largo = compressBound(static_cast<uLong>(Tamano));
    std::vector<std::uint8_t> salida(largo);
    if (compress2(salida.data(), &largo, static_cast<const Bytef *>(Datos), static_cast<uLong>(Tamano), 9) != Z_OK)
        throw std::bad_alloc();
    salida.resize(largo);
    return salida;
}

std::uint64_t Descomprime_Zlib(const std::uint8_t *Datos, std::size_t Tamano, std::uint64_t Limite,
                               const std::function<void(const std::uint8_t *, std::size_t)> &Salida)
{
    if (Tamano == 0)
        return 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw std::bad_alloc();
    std::unique_ptr<z_stream, int (*)(z_stream *)> fin(&z, inflateEnd);
    std::vector<std::uint8_t> trozo(std::size_t(1) << 18);
    std::uint64_t total = 0;
    std::size_t leido = 0;
    int ret = Z_OK;
    while (ret != Z_STREAM_END) {
        if (z.avail_in == 0 && leido < Tamano) {
            const std::size_t n = std::min<std::size_t>(Tamano - leido, std::size_t(1) << 30);
            z.next_in = const_cast<Bytef *>(Datos + leido);
            z.avail_in = static_cast<uInt>(n);
            leido += n;
        }
        z.next_out = trozo.data();
        z.avail_out = static_cast<uInt>(trozo.size());
        ret = inflate(&z, Z_NO_FLUSH);
        if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
            throw EZlibDanado();
        const std::size_t producido = trozo.size() - z.avail_out;
        total += producido;
        if (total > Limite)
            throw EZlibDanado();
        if (producido > 0 && Salida)
            Salida(trozo.data(), producido);
        // No input left and no way on: the stream is cut short.
        if (ret == Z_BUF_ERROR && z.avail_in == 0 && leido >= Tamano)
            throw EZlibDanado();
    }
    if (z.avail_in != 0 || leido < Tamano) // bytes after the stream's end
        throw EZlibDanado();
    return total;
}

// ---------------------------------------------------------------------------------------------
// Construction

TFE_Transporte_::TFE_Transporte_(QWidget *parent) : platform::Form(parent)
{
    FE_Transporte_ = this;
    setObjectName(QStringLiteral("FE_Transporte_"));
    setWindowTitle(QStringLiteral("Fichero de Estudio de Transporte"));
    setHelpContext(31);
    setColor(platform::tcolor(platform::colors::Silver));
    resize(799, 365);
    setCentred(true);

    using platform::named;
    Button4 = named(new QPushButton(QStringLiteral("Prepara un Fichero de Estudio para Transportarlo hacia otro ordenador"),
                                    this),
                    "Button4");
    Button4->setGeometry(40, 40, 719, 60);
    Button5 = named(new QPushButton(QStringLiteral("Lee un Fichero de Estudio de Transporte y lo prepara para utilizarlo "
                                                   "en este ordenador"),
                                    this),
                    "Button5");
    Button5->setGeometry(40, 150, 719, 60);

    Panel1 = named(new platform::Panel(this), "Panel1");
    Panel1->setGeometry(20, 17, 741, 248);
    Panel1->setColor(platform::tcolor(platform::colors::Silver));
    Panel1->setFrameShape(QFrame::Panel);
    QFont bold = Panel1->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    Panel1->setFont(bold);
    Panel1->hide();
    label3 = named(new platform::Label(Panel1), "label3");
    label3->setAutoSize(false);
    label3->setWordWrap(true);
    label3->setGeometry(50, 14, 660, 224); // the whole notice in this platform's font
    label3->hide();

    BitBtn2 = named(new QPushButton(QStringLiteral("&Salir"), this), "BitBtn2");
    BitBtn2->setGeometry(250, 300, 130, 36);
    platform::Form::setCancelButton(BitBtn2);
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), this), "BitBtn1");
    BitBtn1->setGeometry(420, 300, 130, 36);

    OpenDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog1");
    OpenDialog1->Filter = QStringLiteral(" Ficheros de Estudio |*.db| Todos los Archivos |*.*");
    OpenDialog1->Title = QStringLiteral(" Crear un Fichero de Estudio de Intercambio");
    OpenDialog2 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog2");
    OpenDialog2->Filter = QStringLiteral(" Ficheros de Estudio de Transporte|*.SZP| Todos los Archivos |*.*");
    OpenDialog2->Title = QStringLiteral(" Leer un Fichero de Estudio de Transporte");

    using F = TFE_Transporte_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button4, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(BitBtn2, &QPushButton::clicked, this, &F::BitBtn2Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
}

TFE_Transporte_::~TFE_Transporte_()
{
    if (FE_Transporte_ == this)
        FE_Transporte_ = nullptr;
}

void TFE_Transporte_::FormActivate()
{
    if (Sesion_->Saltar_Activacion == 1) {
        Sesion_->Saltar_Activacion = 0;
        return;
    }
    Comprimido_PKS3_Previo = D_Module_->PKS3->Compressed;
    Encriptado_PKS3_Previo = D_Module_->PKS3->Encrypted;
}

// However the window is left, PKS3 gets its flags back.
void TFE_Transporte_::FormClose()
{
    D_Module_->PKS3->Compressed = Comprimido_PKS3_Previo;
    D_Module_->PKS3->Encrypted = Encriptado_PKS3_Previo;
}

void TFE_Transporte_::BitBtn2Click()
{
    close();
}

void TFE_Transporte_::BitBtn1Click()
{
    platform::helpContext(31);
}

void TFE_Transporte_::Muestra_Aviso_Proceso_Largo()
{
    Panel1->raise();
    label3->raise();
    Panel1->show();
    label3->setCaption(Aviso_Proceso_Largo);
    label3->show();
    Panel1->repaint();
    label3->repaint();
}

void TFE_Transporte_::Oculta_Aviso_Proceso_Largo()
{
    Panel1->hide();
    label3->hide();
}

// ---------------------------------------------------------------------------------------------
// Packing

void TFE_Transporte_::Anade_Fichero_al_Transporte(const QString &Base, const QString &Extension)
{
    const QString path = enCualquierCaso(Base + Extension);
    const std::optional<QByteArray> bytes = platform::readWholeFile(path);
    if (!bytes)
        falla(Err_Lectura.arg(path));
    packing::MemoryStream comprimido(Comprime_Zlib(bytes->constData(), size_t(bytes->size())));
    D_Module_->PKS3->AddStream(Extension.toStdString(), comprimido);
}

void TFE_Transporte_::Button4Click()
{
    OpenDialog1->InitialDir = Sesion_->Carpeta_Programa + QStringLiteral("/dat");
    if (!OpenDialog1->execute())
        return;
    const QString N = OpenDialog1->FileName;
    const QString B = N.left(N.size() - 2);
    if (!QFileInfo(N).isFile() || !existe(B + QStringLiteral("STU"))) {
        mensaje(Msg_Fichero_Incompleto);
        return;
    }
    {
        TrabajoConAviso trabajo(*this);
        TPackStreams &pks3 = *D_Module_->PKS3;
        // A journal or log left beside the table by a killed program belongs to it: the table
        // is made whole on its own first.
        try {
            engine::Table tabla;
            tabla.setTableName(QFile::encodeName(N).toStdString());
            tabla.checkpointFile();
        } catch (const engine::EngineError &) {
            if (QFileInfo::exists(N + QStringLiteral("-wal")) || QFileInfo::exists(N + QStringLiteral("-journal")))
                falla(Err_En_Uso.arg(N));
        }
        pks3.ClearStreams();
        pks3.Compressed = false;
        pks3.Encrypted = false;
        Anade_Fichero_al_Transporte(B, QStringLiteral("DB"));
        for (const char *parte : {"MB", "PX", "STU", "BMP", "JPG"}) {
            const QString ext = QLatin1String(parte);
            if (ext == QLatin1String("STU") || existe(B + ext))
                Anade_Fichero_al_Transporte(B, ext);
        }
        pks3.SaveToFile(QFile::encodeName(B + QStringLiteral("SZP")).toStdString());
    }
    mensaje(Msg_Transporte_Creado);
}

// ---------------------------------------------------------------------------------------------
// Unpacking

void TFE_Transporte_::Button5Click()
{
    OpenDialog2->InitialDir = Sesion_->Carpeta_Programa + QStringLiteral("/dat");
    if (!OpenDialog2->execute())
        return;
    const QString elegido = OpenDialog2->FileName;
    const QFileInfo info(elegido);
    if (!info.isFile()) {
        mensaje(Msg_Transporte_No_Existe);
        return;
    }
    const QString nombre = info.fileName();
    const QString M = nombre.left(nombre.size() - 3);
    if (M.isEmpty() || M == QLatin1String(".") || M == QLatin1String("..")) {
        mensaje(Msg_Nombre_Transporte);
        return;
    }
    const QString carpeta = Sesion_->Carpeta_Programa + QStringLiteral("/dat");
    const QString base = carpeta + QLatin1Char('/') + M;
    const bool reemplaza = existe(base + QStringLiteral("DB")) || existe(base + QStringLiteral("STU"));
    if (reemplaza && platform::warningNoOk(Msg_Reemplazar.arg(M.endsWith(QLatin1Char('.')) ? M.chopped(1) : M))
                         != platform::DialogAnswer::Ok)
        return;

    bool escrito = false;
    {
        TrabajoConAviso trabajo(*this);
        TPackStreams &pks3 = *D_Module_->PKS3;
        bool cargado = false;
        {
            SinAvisoDeCorrupcion sinAviso(pks3);
            try {
                pks3.LoadFromFile(
                    QFile::encodeName(info.absolutePath() + QLatin1Char('/') + M + QStringLiteral("SZP")).toStdString());
                cargado = true;
            } catch (...) {
            }
        }
        escrito = cargado && desempaqueta(carpeta, M);
    }
    if (!escrito) {
        mensaje(Msg_Transporte_Danado);
        return;
    }
    if (reemplaza) {
        // What is left of the replaced study file: parts the transport file did not carry and
        // the password saved for the old file.
        for (const char *parte : {"MB", "PX", "BMP", "JPG", "JPEG", "CLA"}) {
            const QString path = base + QLatin1String(parte);
            if (!m_escritos.contains(QLatin1String(parte)))
                if (const QString viejo = platform::existingPathAnyCase(path); !viejo.isEmpty())
                    QFile::remove(viejo);
        }
    }
    mensaje(Msg_Transporte_Leido);
}

// Checks every item of the transport file in PKS3, then writes its parts as base M + kind into
// the folder. False, with nothing written, when the transport file is damaged; a part that
// can't be written throws, leaving the folder as it was.
bool TFE_Transporte_::desempaqueta(const QString &Carpeta, const QString &M)
{
    TPackStreams &pks3 = *D_Module_->PKS3;
    pks3.Compressed = false;
    pks3.Encrypted = false;
    const auto items = pks3.itemsForInspection();
    if (pks3.ItemsReadOnLoad() != items.size())
        return false; // a part held twice
    auto tiene = [&](const char *parte) {
        return std::any_of(items.begin(), items.end(),
                           [&](const auto &item) { return QString::fromStdString(item.first).compare(QLatin1String(parte), Qt::CaseInsensitive) == 0; });
    };
    if (!tiene("DB") || !tiene("STU"))
        return false;

    struct Parte {
        QString ext;
        packing::MemoryStream datos;
    };
    std::vector<Parte> partes;
    for (const char *p : Partes) {
        if (!tiene(p))
            continue;
        Parte parte{QLatin1String(p), {}};
        pks3.GetStream(p, parte.datos);
        try {
            Descomprime_Zlib(parte.datos.data(), size_t(parte.datos.size()), Tamano_Maximo_Parte);
        } catch (const EZlibDanado &) {
            return false;
        }
        partes.push_back(std::move(parte));
    }
    pks3.ClearStreams();

    // Each part is written whole under a temporary name beside its place (a write that fails
    // takes every temporary file with it); only then do they all take their places.
    QDir().mkpath(Carpeta);
    std::vector<std::unique_ptr<packing::SaveFile>> archivos;
    for (Parte &parte : partes) {
        const QString destino = enCualquierCaso(Carpeta + QLatin1Char('/') + M + parte.ext);
        try {
            auto archivo = std::make_unique<packing::SaveFile>(QFile::encodeName(destino).toStdString());
            Descomprime_Zlib(parte.datos.data(), size_t(parte.datos.size()), Tamano_Maximo_Parte,
                             [&](const std::uint8_t *d, std::size_t n) { archivo->stream().writeBuffer(d, n); });
            archivos.push_back(std::move(archivo));
        } catch (const packing::EStreamError &) {
            falla(Err_Escritura.arg(destino));
        }
        parte.datos.clear();
    }
    // The log of a replaced table would be replayed into the new one.
    const QString db = enCualquierCaso(Carpeta + QLatin1Char('/') + M + QStringLiteral("DB"));
    for (const char *extra : {"-wal", "-shm", "-journal"})
        QFile::remove(db + QLatin1String(extra));
    m_escritos.clear();
    for (std::size_t i = 0; i < archivos.size(); ++i) {
        try {
            archivos[i]->commit();
        } catch (const packing::EStreamError &) {
            falla(Err_Escritura.arg(Carpeta + QLatin1Char('/') + M + partes[i].ext));
        }
        m_escritos << partes[i].ext;
    }
    return true;
}
