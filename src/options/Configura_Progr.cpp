#include "options/Configura_Progr.h"

#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Screen.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ImageControl.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "platform/Timer.h"
#include "store/D_Module.h"
#include "store/Preferencias.h"
#include "store/Sesion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TConfigura_Progr_ *Configura_Progr_ = nullptr;

const QString Msg_Opcion_No_Numerica = QStringLiteral(
    " No se han guardado las opciones. \r\r %1 debe ser un número: \r ahora está en blanco o tiene otros caracteres. ");
const QString Msg_Opciones_No_Guardadas = QStringLiteral(
    " No se ha podido guardar el archivo con las preferencias del programa (Orvenda02.stu). \r\r"
    " Las opciones no han cambiado. ");
const QString Msg_Imagen_No_Valida = QStringLiteral(
    " No se ha cambiado la Imagen del Programa. \r\r %1 \r\r %2 ");

namespace {
using platform::tcolor;
namespace colors = platform::colors;

// The program picture's names, in the order the start-up looks for them.
const QStringList Nombres_Imagen{QStringLiteral("Image.BMP"), QStringLiteral("Image.JPG"), QStringLiteral("Image.JPEG")};

// What a field is called in the message that refuses it.
QString nombreRepaso(int i)
{
    static const char *const ordinal[] = {"", "1er", "2do", "3er", "4º", "5º", "6º", "7º", "8º", "9º"};
    return QStringLiteral("El intervalo del %1 Repaso").arg(QString::fromUtf8(ordinal[i]));
}

QString nombreDescanso(int j)
{
    if (j == 0)
        return QStringLiteral("El intervalo de los siguientes descansos");
    if (j == 1)
        return QStringLiteral("El primer descanso");
    return QStringLiteral("El %1º descanso").arg(j);
}

// A whole number written with digits only (blanks around it allowed); nothing otherwise.
std::optional<int> numero(const QString &texto)
{
    const QString t = texto.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    int valor = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        valor = valor * 10 + (c.unicode() - '0');
        if (valor > 99999)
            return std::nullopt;
    }
    return valor;
}

// The program picture that exists, in the start-up's order; empty when none.
QString imagenActual()
{
    for (const QString &nombre : Nombres_Imagen) {
        const QString ruta = platform::existingPathAnyCase(Sesion_->Carpeta_Programa + QLatin1Char('/') + nombre);
        if (!ruta.isEmpty())
            return ruta;
    }
    return {};
}

platform::ImageControl *imagenPrincipal()
{
    return Sesion_->Ventana_Principal()->findChild<platform::ImageControl *>(QStringLiteral("Image1"));
}

