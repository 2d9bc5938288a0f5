#include "store/Crea_Fiche.h"

#include "store/Sesion.h"
#include "packing/Streams.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"
#include "store/Opciones_FE.h"
#include "store/Restos_Trabajo.h"
#include "store/Text_Zoom.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>

QString Tipo_Imagen_FE;
TCrea_Fiche_ *Crea_Fiche_ = nullptr;

namespace {
const QString Msg_Sin_Respuesta = QStringLiteral("     Debe seleccionar algún tipo de \r\r respuesta: Texto, Imagen o Texto Largo.");
const QString Msg_Sin_Nombre = QStringLiteral(" Debe escribir un nombre\r\rpara el Fichero de Estudio.");
const QString Msg_Ya_Existe =
    QStringLiteral("      Ya existe un Fichero con ese nombre.\r\rDebe cambiarlo para poder crear un Fichero nuevo.");
const QString Msg_Tamano = QStringLiteral("El tamaño de la %1 debe ser\r\run número entre 1 y 255.");
const QString Msg_Solo_Numeros = QStringLiteral("Sólo se admiten números (0, 1, 2, etc.)");
const QString Msg_Tamano_Maximo = QStringLiteral("        El tamaño máximo es 255.\rEl valor que escriba debe ser igual o menor.");
const QString Msg_Sin_Texto = QStringLiteral("El portapapeles no contiene un texto.");
const QString Msg_Imagen_Ilegible = QStringLiteral("No se puede leer la imagen\r\r%1\r\r%2");
const QString Msg_Creado = QStringLiteral("El Fichero de Estudio\r\r%1\r\rha sido creado.");
const QString Msg_No_Creado = QStringLiteral("No se pudo crear el Fichero de Estudio\r\r%1\r\rNo se pudo escribir %2");

bool soloDigitos(const QString &text)
{
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// The value of a text of decimal digits; anything above 999 reads as 1000.
int valorDigitos(const QString &text)
{
    int value = 0;
    for (QChar c : text) {
        value = value * 10 + (c.unicode() - '0');
        if (value > 999)
            return 1000;
    }
    return value;
}

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

// The settings item: the options line, the version line and an empty line before the
// description, as rich text; the description keeps its formatting.
QByteArray contenidoFE_STU(const platform::RichEdit &descripcion, const QString &opciones)
{
    std::unique_ptr<QTextDocument> doc(descripcion.document()->clone());
    QTextCursor c(doc.get());
    c.movePosition(QTextCursor::Start);
    c.insertText(opciones);
    c.insertBlock();
    c.insertText(Linea_Version_FE());
    c.insertBlock();
    c.insertBlock();
    return platform::rtf::fromDocument(*doc);
}

class CreationFailed : public std::exception {
public:
    explicit CreationFailed(QString file) : file(std::move(file)) {}
    QString file;
};
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TCrea_Fiche_::TCrea_Fiche_(QWidget *parent) : platform::Form(parent)
{
    Crea_Fiche_ = this;
    setObjectName(QStringLiteral("Crea_Fiche_"));
    setWindowTitle(QStringLiteral("   Crear un nuevo Fichero de Estudio"));
    setCentred(true);
    setFollowsMainWindowState(true);
    setHelpContext(16);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Teal));

    using platform::named;
    auto whiteGroup = [&](const char *name, const QString &title, QWidget *parentWidget) {
        auto *g = named(new QGroupBox(title, parentWidget), name);
        QPalette p = g->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        g->setPalette(p);
        return g;
    };

    Label1 = named(new platform::Label(QStringLiteral("Nombre:"), this), "Label1");
    Label1->setFontColor(Qt::white);
    Edit1 = named(new QLineEdit(this), "Edit1");

    GroupBox1 = whiteGroup("GroupBox1", QStringLiteral(" Datos de la PREGUNTA: "), this);
    GroupBox2 = whiteGroup("GroupBox2", QStringLiteral(" Tamaño (en caracteres): "), GroupBox1);
    RadioButton1 = named(new QRadioButton(QStringLiteral("30 "), GroupBox2), "RadioButton1");
    RadioButton2 = named(new QRadioButton(QStringLiteral("60 "), GroupBox2), "RadioButton2");
    RadioButton3 = named(new QRadioButton(QStringLiteral("100 "), GroupBox2), "RadioButton3");
    RadioButton4 = named(new QRadioButton(QStringLiteral("Otro Tamaño (hasta 255):"), GroupBox2), "RadioButton4");
    Edit2 = named(new QLineEdit(GroupBox2), "Edit2");
    CheckBox1 = named(new QCheckBox(QStringLiteral("Co&n Imagen."), GroupBox1), "CheckBox1");

