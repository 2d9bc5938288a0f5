#include "editing/Alta_Fichas.h"

#include "packing/Streams.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Imag_Zoom.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextCharFormat>

#include <optional>
#include <string>
#include <utility>
#include <vector>

TAlta_Fichas_ *Alta_Fichas_ = nullptr;

const QString Msg_Portapapeles_Sin_Texto = QStringLiteral("El portapapeles no contiene un texto.");
const QString Msg_Portapapeles_Sin_Imagen =
    QStringLiteral("El portapapeles no contiene una imagen\r\r(mapa de bits o JPEG) que se pueda pegar.");

namespace {
const QString Msg_Imagen_Ilegible = QStringLiteral("No se puede leer la imagen\r\r%1\r\r%2");
const QString Msg_Rtf_Ilegible = QStringLiteral("No se puede leer el archivo\r\r%1");
const QString Msg_Rtf_No_Valido = QStringLiteral("El archivo\r\r%1\r\rno contiene un texto RTF ni un texto legible.");

// Larger files are not taken as a long answer or a picture of a card.
constexpr qint64 Tamano_Maximo_Archivo = 64 * 1024 * 1024;

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

engine::Table &tabla()
{
    return *D_Module_->Tabla_Activa;
}

// Bytes that a rich edit can take: RTF, or text without control characters other than
// tabs, line ends and form feeds.
bool textoCargable(const QByteArray &bytes)
{
    if (bytes.startsWith("{\\rtf"))
        return true;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 && u != '\t' && u != '\n' && u != '\r' && u != '\f')
            return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TAlta_Fichas_::TAlta_Fichas_(QWidget *parent) : platform::Form(parent)
{
    Alta_Fichas_ = this;
    setObjectName(QStringLiteral("Alta_Fichas_"));
    setWindowTitle(QStringLiteral("   Añadir  o  Modificar  Fichas"));
    setCentred(true);
    setFollowsMainWindowState(true);
    setHelpContext(13);
    // Coming back from a zoom window, a message or a dialog is no new opening: no other card
    // is appended and the card being modified is not reloaded over what was typed. Closing,
    // the editor hands its caller back the work it held, whose activation then runs.
    setActivateOnModalReturn(false);
    setReactivatesCaller(true);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Teal));

    using platform::named;
    auto label = [&](const char *name, const QString &caption, QWidget *parentWidget) {
        auto *l = named(new platform::Label(caption, parentWidget), name);
        l->setFontColor(Qt::white);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    auto group = [&](const char *name, const QString &title) {
        auto *g = named(new QGroupBox(title, this), name);
        QPalette p = g->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        g->setPalette(p);
        return g;
    };
    auto button = [&](const char *name, const QString &caption, QWidget *parentWidget) {
        return named(new QPushButton(caption, parentWidget), name);
    };
    auto dbEdit = [&](const char *name, const char *field) {
        auto *e = named(new platform::DBEdit(this), name);
        e->setDataField(QString::fromLatin1(field));
        return e;
    };

    Label1 = label("Label1", QStringLiteral("Pregunta:"), this);
    EditPreg_Text = dbEdit("EditPreg_Text", ficha::Preg_Text);
    Label5 = label("Label5", QStringLiteral("Respuesta:"), this);
    EditResp_Text = named(new QLineEdit(this), "EditResp_Text");

    GroupBox3 = group("GroupBox3", QStringLiteral("Respuesta (T. Largo):"));
    RichEdit1 = named(new platform::RichEdit(GroupBox3), "RichEdit1");
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    {
        QFont f = RichEdit1->font();
        f.setBold(true);
        RichEdit1->setFont(f);
        QPalette p = RichEdit1->palette();
        p.setColor(QPalette::Text, platform::tcolor(platform::colors::Navy));
        RichEdit1->setPalette(p);
    }
    Button7 = button("Button7", QStringLiteral("Pegar"), GroupBox3);
    BitBtn3 = button("BitBtn3", QStringLiteral(" Disco"), GroupBox3);
    Button12 = button("Button12", QStringLiteral("&Zoom"), GroupBox3);

    Label3 = label("Label3", QStringLiteral("Clave de la Ficha:"), this);
    EditClav_Fich = dbEdit("EditClav_Fich", ficha::Clav_Fich);
    ChBox1 = named(new QCheckBox(QStringLiteral("&Recordar la clave anterior"), this), "ChBox1");
    ChBox1->setChecked(true);
    {
        QPalette p = ChBox1->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        ChBox1->setPalette(p);
    }
    Label4 = label("Label4", QStringLiteral("Nivel de Importancia: "), this);
    EditNive_Impo = dbEdit("EditNive_Impo", ficha::Nive_Impo);

    GroupBox1 = group("GroupBox1", QStringLiteral("Imagen Pregunta:"));
    Image1 = named(new platform::ImageControl(GroupBox1), "Image1");
    Image1->Tag = 7;
    Image1->setCenter(true);
    Button5 = button("Button5", QStringLiteral("Pega&r"), GroupBox1);
    BitBtn2 = button("BitBtn2", QStringLiteral("Disco"), GroupBox1);
    Button4 = button("Button4", QStringLiteral("X"), GroupBox1);

    GroupBox2 = group("GroupBox2", QStringLiteral("Imagen Respuesta: "));
    Image2 = named(new platform::ImageControl(GroupBox2), "Image2");
    Image2->Tag = 8;
    Image2->setCenter(true);
    Button6 = button("Button6", QStringLiteral("Pe&gar"), GroupBox2);
    BitBtn4 = button("BitBtn4", QStringLiteral("Disco"), GroupBox2);
    Button8 = button("Button8", QStringLiteral("X"), GroupBox2);

    Label2 = label("Label2", QStringLiteral("Ficha Usa PKS:"), this);
    Label2->hide();
    // The frame around the key and the importance is drawn under them and never takes their
    // clicks.
    Bevel1 = named(new QFrame(this), "Bevel1");
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Bevel1->lower();

    DBNavigator1 = named(new platform::DBNavigator(this), "DBNavigator1");
    DBNavigator1->BeforeAction = [this](platform::DBNavigator::Button which) {
        return DBNavigator1BeforeAction(which);
    };

    Button3 = button("Button3", QStringLiteral("&Guarda y Continua"), this);
    Button2 = button("Button2", QStringLiteral("Guarda y A&caba"), this);
    Button1 = button("Button1", QStringLiteral(" &Salir"), this);
    BitBtn1 = button("BitBtn1", QStringLiteral(" &Ayuda"), this);
    platform::Form::setCancelButton(Button1);

    OpenPictureDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenPictureDialog1");
    OpenPictureDialog1->Filter =
        QStringLiteral("BMP y JPG / JPEG  (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG  (*.jpg, *.jpeg)|*.jpg, "
                       "*.jpeg|BMP  (*.bmp)|*.bmp|Todos los archivos (*.*)|*.*");
    OpenDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog1");
    OpenDialog1->Filter = QStringLiteral("RTF Files / Archivos RTF|*.rtf|All Files / Todos los Archivos|*.*");
    OpenDialog1->Title = QStringLiteral("RTF File / Archivo RTF");

    layOut();
    ordenTabulacion();

    using F = TAlta_Fichas_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button3, &QPushButton::clicked, this, [this] { Button3Click(Button3); });
    platform::on(Button2, &QPushButton::clicked, this, [this] { Button3Click(Button2); });
    platform::on(Button5, &QPushButton::clicked, this, [this] { Button5Click(Button5); });
    platform::on(Button6, &QPushButton::clicked, this, [this] { Button5Click(Button6); });
    platform::on(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(BitBtn2); });
    platform::on(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn2Click(BitBtn4); });
    platform::on(Button4, &QPushButton::clicked, this, [this] { Button4Click(Button4); });
    platform::on(Button8, &QPushButton::clicked, this, [this] { Button4Click(Button8); });
    platform::on(Button7, &QPushButton::clicked, this, &F::Button7Click);
    platform::on(BitBtn3, &QPushButton::clicked, this, &F::BitBtn3Click);
    platform::on(Button12, &QPushButton::clicked, this, &F::Button12Click);
    platform::on(Image1, &platform::ImageControl::clicked, this, &F::Image1Click);
    platform::on(Image2, &platform::ImageControl::clicked, this, &F::Image2Click);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
    Enlaza_Datos();
    TImag_Zoom_::registerZoomSource(QStringLiteral("Altas_Preg"), Image1);
    TImag_Zoom_::registerZoomSource(QStringLiteral("Altas_Resp"), Image2);

    FormCreate();
}

