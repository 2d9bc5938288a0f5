#include "review/Selecc_Repaso.h"

#include "editing/FILTRO_ENV_.h"

#include "engine/Table.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "review/Filtros_Repaso.h"
#include "review/Repasar.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <utility>

TSelecc_Repaso_ *Selecc_Repaso_ = nullptr;
std::array<int, 9> Niveles_Marcados{};

const QString Msg_No_Hay_Fichas_Repaso = QStringLiteral(
    "No hay ninguna ficha para repasar.  Algunas posibles causas son:\r\r"
    "  *  Si ha seleccionado, puede que ninguna ficha cumpla con esa condición.\r\r"
    "  *  Si ya ha repasado hoy, esas fichas no podrá repasarlas otra vez.");

namespace {
const QString Texto_Label1 = QStringLiteral(
    "  Si esta opción está activa, se pueden repasar las fichas varias veces el mismo día.  \r\n\r\n"
    "  Solamente se modificarán los datos internos de la ficha en el primer repaso de ese día. Por ejemplo, "
    "la fecha del último repaso, el nivel en el Fichero de Estudio, etc.\r\n\r\n"
    "  Para repasar varias veces unas fichas el mismo día debe usar el botón \"Repasar\". El botón \"Repasar con "
    "REPASO POR TIEMPO\" no le servirá.\r\n\r\n"
    "  Para hacer la selección de fichas, use el botón \"Seleccionar Fichas\" o la opción \"Usar Selección "
    "Rápida\".");
} // namespace

TSelecc_Repaso_::TSelecc_Repaso_(QWidget *parent) : platform::Form(parent)
{
    Selecc_Repaso_ = this;
    Niveles_Marcados.fill(0); // the window lives for the whole run: this is the run's start
    setObjectName(QStringLiteral("Selecc_Repaso_"));
    setWindowTitle(QStringLiteral("   Selección de Fichas para el Repaso"));
    setCentred(true);
    setHelpContext(12);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setColor(platform::tcolor(platform::colors::Teal));

    auto named = [](auto *w, const QString &name) {
        w->setObjectName(name);
        return w;
    };
    auto white = [](QWidget *w) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        w->setPalette(p);
    };

    RadioButton1 = named(new QRadioButton(QStringLiteral("Usar Ventana de Selección"), this), "RadioButton1");
    Button5 = named(new QPushButton(QStringLiteral("  Selecci&onar Fichas"), this), "Button5");
    RadioButton2 = named(new QRadioButton(QStringLiteral("Usar Selección Rápida:"), this), "RadioButton2");
    white(RadioButton1);
    white(RadioButton2);
    for (int n = 1; n <= 8; ++n) {
        auto *box = named(new QCheckBox(QStringLiteral("Nivel %1").arg(n), this), QStringLiteral("CheckBox%1").arg(n));
        box->setProperty("Tag", n);
        box->setEnabled(false);
        box->setFocusPolicy(Qt::NoFocus);
        white(box);
        CheckBoxNivel[std::size_t(n)] = box;
    }
    CheckBox9 = named(new QCheckBox(QStringLiteral("Permitir repasar fichas varias veces el mismo día."), this),
                      "CheckBox9");
    CheckBox9->setChecked(true);
    white(CheckBox9);
    Label1 = named(new platform::Label(Texto_Label1, this), "Label1");
    Label1->setFontColor(Qt::white);
    Label1->setAutoSize(false);
    Label1->setWordWrap(true);
    Button1 = named(new QPushButton(QStringLiteral("  &Repasar"), this), "Button1");
    Button4 = named(new QPushButton(QStringLiteral("   Repasar con REPASO POR &TIEMPO"), this), "Button4");
    Button2 = named(new QPushButton(QStringLiteral("&Salir"), this), "Button2");
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), this), "BitBtn1");
    platform::Form::setCancelButton(Button2);

    layOut();

    using F = TSelecc_Repaso_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, [this] {
        m_abierta = false;
        // However the window closes, the main window works again.
        if (Sesion_)
            Sesion_->Ventana_Principal()->setEnabled(true);
    });
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(Button4, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
    for (QRadioButton *b : {RadioButton1, RadioButton2})
        platform::on(b, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                RadioButton1Click();
        });
    for (int n = 1; n <= 8; ++n) {
        QCheckBox *box = CheckBoxNivel[std::size_t(n)];
        platform::on(box, &QCheckBox::toggled, this, [this, box] { CheckBox1Click(box); });
    }
}

TSelecc_Repaso_::~TSelecc_Repaso_()
{
    if (Selecc_Repaso_ == this)
        Selecc_Repaso_ = nullptr;
}