    GroupBox3 = whiteGroup("GroupBox3", QStringLiteral(" Datos de la RESPUESTA: "), this);
    CheckBox4 = named(new QCheckBox(QStringLiteral("Con texto corto (hasta 255)"), GroupBox3), "CheckBox4");
    RadioButton5 = named(new QRadioButton(QStringLiteral("30"), GroupBox3), "RadioButton5");
    RadioButton6 = named(new QRadioButton(QStringLiteral("60 "), GroupBox3), "RadioButton6");
    RadioButton7 = named(new QRadioButton(QStringLiteral("100 "), GroupBox3), "RadioButton7");
    RadioButton8 = named(new QRadioButton(QStringLiteral("Otro  (hasta 255):"), GroupBox3), "RadioButton8");
    Edit3 = named(new QLineEdit(GroupBox3), "Edit3");
    CheckBox2 = named(new QCheckBox(QStringLiteral("Con I&magen."), GroupBox3), "CheckBox2");
    CheckBox3 = named(new QCheckBox(QStringLiteral("Con &Texto Largo."), GroupBox3), "CheckBox3");

    CheckBox7 = named(new QCheckBox(QStringLiteral("&Nivel de Importancia."), this), "CheckBox7");
    CheckBox5 = named(new QCheckBox(QStringLiteral("Clave para Clasificar fichas."), this), "CheckBox5");
    CheckBox6 = named(new QCheckBox(QStringLiteral("COMPRIMIDO"), this), "CheckBox6");

    GroupBox4 = whiteGroup("GroupBox4", QStringLiteral(" Descripción: "), this);
    RichEdit1 = named(new platform::RichEdit(GroupBox4), "RichEdit1");
    Button5 = named(new QPushButton(QStringLiteral("Pegar &Descripción"), GroupBox4), "Button5");
    Button12 = named(new QPushButton(QStringLiteral("&Zoom"), GroupBox4), "Button12");

    GroupBox5 = whiteGroup("GroupBox5", QStringLiteral(" Imagen: "), this);
    Image1 = named(new platform::ImageControl(GroupBox5), "Image1");
    Image1->setCenter(true);
    BitBtn1 = named(new QPushButton(QStringLiteral(" Disc&o"), GroupBox5), "BitBtn1");
    BitBtn2 = named(new QPushButton(QStringLiteral("Pe&gar"), GroupBox5), "BitBtn2");
    Button6 = named(new QPushButton(QStringLiteral(" &Borrar"), GroupBox5), "Button6");