TAlta_Fichas_::~TAlta_Fichas_()
{
    if (Alta_Fichas_ == this)
        Alta_Fichas_ = nullptr;
}

// The data module is created after this window: the data-aware controls and the displays
// that every move of the card table refreshes are bound to it as soon as it exists.
void TAlta_Fichas_::Enlaza_Datos()
{
    if (m_enlazado || !D_Module_)
        return;
    m_enlazado = true;
    for (platform::DBEdit *e : {EditPreg_Text, EditClav_Fich, EditNive_Impo})
        e->setDataSource(D_Module_->DSource);
    DBNavigator1->setDataSource(D_Module_->DSource);
    // Every card shown anew starts unedited.
    platform::on(D_Module_->DSource, &platform::DataSource::tableEvent, this, [this](engine::Table::Event e) {
        if (e == engine::Table::Event::Scrolled || e == engine::Table::Event::Opened)
            Marca_Sin_Editar();
    });
    D_Module_->attachCardEditorDisplays({Label2, EditResp_Text, RichEdit1, Image1, Image2});
}

// Tab goes through the card as it is typed: question, answer, key, importance, then the
// buttons that save or leave, then the pictures' and the long answer's buttons. Hidden
// controls are skipped.
void TAlta_Fichas_::ordenTabulacion()
{
    QWidget *const orden[] = {EditPreg_Text, EditResp_Text, RichEdit1, EditClav_Fich, ChBox1, EditNive_Impo,
                              Button3, Button2, Button1, BitBtn1, Button5, BitBtn2, Button4, Button6,
                              BitBtn4, Button8, Button7, BitBtn3, Button12, DBNavigator1};
    for (std::size_t i = 1; i < std::size(orden); ++i)
        setTabOrder(orden[i - 1], orden[i]);
}

