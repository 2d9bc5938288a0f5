#include "exchange/FE_Transporte.h"

#include "packing/PackStreamCol.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "store/D_Module.h"
#include "store/Restos_Trabajo.h"
#include "store/Sesion.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

TFE_Transporte_ *FE_Transporte_ = nullptr;
bool Comprimido_PKS3_Previo = true;
bool Encriptado_PKS3_Previo = false;

const QString Msg_Transporte_Creado = QStringLiteral(
    "El proceso ha finalizado. \r\rCon el Fichero de Estudio elegido se ha creado \r\run nuevo Fichero de Estudio de "
    "Transporte.");
const QString Msg_Transporte_No_Existe = QStringLiteral("Error, el Fichero de Estudio de Transporte no existe.");
const QString Msg_Transporte_Danado = QStringLiteral("Hay un error en el archivo o los datos están alterados.");
const QString Msg_Transporte_Formato =
    QStringLiteral("No se puede descomprimir este Fichero de Estudio de Transporte:\r\r%1");
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

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

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

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TFE_Transporte_::TFE_Transporte_(QWidget *parent) : platform::Form(parent)
{
    FE_Transporte_ = this;
    setObjectName(QStringLiteral("FE_Transporte_"));
    // The activation keeps PKS3's flags to hand them back at leaving: coming back from the
    // break window after a pack must not keep the flags the pack left.
    setActivateOnModalReturn(false);
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
// Packing and unpacking

void TFE_Transporte_::Button4Click()
{
    OpenDialog1->InitialDir = Sesion_->Carpeta_Programa + QStringLiteral("/dat");
    if (!OpenDialog1->execute())
        return;
    const QString N = OpenDialog1->FileName;
    Asienta_Carpeta_De(N); // a replacement there cut short is finished before the parts are read
    if (!FE_Transportable(N)) {
        mensaje(Msg_Fichero_Incompleto);
        return;
    }
    {
        TrabajoConAviso trabajo(*this);
        Empaqueta_Transporte(*D_Module_->PKS3, N);
    }
    mensaje(Msg_Transporte_Creado);
}

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
    Quita_Restos_Abandonados(carpeta); // the file replaced is the one that is there
    const QString base = carpeta + QLatin1Char('/') + M;
    const bool reemplaza = !platform::existingPathAnyCase(base + QStringLiteral("DB")).isEmpty()
                           || !platform::existingPathAnyCase(base + QStringLiteral("STU")).isEmpty();
    if (reemplaza && platform::warningNoOk(Msg_Reemplazar.arg(M.endsWith(QLatin1Char('.')) ? M.chopped(1) : M))
                         != platform::DialogAnswer::Ok)
        return;

    bool escrito = false;
    QStringList escritos;
    QString razon; // why it can't be read, when the user can do something about it
    {
        TrabajoConAviso trabajo(*this);
        TPackStreams &pks3 = *D_Module_->PKS3;
        bool cargado = false;
        {
            // No corruption message while a transport file is read: a damaged transport file has
            // its own message, and the wrong-password message would mislead.
            const OnCorruptOverride sinAviso(pks3);
            // A transport file carries whole study files, not the small settings PKS3 holds,
            // one item per kind of part.
            const int64_t limite = std::exchange(pks3.SizeLimit, 0);
            const uint32_t items = std::exchange(pks3.MaxItems, Items_Maximos_Transporte);
            try {
                pks3.LoadFromFile(
                    QFile::encodeName(info.absolutePath() + QLatin1Char('/') + M + QStringLiteral("SZP")).toStdString());
                cargado = true;
            } catch (...) {
            }
            pks3.SizeLimit = limite;
            pks3.MaxItems = items;
        }
        escrito = cargado && Desempaqueta_Transporte(pks3, carpeta, M, escritos, Tamano_Maximo_Parte, &razon);
    }
    if (!escrito) {
        mensaje(razon.isEmpty() ? Msg_Transporte_Danado : Msg_Transporte_Formato.arg(razon));
        return;
    }
    mensaje(Msg_Transporte_Leido);
}
