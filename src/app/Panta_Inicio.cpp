#include "app/Panta_Inicio.h"

#include "editing/Alta_Fichas.h"
#include "editing/Anade_n_Grupo_.h"
#include "editing/FILTRO_ENV_.h"
#include "editing/Modif_Glob.h"
#include "exchange/Exportar_FE.h"
#include "exchange/FE_Transporte.h"
#include "exchange/Importar_de_FE.h"
#include "exchange/Importar_de_txt.h"
#include "exchange/Importar_de_txt_e_Imag.h"
#include "options/AcercaDe.h"
#include "options/Configura_Progr.h"
#include "options/Descanso.h"
#include "options/Parpadeo_Aviso.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "printing/Imprimir.h"
#include "review/Filtros_Repaso.h"
#include "review/FreeNiv0a1.h"
#include "review/Repasar.h"
#include "review/Selecc_Repaso.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"
#include "store/Preferencias.h"
#include "store/Repara_Fichero.h"
#include "store/Ver_Info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTabBar>

#include <optional>

TPanta_Inicio_ *Panta_Inicio_ = nullptr;

using platform::Label;
using platform::tcolor;
namespace colors = platform::colors;


namespace {
QFont menuFont()
{
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(19);
    f.setBold(true);
    f.setItalic(true);
    return f;
}

// The whole preferences file; nothing when it cannot be read. A word processor may have saved
// it with pictures or fonts around the four lines, so only a size no preferences file can
// reach counts as unreadable.
constexpr qint64 Tamano_Maximo_Preferencias = qint64(256) << 20;

std::optional<QByteArray> leePreferencias(const QString &ruta)
{
    return platform::readWholeFile(ruta, Tamano_Maximo_Preferencias);
}

// Whether the preferences file opens and has a size its lines may have. Every activation
// asks; the content itself is read only when the lines are wanted.
bool preferenciasLegibles(const QString &ruta)
{
    QFile f(ruta);
    return QFileInfo(ruta).isFile() && f.size() <= Tamano_Maximo_Preferencias && f.open(QIODevice::ReadOnly);
}

QString existingProgramPicture(const QStringList &names)
{
    for (const QString &name : names) {
        const QString path = platform::existingPathAnyCase(Panta_Inicio_->Carpeta_Programa + QLatin1Char('/') + name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TPanta_Inicio_::TPanta_Inicio_(QWidget *parent) : platform::Form(parent)
{
    Panta_Inicio_ = this;
    setObjectName(QStringLiteral("Panta_Inicio_"));
    setKeyPreview(true);
    setActivateOnModalReturn(true);
    setColor(tcolor(colors::Teal));
    setWindowState(Qt::WindowMaximized);
    resize(1024, 700);

    Panel1 = new platform::Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setColor(tcolor(colors::Silver));
    Panel1->setGeometry(0, 0, 981, 585);
    Panel1->setMouseTracking(false);

    PageControl1 = new QTabWidget(Panel1);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 981, 585);
    QFont tabFont = PageControl1->font();
    tabFont.setPixelSize(15);
    tabFont.setBold(true);
    PageControl1->tabBar()->setFont(tabFont);

    auto makeSheet = [this](const char *name, const QString &caption) {
        auto *sheet = new platform::Panel;
        sheet->setObjectName(QString::fromLatin1(name));
        // Silver like Panel1, so that a hovered entry's white stands out from its page.
        sheet->setColor(tcolor(colors::Silver));
        PageControl1->addTab(sheet, caption);
        platform::on(sheet, &platform::Panel::mouseMoved, this, &TPanta_Inicio_::TabSheet1MouseMove);
        return sheet;
    };
    TabSheet1 = makeSheet("TabSheet1", QStringLiteral(" Principal "));
    TabSheet2 = makeSheet("TabSheet2", QStringLiteral(" Utilidades "));
    TabSheet3 = makeSheet("TabSheet3", QStringLiteral("Herramientas "));

    buildTab1();
    buildTab2();
    buildTab3();

    auto richEdit = [this](const char *name) {
        auto *edit = new platform::RichEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setLineWrapMode(QTextEdit::NoWrap);
        edit->hide();
        return edit;
    };
    RichEdit1 = richEdit("RichEdit1");
    RichEdit2 = richEdit("RichEdit2");
    RichEdit2->setLines({QStringLiteral("RichEdit2")});
    RichEdit3 = richEdit("RichEdit3");
    RichEdit3->setLines({QStringLiteral("RichEdit3")});
    RE_Resp_Text = richEdit("RE_Resp_Text");
    RE_Estilo_Fuente = richEdit("RE_Estilo_Fuente");
    {
        QFont f(QStringLiteral("Tahoma"));
        f.setPixelSize(19);
        f.setBold(true);
        RE_Estilo_Fuente->setFont(f);
        RE_Estilo_Fuente->setTextColor(tcolor(colors::Navy));
    }

    OpenDialog1 = new platform::FileDialog(platform::FileDialog::Open, this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->Filter = QStringLiteral(" Ficheros de Estudio |*.db| Todos los Archivos |*.*");
    OpenDialog1->Title = QStringLiteral(" Abrir un Fichero de Estudio");
    OpenDialog2 = new platform::FileDialog(platform::FileDialog::Open, this);
    OpenDialog2->setObjectName(QStringLiteral("OpenDialog2"));
    OpenDialog2->Filter = QStringLiteral(" Ficheros de Estudio |*.db");
    OpenDialog2->Title = QStringLiteral(" B O R R A R  un Fichero de Estudio");

    Timer_Descanso = new platform::Timer(this);
    Timer_Descanso->setObjectName(QStringLiteral("Timer_Descanso"));
    Timer_Descanso->setInterval(900000);
    Timer_Descanso->setEnabled(true);
    platform::on(Timer_Descanso, &platform::Timer::timeout, this, &TPanta_Inicio_::Timer_DescansoTimer);
    Timer_Parpadeo = new platform::Timer(this);
    Timer_Parpadeo->setObjectName(QStringLiteral("Timer_Parpadeo"));
    Timer_Parpadeo->setEnabled(false);
    Timer_Parpadeo->setInterval(30000);
    platform::on(Timer_Parpadeo, &platform::Timer::timeout, this, &TPanta_Inicio_::Timer_ParpadeoTimer);

    TImag_Zoom_::registerSlot(1, Image1);
    TImag_Zoom_::registerSlot(2, Image2);
    TImag_Zoom_::registerSlot(3, Image3);

    platform::on(this, &platform::Form::activated, this, &TPanta_Inicio_::FormActivate);
    platform::on(this, &platform::Form::keyPressed, this, &TPanta_Inicio_::FormKeyPress);
    platform::on(this, &platform::Form::closeQuery, this, &TPanta_Inicio_::FormCloseQuery);

    FormCreate();
}

TPanta_Inicio_::~TPanta_Inicio_()
{
    if (Panta_Inicio_ == this)
        Panta_Inicio_ = nullptr;
}

Label *TPanta_Inicio_::menuLabel(platform::Panel *tab, const char *name, const QString &caption, Handler click,
                                 int tag, unsigned color, int x, int y, int wrapWidth)
{
    auto *label = new Label(tab);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(menuFont());
    label->Tag = tag;
    label->setFontColor(tcolor(color));
    label->move(x, y);
    if (wrapWidth > 0) {
        label->resize(wrapWidth, label->height());
        label->setWordWrap(true);
    }
    label->setCaption(caption);
    platform::on(label, &Label::mouseMoved, this, [this, label] { Label5MouseMove(label); });
    platform::on(label, &Label::clicked, this, click);
    return label;
}

Label *TPanta_Inicio_::fileLabel(platform::Panel *tab, const char *name, int x, int y)
{
    auto *label = new Label(tab);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(menuFont());
    label->move(x, y);
    label->setCaption(Sin_Fichero);
    return label;
}

QPushButton *TPanta_Inicio_::cancelButton(platform::Panel *tab, const char *name)
{
    auto *button = new QPushButton(tab);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(0, 0, 1, 1);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFlat(true);
    platform::Form::setCancelButton(button);
    platform::on(button, &QPushButton::clicked, this, &TPanta_Inicio_::Label7Click);
    return button;
}

platform::ImageControl *TPanta_Inicio_::picture(platform::Panel *tab, const char *name, int top)
{
    auto *image = new platform::ImageControl(tab);
    image->setObjectName(QString::fromLatin1(name));
    image->setGeometry(352, top, 608, 437);
    image->setCenter(true);
    return image;
}

// Menu labels sit in a column left of the picture; the open-file label under the picture.
void TPanta_Inicio_::buildTab1()
{
    auto *t = TabSheet1;
    const int x = 22;
    Image1 = picture(t, "Image1", 15);
    Label5 = menuLabel(t, "Label5", QStringLiteral("1- Abrir  Fichero"), &TPanta_Inicio_::Label5Click, 1, colors::Navy, x, 16);
    Label1 = menuLabel(t, "Label1", QStringLiteral("2- Repasar Fichas"), &TPanta_Inicio_::Label1Click, 1, colors::Navy, x, 50);
    Label32 = menuLabel(t, "Label32", QStringLiteral("3- Repaso por tiempo"), &TPanta_Inicio_::Label32Click, 1, colors::Navy, x, 84);
    Label2 = menuLabel(t, "Label2", QStringLiteral("4- Añadir Fichas"), &TPanta_Inicio_::Label2Click, 1, colors::Navy, x, 118);
    Label31 = menuLabel(t, "Label31", QStringLiteral("5- Añadir Fichas en Grupo"), &TPanta_Inicio_::Label31Click, 1, colors::Navy, x, 152);
    Label13 = menuLabel(t, "Label13", QStringLiteral("6- Información del Fichero"), &TPanta_Inicio_::Label13Click, 1, colors::Navy, x, 186);
    Label3 = menuLabel(t, "Label3", QStringLiteral("7-  Seleccionar, Modificar   o Borrar Fichas "), &TPanta_Inicio_::Label3Click, 1,
                       colors::Navy, x, 220, 212);
    Label11 = menuLabel(t, "Label11", QStringLiteral("8-  Crear Fichero "), &TPanta_Inicio_::Label11Click, 1, colors::Navy, x, 278);
    Label21 = menuLabel(t, "Label21", QStringLiteral("9-  Abrir último Fichero abierto:"), &TPanta_Inicio_::Label21Click, 1, colors::Navy, x, 312);
    Label8 = menuLabel(t, "Label8", QStringLiteral("0-  Ayuda"), &TPanta_Inicio_::label8Click, 0, colors::Maroon, x, 380);
    Label14 = menuLabel(t, "Label14", QStringLiteral("Acerca de..."), &TPanta_Inicio_::Label14Click, 0, colors::Maroon, x, 432);
    Label7 = menuLabel(t, "Label7", QStringLiteral("Salir"), &TPanta_Inicio_::Label7Click, 0, colors::Maroon, x, 476);
    Label9 = fileLabel(t, "Label9", 352, 470);
    Button1 = cancelButton(t, "Button1");
}

void TPanta_Inicio_::buildTab2()
{
    auto *t = TabSheet2;
    const int x = 22;
    Image2 = picture(t, "Image2", 7);
    Label19 = menuLabel(t, "Label19", QStringLiteral("A- Pasar Fichas del   Nivel 0 al 1"), &TPanta_Inicio_::Label19Click, 2, colors::Blue, x, 16, 190);
    Label18 = menuLabel(t, "Label18", QStringLiteral("B- Opciones del Programa"), &TPanta_Inicio_::Label18Click, 2, colors::Blue, x, 74);
    Label6 = menuLabel(t, "Label6", QStringLiteral("C- Imprimir Fichas "), &TPanta_Inicio_::Label6Click, 2, colors::Blue, x, 108);
    Label10 = menuLabel(t, "Label10", QStringLiteral("D- Modificación Global "), &TPanta_Inicio_::Label10Click, 2, colors::Blue, x, 142);
    Label15 = menuLabel(t, "Label15", QStringLiteral("Z- Ayuda"), &TPanta_Inicio_::Label16Click, 0, colors::Maroon, x, 380);
    Label16 = menuLabel(t, "Label16", QStringLiteral("Salir"), &TPanta_Inicio_::Label7Click, 0, colors::Maroon, x, 476);
    Label17 = fileLabel(t, "Label17", 352, 470);
    Button2 = cancelButton(t, "Button2");
}

void TPanta_Inicio_::buildTab3()
{
    auto *t = TabSheet3;
    const int x = 22;
    Image3 = picture(t, "Image3", 7);
    Label24 = menuLabel(t, "Label24", QStringLiteral("E- Ficheros de Transporte"), &TPanta_Inicio_::Label24Click, 3, colors::Purple, x, 16);
    Label4 = menuLabel(t, "Label4", QStringLiteral("F- Reparar Fichero"), &TPanta_Inicio_::Label4Click, 3, colors::Purple, x, 50);
    Label12 = menuLabel(t, "Label12", QStringLiteral("G- Borrar Fichero "), &TPanta_Inicio_::Label12Click, 3, colors::Purple, x, 84);
    Label30 = menuLabel(t, "Label30", QStringLiteral("H- Exportar a un nuevo Fichero de Estudio"), &TPanta_Inicio_::Label30Click, 3, colors::Purple, x, 118, 300);
    Label20 = menuLabel(t, "Label20", QStringLiteral("I- Importar Fichas con texto"), &TPanta_Inicio_::Label20Click, 3, colors::Purple, x, 176);
    Label25 = menuLabel(t, "Label25", QStringLiteral("J- Importar desde un Fichero de Estudio"), &TPanta_Inicio_::Label25Click, 3, colors::Purple, x, 210, 300);
    Label43 = menuLabel(t, "Label43", QStringLiteral("K- Importar Fichas con texto e imagenes"), &TPanta_Inicio_::Label43Click, 3, colors::Purple, x, 268, 300);
    Label26 = menuLabel(t, "Label26", QStringLiteral("Y- Ayuda"), &TPanta_Inicio_::psvBasicLabel1Click, 0, colors::Maroon, x, 380);
    Label27 = menuLabel(t, "Label27", QStringLiteral("Salir"), &TPanta_Inicio_::Label7Click, 0, colors::Maroon, x, 476);
    Label22 = fileLabel(t, "Label22", 352, 470);
    ButtonScape3 = cancelButton(t, "ButtonScape3");
}

QList<Label *> TPanta_Inicio_::menuLabels() const
{
    return {Label5, Label1, Label32, Label2, Label31, Label13, Label3, Label11, Label21, Label8, Label14, Label7,
            Label19, Label18, Label6, Label10, Label15, Label16, Label24, Label4, Label12, Label30, Label20,
            Label25, Label43, Label26, Label27};
}

const QObjectList &TPanta_Inicio_::components()
{
    if (m_components.isEmpty()) {
        const auto all = findChildren<QObject *>();
        m_components = QObjectList(all.begin(), all.end());
    }
    return m_components;
}

// ---------------------------------------------------------------------------------------------
// Creation and activation

void TPanta_Inicio_::FormCreate()
{
    Serie_Disco = Numero_Serie_Disco(QDir::currentPath());
    Saltar_Activacion = 0;
    Carpeta_Programa = platform::programFolder();
    OpenDialog1->InitialDir = Carpeta_Programa + QStringLiteral("/dat/");
    Ruta_FE = OpenDialog1->InitialDir;
    platform::setHelpFile(Carpeta_Programa + QLatin1Char('/') + Fichero_Ayuda);
    setWindowState(Qt::WindowMaximized);
    Descanso_Armado = 1;
    Indice_Descanso = 1;
    Leer_Preferencias = 1;
    Edicion_Desde_Repaso = 0;

    const QString picturePath = existingProgramPicture(
        {QStringLiteral("Image.BMP"), QStringLiteral("Image.JPG"), QStringLiteral("Image.JPEG")});
    if (!picturePath.isEmpty()) {
        Image1->loadFromFile(picturePath);
        Actualiza_Imagenes(QStringLiteral("Info FE: NO"));
    }

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        Panel1->move(int((s.width() - Panel1->width()) / 2.0), int((s.height() - Panel1->height()) / 2.0));
    }

    Label9->setFontColor(tcolor(colors::Black));
    Label17->setFontColor(tcolor(colors::Black));
    Label22->setFontColor(tcolor(colors::Black));

    platform::setHelpHandler([this](std::uint16_t command, std::uint32_t data, bool &callHelp) {
        return Ayuda_HTML(command, data, callHelp);
    });
}

namespace {
// Only the card table's filter text changes; whether the table is filtered stays as it is.
void Filtro_Tabla_Activa(const QString &Filtro)
{
    if (D_Module_ && D_Module_->Tabla_Activa)
        D_Module_->Tabla_Activa->setFilter(Filtro.toStdString());
}

// The review selection's quick-selection button (RadioButton2) is checked.
bool Seleccion_Rapida_Marcada()
{
    return Selecc_Repaso_ && Selecc_Repaso_->RadioButton2->isChecked();
}
} // namespace

void TPanta_Inicio_::FormActivate()
{
    if (Saltar_Activacion == 1) {
        Saltar_Activacion = 0;
        return;
    }
    if (!Filtro_Antes_Repaso.isEmpty()) {
        Filtro_Tabla_Activa(Filtro_Antes_Repaso);
        Filtro_Antes_Repaso.clear();
    }
    if (D_Module_)
        D_Module_->Lee_Estilo_Fuente();
    // In quick-selection mode the review's level filter gives way to the selection in force,
    // over the filter restored above; with no selection in force (none made, or dropped) the
    // table goes back to the base filter, so level-0 cards never show in normal work.
    if (Seleccion_Rapida_Marcada())
        Filtro_Tabla_Activa(Seleccion_Activa == 1 && !Filtro_Seleccion.trimmed().isEmpty() ? Filtro_Seleccion
                                                                                           : Filtro_Base);
    setWindowTitle(QStringLiteral("  ") + Titulo_Programa.trimmed());

    Verifica_Preferencias();
    if (!QFileInfo(Ruta_Preferencias()).isFile()) {
        Preferencias_Por_Defecto();
    } else {
        if (Leer_Preferencias == 1)
            Lee_Preferencias();
        Leer_Preferencias = 0;
    }
    Aplica_Preferencias_3_4();

    Pon_Fechas_Hoy();
    Actualiza_Ultimo_FE_abierto();
}

void TPanta_Inicio_::Pon_Fechas_Hoy()
{
    const QDate hoy = platform::clock::today();
    const auto dosCifras = [](int n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    const QString anio = QString::number(hoy.year());
    const QString mes = dosCifras(hoy.month());
    const QString dia = dosCifras(hoy.day());
    const QString anio2 = anio.mid(2, 2);
    const QChar sep = platform::clock::dateSeparator();
    if (Formato_Fecha == 1)
        Fecha_Hoy_Pantalla = dia + sep + mes + sep + anio2;
    else
        Fecha_Hoy_Pantalla = mes + sep + dia + sep + anio2;
    Fecha_Hoy = anio + mes + dia;
}

// ---------------------------------------------------------------------------------------------
// Preferences

QString TPanta_Inicio_::Ruta_Preferencias() const
{
    return Carpeta_Programa + QLatin1Char('/') + Fichero_Preferencias;
}

void TPanta_Inicio_::Verifica_Preferencias()
{
    const QString ruta = Ruta_Preferencias();
    if (!QFileInfo::exists(ruta))
        return;
    if (!preferenciasLegibles(ruta))
        QFile::remove(ruta); // not reported: the first-run file takes its place
}

void TPanta_Inicio_::Preferencias_Por_Defecto()
{
    const QStringList lineas = preferencias::primeraVez();
    Formato_Fecha = 1;
    Idioma = QStringLiteral("ESP");
    Repaso_Por_Tiempo = 1;
    RichEdit2->setLines({lineas[0]});
    Avisar_Descansos = 1;
    Timer_Parpadeo->setInterval(300000);
    Timer_Parpadeo->setEnabled(true);
    RichEdit2->addLine(lineas[1]);
    Descansos = preferencias::leeDescansos(lineas[1]).valores.Minutos;
    RichEdit2->addLine(lineas[2]);
    RichEdit2->addLine(lineas[3]);
    const bool guardado = Guarda_Preferencias();
    Leer_Preferencias = 1;

    if (!guardado) {
        // Nothing can be read back: the first-run values are applied from memory now, and
        // the user hears once in this run that they are not kept.
        Aplica_Preferencias_1_2();
        if (!m_avisadoNoGuardadas && D_Module_) {
            m_avisadoNoGuardadas = true;
            D_Module_->Ver_Mensaje(Msg_Preferencias_No_Guardadas);
        }
        return;
    }
    // Closing the message reactivates this window, which reads the new file. Should that
    // activation find the file gone again, it writes it without a second message.
    if (m_avisoPrimeraVezEnCurso || !D_Module_)
        return;
    m_avisoPrimeraVezEnCurso = true;
    D_Module_->Ver_Mensaje(Msg_Preferencias_Nuevas);
    m_avisoPrimeraVezEnCurso = false;
}

void TPanta_Inicio_::Lee_Preferencias()
{
    const std::optional<QByteArray> bytes = leePreferencias(Ruta_Preferencias());
    // Only the four lines are kept: whatever follows them is never read, and would be carried
    // through every later activation.
    QStringList lineas = bytes ? platform::rtf::toLines(*bytes).mid(0, preferencias::Lineas)
                               : preferencias::primeraVez(); // gone or unreadable since the check
    RichEdit2->setLines(lineas);
    if (!preferencias::correctas(lineas))
        RichEdit2->setLines(preferencias::corrige(lineas));
    Aplica_Preferencias_1_2();
    Leer_Preferencias = 0;
}

void TPanta_Inicio_::Aplica_Preferencias_1_2()
{
    const QStringList lineas = RichEdit2->lines();
    const preferencias::Repaso repaso = preferencias::leeRepaso(lineas.value(0)).valores;
    Formato_Fecha = repaso.Formato_Fecha;
    Idioma = repaso.Idioma;
    for (int i = 1; i <= 9; ++i)
        Dias_Repaso[i] = repaso.Dias_Repaso[i];
    Repaso_Por_Tiempo = repaso.Repaso_Por_Tiempo;

    const preferencias::Descansos descansos = preferencias::leeDescansos(lineas.value(1)).valores;
    Avisar_Descansos = descansos.Avisar_Descansos;
    Descansos_Periodicos = descansos.Descansos_Periodicos;
    Descansos = descansos.Minutos;
    Timer_Descanso->setInterval(Descansos[1] * 60000);
    Timer_Parpadeo->setInterval(descansos.Minutos_Parpadeo * 60000);
    Timer_Parpadeo->setEnabled(descansos.Parpadeo);
}

void TPanta_Inicio_::Aplica_Preferencias_3_4()
{
    const QStringList lineas = RichEdit2->lines();
    const preferencias::Nivel0 nivel0 = preferencias::leeNivel0(lineas.value(2)).valores;
    Pasar_Nivel_0_a_1 = nivel0.Pasar_Nivel_0_a_1;
    Min_Fichas_Nivel_1 = nivel0.Min_Fichas_Nivel_1;
    Fichas_A_Pasar = nivel0.Fichas_A_Pasar;
    // The review selection's CheckBox9 and the options window's CheckBox6 follow this value
    // when they are shown.
    m_mismoDia = preferencias::leeMismoDia(lineas.value(3)).valores.Permitido;
}

void TPanta_Inicio_::Aplica_Preferencias()
{
    Aplica_Preferencias_1_2();
    Aplica_Preferencias_3_4();
}

bool TPanta_Inicio_::Guarda_Preferencias()
{
    return RichEdit2->saveToFile(Ruta_Preferencias());
}

// ---------------------------------------------------------------------------------------------
// Keyboard and hover

void TPanta_Inicio_::FormKeyPress(QChar &Key)
{
    using Handler = void (TPanta_Inicio_::*)();
    struct Entry {
        char key;
        Handler handler;
    };
    static const Entry digits[] = {
        {'1', &TPanta_Inicio_::Label5Click},  {'2', &TPanta_Inicio_::Label1Click},
        {'3', &TPanta_Inicio_::Label32Click}, {'4', &TPanta_Inicio_::Label2Click},
        {'5', &TPanta_Inicio_::Label31Click}, {'6', &TPanta_Inicio_::Label13Click},
        {'7', &TPanta_Inicio_::Label3Click},  {'8', &TPanta_Inicio_::Label11Click},
        {'9', &TPanta_Inicio_::Label21Click}, {'0', &TPanta_Inicio_::label8Click},
    };
    static const Entry letters[] = {
        {'A', &TPanta_Inicio_::Label19Click}, {'B', &TPanta_Inicio_::Label18Click},
        {'C', &TPanta_Inicio_::Label6Click},  {'D', &TPanta_Inicio_::Label10Click},
        {'Z', &TPanta_Inicio_::label8Click},  {'E', &TPanta_Inicio_::Label24Click},
        {'F', &TPanta_Inicio_::Label4Click},  {'G', &TPanta_Inicio_::Label12Click},
        {'H', &TPanta_Inicio_::Label30Click}, {'I', &TPanta_Inicio_::Label20Click},
        {'J', &TPanta_Inicio_::Label25Click}, {'K', &TPanta_Inicio_::Label43Click},
        {'Y', &TPanta_Inicio_::label8Click},
    };
    const ushort k = Key.unicode();
    for (const Entry &e : digits) {
        if (k == ushort(e.key)) {
            (this->*e.handler)();
            return;
        }
    }
    for (const Entry &e : letters) {
        if (k == ushort(e.key) || k == ushort(e.key - 'A' + 'a')) {
            (this->*e.handler)();
            return;
        }
    }
    // Any other character is ignored; no key is consumed.
}

void TPanta_Inicio_::Label5MouseMove(Label *Sender)
{
    Rotulo_Resaltado = 1;
    Indice_Rotulo_Resaltado = int(components().indexOf(Sender));
    Sender->setFontColor(tcolor(colors::White));
    Sender->setCursor(Qt::PointingHandCursor);
}

void TPanta_Inicio_::TabSheet1MouseMove()
{
    if (Rotulo_Resaltado != 1)
        return;
    Rotulo_Resaltado = 0;
    auto *label = qobject_cast<Label *>(components().value(Indice_Rotulo_Resaltado));
    if (!label)
        return;
    label->setCursor(Qt::ArrowCursor);
    switch (label->Tag) {
    case 1:
        label->setFontColor(tcolor(colors::Navy));
        break;
    case 2:
        label->setFontColor(tcolor(colors::Blue));
        break;
    case 3:
        label->setFontColor(tcolor(colors::Purple));
        break;
    default:
        label->setFontColor(tcolor(colors::Maroon));
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Menu entries

void TPanta_Inicio_::Label1Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Selecc_Repaso_);
}

void TPanta_Inicio_::Label32Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    engine::Table *t = D_Module_->Tabla_Activa;
    const repaso::Repaso_Por_Tiempo r = repaso::Filtro_Menu_Por_Tiempo(QString::fromStdString(t->filter()), Fecha_Hoy);
    Filtro_Antes_Repaso = r.Antes;
    t->setFilter(r.Filtro.toStdString());
    if (t->recordCount() > 0)
        Inicia_Sesion_Repaso();
    else
        D_Module_->Ver_Mensaje(Msg_No_Hay_Fichas_Repaso);
}

void TPanta_Inicio_::Label2Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    Alta_Fichas_->Anadir_Fichas();
}

void TPanta_Inicio_::Label31Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Anade_n_Grupo);
}