void TAlta_Fichas_::layOut()
{
    resize(1000, 700);
    Label1->move(12, 12);
    EditPreg_Text->setGeometry(12, 34, 976, 26);
    Label5->move(12, 68);
    EditResp_Text->setGeometry(12, 90, 976, 26);

    GroupBox1->setGeometry(12, 124, 517, 250);
    Image1->setGeometry(4, 20, 509, 185);
    Button5->setGeometry(8, 214, 90, 28);
    BitBtn2->setGeometry(106, 214, 90, 28);
    Button4->setGeometry(204, 214, 40, 28);

    GroupBox2->setGeometry(541, 124, 447, 310);
    Image2->setGeometry(4, 20, 439, 243);
    Button6->setGeometry(8, 274, 90, 28);
    BitBtn4->setGeometry(106, 274, 90, 28);
    Button8->setGeometry(204, 274, 40, 28);

    GroupBox3->setGeometry(12, 382, 517, 250);
    RichEdit1->setGeometry(8, 22, 501, 186);
    Button7->setGeometry(8, 214, 90, 28);
    BitBtn3->setGeometry(106, 214, 90, 28);
    Button12->setGeometry(204, 214, 90, 28);

    Bevel1->setGeometry(541, 442, 447, 116);
    Label3->move(553, 452);
    EditClav_Fich->setGeometry(713, 448, 150, 26);
    ChBox1->setGeometry(713, 478, 260, 24);
    Label4->move(553, 516);
    EditNive_Impo->setGeometry(713, 512, 60, 26);
    Label2->move(553, 566);
    DBNavigator1->move(553, 596);

    Button3->setGeometry(12, 648, 170, 34);
    Button2->setGeometry(192, 648, 170, 34);
    Button1->setGeometry(372, 648, 110, 34);
    BitBtn1->setGeometry(878, 648, 110, 34);
}