void mensaje(const QString &texto)
{
    D_Module_->Ver_Mensaje(texto);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TConfigura_Progr_::TConfigura_Progr_(QWidget *parent) : platform::Form(parent)
{
    Configura_Progr_ = this;
    setObjectName(QStringLiteral("Configura_Progr_"));
    setWindowTitle(QStringLiteral("  Configuración del Programa"));
    setHelpContext(23);
    // The activation fills every control from the options in force: coming back from the
    // break window must keep what the user changed.
    setActivateOnModalReturn(false);
    setFollowsMainWindowState(true);
    setColor(tcolor(colors::Teal));

    auto named = [](auto *w, const QString &name) {
        w->setObjectName(name);
        return w;
    };
    auto label = [&](const QString &name, const QString &caption, QWidget *parentWidget) {
        return named(new platform::Label(caption, parentWidget), name);
    };
    auto maskEdit = [&](const QString &name, const QString &mask, QWidget *parentWidget) {
        auto *e = named(new platform::MaskEdit(parentWidget), name);
        e->setEditMask(mask);
        return e;
    };
    const QString mask3 = QStringLiteral("999;1;_");

    Panel1 = named(new platform::Panel(this), QStringLiteral("Panel1"));
    Panel1->setColor(tcolor(colors::Silver));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    {
        // Disabled captions greyed but readable on the silver panel.
        QPalette p = Panel1->palette();
        p.setColor(QPalette::Disabled, QPalette::WindowText, tcolor(0x808080));
        p.setColor(QPalette::Disabled, QPalette::ButtonText, tcolor(0x808080));
        p.setColor(QPalette::Disabled, QPalette::Text, tcolor(0x808080));
        Panel1->setPalette(p);
    }

    Button10 = named(new QPushButton(QStringLiteral("&Tipo de letra"), Panel1), QStringLiteral("Button10"));
    Label37 = label(QStringLiteral("Label37"), QStringLiteral("abcdef ABCDEF 0123"), Panel1);
    Label37->setFontColor(Qt::white);

    RadioGroup1 = named(new platform::RadioGroup(QStringLiteral(" Formato de Fecha: "), Panel1), QStringLiteral("RadioGroup1"));
    RadioGroup1->setItems({QStringLiteral("Mes - Día - Año  (mm-dd-aa)"), QStringLiteral("Día - Mes - Año  (dd-mm-aa)")});
    RadioGroup2 = named(new platform::RadioGroup(QStringLiteral(" Idioma: "), Panel1), QStringLiteral("RadioGroup2"));
    RadioGroup2->setItems({QStringLiteral("English / Inglés "), QStringLiteral("Spanish / Español")});
    RadioGroup2->hide();

    GroupBox1 = named(new QGroupBox(QStringLiteral(" Frecuencia del Repaso por Tiempo: "), Panel1), QStringLiteral("GroupBox1"));
    CheckBox2 = named(new QCheckBox(QStringLiteral("Utilizar el Repaso por Tiempo"), GroupBox1), QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(true);
    {
        static const char *const antes[] = {"", "1er Repaso: ", "2do Repaso: ", "3er Repaso: ", "4º Repaso: ", "5º Repaso: ",
                                            "6º Repaso: ", "7º Repaso: ", "8º Repaso: ", "9º Repaso: "};
        platform::MaskEdit **edits[] = {nullptr, &MaskEdit1, &MaskEdit2, &MaskEdit3, &MaskEdit4, &MaskEdit5,
                                        &MaskEdit6, &MaskEdit7, &MaskEdit8, &MaskEdit9};
        platform::Label **labels[] = {&Label19, &Label20, &Label21, &Label22, &Label23, &Label24,
                                      &Label25, &Label26, &Label27, &Label28, &Label29, &Label30,
                                      &Label31, &Label32, &Label33, &Label34, &Label35, &Label36};
        for (int i = 1; i <= 9; ++i) {
            const int n = 17 + 2 * i; // Label19, Label21, ...
            *labels[2 * (i - 1)] = label(QStringLiteral("Label%1").arg(n), QString::fromUtf8(antes[i]), GroupBox1);
            *edits[i] = maskEdit(QStringLiteral("MaskEdit%1").arg(i), mask3, GroupBox1);
            *labels[2 * (i - 1) + 1] = label(QStringLiteral("Label%1").arg(n + 1),
                                             i == 1 ? QStringLiteral("días tras crear ficha.") : QStringLiteral("días después."),
                                             GroupBox1);
            m_repaso[i] = *edits[i];
            m_etiquetasRepaso << *labels[2 * (i - 1)] << *labels[2 * (i - 1) + 1];
        }
    }

    GroupBox2 = named(new QGroupBox(QStringLiteral(" Descansos: "), Panel1), QStringLiteral("GroupBox2"));
    CheckBox1 = named(new QCheckBox(QStringLiteral("Si avisar en los descansos."), GroupBox2), QStringLiteral("CheckBox1"));
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("Primer descanso a los "), GroupBox2);
    MaskEdit10 = maskEdit(QStringLiteral("MaskEdit10"), mask3, GroupBox2);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("minutos."), GroupBox2);
    RadioButton1 = named(new QRadioButton(QStringLiteral("Siguientes descansos cada "), GroupBox2), QStringLiteral("RadioButton1"));
    MaskEdit11 = maskEdit(QStringLiteral("MaskEdit11"), mask3, GroupBox2);
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("min."), GroupBox2);
    RadioButton2 = named(new QRadioButton(QStringLiteral("Definir siguientes descansos:"), GroupBox2), QStringLiteral("RadioButton2"));
    {
        platform::MaskEdit **edits[] = {&MaskEdit12, &MaskEdit13, &MaskEdit14, &MaskEdit15, &MaskEdit16};
        platform::Label **labels[] = {&Label5, &Label6, &Label7, &Label8, &Label9, &Label10, &Label11, &Label12, &Label13, &Label14};
        for (int k = 0; k < 5; ++k) {
            *labels[2 * k] = label(QStringLiteral("Label%1").arg(5 + 2 * k), QStringLiteral("%1º:").arg(k + 2), GroupBox2);
            *edits[k] = maskEdit(QStringLiteral("MaskEdit%1").arg(12 + k), mask3, GroupBox2);
            *labels[2 * k + 1] = label(QStringLiteral("Label%1").arg(6 + 2 * k), QStringLiteral("minutos después."), GroupBox2);
            m_descanso[k + 2] = *edits[k];
            m_etiquetasLista << *labels[2 * k] << *labels[2 * k + 1];
        }
    }
    m_descanso[0] = MaskEdit11;
    m_descanso[1] = MaskEdit10;
    // At design the break controls are off; the activation sets them.
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label2), static_cast<QWidget *>(MaskEdit10),
                       static_cast<QWidget *>(RadioButton1), static_cast<QWidget *>(RadioButton2),
                       static_cast<QWidget *>(MaskEdit11), static_cast<QWidget *>(Label4)})
        w->setEnabled(false);
    for (int j = 2; j <= 6; ++j)
        m_descanso[j]->setEnabled(false);
    for (QWidget *w : m_etiquetasLista)
        w->setEnabled(false);

    GroupBox3 = named(new QGroupBox(QStringLiteral(" Varios: "), Panel1), QStringLiteral("GroupBox3"));
    CheckBox5 = named(new QCheckBox(QStringLiteral("Aviso de parpadeo cada "), GroupBox3), QStringLiteral("CheckBox5"));
    MaskEdit19 = maskEdit(QStringLiteral("MaskEdit19"), QStringLiteral("99;1;_"), GroupBox3);
    Label15 = label(QStringLiteral("Label15"), QStringLiteral("minutos."), GroupBox3);
    CheckBox6 = named(new QCheckBox(QStringLiteral("Permitir repasar fichas varias veces el mismo día."), GroupBox3),
                      QStringLiteral("CheckBox6"));
    CheckBox6->setChecked(true);
    Label16 = label(QStringLiteral("Label16"), QStringLiteral("(se puede modificar cada vez que vaya a repasar)"), GroupBox3);
    Label17 = label(QStringLiteral("Label17"), QStringLiteral("Imagen del Programa:"), GroupBox3);
    Button2 = named(new QPushButton(QStringLiteral("Nue&va"), GroupBox3), QStringLiteral("Button2"));
    Button1 = named(new QPushButton(QStringLiteral("Eli&minar"), GroupBox3), QStringLiteral("Button1"));
    CheckBox3 = named(new QCheckBox(QStringLiteral("Si hay menos de "), GroupBox3), QStringLiteral("CheckBox3"));
    MaskEdit17 = maskEdit(QStringLiteral("MaskEdit17"), mask3, GroupBox3);
    MaskEdit17->setText(QStringLiteral("20 "));
    Label18 = label(QStringLiteral("Label18"), QStringLiteral("fichas en el Nivel 1, "), GroupBox3);
    Label38 = label(QStringLiteral("Label38"), QStringLiteral("pasar "), GroupBox3);
    MaskEdit18 = maskEdit(QStringLiteral("MaskEdit18"), mask3, GroupBox3);
    MaskEdit18->setText(QStringLiteral("10 "));
    Label39 = label(QStringLiteral("Label39"), QStringLiteral("fichas desde el Nivel 0 al Nivel 1. "), GroupBox3);
    for (QWidget *w : {static_cast<QWidget *>(CheckBox3), static_cast<QWidget *>(MaskEdit17), static_cast<QWidget *>(Label18),
                       static_cast<QWidget *>(Label38), static_cast<QWidget *>(MaskEdit18), static_cast<QWidget *>(Label39)})
        w->hide();

    Button3 = named(new QPushButton(QStringLiteral("A&ceptar"), Panel1), QStringLiteral("Button3"));
    BitBtn2 = named(new QPushButton(QStringLiteral("&Salir"), Panel1), QStringLiteral("BitBtn2"));
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), Panel1), QStringLiteral("BitBtn1"));
    platform::Form::setCancelButton(BitBtn2);

    OpenPictureDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), QStringLiteral("OpenPictureDialog1"));
    OpenPictureDialog1->Filter = QStringLiteral(
        "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg, *.jpeg)|*.jpg, *.jpeg|"
        "Bitmaps (*.bmp)|*.bmp|All Files (*.*)|*.*");
    FontDialog1 = named(new platform::FontDialog(this), QStringLiteral("FontDialog1"));

    layOut();

    using F = TConfigura_Progr_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);
    platform::on(BitBtn2, &QPushButton::clicked, this, &F::BitBtn2Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
    platform::on(Button10, &QPushButton::clicked, this, &F::Button10Click);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(CheckBox2, &QCheckBox::clicked, this, &F::CheckBox2Click);
    platform::on(CheckBox1, &QCheckBox::clicked, this, &F::CheckBox1Click);
    platform::on(CheckBox5, &QCheckBox::clicked, this, &F::CheckBox5Click);
    platform::on(CheckBox3, &QCheckBox::clicked, this, &F::CheckBox3Click);
    platform::on(RadioButton1, &QRadioButton::clicked, this, &F::RadioButton1Click);
    platform::on(RadioButton2, &QRadioButton::clicked, this, &F::RadioButton1Click);
    for (int i = 1; i <= 9; ++i)
        platform::on(m_repaso[i], &QLineEdit::selectionChanged, this, &F::MaskEdit1Change);
    platform::on(MaskEdit19, &platform::MaskEdit::exited, this, &F::MaskEdit19Exit);
    platform::on(MaskEdit17, &platform::MaskEdit::exited, this, &F::MaskEdit17Exit);
    platform::on(MaskEdit18, &platform::MaskEdit::exited, this, &F::MaskEdit18Exit);

    FormCreate();
}