void TPanta_Inicio_::Label13Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Ver_Info_);
}

void TPanta_Inicio_::Label3Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(FILTRO_ENV);
}

void TPanta_Inicio_::label8Click()
{
    platform::helpContext(1);
}

void TPanta_Inicio_::Label14Click()
{
    platform::showModal(AcercaDe_);
}

void TPanta_Inicio_::Label7Click()
{
    close();
}

void TPanta_Inicio_::Label19Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(FreeNiv0a1_);
}

void TPanta_Inicio_::Label18Click()
{
    platform::showModal(Configura_Progr_);
}

void TPanta_Inicio_::Label6Click()
{
    Crear_Tabla_Impresion = 1;
    // The create-file window's "&Salir" rebuilds the print table while the flag is set.
    platform::guarded([] { Crea_Fiche_->Button2->click(); });
    Crear_Tabla_Impresion = 0;
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Imprimir_);
}

void TPanta_Inicio_::Label10Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Modif_glob_);
}

void TPanta_Inicio_::Label16Click()
{
    platform::helpContext(2);
}

void TPanta_Inicio_::Label24Click()
{
    Cierra_Fichero();
    platform::showModal(FE_Transporte_);
}

void TPanta_Inicio_::Label4Click()
{
    // A cancelled dialog keeps Ruta_FE naming the file that stays open.
    if (OpenDialog1->execute())
        Ruta_FE = OpenDialog1->FileName;
    else
        OpenDialog1->FileName.clear();
    QDir::setCurrent(Carpeta_Programa);
    if (OpenDialog1->FileName.isEmpty()) {
        Aviso_Ningun_Fichero_Seleccionado();
        return;
    }
    Error_Reparacion = 0;
    OpenDialog1->FileName.clear();
    Cierra_Fichero();
    try {
        Repara_Tabla(QString());
        Empaqueta_Tabla(QString());
        Abre_Tabla_Sin_Indice(QString());
    } catch (const std::exception &) {
        Error_Reparacion = 1;
        D_Module_->Ver_Mensaje(QStringLiteral("Error al reparar el Fichero de Estudio."));
        return;
    }
    if (Error_Reparacion == 0)
        D_Module_->Ver_Mensaje(QStringLiteral("El fichero ha sido Reparado y Empaquetado"));
}