// ---------------------------------------------------------------------------------------------
// Entries for the callers

void TAlta_Fichas_::Anadir_Fichas()
{
    Enlaza_Datos();
    Sesion_->Modo_Alta = 1;
    Sesion_->Edicion_Desde_Repaso = 0;
    m_llamador = Sesion_->Ventana_Principal();
    platform::showModal(this);
}

void TAlta_Fichas_::Modificar_Fichas(int Desde_Repaso)
{
    Enlaza_Datos();
    Sesion_->Modo_Alta = 0;
    Sesion_->Edicion_Desde_Repaso = Desde_Repaso;
    const QList<QWidget *> stack = platform::modalStack();
    m_llamador = stack.isEmpty() ? platform::mainWindow() : stack.last();
    platform::showModal(this);
}

QWidget *TAlta_Fichas_::Llamador() const
{
    if (Sesion_->Modo_Alta == 1)
        return Sesion_->Ventana_Principal();
    return m_llamador;
}

// ---------------------------------------------------------------------------------------------
// Creation, activation, closing

void TAlta_Fichas_::FormCreate()
{
    OpenDialog1->InitialDir = Sesion_->Carpeta_Programa + QStringLiteral("/dat");
}

void TAlta_Fichas_::FormActivate()
{
    Enlaza_Datos();
    TSesion_ *s = Sesion_;
    if (s->Saltar_Activacion == 1) {
        s->Saltar_Activacion = 0;
        return;
    }
    // Once per opening: the focus coming back to the window from a window that is not modal
    // must neither append another card (which would post the pending one half made) nor
    // reload the card being modified over what the user typed.
    if (m_preparado)
        return;
    m_preparado = true;
    QWidget *principal = s->Ventana_Principal();
    followWindowState(principal);
    // A caller that showed the editor without its entry is the window below it.
    if (!m_llamador) {
        const QList<QWidget *> stack = platform::modalStack();
        const qsizetype self = stack.lastIndexOf(this);
        m_llamador = self > 0 ? stack[self - 1] : platform::mainWindow();
    }
    engine::Table &t = tabla();
    const bool abierta = t.active(); // a study file is open: there is a card to work on
    if (s->Modo_Alta == 1) {
        if (principal)
            principal->setEnabled(false);
        DBNavigator1->setEnabled(false);
        if (abierta)
            t.append();
        ChBox1->setEnabled(true);
        Vacia_Imagenes();
    } else {
        if (abierta)
            D_Module_->Tabla_ActivaAfterScroll(t);
        if (s->Edicion_Desde_Repaso == 1) {
            Button3->setEnabled(false);
            DBNavigator1->setEnabled(false);
        } else {
            if (m_llamador && m_llamador != this)
                m_llamador->setEnabled(false);
            DBNavigator1->setEnabled(true);
        }
        if (abierta)
            t.edit();
        ChBox1->setEnabled(false);
    }
    EditPreg_Text->setFocus();
    EditPreg_Text->setMaxLength(s->Tam_Pregunta);
    Visibilidad();
    Estilo_Respuesta_Larga();
    Marca_Sin_Editar();
}