TConfigura_Progr_::~TConfigura_Progr_()
{
    if (Configura_Progr_ == this)
        Configura_Progr_ = nullptr;
}

void TConfigura_Progr_::layOut()
{
    resize(800, 640);
    Panel1->resize(770, 600);
    Button10->setGeometry(12, 12, 120, 28);
    Label37->move(144, 16);
    RadioGroup1->setGeometry(12, 50, 350, 72);
    RadioGroup2->setGeometry(12, 128, 350, 72);

    GroupBox1->setGeometry(12, 130, 360, 350);
    CheckBox2->setGeometry(12, 24, 300, 22);
    for (int i = 1; i <= 9; ++i) {
        const int y = 56 + (i - 1) * 32;
        m_etiquetasRepaso[2 * (i - 1)]->move(14, y + 3);
        m_repaso[i]->setGeometry(104, y, 44, 24);
        m_etiquetasRepaso[2 * (i - 1) + 1]->move(156, y + 3);
    }

    GroupBox2->setGeometry(384, 12, 374, 300);
    CheckBox1->setGeometry(12, 24, 300, 22);
    Label1->move(14, 59);
    MaskEdit10->setGeometry(180, 56, 44, 24);
    Label2->move(232, 59);
    RadioButton1->setGeometry(12, 92, 200, 22);
    MaskEdit11->setGeometry(214, 91, 44, 24);
    Label4->move(266, 94);
    RadioButton2->setGeometry(12, 124, 260, 22);
    for (int k = 0; k < 5; ++k) {
        const int y = 152 + k * 28;
        m_etiquetasLista[2 * k]->move(44, y + 3);
        m_descanso[k + 2]->setGeometry(80, y, 44, 24);
        m_etiquetasLista[2 * k + 1]->move(132, y + 3);
    }

    GroupBox3->setGeometry(384, 320, 374, 220);
    CheckBox5->setGeometry(12, 24, 190, 22);
    MaskEdit19->setGeometry(204, 23, 34, 24);
    Label15->move(246, 26);
    CheckBox6->setGeometry(12, 58, 356, 22);
    Label16->move(34, 82);
    Label17->move(14, 120);
    Button2->setGeometry(164, 114, 90, 28);
    Button1->setGeometry(264, 114, 90, 28);
    CheckBox3->setGeometry(12, 160, 130, 22);
    MaskEdit17->setGeometry(142, 159, 40, 24);
    Label18->move(188, 162);
    Label38->move(14, 190);
    MaskEdit18->setGeometry(60, 187, 40, 24);
    Label39->move(106, 190);

    Button3->setGeometry(12, 500, 110, 34);
    BitBtn2->setGeometry(134, 500, 110, 34);
    BitBtn1->setGeometry(256, 500, 110, 34);
}