void TPanta_Inicio_::Label12Click()
{
    OpenDialog2->FileName.clear();
    OpenDialog2->InitialDir = Carpeta_Programa + QStringLiteral("/dat");
    if (!OpenDialog2->execute() || OpenDialog2->FileName.isEmpty()) {
        OpenDialog2->FileName.clear();
        Aviso_Ningun_Fichero_Seleccionado();
        return;
    }
    const QString N = OpenDialog2->FileName;
    OpenDialog2->FileName.clear();
    if (!QFileInfo::exists(N))
        return;
    const QString nombre = QFileInfo(N).fileName().chopped(qMin(3, int(QFileInfo(N).fileName().size())));
    if (platform::warningNoOk(QStringLiteral("¿Seguro que quiere borrar el Fichero de Estudio\r\r") + nombre
                              + QStringLiteral(" ?"))
        != platform::DialogAnswer::Ok)
        return;
    Cierra_Fichero();
    Borra_Fichero_Estudio(N);
}

void TPanta_Inicio_::Label30Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Exportar_FE_);
}

void TPanta_Inicio_::Label20Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Importar_de_txt_);
}

void TPanta_Inicio_::Label25Click()
{
    platform::showModal(Importar_de_FE_);
}

void TPanta_Inicio_::Label43Click()
{
    if (!Hay_Fichero_Abierto())
        return;
    platform::showModal(Importar_de_txt_e_Imag_);
}