void TSelecc_Repaso_::layOut()
{
    resize(889, 579);
    RadioButton1->setGeometry(40, 30, 300, 24);
    Button5->setGeometry(70, 62, 220, 34);
    RadioButton2->setGeometry(40, 122, 300, 24);
    for (int n = 1; n <= 8; ++n)
        CheckBoxNivel[std::size_t(n)]->setGeometry(70 + ((n - 1) % 4) * 90, 156 + ((n - 1) / 4) * 30, 86, 24);
    CheckBox9->setGeometry(40, 240, 420, 24);
    Label1->setGeometry(470, 24, 390, 330);
    Button1->setGeometry(40, 300, 220, 40);
    Button4->setGeometry(40, 352, 360, 40);
    Button2->setGeometry(40, 500, 120, 36);
    BitBtn1->setGeometry(740, 500, 120, 36);
}

// ---------------------------------------------------------------------------------------------
// The filter

QString TSelecc_Repaso_::filtro() const
{
    return QString::fromStdString(D_Module_->Tabla_Activa->filter());
}

void TSelecc_Repaso_::ponFiltro(const QString &Filtro)
{
    D_Module_->Tabla_Activa->setFilter(Filtro.toStdString());
}

bool TSelecc_Repaso_::algunNivelMarcado() const
{
    for (int n = 1; n <= 8; ++n)
        if (CheckBoxNivel[std::size_t(n)]->isChecked())
            return true;
    return false;
}

void TSelecc_Repaso_::Pone_Filtro_Niveles()
{
    TSesion_ *p = Sesion_;
    if (!RadioButton2->isChecked()) {
        ponFiltro(p->Filtro_Actual);
        return;
    }
    // The selection in force, for the main window to put back after the review: the selection
    // window's filter, not whatever an earlier try of this window left on the table.
    if (p->Seleccion_Activa == 1)
        p->Filtro_Seleccion = p->Filtro_Actual;
    ponFiltro(repaso::Filtro_Niveles(Niveles_Marcados, Filtro_Base));
}

void TSelecc_Repaso_::Activa_Controles_Seleccion()
{
    const bool rapida = !RadioButton1->isChecked();
    if (!rapida && Sesion_->Seleccion_Activa == 1)
        ponFiltro(Sesion_->Filtro_Actual);
    for (int n = 1; n <= 8; ++n)
        CheckBoxNivel[std::size_t(n)]->setEnabled(rapida);
    Button5->setEnabled(!rapida);
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TSelecc_Repaso_::FormActivate()
{
    TSesion_ *p = Sesion_;
    if (p->Saltar_Activacion == 1) {
        p->Saltar_Activacion = 0;
        return;
    }
    p->Ventana_Principal()->setEnabled(false);
    // The same-day box follows the preferences as the main window applied them at its last
    // activation, which comes before every opening of this window; coming back to the window
    // (from the selection window) keeps what the user set.
    if (!std::exchange(m_abierta, true))
        CheckBox9->setChecked(p->Mismo_Dia_Permitido());
    Button4->setEnabled(p->Repaso_Por_Tiempo == 1);
    if (filtro() != Filtro_Base)
        RadioButton1->setChecked(true);
    else
        RadioButton2->setChecked(true);
    Activa_Controles_Seleccion();
    Button1->setFocus();
}

void TSelecc_Repaso_::CheckBox1Click(QCheckBox *Sender)
{
    Niveles_Marcados[std::size_t(Sender->property("Tag").toInt())] = Sender->isChecked() ? 1 : 0;
}

void TSelecc_Repaso_::RadioButton1Click()
{
    Activa_Controles_Seleccion();
}

void TSelecc_Repaso_::Button1Click()
{
    Pone_Filtro_Niveles();
    ponFiltro(repaso::Filtro_Repasar(RadioButton2->isChecked(), algunNivelMarcado(), filtro(), Filtro_Base));
    repasa();
}

void TSelecc_Repaso_::Button4Click()
{
    Pone_Filtro_Niveles();
    ponFiltro(repaso::Filtro_Por_Tiempo(RadioButton2->isChecked(), algunNivelMarcado(), filtro(), Filtro_Base,
                                        Sesion_->Fecha_Hoy));
    repasa();
}

void TSelecc_Repaso_::repasa()
{
    ponFiltro(repaso::Filtro_Mismo_Dia(filtro(), CheckBox9->isChecked(), Sesion_->Fecha_Hoy));
    if (D_Module_->Tabla_Activa->recordCount() == 0) {
        D_Module_->Ver_Mensaje(Msg_No_Hay_Fichas_Repaso);
        return;
    }
    Inicia_Sesion_Repaso();
    close();
}

void TSelecc_Repaso_::Button5Click()
{
    TFILTRO_ENV::Solo_Seleccion(true);
}

void TSelecc_Repaso_::Button2Click()
{
    Sesion_->Ventana_Principal()->setEnabled(true);
    close();
}

void TSelecc_Repaso_::BitBtn1Click()
{
    platform::helpContext(12);
}