// ---------------------------------------------------------------------------------------------
// Creation and activation

void TConfigura_Progr_::FormCreate()
{
    OpenPictureDialog1->InitialDir = Sesion_->Carpeta_Programa;
}

void TConfigura_Progr_::FormActivate()
{
    TSesion_ *s = Sesion_;
    if (s->Saltar_Activacion == 1) {
        s->Saltar_Activacion = 0;
        return;
    }
    followWindowState(s->Ventana_Principal());
    // The window takes its maximised size only once it is on screen: the panel follows it.
    platform::keepCentred(*Panel1, 18);
    Actualiza_Fuente__Conf();

    const int minutos = s->Timer_Parpadeo->interval() / 60000;
    MaskEdit19->setText(QString::number(minutos));
    CheckBox5->setChecked(s->Timer_Parpadeo->enabled());
    MaskEdit19->setEnabled(s->Timer_Parpadeo->enabled());

    RadioGroup2->setItemIndex(s->Idioma == QLatin1String("ING") ? 0 : 1);
    RadioGroup1->setItemIndex(s->Formato_Fecha == 0 ? 0 : 1);

    const QStringList lineas = s->RichEdit2->lines();
    const preferencias::Repaso repaso = preferencias::leeRepaso(lineas.value(0)).valores;
    for (int i = 1; i <= 9; ++i) {
        s->Dias_Repaso[i] = repaso.Dias_Repaso[i];
        m_repaso[i]->setText(QString::number(s->Dias_Repaso[i]));
    }
    CheckBox2->setChecked(s->Repaso_Por_Tiempo == 1);
    Habilita_Repaso_por_Tiempo();

    if (s->Avisar_Descansos == 1) {
        CheckBox1->setChecked(true);
        (s->Descansos_Periodicos == 1 ? RadioButton1 : RadioButton2)->setChecked(true);
        Habilita_Descansos_Definidos();
    } else {
        CheckBox1->setChecked(false);
    }
    s->Descansos = preferencias::leeDescansos(lineas.value(1)).valores.Minutos;
    for (int j = 0; j <= 6; ++j)
        m_descanso[j]->setText(QString::number(s->Descansos[j]));

    CheckBox3->setChecked(s->Pasar_Nivel_0_a_1 == 1);
    MaskEdit17->setText(QString::number(s->Min_Fichas_Nivel_1));
    MaskEdit18->setText(QString::number(s->Fichas_A_Pasar));
    Habilita_Controles_Descansos();
    OpenPictureDialog1->InitialDir = s->Carpeta_Programa;
    // The same-day box follows line 4 as the main window's activation last applied it.
    CheckBox6->setChecked(s->Mismo_Dia_Permitido());
}

