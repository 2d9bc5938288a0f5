#include "exchange/Importar_de_FE.h"

#include "engine/BatchMove.h"
#include "engine/EngineError.h"
#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "platform/Application.h"
#include "platform/Help.h"
#include "store/D_Module.h"
#include "store/Restos_Trabajo.h"
#include "store/Sesion.h"

#include <QFile>
#include <QFileInfo>

TImportar_de_FE_ *Importar_de_FE_ = nullptr;
QString Ruta_Origen;
QString Ruta_Destino;
QString Nombre_Origen;
QString Nombre_Destino;
int Origen_Elegido = 0;
int Destino_Elegido = 0;

const QString Msg_Origen_Con_Contrasena =
    QStringLiteral("El Fichero de Estudio no puede usarse \r\rcomo ORIGEN, pues tiene Contraseña.");
const QString Msg_Origen_No_Exportable =
    QStringLiteral("Este Fichero de Estudio no puede usarse como ORIGEN,\r\rpues no tiene autorización para ser exportado.");
const QString Msg_Destino_Con_Contrasena =
    QStringLiteral("El Fichero de Estudio no puede usarse \r\rcomo DESTINO, pues tiene Contraseña.");
const QString Msg_Sin_Origen = QStringLiteral("No hay ningún F. de Estudio de ORIGEN seleccionado.");
const QString Msg_Sin_Destino = QStringLiteral("No hay ningún F. de Estudio de DESTINO seleccionado.");
const QString Msg_Mismo_Fichero = QStringLiteral(
    "El Fichero de Estudio ORIGEN y el DESTINO son el mismo.\r\rSeleccione otro Fichero de Estudio como DESTINO.");
const QString Msg_Error_Importar = QStringLiteral("Ha ocurrido un error al Importar.");
const QString Msg_Importar_Imposible = QStringLiteral("No se puede importar:\r\r%1");
const QString Msg_Fichas_Importadas = QStringLiteral("Nº de fichas importadas: ");

namespace {
const QString Ninguno = QStringLiteral("F. de Estudio seleccionado: (Ninguno).");

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

// The same file, also when named through another path.
bool mismoFichero(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    const QString ca = fa.canonicalFilePath(), cb = fb.canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty())
        return ca == cb;
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}
} // namespace

TImportar_de_FE_::TImportar_de_FE_(QWidget *parent) : platform::Form(parent)
{
    Importar_de_FE_ = this;
    setObjectName(QStringLiteral("Importar_de_FE_"));
    setWindowTitle(QStringLiteral(" Importar fichas desde un Fichero de Estudio"));
    setHelpContext(42);
    // No border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(660, 270);
    setCentred(true);

    using platform::named;
    Button4 = named(new QPushButton(QStringLiteral("Seleccionar el  &Fichero de Estudio ORIGEN"), this), "Button4");
    Button4->setGeometry(20, 20, 330, 34);
    Label1 = named(new platform::Label(Ninguno, this), "Label1");
    Label1->move(24, 62);
    Button5 = named(new QPushButton(QStringLiteral("Seleccionar el  Fichero de &Estudio DESTINO"), this), "Button5");
    Button5->setGeometry(20, 100, 330, 34);
    Label2 = named(new platform::Label(Ninguno, this), "Label2");
    Label2->move(24, 142);
    Button1 = named(new QPushButton(QStringLiteral("  I&mportar desde el F. de Estudio seleccionado"), this), "Button1");
    Button1->setGeometry(20, 190, 330, 40);
    Label3 = named(new platform::Label(QStringLiteral("Se importan todas las fichas del ORIGEN, también las del "
                                                      "Nivel 0 y las que no estén seleccionadas."),
                                       this),
                   "Label3");
    Label3->move(24, 238);
    Button2 = named(new QPushButton(QStringLiteral("&Salir"), this), "Button2");
    Button2->setGeometry(380, 190, 100, 40);
    platform::Form::setCancelButton(Button2);
    Button3 = named(new QPushButton(QStringLiteral("&Ayuda"), this), "Button3");
    Button3->setGeometry(496, 190, 100, 40);

    const QString filtro = QStringLiteral(" Ficheros de Estudio |*.db| Todos los Archivos |*.*");
    OpenDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog1");
    OpenDialog1->Title = QStringLiteral("Fichero de Estudio ORIGEN");
    OpenDialog1->Filter = filtro;
    OpenDialog2 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog2");
    OpenDialog2->Title = QStringLiteral("Fichero de Estudio DESTINO");
    OpenDialog2->Filter = filtro;

    RichEdit1 = named(new platform::RichEdit(this), "RichEdit1");
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->hide();

    using F = TImportar_de_FE_;
    platform::on(Button4, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);

    FormCreate();
}

TImportar_de_FE_::~TImportar_de_FE_()
{
    if (Importar_de_FE_ == this)
        Importar_de_FE_ = nullptr;
}

void TImportar_de_FE_::FormCreate()
{
    OpenDialog1->InitialDir = Sesion_->Carpeta_Programa + QStringLiteral("/dat");
    OpenDialog2->InitialDir = OpenDialog1->InitialDir;
}

bool TImportar_de_FE_::leeConfiguracion(const QString &Ruta)
{
    TPackStreams &pks4 = *D_Module_->PKS4;
    pks4.ClearStreams();
    pks4.Key.clear();
    try {
        pks4.LoadFromFile(QFile::encodeName(Ruta_Companero(Ruta, QStringLiteral("STU"))).toStdString());
    } catch (...) {
        pks4.ClearStreams();
        return false;
    }
    return true;
}