    Button1 = named(new QPushButton(QStringLiteral("&Crear Fichero"), this), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("&Salir"), this), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("&Ayuda"), this), "Button3");
    platform::Form::setCancelButton(Button2);

    OpenPictureDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenPictureDialog1");
    OpenPictureDialog1->Filter = QStringLiteral(
        "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg, *.jpeg)|*.jpg, *.jpeg|"
        "Bitmaps (*.bmp)|*.bmp|All Files (*.*)|*.*");

    // Defaults of the form.
    RadioButton2->setChecked(true);
    Edit2->setEnabled(false);
    CheckBox4->setChecked(true);
    RadioButton7->setChecked(true);
    Edit3->setEnabled(false);
    CheckBox5->setChecked(true);
    RichEdit1->setLines(Descripcion_Inicial());

    layOut();

    using F = TCrea_Fiche_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1_Click);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2_Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5_Click);
    platform::on(Button6, &QPushButton::clicked, this, &F::Button6Click);
    platform::on(Button12, &QPushButton::clicked, this, &F::Button12Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
    platform::on(BitBtn2, &QPushButton::clicked, this, &F::BitBtn2Click);
    platform::on(Image1, &platform::ImageControl::clicked, this, &F::Image1Click);
    platform::on(CheckBox3, &QCheckBox::toggled, this, &F::CheckBox3Click);
    platform::on(CheckBox4, &QCheckBox::toggled, this, &F::CheckBox4Click);
    for (QRadioButton *b : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
        platform::on(b, &QRadioButton::toggled, this, &F::RadioButton4Click);
    for (QRadioButton *b : {RadioButton5, RadioButton6, RadioButton7, RadioButton8})
        platform::on(b, &QRadioButton::toggled, this, &F::RadioButton5Click);
    Edit2->installEventFilter(this);
    Edit3->installEventFilter(this);

    TImag_Zoom_::registerSlot(10, Image1);
    TImag_Zoom_::registerZoomSource(QStringLiteral("Crea_Fich"), Image1);

    FormCreate();
}

TCrea_Fiche_::~TCrea_Fiche_()
{
    if (Crea_Fiche_ == this)
        Crea_Fiche_ = nullptr;
}

void TCrea_Fiche_::layOut()
{
    resize(880, 640);
    Label1->move(16, 18);
    Edit1->setGeometry(80, 14, 330, 24);

    GroupBox1->setGeometry(16, 50, 394, 150);
    GroupBox2->setGeometry(10, 22, 374, 88);
    RadioButton1->setGeometry(10, 24, 60, 22);
    RadioButton2->setGeometry(80, 24, 60, 22);
    RadioButton3->setGeometry(150, 24, 70, 22);
    RadioButton4->setGeometry(10, 54, 200, 22);
    Edit2->setGeometry(214, 54, 50, 22);
    CheckBox1->setGeometry(20, 118, 200, 22);

    GroupBox3->setGeometry(16, 208, 394, 180);
    CheckBox4->setGeometry(10, 24, 260, 22);
    RadioButton5->setGeometry(30, 52, 60, 22);
    RadioButton6->setGeometry(100, 52, 60, 22);
    RadioButton7->setGeometry(170, 52, 70, 22);
    RadioButton8->setGeometry(30, 80, 170, 22);
    Edit3->setGeometry(204, 80, 50, 22);
    CheckBox2->setGeometry(10, 114, 200, 22);
    CheckBox3->setGeometry(10, 144, 200, 22);

    CheckBox7->setGeometry(26, 398, 240, 22);
    CheckBox5->setGeometry(26, 426, 260, 22);
    CheckBox6->setGeometry(26, 454, 200, 22);

    GroupBox4->setGeometry(420, 330, 444, 250);
    RichEdit1->setGeometry(8, 22, 428, 184);
    Button5->setGeometry(8, 214, 160, 28);
    Button12->setGeometry(176, 214, 80, 28);

    GroupBox5->setGeometry(420, 14, 444, 310);
    Image1->setGeometry(6, 22, 397, 245);
    BitBtn1->setGeometry(6, 274, 90, 28);
    BitBtn2->setGeometry(104, 274, 90, 28);
    Button6->setGeometry(202, 274, 90, 28);

    Button1->setGeometry(26, 500, 170, 34);
    Button2->setGeometry(210, 500, 100, 34);
    Button3->setGeometry(26, 546, 100, 30);
}

QStringList TCrea_Fiche_::Descripcion_Inicial()
{
    return {QStringLiteral("Nombre del Fichero de Estudio:"),
            QString(),
            QStringLiteral("Contenido:"),
            QString(),
            QStringLiteral("Número de Fichas:"),
            QString(),
            QStringLiteral("Comentarios:"),
            QString(),
            QString(),
            QStringLiteral("Fecha de Creación:"),
            QString(),
            QStringLiteral("Autor/a:"),
            QString(),
            QStringLiteral("Dirección de Correo Electrónico:"),
            QString(),
            QStringLiteral("Página Web:")};
}

// ---------------------------------------------------------------------------------------------
// Creation, activation, closing

void TCrea_Fiche_::FormCreate()
{
    OpenPictureDialog1->InitialDir = Sesion_->Carpeta_Programa;
}

void TCrea_Fiche_::FormActivate()
{
    TSesion_ *p = Sesion_;
    if (p->Saltar_Activacion == 1) {
        p->Saltar_Activacion = 0;
        return;
    }
    followWindowState(p->Ventana_Principal());
    p->Ventana_Principal()->setEnabled(false);
    Edit1->setFocus();
}

// However the window closes (also by its close box), the main window works again.
void TCrea_Fiche_::FormClose()
{
    Sesion_->Ventana_Principal()->setEnabled(true);
}

// ---------------------------------------------------------------------------------------------
// Answer kinds and sizes

void TCrea_Fiche_::habilitaRespuestaCorta()
{
    const bool on = CheckBox4->isChecked();
    for (QRadioButton *b : {RadioButton5, RadioButton6, RadioButton7, RadioButton8})
        b->setEnabled(on);
    Edit3->setEnabled(on && RadioButton8->isChecked());
}

void TCrea_Fiche_::CheckBox4Click()
{
    habilitaRespuestaCorta();
    CheckBox3->setChecked(!CheckBox4->isChecked());
}

void TCrea_Fiche_::CheckBox3Click()
{
    CheckBox4->setChecked(!CheckBox3->isChecked());
}

void TCrea_Fiche_::RadioButton4Click()
{
    Edit2->setEnabled(RadioButton4->isChecked());
    if (RadioButton4->isChecked())
        Edit2->setFocus();
}

void TCrea_Fiche_::RadioButton5Click()
{
    habilitaRespuestaCorta();
    if (RadioButton8->isChecked() && Edit3->isEnabled())
        Edit3->setFocus();
}

void TCrea_Fiche_::Edit2Exit(QLineEdit *Sender)
{
    const QString text = Sender->text();
    if (text.isEmpty())
        return;
    if (!soloDigitos(text)) {
        mensaje(Msg_Solo_Numeros);
        Sender->setFocus();
    } else if (valorDigitos(text) > 255) {
        mensaje(Msg_Tamano_Maximo);
        Sender->setFocus();
    }
}

bool TCrea_Fiche_::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == Edit2 || watched == Edit3)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Leaving the box for another control of this window, not the window losing focus
        // (the message window itself, or the user switching programs).
        // While one box is checked, the focus moving back to it does not check the other.
        if (!m_revisandoTamano && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            m_revisandoTamano = true;
            platform::guarded([&] { Edit2Exit(static_cast<QLineEdit *>(watched)); });
            m_revisandoTamano = false;
        }
    }
    return platform::Form::eventFilter(watched, event);
}