// ---------------------------------------------------------------------------------------------
// Font

void TConfigura_Progr_::Actualiza_Fuente__Conf()
{
    if (!D_Module_)
        return;
    const platform::rtf::FontStyle estilo = D_Module_->Estilo_Fuente();
    Label37->setFont(estilo.font);
    FontDialog1->Font = estilo.font;
    FontDialog1->Color = estilo.color;
}

void TConfigura_Progr_::Button10Click()
{
    if (FontDialog1->execute())
        Label37->setFont(FontDialog1->Font);
}

// ---------------------------------------------------------------------------------------------
// Enabling

void TConfigura_Progr_::Habilita_Repaso_por_Tiempo()
{
    const bool on = CheckBox2->isChecked();
    Sesion_->Repaso_Por_Tiempo = on ? 1 : 0;
    for (int i = 1; i <= 9; ++i)
        m_repaso[i]->setEnabled(on);
    for (QWidget *w : m_etiquetasRepaso)
        w->setEnabled(on);
}

void TConfigura_Progr_::Habilita_Controles_Descansos()
{
    const bool on = CheckBox1->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label2), static_cast<QWidget *>(MaskEdit10),
                       static_cast<QWidget *>(RadioButton1), static_cast<QWidget *>(RadioButton2)})
        w->setEnabled(on);
    (Sesion_->Descansos_Periodicos == 1 ? RadioButton1 : RadioButton2)->setChecked(true);
    Habilita_Descansos_Definidos();
}