void TAlta_Fichas_::Visibilidad()
{
    TSesion_ *s = Sesion_;
    for (QWidget *w : std::initializer_list<QWidget *>{Image1, Button5, BitBtn2, Button4})
        w->setVisible(s->Con_Imagen_Pregunta == 1);
    for (QWidget *w : std::initializer_list<QWidget *>{Image2, Button6, BitBtn4, Button8})
        w->setVisible(s->Con_Imagen_Respuesta == 1);
    for (QWidget *w : std::initializer_list<QWidget *>{RichEdit1, Button7, Button12, BitBtn3})
        w->setVisible(s->Con_Texto_Largo == 1);
    if (s->Con_Texto_Largo == 0 && s->Tam_Respuesta >= 1)
        EditResp_Text->setMaxLength(s->Tam_Respuesta);
    EditResp_Text->setVisible(s->Con_Texto_Largo == 0);
    Label5->setVisible(s->Con_Texto_Largo == 0);
    EditClav_Fich->setVisible(s->Con_Clave == 1);
    if (s->Con_Clave == 0)
        ChBox1->setVisible(false);
    else if (s->Modo_Alta == 1)
        ChBox1->setVisible(true);
    EditNive_Impo->setVisible(s->Con_Importancia == 1);
}

// The long answer takes the display font style in all its text, and so does what is typed or
// pasted into it next.
void TAlta_Fichas_::Estilo_Respuesta_Larga()
{
    const platform::rtf::FontStyle style = D_Module_->Estilo_Fuente();
    const QTextCharFormat estilo = platform::rtf::toCharFormat(platform::rtf::charStyleOf(style.font, style.color));
    RichEdit1->mergeFormatIntoAll(estilo);
    RichEdit1->mergeCurrentCharFormat(estilo);
}

void TAlta_Fichas_::FormClose()
{
    TSesion_ *s = Sesion_;
    engine::Table &t = tabla();
    if (t.active())
        t.cancel();
    if (s->Edicion_Desde_Repaso == 1) {
        Button3->setEnabled(true);
        DBNavigator1->setEnabled(true);
        if (m_llamador)
            m_llamador->setEnabled(true);
    } else if (s->Modo_Alta == 0) {
        if (m_llamador)
            m_llamador->setEnabled(true);
        if (t.active() && !t.isEmpty())
            s->Ultima_Ficha_Modificada = int(D_Module_->Tabla_ActivaAutoInc().asLargeInt());
    } else if (QWidget *principal = s->Ventana_Principal()) {
        principal->setEnabled(true);
    }
    m_llamador = nullptr;
    m_preparado = false;
    EditClav_Fich->clear();
    EditNive_Impo->clear();
    EditResp_Text->clear();
    RichEdit1->clear();
    Vacia_Imagenes();
    Marca_Sin_Editar();
}

void TAlta_Fichas_::Vacia_Imagenes()
{
    Image1->clear();
    Image2->clear();
}

void TAlta_Fichas_::Marca_Sin_Editar()
{
    EditResp_Text->setModified(false);
    RichEdit1->document()->setModified(false);
}

bool TAlta_Fichas_::Ficha_Editada() const
{
    const engine::Table &t = *D_Module_->Tabla_Activa;
    return (t.active() && t.modified()) || Sesion_->Imagen_Pregunta_Cambiada == 1
           || Sesion_->Imagen_Respuesta_Cambiada == 1 || EditResp_Text->isModified()
           || RichEdit1->document()->isModified();
}

// ---------------------------------------------------------------------------------------------
// Saving