bool TCrea_Fiche_::tamanoElegido(QRadioButton *const (&Botones)[4], QLineEdit *Otro, const QString &Parte, int &Tam)
{
    if (Botones[0]->isChecked())
        Tam = 30;
    else if (Botones[1]->isChecked())
        Tam = 60;
    else if (!Botones[3]->isChecked())
        Tam = 100;
    else {
        const QString text = Otro->text();
        const int value = !text.isEmpty() && soloDigitos(text) ? valorDigitos(text) : 0;
        if (value < 1 || value > 255) {
            rehusa(Msg_Tamano.arg(Parte), Otro);
            return false;
        }
        Tam = value;
    }
    return true;
}

void TCrea_Fiche_::rehusa(const QString &Mensaje, QWidget *Foco)
{
    mensaje(Mensaje);
    Foco->setFocus();
}

// ---------------------------------------------------------------------------------------------
// Creating the study file

void TCrea_Fiche_::Button1_Click()
{
    TSesion_ *p = Sesion_;
    if (!CheckBox2->isChecked() && !CheckBox3->isChecked() && !CheckBox4->isChecked())
        return rehusa(Msg_Sin_Respuesta, CheckBox4);
    const QString Nombre = Edit1->text(); // as typed, not trimmed
    if (Nombre.isEmpty())
        return rehusa(Msg_Sin_Nombre, Edit1);
    if (!Nombre_FE_Valido(Nombre))
        return rehusa(Msg_Nombre_No_Valido, Edit1);

    int Tam_Pregunta = 0;
    int Tam_Respuesta = 0;
    if (!tamanoElegido({RadioButton1, RadioButton2, RadioButton3, RadioButton4}, Edit2, QStringLiteral("PREGUNTA"),
                       Tam_Pregunta))
        return;
    if (CheckBox4->isChecked()
        && !tamanoElegido({RadioButton5, RadioButton6, RadioButton7, RadioButton8}, Edit3, QStringLiteral("RESPUESTA"),
                          Tam_Respuesta))
        return;
    p->Tam_Pregunta = Tam_Pregunta;
    p->Tam_Respuesta = Tam_Respuesta;

    Opciones_FE o;
    o.Imagen_Pregunta = CheckBox1->isChecked();
    o.Imagen_Respuesta = CheckBox2->isChecked();
    o.Texto_Largo = CheckBox3->isChecked();
    o.Clave = CheckBox5->isChecked();
    o.Importancia = CheckBox7->isChecked();
    o.Tam_Pregunta = Tam_Pregunta;
    o.Tam_Respuesta = Tam_Respuesta;
    o.Comprimido = CheckBox6->isChecked();
    o.Encriptado = false;
    o.Modificable = o.Exportable = o.Imprimible = true;
    const QString Linea_Opciones = Linea_Opciones_FE(o);

    const QString Carpeta = p->Carpeta_Programa + QStringLiteral("/dat");
    if (!Nombre_FE_Cabe(QDir(Carpeta).exists() ? Carpeta : p->Carpeta_Programa, Nombre))
        return rehusa(Msg_Nombre_Largo, Edit1);
    const QString B = Carpeta + QLatin1Char('/') + Nombre;
    // A replacement there cut short is finished first: a name it takes is not free.
    Quita_Restos_Abandonados(Carpeta);
    for (const char *ext : {"STU", "MB", "DB", "PX"}) {
        if (!platform::existingPathAnyCase(B + QLatin1Char('.') + QLatin1String(ext)).isEmpty())
            return rehusa(Msg_Ya_Existe, Edit1);
    }

    // What this creation writes; removed again when a later step fails.
    QStringList escritos;
    try {
        if (!QDir().mkpath(Carpeta))
            throw CreationFailed(Carpeta);

        // Settings container.
        const QString rutaSTU = B + QStringLiteral(".STU");
        TPackStreams &pks3 = *D_Module_->PKS3;
        packing::MemoryStream item = toMemoryStream(contenidoFE_STU(*RichEdit1, Linea_Opciones));
        pks3.ClearStreams(); // nothing but the settings goes into the new container
        pks3.Compressed = true;
        pks3.Encrypted = false;
        pks3.AddStream("FE_STU", item);
        escritos << rutaSTU;
        try {
            pks3.SaveToFile(QFile::encodeName(rutaSTU).toStdString());
        } catch (...) {
            pks3.ClearStreams();
            throw CreationFailed(rutaSTU);
        }
        pks3.ClearStreams();

        // Card table. The name carries its extension, so that a name ending in ".db" still
        // gives the table file B.DB beside B.STU.
        engine::Table &tabla = *D_Module_->Tabla_Activa;
        tabla.close();
        tabla.setDatabaseName(QFile::encodeName(Carpeta).toStdString());
        tabla.setTableName(QFile::encodeName(Nombre + QStringLiteral(".DB")).toStdString());
        tabla.fieldDefs() = TD_Module_::Campos_Ficha(Tam_Pregunta);
        tabla.indexDefs() = TD_Module_::Indices_Ficha();
        const QString rutaDB = QFile::decodeName(QByteArray::fromStdString(tabla.filePath()));
        escritos << rutaDB;
        try {
            tabla.createTable();
        } catch (const engine::EngineError &) {
            throw CreationFailed(rutaDB);
        }

        // Picture, in its own format: the bytes it was read from, or encoded anew.
        if (Image1->hasPicture()) {
            const bool jpeg = Image1->holdsJpeg();
            const QString rutaImagen = B + QLatin1Char('.') + (jpeg ? QStringLiteral("JPG") : QStringLiteral("BMP"));
            const bool ok = !Image1->pictureBytes().isEmpty()
                                ? platform::saveFileAtomically(rutaImagen, Image1->pictureBytes())
                                : platform::savePicture(Image1->picture(), rutaImagen,
                                                        jpeg ? platform::PictureFormat::Jpeg : platform::PictureFormat::Bmp);
            if (!ok)
                throw CreationFailed(rutaImagen);
        }
    } catch (const CreationFailed &failure) {
        for (const QString &path : escritos)
            QFile::remove(path);
        mensaje(Msg_No_Creado.arg(Nombre, failure.file));
        return;
    }

    mensaje(Msg_Creado.arg(Nombre));
    p->Ventana_Principal()->setEnabled(true);
    close();
}