void TConfigura_Progr_::Habilita_Descansos_Definidos()
{
    const bool aviso = CheckBox1->isChecked();
    const bool periodicos = aviso && RadioButton1->isChecked();
    const bool lista = aviso && RadioButton2->isChecked();
    MaskEdit11->setEnabled(periodicos);
    Label4->setEnabled(periodicos);
    for (int j = 2; j <= 6; ++j)
        m_descanso[j]->setEnabled(lista);
    for (QWidget *w : m_etiquetasLista)
        w->setEnabled(lista);
}

void TConfigura_Progr_::CheckBox2Click()
{
    Habilita_Repaso_por_Tiempo();
}

void TConfigura_Progr_::CheckBox1Click()
{
    Habilita_Controles_Descansos();
}

void TConfigura_Progr_::RadioButton1Click()
{
    Habilita_Descansos_Definidos();
}

void TConfigura_Progr_::CheckBox5Click()
{
    MaskEdit19->setEnabled(CheckBox5->isChecked());
}

void TConfigura_Progr_::CheckBox3Click()
{
    MaskEdit17->setEnabled(CheckBox3->isChecked());
    MaskEdit18->setEnabled(CheckBox3->isChecked());
}

void TConfigura_Progr_::MaskEdit1Change() {}

void TConfigura_Progr_::MaskEdit19Exit()
{
    if (MaskEdit19->text().trimmed().isEmpty())
        MaskEdit19->setText(QStringLiteral("0"));
}

void TConfigura_Progr_::MaskEdit17Exit()
{
    if (MaskEdit17->text() == QLatin1String("   "))
        MaskEdit17->setText(QStringLiteral("20 "));
}

void TConfigura_Progr_::MaskEdit18Exit()
{
    if (MaskEdit18->text() == QLatin1String("   "))
        MaskEdit18->setText(QStringLiteral("10 "));
}

// ---------------------------------------------------------------------------------------------
// Storing