void TImportar_de_FE_::Button4Click()
{
    OpenDialog1->execute(); // a cancelled dialog still holds the previous choice
    const QString fichero = OpenDialog1->FileName;
    if (fichero.isEmpty())
        return;
    OpenDialog1->InitialDir = fichero;
    Ruta_Origen = fichero;
    Asienta_Carpeta_De(Ruta_Origen);
    const QString nombre = QFileInfo(fichero).fileName();
    Nombre_Origen = nombre.left(nombre.size() - 3);

    bool aceptado = false;
    if (!leeConfiguracion(Ruta_Origen)) {
        mensaje(Msg_Origen_Con_Contrasena);
    } else {
        TPackStreams &pks4 = *D_Module_->PKS4;
        packing::MemoryStream stream;
        pks4.GetStream("FE_STU", stream);
        RichEdit1->loadFromBytes(toByteArray(stream));
        pks4.ClearStreams();
        const QString linea = RichEdit1->line(0);
        if (linea.size() > 35 && linea.at(34) == QLatin1Char('s') && linea.at(35) == QLatin1Char('i'))
            aceptado = true;
        else
            mensaje(Msg_Origen_No_Exportable);
    }
    if (aceptado) {
        Origen_Elegido = 1;
        Label1->setCaption(QStringLiteral("F. de Estudio ORIGEN: ") + Nombre_Origen);
        return;
    }
    Ruta_Origen.clear();
    Nombre_Origen.clear();
    Origen_Elegido = 0;
    Label1->setCaption(Ninguno);
}

void TImportar_de_FE_::Button5Click()
{
    OpenDialog2->execute();
    const QString fichero = OpenDialog2->FileName;
    if (fichero.isEmpty())
        return;
    OpenDialog2->InitialDir = fichero;
    Ruta_Destino = fichero;
    Asienta_Carpeta_De(Ruta_Destino);
    const QString nombre = QFileInfo(fichero).fileName();
    Nombre_Destino = nombre.left(nombre.size() - 3);
    if (!leeConfiguracion(Ruta_Destino)) {
        mensaje(Msg_Destino_Con_Contrasena);
        Ruta_Destino.clear();
        Nombre_Destino.clear();
        Destino_Elegido = 0;
        Label2->setCaption(Ninguno);
        return;
    }
    Destino_Elegido = 1;
    Label2->setCaption(QStringLiteral("F. de Estudio DESTINO: ") + Nombre_Destino);
}

void TImportar_de_FE_::Button1Click()
{
    if (Origen_Elegido == 0) {
        mensaje(Msg_Sin_Origen);
        Button4->setFocus();
        return;
    }
    if (Destino_Elegido == 0) {
        mensaje(Msg_Sin_Destino);
        Button5->setFocus();
        return;
    }
    if (mismoFichero(Ruta_Origen, Ruta_Destino)) {
        mensaje(Msg_Mismo_Fichero);
        Button5->setFocus();
        return;
    }

    TD_Module_ &dm = *D_Module_;
    engine::Table &origen = *dm.Tabla_Activa;
    engine::Table &destino = *dm.Tabla_Exp;
    origen.close();
    Sesion_->Cierra_Fichero();
    // Both sides as they stand once a replacement cut short is finished.
    Asienta_Carpeta_De(Ruta_Origen);
    Asienta_Carpeta_De(Ruta_Destino);
    // Every card of the origin goes over, whatever filter the last open study file left.
    const bool filtrado = origen.filtered();
    bool hecho = false;
    QString razon; // why a side could not be read, when the engine says it
    std::size_t antes = 0, despues = 0;
    {
        engine::BulkWork sinRefresco(origen); // no card of the origin is shown
        bool abiertas = false;
        try {
            origen.setFiltered(false);
            origen.setTableName(QFile::encodeName(Ruta_Origen).toStdString());
            destino.close();
            destino.setTableName(QFile::encodeName(Ruta_Destino).toStdString());
            // Opening converts a side of an older format: neither is opened unless both can be.
            origen.checkFormat();
            destino.checkFormat();
            origen.open();
            destino.open();
            abiertas = true;
            antes = destino.recordCount();
            dm.BM_ImportaDeFE->setRecordCount(0);
            dm.BM_ImportaDeFE->execute();
            hecho = true;
        } catch (const engine::NewerFormatError &e) {
            razon = QString::fromUtf8(e.what());
        } catch (const engine::EngineError &e) {
            // A side that does not open as a card table (damaged, foreign, ...): the engine
            // says why, as the opening of a study file does.
            if (!abiertas)
                razon = QString::fromUtf8(e.what());
        }
        if (destino.active())
            despues = destino.recordCount();
        destino.close();
        origen.close();
        origen.setFiltered(filtrado);
    }
    if (!hecho) {
        mensaje(razon.isEmpty() ? Msg_Error_Importar : Msg_Importar_Imposible.arg(razon));
        return;
    }
    mensaje(Msg_Fichas_Importadas + QString::number(despues - antes));
}

void TImportar_de_FE_::Button2Click()
{
    close();
}

void TImportar_de_FE_::Button3Click()
{
    platform::helpContext(42);
}