// ---------------------------------------------------------------------------------------------
// Leaving, help

void TCrea_Fiche_::Button2_Click()
{
    if (Sesion_->Crear_Tabla_Impresion == 1) {
        Crea_Tabla_Impresion();
        return;
    }
    Sesion_->Ventana_Principal()->setEnabled(true);
    close();
}

// The print entry's rebuild of the print table IMP.db in the program folder: re-created
// empty (every earlier row gone) and opened. Its rows may hold the texts of cards while a
// preview or print runs, so the table overwrites what it deletes; it is scratch, refilled at
// every preview or print, so its commits are not waited for on disk.
void TCrea_Fiche_::Crea_Tabla_Impresion()
{
    engine::Table *I = D_Module_->Imprime;
    I->close();
    I->setDatabaseName(QFile::encodeName(Sesion_->Carpeta_Programa).toStdString());
    I->setTableName("IMP.db");
    I->fieldDefs() = TD_Module_::Campos_Imprime();
    I->indexDefs().clear();
    I->createTable();
    I->setSecureDelete(true);
    I->setWriteThrough(false);
    I->open();
}

void TCrea_Fiche_::Button3Click()
{
    platform::helpContext(16);
}

// ---------------------------------------------------------------------------------------------
// Description

void TCrea_Fiche_::Button5_Click()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    QString text;
    if (data && data->hasText())
        text = data->text();
    else if (data && data->hasHtml())
        text = QTextDocumentFragment::fromHtml(data->html()).toPlainText();
    else {
        mensaje(Msg_Sin_Texto);
        return;
    }
    RichEdit1->setFocus();
    RichEdit1->insertPlainText(text);
}