bool TConfigura_Progr_::numerosCorrectos()
{
    auto rehusa = [](platform::MaskEdit *edit, const QString &nombre) {
        mensaje(Msg_Opcion_No_Numerica.arg(nombre));
        if (edit->isEnabled())
            edit->setFocus();
        return false;
    };
    for (int i = 1; i <= 9; ++i)
        if (!numero(m_repaso[i]->text()))
            return rehusa(m_repaso[i], nombreRepaso(i));
    for (int j : {1, 0, 2, 3, 4, 5, 6})
        if (!numero(m_descanso[j]->text()))
            return rehusa(m_descanso[j], nombreDescanso(j));
    return true;
}

void TConfigura_Progr_::Button3Click()
{
    if (!numerosCorrectos())
        return;
    TSesion_ *s = Sesion_;
    // What "A&ceptar" changes, put back when the file cannot be written.
    struct Anterior {
        QStringList lineas;
        std::array<int, 10> Dias_Repaso;
        std::array<int, 7> Descansos;
        QString Idioma;
        int Formato_Fecha, Avisar_Descansos, Descansos_Periodicos, Pasar_Nivel_0_a_1;
        bool parpadeo;
    };
    const Anterior anterior{s->RichEdit2->lines(), s->Dias_Repaso,          s->Descansos,
                            s->Idioma,              s->Formato_Fecha,        s->Avisar_Descansos,
                            s->Descansos_Periodicos, s->Pasar_Nivel_0_a_1,   s->Timer_Parpadeo->enabled()};

    D_Module_->Guarda_Estilo_Fuente(FontDialog1->Font, FontDialog1->Color);
    D_Module_->Lee_Estilo_Fuente();

    preferencias::Repaso repaso;
    for (int i = 1; i <= 9; ++i)
        s->Dias_Repaso[i] = *numero(m_repaso[i]->text());
    s->Idioma = RadioGroup2->itemIndex() == 0 ? QStringLiteral("ING") : QStringLiteral("ESP");
    s->Formato_Fecha = RadioGroup1->itemIndex() == 0 ? 0 : 1;
    repaso.Dias_Repaso = s->Dias_Repaso;
    repaso.Idioma = s->Idioma;
    repaso.Formato_Fecha = s->Formato_Fecha;
    repaso.Repaso_Por_Tiempo = CheckBox2->isChecked() ? 1 : 0;

    preferencias::Descansos descansos;
    for (int j = 0; j <= 6; ++j)
        s->Descansos[j] = *numero(m_descanso[j]->text());
    s->Avisar_Descansos = CheckBox1->isChecked() ? 1 : 0;
    s->Descansos_Periodicos = RadioButton1->isChecked() ? 1 : 0;
    descansos.Minutos = s->Descansos;
    descansos.Avisar_Descansos = s->Avisar_Descansos;
    descansos.Descansos_Periodicos = s->Descansos_Periodicos;
    // A blank blink edit counts as 0, as leaving it does.
    descansos.Parpadeo = CheckBox5->isChecked();
    descansos.Minutos_Parpadeo = numero(MaskEdit19->text()).value_or(0) % 100;
    s->Timer_Parpadeo->setEnabled(CheckBox5->isChecked());

    s->Pasar_Nivel_0_a_1 = 0;
    // Blank level-0 edits count as their defaults, as leaving them does.
    preferencias::Nivel0 nivel0;
    nivel0.Min_Fichas_Nivel_1 = numero(MaskEdit17->text()).value_or(20) % 1000;
    nivel0.Fichas_A_Pasar = numero(MaskEdit18->text()).value_or(10) % 1000;

    const QStringList lineas =
        preferencias::lineasOpciones(repaso, descansos, nivel0, preferencias::MismoDia{CheckBox6->isChecked()});
    s->RichEdit2->setLines(lineas);
    if (!s->Guarda_Preferencias()) {
        // The file keeps the previous options: so do the lines and the fields.
        s->RichEdit2->setLines(anterior.lineas);
        s->Dias_Repaso = anterior.Dias_Repaso;
        s->Descansos = anterior.Descansos;
        s->Idioma = anterior.Idioma;
        s->Formato_Fecha = anterior.Formato_Fecha;
        s->Avisar_Descansos = anterior.Avisar_Descansos;
        s->Descansos_Periodicos = anterior.Descansos_Periodicos;
        s->Pasar_Nivel_0_a_1 = anterior.Pasar_Nivel_0_a_1;
        s->Timer_Parpadeo->setEnabled(anterior.parpadeo);
        mensaje(Msg_Opciones_No_Guardadas);
        return;
    }
    s->Leer_Preferencias = 1;
    // The new times apply as the window closes: the main window's next activation, which reads
    // the file again, may come late or be skipped, and reading the same times again restarts
    // no timer.
    s->Aplica_Preferencias();
    close();
}