void TAlta_Fichas_::Guarda_Imagen(platform::ImageControl *P, const char *Campo, const char *Campo_Tipo)
{
    engine::Table &t = tabla();
    engine::Field &B = t.fieldByName(Campo);
    engine::Field &T = t.fieldByName(Campo_Tipo);
    QByteArray bytes;
    if (P->holdsBitmap()) {
        bytes = P->pictureBytes();
        if (bytes.isEmpty() || platform::detectPictureFormat(bytes) != platform::PictureFormat::Bmp)
            bytes = platform::encodeBmp(P->picture());
        T.setAsString("BMP");
    } else if (!P->hasPicture()) {
        T.setAsString("NO");
        B.clear();
        return;
    } else {
        bytes = P->pictureBytes();
        if (!P->holdsJpeg() || bytes.isEmpty() || platform::detectPictureFormat(bytes) != platform::PictureFormat::Jpeg)
            bytes = platform::encodeJpeg(P->picture(), 90);
        T.setAsString("JPG");
    }
    Comprueba_Tamano_Campo(bytes.size(), Limite_Imagen, QStringLiteral("La imagen"));
    packing::MemoryStream stream = toMemoryStream(bytes);
    if (Sesion_->Fichero_Empaquetado == 1)
        D_Module_->Comprime_Codifica_Stream_con_PKS(stream);
    loadBlob(B, stream);
}

bool TAlta_Fichas_::Guarda_Ficha()
{
    TSesion_ *s = Sesion_;
    TD_Module_ &dm = *D_Module_;
    engine::Table &t = tabla();
    const bool alta = s->Modo_Alta == 1;
    if (!alta && s->Modificable == 0) {
        dm.FE_No_Modificable();
        return false;
    }
    t.edit();
    const std::string empaquetadaAntes = dm.Tabla_ActivaFicha_Comp_Encr().asString();
    QString clave;
    // A field that could not be read keeps its stored bytes (the card then says so once).
    bool ilegibles = false;
    // The blobs repacked or unpacked in the record, with what they held, for a failed save to
    // put back: a save tried again must not pack them twice.
    std::vector<std::pair<engine::Field *, std::string>> conservados;
    try {
        if (s->Con_Importancia == 1) {
            engine::Field &impo = dm.Tabla_ActivaNive_Impo();
            if ((impo.isNull() ? 0 : impo.asInteger()) < 1)
                impo.setAsInteger(0);
        }
        if (alta) {
            if (s->Con_Clave == 1)
                clave = QString::fromStdString(dm.Tabla_ActivaClav_Fich().asString());
            const std::string hoy = s->Fecha_Hoy.toStdString();
            dm.Tabla_ActivaNive_Fich().setAsInteger(1);
            dm.Tabla_ActivaTotal_Repa().setAsInteger(0);
            dm.Tabla_ActivaFech_Crea().setAsString(hoy);
            dm.Tabla_ActivaFech_Prox_Repa().setAsString(hoy);
        }
        dm.Si_Ficha_Usa_Comp_Encr_o_no();

        // What the user did not replace keeps its stored content: as it is while the card's
        // packing stays, unpacked or packed when the card stops or starts being packed (also the
        // fields the file's options do not show). A card that was not flagged packed was read
        // as plain, whatever its flag said.
        const bool desempaqueta = s->Ficha_Deja_De_Empaquetar == 1;
        const bool empaqueta = s->Fichero_Empaquetado == 1 && empaquetadaAntes != "S";
        auto conserva = [&](engine::Field &Campo, bool Ilegible, int64_t Limite) {
            if (Campo.isNull() || !(desempaqueta || empaqueta))
                return;
            std::optional<QByteArray> nuevo;
            if (desempaqueta) {
                // The displays showed the packed bytes as they are: only unpacking tells.
                nuevo = dm.Desempaqueta_Sin_Aviso(Campo.asBytes(), Limite);
            } else if (!Ilegible && int64_t(Campo.blobSize()) <= Limite) {
                packing::MemoryStream stream = blobStream(Campo);
                nuevo = toByteArray(dm.Comprime_Codifica_Stream_con_PKS(stream));
            }
            if (!nuevo) {
                ilegibles = true;
                return;
            }
            conservados.emplace_back(&Campo, Campo.asBytes());
            Campo.setBytes(std::string_view(nuevo->constData(), size_t(nuevo->size())));
        };

        const bool corta = s->Con_Texto_Largo == 0;
        if (corta && (alta || EditResp_Text->isModified()))
            dm.Guarda_Texto_Corto_Respuesta(EditResp_Text->text());
        else
            conserva(dm.Tabla_ActivaResp_Text(), dm.Respuesta_Corta_Danada(), Limite_Respuesta);
        if (!corta && (alta || RichEdit1->document()->isModified())) {
            // A long answer shown only in part gives back its whole bytes.
            packing::MemoryStream stream = toMemoryStream(RichEdit1->saveToBytes());
            Comprueba_Tamano_Campo(int64_t(stream.size()), Limite_Respuesta, QStringLiteral("La respuesta larga"));
            if (s->Fichero_Empaquetado == 1)
                dm.Comprime_Codifica_Stream_con_PKS(stream);
            loadBlob(dm.Tabla_ActivaResp_Memo(), stream);
        } else {
            conserva(dm.Tabla_ActivaResp_Memo(), dm.Respuesta_Larga_Danada(), Limite_Respuesta);
        }

        const struct {
            int con, cambiada;
            bool ilegible;
            platform::ImageControl *imagen;
            const char *campo, *tipo;
        } imagenes[] = {{s->Con_Imagen_Pregunta, s->Imagen_Pregunta_Cambiada, dm.Imagen_Pregunta_Danada(), Image1,
                         ficha::Preg_Imag, ficha::Tipo_Preg_Imag},
                        {s->Con_Imagen_Respuesta, s->Imagen_Respuesta_Cambiada, dm.Imagen_Respuesta_Danada(), Image2,
                         ficha::Resp_Imag, ficha::Tipo_Resp_Imag}};
        for (const auto &i : imagenes) {
            if (i.con == 1 && (alta || i.cambiada == 1))
                Guarda_Imagen(i.imagen, i.campo, i.tipo);
            else
                conserva(t.fieldByName(i.campo), i.ilegible, Limite_Imagen);
        }

        t.post();
    } catch (...) {
        // Nothing was stored; the edit stays pending as it was before the save began.
        if (t.state() == engine::Table::State::Edit || t.state() == engine::Table::State::Insert) {
            dm.Tabla_ActivaFicha_Comp_Encr().setAsString(empaquetadaAntes);
            for (const auto &[campo, antes] : conservados)
                campo->setBytes(antes);
        }
        throw;
    }
    s->Imagen_Pregunta_Cambiada = 0;
    s->Imagen_Respuesta_Cambiada = 0;
    if (ilegibles)
        dm.Avisa_Ficha_Danada();
    if (alta && s->Con_Clave == 1)
        m_clave_anterior = clave;
    Marca_Sin_Editar();
    return true;
}