void TPanta_Inicio_::psvBasicLabel1Click()
{
    platform::helpContext(3);
}

void TPanta_Inicio_::Timer_DescansoTimer()
{
    if (Avisar_Descansos != 1 || Descanso_Armado != 1)
        return;
    Descanso_Armado = 0;
    Inicio_Descanso = platform::clock::toDays(platform::clock::now());
    // Ticks while the break window is open stop at the test above.
    platform::showModal(Descanso_);
    if (Descansos_Periodicos == 1) {
        Timer_Descanso->setInterval(Descansos[0] * 60000);
    } else if (Indice_Descanso < 7) {
        ++Indice_Descanso;
        if (Indice_Descanso < 7)
            Timer_Descanso->setInterval(Descansos[Indice_Descanso] * 60000);
        else
            Timer_Descanso->setEnabled(false); // the list is used up
    } else {
        Timer_Descanso->setEnabled(false); // a break asked for after the list was used up
    }
}

void TPanta_Inicio_::Timer_ParpadeoTimer()
{
    platform::showNonModal(Parpadeo_Aviso_);
    Saltar_Activacion = 1;
}

// ---------------------------------------------------------------------------------------------
// Help

bool TPanta_Inicio_::Ayuda_HTML(std::uint16_t Command, std::uint32_t Data, bool &CallHelp)
{
    if (Command == platform::HELP_CONTEXT) {
        Inicia_Ayuda_HTML();
        if (Ayuda_Iniciada == 1)
            platform::htmlHelp(this, platform::helpFile(), platform::HelpCommand::HelpContext, Data);
    }
    CallHelp = false;
    return true;
}