void TConfigura_Progr_::BitBtn2Click()
{
    close();
}

void TConfigura_Progr_::BitBtn1Click()
{
    platform::helpContext(23);
}

// ---------------------------------------------------------------------------------------------
// The program picture

void TConfigura_Progr_::Button1Click()
{
    const QString actual = imagenActual();
    if (!actual.isEmpty())
        QFile::remove(actual);
    if (platform::ImageControl *imagen = imagenPrincipal()) {
        imagen->clear();
        Sesion_->Actualiza_Imagenes(QStringLiteral("Info FE: NO"));
    }
}

void TConfigura_Progr_::Button2Click()
{
    if (!m_dialogoImagenUsado) {
        OpenPictureDialog1->InitialDir = Sesion_->Carpeta_Programa;
        m_dialogoImagenUsado = true;
    } else {
        OpenPictureDialog1->InitialDir.clear();
    }
    if (!OpenPictureDialog1->execute())
        return;
    const QString elegido = OpenPictureDialog1->FileName;
    const QString final4 = elegido.toLower().right(4);
    std::optional<platform::PictureFormat> tipo;
    if (final4 == QLatin1String(".jpg") || final4 == QLatin1String("jpeg"))
        tipo = platform::PictureFormat::Jpeg;
    else if (final4 == QLatin1String(".bmp"))
        tipo = platform::PictureFormat::Bmp;
    if (!tipo) {
        mensaje(Msg_Imagen_No_Valida.arg(QDir::toNativeSeparators(elegido),
                                         QStringLiteral("Sólo se admiten imágenes JPG, JPEG o BMP.")));
        return;
    }
    const std::optional<QByteArray> bytes = platform::readWholeFile(elegido);
    QImage imagen;
    QString motivo = QStringLiteral("No se puede leer el archivo.");
    if (bytes) {
        try {
            imagen = platform::decodePictureOrThrow(*bytes);
        } catch (const platform::PictureError &e) {
            motivo = QString::fromUtf8(e.what());
        }
    }
    if (imagen.isNull()) {
        mensaje(Msg_Imagen_No_Valida.arg(QDir::toNativeSeparators(elegido), motivo));
        return;
    }

    // The new picture is written whole under the name the start-up reads, and only then is
    // the old one removed.
    const QString anterior = imagenActual();
    const QString nueva = Sesion_->Carpeta_Programa + QLatin1Char('/')
                          + (*tipo == platform::PictureFormat::Jpeg ? QStringLiteral("Image.JPG") : QStringLiteral("Image.BMP"));
    const QByteArray contenido =
        platform::detectPictureFormat(*bytes) == tipo ? *bytes : platform::encodePicture(imagen, *tipo);
    if (contenido.isEmpty() || !platform::saveFileAtomically(nueva, contenido)) {
        mensaje(Msg_Imagen_No_Valida.arg(QDir::toNativeSeparators(nueva), QStringLiteral("No se puede escribir el archivo.")));
        return;
    }
    if (!anterior.isEmpty() && QFileInfo(anterior).canonicalFilePath() != QFileInfo(nueva).canonicalFilePath())
        QFile::remove(anterior);

    if (platform::ImageControl *principal = imagenPrincipal()) {
        principal->setPictureBytes(contenido);
        Sesion_->Actualiza_Imagenes(QStringLiteral("Info FE: NO"));
    }
}
