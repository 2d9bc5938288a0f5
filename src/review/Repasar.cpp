#include "review/Repasar.h"

#include "editing/Alta_Fichas.h"

#include "engine/Table.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Imag_Zoom.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

TRepasar_ *Repasar_ = nullptr;
int Fin_Por_Fichas_Agotadas = 0;

namespace {
constexpr std::int64_t MsPorDia = 86400000;
constexpr int AnchoZoom = 70; // "&Zoom" where the long answer's scroll bar leaves room
constexpr int AltoZoom = 26;
constexpr int FilaBotones = 444; // the top of the answer page's row of buttons ("I&ncorrecta", "&Ayuda", ...)
constexpr int HolguraZoom = 6;   // between "&Zoom" and the row below it
} // namespace

// ---------------------------------------------------------------------------------------------
// Routines of the review

void Inicia_Sesion_Repaso()
{
    TSesion_ *p = Sesion_;
    D_Module_->Valores_a_NumFich();
    p->NumFich_Agotada = 0;
    D_Module_->Siguiente_Registro();
    p->Tiempo_Pausas = 0;
    p->Inicio_Sesion = 0;
    platform::showModal(Repasar_);
}

// ---------------------------------------------------------------------------------------------
// Construction

TRepasar_::TRepasar_(QWidget *parent) : platform::Form(parent)
{
    Repasar_ = this;
    setObjectName(QStringLiteral("Repasar_"));
    setWindowTitle(QStringLiteral("   Repaso"));
    setCentred(true);
    setFollowsMainWindowState(true);
    setHelpContext(12);
    // The activation shows the question page: coming back from a zoom or the break window
    // must leave the answer being read where it is. The card editor, which hands this window
    // back as it closes, runs the activation all the same.
    setActivateOnModalReturn(false);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Teal));

    using platform::named;
    auto label = [&](QWidget *on, const char *name, const QString &caption, unsigned color) {
        auto *l = named(new platform::Label(caption, on), name);
        l->setFontColor(platform::tcolor(color));
        return l;
    };
    auto dbText = [&](QWidget *on, const char *name, const char *field) {
        auto *t = named(new platform::DBText(on), name);
        t->setDataSource(D_Module_->DSource);
        t->setDataField(QString::fromLatin1(field));
        return t;
    };
    auto bold = [](QWidget *w) {
        QFont f = w->font();
        f.setBold(true);
        w->setFont(f);
    };

    Panel1 = named(new platform::Panel(this), "Panel1");
    CheckBox2 = named(new QCheckBox(QStringLiteral("Centrar"), Panel1), "CheckBox2");
    CheckBox2->setChecked(true);
    Button9 = named(new QPushButton(QStringLiteral("Tipo de letra"), Panel1), "Button9");

    Panel2 = named(new platform::Panel(Panel1), "Panel2");
    label(Panel2, "Label5", QStringLiteral("Nivel en el FE: "), platform::colors::Black);
    DBText2 = dbText(Panel2, "DBText2", ficha::Nive_Fich);
    label(Panel2, "Label6", QStringLiteral("Nivel de importancia: "), platform::colors::Black);
    DBText3 = dbText(Panel2, "DBText3", ficha::Nive_Impo);
    label(Panel2, "Label8", QStringLiteral("Clave para clasificar:"), platform::colors::Black);
    DBText4 = dbText(Panel2, "DBText4", ficha::Clav_Fich);
    label(Panel2, "Label9", QStringLiteral("Nº de repasos hechos:"), platform::colors::Black);
    DBText5 = dbText(Panel2, "DBText5", ficha::Total_Repa);
    label(Panel2, "Label10", QStringLiteral("Último repaso:"), platform::colors::Black);
    Label15 = label(Panel2, "Label15", QString(), platform::colors::Black);
    label(Panel2, "Label11", QStringLiteral("Tiempo:"), platform::colors::Black);
    Label12 = label(Panel2, "Label12", QStringLiteral("00:00:00"), platform::colors::White);
    Button11 = named(new QPushButton(QStringLiteral("Modifica&r ficha"), Panel2), "Button11");
    Button12 = named(new QPushButton(QStringLiteral("&Descansar"), Panel2), "Button12");

    Panel3 = named(new platform::Panel(Panel1), "Panel3");
    Label16 = label(Panel3, "Label16", QStringLiteral("Aciertos: "), platform::colors::Navy);
    Label17 = label(Panel3, "Label17", QStringLiteral("Errores: "), platform::colors::Maroon);
    bold(Label16);
    bold(Label17);

    PageControl1 = named(new QTabWidget(this), "PageControl1");
    Pregunta = named(new QWidget, "Pregunta");
    Respuesta = named(new QWidget, "Respuesta");
    for (QWidget *page : {Pregunta, Respuesta}) {
        page->setAutoFillBackground(true);
        platform::setBackgroundColor(*page, platform::tcolor(platform::colors::Teal));
    }
    PageControl1->addTab(Pregunta, QStringLiteral("   P R E G U N T A   "));
    PageControl1->addTab(Respuesta, QStringLiteral("   R E S P U E S T A   "));

    DBText1 = dbText(Pregunta, "DBText1", ficha::Preg_Text);
    DBText1->setFontColor(platform::tcolor(platform::colors::Purple));
    Image1 = named(new platform::ImageControl(Pregunta), "Image1");
    Image1->Tag = 5;
    Image1->setCenter(true);
    Button1 = named(new QPushButton(QStringLiteral("  &Ver la Respuesta"), Pregunta), "Button1");
    Label1 = label(Pregunta, "Label1", QStringLiteral("Fichas ya Repasadas: "), platform::colors::White);
    Label13 = label(Pregunta, "Label13", QStringLiteral("Fichas pendientes: "), platform::colors::White);
    Label2 = label(Pregunta, "Label2", QStringLiteral("Total de Fichas: "), platform::colors::White);
    Button4 = named(new QPushButton(QStringLiteral("&Salir"), Pregunta), "Button4");
    Button3 = named(new QPushButton(QStringLiteral("&Ayuda"), Pregunta), "Button3");

    Label7 = label(Respuesta, "Label7", QString(), platform::colors::Purple);
    RichEdit1 = named(new platform::RichEdit(Respuesta), "RichEdit1");
    RichEdit1->setReadOnly(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button5 = named(new QPushButton(QStringLiteral("&Zoom"), Respuesta), "Button5");
    Image2 = named(new platform::ImageControl(Respuesta), "Image2");
    Image2->Tag = 6;
    Image2->setCenter(true);
    Button6 = named(new QPushButton(QStringLiteral("&Correcta"), Respuesta), "Button6");
    Button7 = named(new QPushButton(QStringLiteral("I&ncorrecta"), Respuesta), "Button7");
    Button8 = named(new QPushButton(QStringLiteral("&Ver Pregunta"), Respuesta), "Button8");
    Label3 = label(Respuesta, "Label3", QStringLiteral("Fichas ya Repasadas: "), platform::colors::White);
    Label14 = label(Respuesta, "Label14", QStringLiteral("Fichas pendientes: "), platform::colors::White);
    Label4 = label(Respuesta, "Label4", QStringLiteral("Total de Fichas: "), platform::colors::White);
    Button2 = named(new QPushButton(QStringLiteral("&Salir"), Respuesta), "Button2");
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), Respuesta), "BitBtn1");
    platform::Form::setCancelButton(Button4);
    platform::Form::setCancelButton(Button2);

    for (platform::Label *l : {static_cast<platform::Label *>(DBText1), Label7}) {
        l->setAutoSize(false);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        bold(l);
    }

    Timer_n_Repaso = new platform::Timer(this);
    Timer_n_Repaso->setObjectName(QStringLiteral("Timer_n_Repaso"));
    Timer_n_Repaso->setInterval(1000);
    Timer_n_Repaso->setEnabled(true);
    Sesion_->Timer_n_Repaso = Timer_n_Repaso;

    layOut();

    using F = TRepasar_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(Button8, &QPushButton::clicked, this, &F::Button8Click);
    platform::on(Button6, &QPushButton::clicked, this, &F::Button6Click);
    platform::on(Button7, &QPushButton::clicked, this, &F::Button7Click);
    platform::on(Button4, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(Image1, &platform::ImageControl::clicked, this, &F::Image1Click);
    platform::on(Image2, &platform::ImageControl::clicked, this, &F::Image2Click);
    platform::on(CheckBox2, &QCheckBox::toggled, this, &F::CheckBox1Click);
    platform::on(Button9, &QPushButton::clicked, this, &F::Button9Click);
    platform::on(Button11, &QPushButton::clicked, this, &F::Button11Click);
    platform::on(Button12, &QPushButton::clicked, this, &F::Button12Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::BitBtn1Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
    platform::on(Timer_n_Repaso, &platform::Timer::timeout, this, &F::Timer_n_RepasoTimer);

    D_Module_->attachReviewDisplays({Label15, Label7, RichEdit1, Image1, Image2});
    TImag_Zoom_::registerZoomSource(QStringLiteral("Repaso_Preg"), Image1);
    TImag_Zoom_::registerZoomSource(QStringLiteral("Repaso_Resp"), Image2);

    FormCreate();
}

TRepasar_::~TRepasar_()
{
    if (Repasar_ == this)
        Repasar_ = nullptr;
    if (Sesion_ && Sesion_->Timer_n_Repaso == Timer_n_Repaso)
        Sesion_->Timer_n_Repaso = nullptr;
}

void TRepasar_::layOut()
{
    resize(1018, 661);
    Panel1->setGeometry(0, 0, 1018, 96);
    CheckBox2->setGeometry(8, 60, 80, 24);
    Button9->setGeometry(100, 58, 120, 28);
    Panel2->setGeometry(72, 4, 940, 46);
    // Two rows of captions and values, the two buttons on the right.
    struct At {
        const char *name;
        int x, y;
    };
    for (const At &a : {At{"Label5", 6, 4}, At{"DBText2", 104, 4}, At{"Label6", 160, 4}, At{"DBText3", 300, 4},
                        At{"Label8", 360, 4}, At{"DBText4", 500, 4}, At{"Label9", 6, 24}, At{"DBText5", 150, 24},
                        At{"Label10", 200, 24}, At{"Label15", 300, 24}, At{"Label11", 420, 24},
                        At{"Label12", 480, 24}}) {
        if (auto *w = Panel2->findChild<QWidget *>(QString::fromLatin1(a.name)))
            w->move(a.x, a.y);
    }
    for (platform::DBText *d : {DBText2, DBText3, DBText5})
        d->setFixedWidth(50);
    DBText4->setFixedWidth(200);
    Button11->setGeometry(800, 2, 134, 20);
    Button12->setGeometry(800, 24, 134, 20);
    Panel3->setGeometry(324, 54, 420, 38);
    Label16->move(8, 10);
    Label17->move(220, 10);

    PageControl1->setGeometry(0, 98, 1018, 563);
    DBText1->setGeometry(10, 2, 975, 79);
    Image1->setGeometry(8, 101, 981, 333);
    Button1->setGeometry(400, 444, 210, 36);
    Button4->setGeometry(800, 444, 90, 36);
    Button3->setGeometry(900, 444, 90, 36);
    Label7->setGeometry(10, 2, 975, 79);
    RichEdit1->setGeometry(8, 99, 481, 334);
    Button5->setGeometry(411, FilaBotones - HolguraZoom - AltoZoom, AnchoZoom, AltoZoom);
    Image2->setGeometry(498, 99, 489, 333);
    Button6->setGeometry(120, 444, 160, 36);
    Button7->setGeometry(300, 444, 160, 36);
    Button8->setGeometry(480, 444, 160, 36);
    Button2->setGeometry(800, 444, 90, 36);
    BitBtn1->setGeometry(900, 444, 90, 36);
    for (platform::Label *l : {Label1, Label3})
        l->move(20, 496);
    for (platform::Label *l : {Label13, Label14})
        l->move(320, 496);
    for (platform::Label *l : {Label2, Label4})
        l->move(620, 496);
    colocaZoom();
}

// ---------------------------------------------------------------------------------------------
// Creation, activation, closing

void TRepasar_::FormCreate()
{
    Fin_Por_Fichas_Agotadas = 0;
    Panel2->setColor(platform::tcolor(0xB5D29A));
}

void TRepasar_::FormActivate()
{
    TSesion_ *p = Sesion_;
    if (p->Saltar_Activacion == 1) {
        p->Saltar_Activacion = 0;
        return;
    }
    followWindowState(p->Ventana_Principal());
    Panel2->move(Panel1->x() + 72, Panel2->y());
    Button12->setEnabled(p->Avisar_Descansos == 1);

    if (p->Edicion_Desde_Repaso == 1) {
        p->Edicion_Desde_Repaso = 0;
        D_Module_->Tabla_ActivaAfterScroll(*D_Module_->Tabla_Activa);
    } else if (p->Inicio_Sesion == 0) {
        // The session start leaves the start time at 0: this is the session's first activation.
        p->Inicio_Sesion = platform::clock::toDays(platform::clock::now());
        const int n = int(D_Module_->Tabla_Activa->recordCount());
        Label2->setCaption(QStringLiteral("Fichas Seleccionadas: ") + QString::number(n));
        Label4->setCaption(Label2->caption());
        Fichas_Repasadas = 0;
        Fichas_Pendientes = n;
        Aciertos = 0;
        Errores = 0;
        Fin_Por_Fichas_Agotadas = 0;
    }
    if (Fichas_Repasadas == 0) {
        Label16->setCaption(repaso::Texto_Aciertos(Contadores()));
        Label17->setCaption(repaso::Texto_Errores(Contadores()));
    }
    Actualiza_Fuente();
    Actualiza_Contadores();
    muestraPregunta();
    disposicion();
}

// The pages by the open file's options: question picture, answer picture, long answer.
void TRepasar_::disposicion()
{
    TSesion_ *p = Sesion_;
    const bool Q = p->Con_Imagen_Pregunta == 1;
    const bool I = p->Con_Imagen_Respuesta == 1;
    const bool M = p->Con_Texto_Largo == 1;
    DBText1->move(DBText1->x(), Q ? 2 : 99);
    if (!I && M) {
        Image2->hide();
        Button5->move(900, Button5->y());
        RichEdit1->resize(972, RichEdit1->height());
        Button5->show();
        RichEdit1->show();
    }
    if (I && !M) {
        Button5->hide();
        RichEdit1->hide();
        Image2->setLeft(2);
        Image2->setWidth(972);
    }
    if (!I && !M) {
        Label7->setGeometry(Label7->x(), 99, Label7->width(), 333);
        Button5->hide();
        Image2->hide();
        RichEdit1->hide();
    } else {
        Label7->setGeometry(Label7->x(), 2, Label7->width(), 79);
    }
    if (I && M) {
        Image2->show();
        RichEdit1->show();
        Button5->show();
        RichEdit1->setGeometry(12, RichEdit1->y(), 481, RichEdit1->height());
        Button5->move(411, Button5->y());
        Image2->setLeft(498);
        Image2->setWidth(489);
    }
    if (I && !M)
        Image2->show();
    // The answer picture was fitted to its box when the card was shown; the layout above gives
    // its control the box's whole width, so it is fitted again to keep its proportions.
    if (I && Image2->picture().width() > 0 && p->Saltar_Activacion == 0)
        TImag_Zoom_::Prepara_Imagen(M ? 5 : 6);
    Label7->setVisible(!M);
    Panel3->move(Panel1->x() + 324, Panel3->y());
    colocaZoom();
}

// "&Zoom" keeps its place at the long answer's lower right, above the row of buttons, narrowed so
// that it stands clear of the answer's scroll bar; the answer keeps its last lines clear of it.
void TRepasar_::colocaZoom()
{
    const QRect caja = RichEdit1->geometry();
    const int barra = caja.x() + caja.width() - RichEdit1->frameWidth() - RichEdit1->verticalScrollBar()->sizeHint().width();
    Button5->resize(std::min(AnchoZoom, barra - 2 - Button5->x()), Button5->height());
    RichEdit1->reserveBottom(caja.y() + caja.height() - Button5->y());
}

void TRepasar_::FormClose()
{
    TSesion_ *p = Sesion_;
    D_Module_->Ver_Mensaje(Texto_Estadisticas());
    p->NumFich.reset();
    Label7->setCaption(QString());
    RichEdit1->clear();
    Image1->clear();
    Image2->clear();
    // However the window closes, the main window works again.
    p->Ventana_Principal()->setEnabled(true);
}

std::int64_t TRepasar_::Duracion_Sesion() const
{
    const TSesion_ *p = Sesion_;
    const double dias = platform::clock::toDays(platform::clock::now()) - p->Inicio_Sesion - p->Tiempo_Pausas;
    return std::llround(dias * double(MsPorDia));
}

QString TRepasar_::Texto_Estadisticas() const
{
    return repaso::Texto_Estadisticas(Contadores(), Duracion_Sesion(), Fin_Por_Fichas_Agotadas == 1);
}

// ---------------------------------------------------------------------------------------------
// Pages, judgements, counters

void TRepasar_::muestraPregunta()
{
    PageControl1->setCurrentWidget(Pregunta);
    Button1->setFocus();
}

void TRepasar_::Button1Click()
{
    PageControl1->setCurrentWidget(Respuesta);
    Button6->setFocus();
}

void TRepasar_::Button8Click()
{
    muestraPregunta();
}

void TRepasar_::Button6Click()
{
    juzga(true);
}

void TRepasar_::Button7Click()
{
    juzga(false);
}

void TRepasar_::juzga(bool Correcta)
{
    TSesion_ *p = Sesion_;
    engine::Table *t = D_Module_->Tabla_Activa;
    D_Module_->Retiene_Pantallas();
    try {
        const repaso::Ficha actual{t->fieldByName(ficha::Nive_Fich).asInteger(),
                                   QString::fromStdString(t->fieldByName(ficha::Fech_Ulti_Repa).asString()),
                                   t->fieldByName(ficha::Total_Repa).asInteger(),
                                   QString::fromStdString(t->fieldByName(ficha::Fech_Prox_Repa).asString())};
        if (const std::optional<repaso::Ficha> f = repaso::Juzga(actual, Correcta, p->Fecha_Hoy, p->Dias_Repaso)) {
            t->edit();
            t->fieldByName(ficha::Nive_Fich).setAsInteger(f->Nive_Fich);
            t->fieldByName(ficha::Fech_Ulti_Repa).setAsString(f->Fech_Ulti_Repa.toStdString());
            t->fieldByName(ficha::Total_Repa).setAsInteger(f->Total_Repa);
            t->fieldByName(ficha::Fech_Prox_Repa).setAsString(f->Fech_Prox_Repa.toStdString());
            t->post();
        }
    } catch (...) {
        if (t->state() == engine::Table::State::Edit)
            t->cancel();
        D_Module_->Suelta_Pantallas();
        throw;
    }
    const bool refrescoDebido = D_Module_->Suelta_Pantallas();

    repaso::Contadores c = Contadores();
    repaso::Cuenta(c, Correcta);
    Fichas_Repasadas = c.Fichas_Repasadas;
    Fichas_Pendientes = c.Fichas_Pendientes;
    Aciertos = c.Aciertos;
    Errores = c.Errores;
    Label16->setCaption(repaso::Texto_Aciertos(c));
    Label17->setCaption(repaso::Texto_Errores(c));

    // The next card refreshes the displays once; when there is none, the card the post left
    // current is shown as every move shows it.
    if (p->NumFich_Agotada != 1 && D_Module_->Siguiente_Registro()) {
        Actualiza_Contadores();
        muestraPregunta();
        return;
    }
    if (refrescoDebido)
        D_Module_->Tabla_ActivaAfterScroll(*t);
    Termina_Sin_Fichas();
}

void TRepasar_::Termina_Sin_Fichas()
{
    Fin_Por_Fichas_Agotadas = 1;
    Sesion_->Ventana_Principal()->setEnabled(true);
    close();
}

void TRepasar_::Actualiza_Contadores()
{
    const QString hechas = repaso::Texto_Repasadas(Contadores());
    const QString pendientes = repaso::Texto_Pendientes(Contadores());
    Label1->setCaption(hechas);
    Label3->setCaption(hechas);
    Label13->setCaption(pendientes);
    Label14->setCaption(pendientes);
}

// ---------------------------------------------------------------------------------------------
// Font, centring, zooms, card editor, break, clock, leaving

void TRepasar_::Actualiza_Fuente()
{
    const platform::rtf::FontStyle estilo = D_Module_->Estilo_Fuente();
    for (platform::Label *l : {static_cast<platform::Label *>(Label7), static_cast<platform::Label *>(DBText1)}) {
        l->setFont(estilo.font);
        if (estilo.color.isValid())
            l->setFontColor(estilo.color);
    }
    FontDialog1.Font = estilo.font;
    FontDialog1.Color = estilo.color;
}

void TRepasar_::Button9Click()
{
    if (!FontDialog1.execute())
        return;
    D_Module_->Guarda_Estilo_Fuente(FontDialog1.Font, FontDialog1.Color);
    D_Module_->Lee_Estilo_Fuente();
    Actualiza_Fuente();
}

void TRepasar_::CheckBox1Click()
{
    const Qt::Alignment a = (CheckBox2->isChecked() ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
    DBText1->setAlignment(a);
    Label7->setAlignment(a);
    DBText1->update();
    Label7->update();
}

void TRepasar_::Image1Click()
{
    if (Image1->picture().width() <= 0 && Image1->picture().height() <= 0)
        return;
    Sesion_->Origen_Zoom = QStringLiteral("Repaso_Preg");
    platform::showModal(Imag_Zoom_);
}

void TRepasar_::Image2Click()
{
    if (Image2->picture().width() <= 0 && Image2->picture().height() <= 0)
        return;
    Sesion_->Origen_Zoom = QStringLiteral("Repaso_Resp");
    platform::showModal(Imag_Zoom_);
}

void TRepasar_::Button5Click()
{
    Zoom_Texto(RichEdit1, 0);
}

void TRepasar_::Button11Click()
{
    TSesion_ *p = Sesion_;
    if (p->Modificable != 1) {
        D_Module_->FE_No_Modificable();
        return;
    }
    Alta_Fichas_->Modificar_Fichas(1);
}

void TRepasar_::Button12Click()
{
    Pide_Descanso();
}

void TRepasar_::BitBtn1Click()
{
    platform::helpContext(12);
}

void TRepasar_::Timer_n_RepasoTimer()
{
    Label12->setCaption(Texto_Duracion(Duracion_Sesion()));
}

void TRepasar_::Button4Click()
{
    Sesion_->Ventana_Principal()->setEnabled(true);
    close();
}