void TPanta_Inicio_::Inicia_Ayuda_HTML()
{
    if (Ayuda_Iniciada != 0)
        return;
    platform::htmlHelp(this, QString(), platform::HelpCommand::Initialize, 0, &Cookie_Ayuda);
    Ayuda_Iniciada = 1;
}

void TPanta_Inicio_::Cierra_Ayuda_HTML()
{
    if (Ayuda_Iniciada != 1)
        return;
    platform::htmlHelp(nullptr, QString(), platform::HelpCommand::CloseAll, 0);
    platform::htmlHelp(this, QString(), platform::HelpCommand::Uninitialize, Cookie_Ayuda);
    Ayuda_Iniciada = 0;
}

void TPanta_Inicio_::FormCloseQuery(bool &CanClose)
{
    if (CanClose)
        Cierra_Ayuda_HTML();
}

// ---------------------------------------------------------------------------------------------
// Pictures

void TPanta_Inicio_::Actualiza_Imagenes(const QString &Modo)
{
    Image2->assign(*Image1);
    Image3->assign(*Image1);
    TImag_Zoom_::Prepara_Imagen(1);
    TImag_Zoom_::Prepara_Imagen(2);
    TImag_Zoom_::Prepara_Imagen(3);
    if (Modo != QLatin1String("Info FE: SI"))
        return;
    // The file information window's picture (slot 9), once that window is part of the program.
    platform::ImageControl *info = TImag_Zoom_::slotControl(9);
    if (!info)
        return;
    const bool hasPicture = !platform::existingPathAnyCase(Ruta_Companero(Ruta_FE, QStringLiteral("JPG"))).isEmpty()
                            || !platform::existingPathAnyCase(Ruta_Companero(Ruta_FE, QStringLiteral("BMP"))).isEmpty();
    if (hasPicture) {
        info->setVisible(true);
        info->assign(*Image1);
        TImag_Zoom_::Prepara_Imagen(9);
    } else {
        info->setVisible(false);
    }
}

void TPanta_Inicio_::Pon_Imagen_Por_Defecto()
{
    // Unlike the start-up, no ".JPEG" file is looked for here.
    const QString path = existingProgramPicture({QStringLiteral("image.bmp"), QStringLiteral("image.jpg")});
    if (!path.isEmpty())
        Image1->loadFromFile(path);
    else
        Image1->clear();
    Actualiza_Imagenes(QStringLiteral("Info FE: SI"));
}

// ---------------------------------------------------------------------------------------------
// Study file: opening, closing, creating and the last opened file are in
// Panta_Inicio_Fichero.cpp.

