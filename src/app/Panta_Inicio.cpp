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
#include "platform/Screen.h"
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
#include "store/Restos_Trabajo.h"
#include "store/Ver_Info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTabBar>

#include <optional>
#include <utility>

TPanta_Inicio_ *Panta_Inicio_ = nullptr;

using platform::Label;
using platform::tcolor;
namespace colors = platform::colors;


namespace {
const QString Msg_Reparacion_Formato = QStringLiteral("No se puede reparar este Fichero de Estudio:\r\r%1");

// The colour of a menu label by its Tag: the tab's for its entries, maroon for help, about and
// exit.
unsigned colorMenu(int Tag)
{
    static const unsigned color[] = {colors::Maroon, colors::Navy, colors::Blue, colors::Purple};
    return Tag >= 1 && Tag <= 3 ? color[Tag] : colors::Maroon;
}

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
    // Closing the first-run message activates the window again, which reads the new file.
    setActivateAfterMessages(true);
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
    // F1: the help of the page shown (Principal 1, Utilidades 2, Herramientas 3).
    setHelpContext([this] { return std::uint32_t(PageControl1->currentIndex() + 1); });

    using P = TPanta_Inicio_;
    buildTab(1, TabSheet1, &P::Image1, "Image1", 15, &P::Label9, "Label9", &P::Button1, "Button1");
    buildTab(2, TabSheet2, &P::Image2, "Image2", 7, &P::Label17, "Label17", &P::Button2, "Button2");
    buildTab(3, TabSheet3, &P::Image3, "Image3", 7, &P::Label22, "Label22", &P::ButtonScape3, "ButtonScape3");

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

Label *TPanta_Inicio_::menuLabel(platform::Panel *tab, const char *name, const QString &caption, int tag,
                                 unsigned color, int x, int y, int wrapWidth)
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

// ---------------------------------------------------------------------------------------------
// The main menu

// Menu labels sit in a column left of the picture (x 22), the open-file label under the
// picture. Adding an entry takes its row here, its member and its handler.
const std::vector<TPanta_Inicio_::Entrada_Menu> &TPanta_Inicio_::Menu_Principal()
{
    using P = TPanta_Inicio_;
    static const std::vector<Entrada_Menu> menu{
        // tab, control, caption, key, click handler, key handler, file, tag, row, wrap width
        {1, &P::Label5, "Label5", "1- Abrir  Fichero", '1', &P::Label5Click, nullptr, false, 1, 16, 0},
        {1, &P::Label1, "Label1", "2- Repasar Fichas", '2', &P::Label1Click, nullptr, true, 1, 50, 0},
        {1, &P::Label32, "Label32", "3- Repaso por tiempo", '3', &P::Label32Click, nullptr, true, 1, 84, 0},
        {1, &P::Label2, "Label2", "4- Añadir Fichas", '4', &P::Label2Click, nullptr, true, 1, 118, 0},
        {1, &P::Label31, "Label31", "5- Añadir Fichas en Grupo", '5', &P::Label31Click, nullptr, true, 1, 152, 0},
        {1, &P::Label13, "Label13", "6- Información del Fichero", '6', &P::Label13Click, nullptr, true, 1, 186, 0},
        {1, &P::Label3, "Label3", "7-  Seleccionar, Modificar   o Borrar Fichas ", '7', &P::Label3Click, nullptr, true,
         1, 220, 212},
        {1, &P::Label11, "Label11", "8-  Crear Fichero ", '8', &P::Label11Click, nullptr, false, 1, 278, 0},
        {1, &P::Label21, "Label21", "9-  Abrir último Fichero abierto:", '9', &P::Label21Click, nullptr, false, 1, 312, 0},
        {1, &P::Label8, "Label8", "0-  Ayuda", '0', &P::label8Click, nullptr, false, 0, 380, 0},
        {1, &P::Label14, "Label14", "Acerca de...", 0, &P::Label14Click, nullptr, false, 0, 432, 0},
        {1, &P::Label7, "Label7", "Salir", 0, &P::Label7Click, nullptr, false, 0, 476, 0},
        // Printing asks for an open file itself, after rebuilding the print table.
        {2, &P::Label19, "Label19", "A- Pasar Fichas del   Nivel 0 al 1", 'A', &P::Label19Click, nullptr, true, 2, 16, 190},
        {2, &P::Label18, "Label18", "B- Opciones del Programa", 'B', &P::Label18Click, nullptr, false, 2, 74, 0},
        {2, &P::Label6, "Label6", "C- Imprimir Fichas ", 'C', &P::Label6Click, nullptr, false, 2, 108, 0},
        {2, &P::Label10, "Label10", "D- Modificación Global ", 'D', &P::Label10Click, nullptr, true, 2, 142, 0},
        {2, &P::Label15, "Label15", "Z- Ayuda", 'Z', &P::Label16Click, &P::label8Click, false, 0, 380, 0},
        {2, &P::Label16, "Label16", "Salir", 0, &P::Label7Click, nullptr, false, 0, 476, 0},
        {3, &P::Label24, "Label24", "E- Ficheros de Transporte", 'E', &P::Label24Click, nullptr, false, 3, 16, 0},
        {3, &P::Label4, "Label4", "F- Reparar Fichero", 'F', &P::Label4Click, nullptr, false, 3, 50, 0},
        {3, &P::Label12, "Label12", "G- Borrar Fichero ", 'G', &P::Label12Click, nullptr, false, 3, 84, 0},
        {3, &P::Label30, "Label30", "H- Exportar a un nuevo Fichero de Estudio", 'H', &P::Label30Click, nullptr, true, 3,
         118, 300},
        {3, &P::Label20, "Label20", "I- Importar Fichas con texto", 'I', &P::Label20Click, nullptr, true, 3, 176, 0},
        {3, &P::Label25, "Label25", "J- Importar desde un Fichero de Estudio", 'J', &P::Label25Click, nullptr, false, 3,
         210, 300},
        {3, &P::Label43, "Label43", "K- Importar Fichas con texto e imagenes", 'K', &P::Label43Click, nullptr, true, 3,
         268, 300},
        {3, &P::Label26, "Label26", "Y- Ayuda", 'Y', &P::psvBasicLabel1Click, &P::label8Click, false, 0, 380, 0},
        {3, &P::Label27, "Label27", "Salir", 0, &P::Label7Click, nullptr, false, 0, 476, 0},
    };
    return menu;
}

void TPanta_Inicio_::Ejecuta_Entrada(const Entrada_Menu &Entrada, bool Por_Tecla)
{
    if (Entrada.Fichero && !Hay_Fichero_Abierto())
        return;
    // A study file found damaged during the entry's work has been told once; it is closed
    // when the work ends, however it ends, and the next entry starts with nothing told.
    struct CierraSiDanado {
        TPanta_Inicio_ *p;
        ~CierraSiDanado()
        {
            if (!D_Module_)
                return;
            if (D_Module_->Fichero_Danado())
                platform::guarded([this] { p->Cierra_Fichero(); });
            D_Module_->Olvida_Tablas_Danadas();
        }
    } cierra{this};
    (this->*(Por_Tecla && Entrada.Por_Tecla ? Entrada.Por_Tecla : Entrada.Clic))();
}

void TPanta_Inicio_::buildTab(int Pestana, platform::Panel *tab, platform::ImageControl *TPanta_Inicio_::*imagen,
                              const char *imagenNombre, int imagenTop, platform::Label *TPanta_Inicio_::*ficheroLabel,
                              const char *ficheroNombre, QPushButton *TPanta_Inicio_::*salir, const char *salirNombre)
{
    this->*imagen = picture(tab, imagenNombre, imagenTop);
    for (const Entrada_Menu &e : Menu_Principal()) {
        if (e.Pestana != Pestana)
            continue;
        Label *label = menuLabel(tab, e.Nombre, QString::fromUtf8(e.Rotulo), e.Tag, colorMenu(e.Tag), 22, e.Fila, e.Ancho);
        platform::on(label, &Label::clicked, this, [this, &e] { Ejecuta_Entrada(e, false); });
        this->*e.Control = label;
    }
    this->*ficheroLabel = fileLabel(tab, ficheroNombre, 352, 470);
    this->*salir = cancelButton(tab, salirNombre);
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
    // What a program killed in the middle of replacing a study file left is settled first.
    Quita_Restos_Abandonados(Carpeta_Programa + QStringLiteral("/dat"));
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

    // The window is maximised: it takes its size once on screen, and the panel follows it.
    platform::keepCentred(*Panel1);

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
    // Taken before it is applied: whatever showing the card it leads to does (a message, and
    // with it another activation), the saved filter is applied once.
    if (!Filtro_Antes_Repaso.isEmpty())
        Filtro_Tabla_Activa(std::exchange(Filtro_Antes_Repaso, QString()));
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
    // Digits as typed, letters in either case. Any other character is ignored; no key is
    // consumed.
    const ushort k = Key.unicode();
    for (const Entrada_Menu &e : Menu_Principal()) {
        if (e.Tecla != 0 && (k == ushort(e.Tecla) || (QChar(e.Tecla).isLetter() && k == ushort(e.Tecla - 'A' + 'a')))) {
            Ejecuta_Entrada(e, true);
            return;
        }
    }
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
    label->setFontColor(tcolor(colorMenu(label->Tag)));
}

// ---------------------------------------------------------------------------------------------
// Menu entries

void TPanta_Inicio_::Label1Click()
{
    platform::showModal(Selecc_Repaso_);
}

void TPanta_Inicio_::Label32Click()
{
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
    Alta_Fichas_->Anadir_Fichas();
}

void TPanta_Inicio_::Label31Click()
{
    platform::showModal(Anade_n_Grupo);
}

void TPanta_Inicio_::Label13Click()
{
    platform::showModal(Ver_Info_);
}

void TPanta_Inicio_::Label3Click()
{
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
    Asienta_Carpeta_De(Ruta_FE);
    // A table of a newer format is not this version's to repair: the user is told why, and
    // nothing of it is touched.
    if (const QString razon = Formato_Mas_Reciente(Ruta_FE); !razon.isEmpty()) {
        Error_Reparacion = 1;
        D_Module_->Ver_Mensaje(Msg_Reparacion_Formato.arg(razon));
        return;
    }
    // A damaged table first gets every card that can still be read, its damaged file kept
    // when something is lost; one of which nothing can be read stays as it is.
    const Rescate rescate = Rescata_Tabla(Ruta_FE);
    const QString perdidas = Mensaje_Rescate(Ruta_FE, rescate);
    if (rescate.Resultado == Rescate::Resultado::Ilegible) {
        Error_Reparacion = 1;
        D_Module_->Ver_Mensaje(perdidas);
        return;
    }
    try {
        Repara_Tabla(QString());
        Empaqueta_Tabla(QString());
        Abre_Tabla_Sin_Indice(QString());
    } catch (const std::exception &) {
        Error_Reparacion = 1;
        D_Module_->Ver_Mensaje(QStringLiteral("Error al reparar el Fichero de Estudio."));
    }
    if (!perdidas.isEmpty())
        D_Module_->Ver_Mensaje(perdidas);
    else if (Error_Reparacion == 0)
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
    // A replacement there cut short is finished first: what is deleted stays deleted.
    Asienta_Carpeta_De(N);
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
    platform::showModal(Exportar_FE_);
}

void TPanta_Inicio_::Label20Click()
{
    platform::showModal(Importar_de_txt_);
}

void TPanta_Inicio_::Label25Click()
{
    platform::showModal(Importar_de_FE_);
}

void TPanta_Inicio_::Label43Click()
{
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