void TAlta_Fichas_::Button3Click(QObject *Sender)
{
    TSesion_ *s = Sesion_;
    if (!Guarda_Ficha())
        return;
    if (s->Edicion_Desde_Repaso == 1)
        D_Module_->Tabla_ActivaAfterScroll(tabla());
    if (Sender == Button2) {
        if (QWidget *w = Llamador())
            w->setEnabled(true);
        close();
        return;
    }
    if (s->Modo_Alta == 1) {
        engine::Table &t = tabla();
        t.append();
        EditPreg_Text->setFocus();
        if (s->Con_Clave == 1 && ChBox1->isChecked())
            D_Module_->Tabla_ActivaClav_Fich().setAsString(m_clave_anterior.toStdString());
        Vacia_Imagenes();
        RichEdit1->clear();
        Estilo_Respuesta_Larga();
        EditResp_Text->clear();
        Marca_Sin_Editar();
    }
}

bool TAlta_Fichas_::DBNavigator1BeforeAction(platform::DBNavigator::Button)
{
    if (Sesion_->Modo_Alta == 1 || Sesion_->Edicion_Desde_Repaso == 1 || !Ficha_Editada())
        return true;
    try {
        return Guarda_Ficha();
    } catch (...) {
        platform::reportException(std::current_exception());
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Pictures

void TAlta_Fichas_::Toma_Imagen(int Tag, const QByteArray &Bytes, const QImage &Imagen)
{
    platform::ImageControl *target = Tag == 1 ? Image1 : Image2;
    if (Tag == 1)
        Sesion_->Imagen_Pregunta_Cambiada = 1;
    else
        Sesion_->Imagen_Respuesta_Cambiada = 1;
    if (!Bytes.isEmpty())
        target->setPictureBytes(Bytes);
    else
        target->setPicture(Imagen, platform::PictureKind::Bitmap);
    TImag_Zoom_::Prepara_Imagen(Tag == 1 ? 7 : 8);
}

void TAlta_Fichas_::Button5Click(QObject *Sender)
{
    const std::optional<platform::ClipboardPicture> pasted = platform::clipboardPicture();
    if (!pasted) {
        mensaje(Msg_Portapapeles_Sin_Imagen);
        return;
    }
    Toma_Imagen(Sender == Button5 ? 1 : 2, pasted->jpegBytes, pasted->bitmap);
}

void TAlta_Fichas_::BitBtn2Click(QObject *Sender)
{
    if (!OpenPictureDialog1->execute())
        return;
    const QString path = OpenPictureDialog1->FileName;
    QByteArray bytes;
    try {
        bytes = platform::readPictureFileOrThrow(path, Tamano_Maximo_Archivo);
    } catch (const platform::PictureError &e) {
        // The picture shown stays, and so does what the card will store.
        mensaje(Msg_Imagen_Ilegible.arg(QDir::toNativeSeparators(path), QString::fromUtf8(e.what())));
        return;
    }
    Toma_Imagen(Sender == BitBtn2 ? 1 : 2, bytes, {});
}

void TAlta_Fichas_::Button4Click(QObject *Sender)
{
    if (Sender == Button4) {
        Sesion_->Imagen_Pregunta_Cambiada = 1;
        Image1->clear();
    } else {
        Sesion_->Imagen_Respuesta_Cambiada = 1;
        Image2->clear();
    }
}

void TAlta_Fichas_::Image1Click()
{
    if (Image1->picture().width() < 1 && Image1->picture().height() < 1)
        return;
    Sesion_->Origen_Zoom = QStringLiteral("Altas_Preg");
    platform::showModal(Imag_Zoom_);
}

void TAlta_Fichas_::Image2Click()
{
    if (Image2->picture().width() < 1 && Image2->picture().height() < 1)
        return;
    Sesion_->Origen_Zoom = QStringLiteral("Altas_Resp");
    platform::showModal(Imag_Zoom_);
}

// ---------------------------------------------------------------------------------------------
// Long answer

void TAlta_Fichas_::Button7Click()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data || !(data->hasText() || data->hasHtml())) {
        mensaje(Msg_Portapapeles_Sin_Texto);
        return;
    }
    RichEdit1->setFocus();
    RichEdit1->paste();
}

void TAlta_Fichas_::BitBtn3Click()
{
    if (!OpenDialog1->execute())
        return;
    const QString path = OpenDialog1->FileName;
    // The next use opens where this file was.
    OpenDialog1->InitialDir = QFileInfo(path).absolutePath();
    const std::optional<QByteArray> bytes = platform::readWholeFile(path, Tamano_Maximo_Archivo);
    if (!bytes) {
        mensaje(Msg_Rtf_Ilegible.arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!textoCargable(*bytes)) {
        mensaje(Msg_Rtf_No_Valido.arg(QDir::toNativeSeparators(path)));
        return;
    }
    RichEdit1->loadFromBytes(*bytes);
    RichEdit1->document()->setModified(true);
}

void TAlta_Fichas_::Button12Click()
{
    if (Zoom_Texto(RichEdit1, 1) == 1)
        RichEdit1->document()->setModified(true);
}

// ---------------------------------------------------------------------------------------------
// Leaving, help

void TAlta_Fichas_::Button1Click()
{
    close();
}

void TAlta_Fichas_::BitBtn1Click()
{
    platform::helpContext(13);
}