// The description is edited large and taken back when the zoom window saves.
void TCrea_Fiche_::Button12Click()
{
    Zoom_Texto(RichEdit1, 1);
}

// ---------------------------------------------------------------------------------------------
// Picture

void TCrea_Fiche_::BitBtn1Click()
{
    OpenPictureDialog1->InitialDir = m_dialogoUsado ? QString() : Sesion_->Carpeta_Programa;
    m_dialogoUsado = true;
    if (!OpenPictureDialog1->execute())
        return;
    const QString path = OpenPictureDialog1->FileName;
    const QString last4 = path.toLower().right(4);
    if (last4 != QLatin1String(".jpg") && last4 != QLatin1String("jpeg") && last4 != QLatin1String(".bmp"))
        return;
    QByteArray bytes;
    try {
        bytes = platform::readPictureFileOrThrow(path);
    } catch (const platform::PictureError &e) {
        // The picture shown before stays, with its type.
        mensaje(Msg_Imagen_Ilegible.arg(path, QString::fromUtf8(e.what())));
        return;
    }
    Image1->setPictureBytes(bytes);
    Tipo_Imagen_FE = Image1->holdsJpeg() ? QStringLiteral("JPG") : QStringLiteral("BMP");
    TImag_Zoom_::Prepara_Imagen(10);
}

void TCrea_Fiche_::BitBtn2Click()
{
    const std::optional<platform::ClipboardPicture> pasted = platform::clipboardPicture();
    if (!pasted)
        return;
    if (!pasted->jpegBytes.isEmpty()) {
        Image1->setPictureBytes(pasted->jpegBytes);
        Tipo_Imagen_FE = QStringLiteral("JPG");
    } else {
        Image1->setPicture(pasted->bitmap, platform::PictureKind::Bitmap);
        Tipo_Imagen_FE = QStringLiteral("BMP");
    }
    TImag_Zoom_::Prepara_Imagen(10);
}

void TCrea_Fiche_::Button6Click()
{
    Image1->clear();
}

void TCrea_Fiche_::Image1Click()
{
    if (Image1->picture().width() < 1 && Image1->picture().height() < 1)
        return;
    Sesion_->Origen_Zoom = QStringLiteral("Crea_Fich");
    platform::showModal(Imag_Zoom_);
}
