#include "review/FreeNiv0a1.h"

#include "engine/Table.h"
#include "engine/Transaction.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/Screen.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Sesion.h"

#include <QButtonGroup>
#include <QFocusEvent>

TFreeNiv0a1_ *FreeNiv0a1_ = nullptr;

const QStringList TFreeNiv0a1_::Comparaciones = {QStringLiteral("Igual que"), QStringLiteral("Mayor que"),
                                                 QStringLiteral("Mayor o igual que"), QStringLiteral("Menor que"),
                                                 QStringLiteral("Menor o igual que")};

namespace {
const QString Msg_Fichas_En_Nivel_0 = QStringLiteral("  Fichas en el Nivel 0.");
const QString Msg_Han_Pasado = QStringLiteral("  Fichas han pasado al Nivel 1.");
const QString Msg_No_Hay_Fichas = QStringLiteral("No hay fichas en el Nivel 0");
const QString Msg_No_Hay_Tantas = QStringLiteral("No hay tantas fichas en el Nivel 0.");
const QString Filtro_Nivel_0 = QStringLiteral("Nive_Fich = 0");

engine::Table &tabla()
{
    return *D_Module_->Tabla_Activa;
}

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

int entero(const QString &text)
{
    return engine::strToInt(text.toStdString());
}

// Puts the filter text back when the scope ends, also when a move fails half way.
class RestauraFiltro {
public:
    explicit RestauraFiltro(const QString &filtro) : m_filtro(filtro) {}
    ~RestauraFiltro()
    {
        platform::guarded([&] { tabla().setFilter(m_filtro.toStdString()); });
    }

private:
    QString m_filtro;
};
} // namespace

TFreeNiv0a1_::TFreeNiv0a1_(QWidget *parent) : platform::Form(parent)
{
    FreeNiv0a1_ = this;
    setObjectName(QStringLiteral("FreeNiv0a1_"));
    // The activation keeps the filter in force to put it back at closing: coming back from
    // the break window must not keep the window's own level-0 filter instead.
    setActivateOnModalReturn(false);
    setWindowTitle(QStringLiteral(" Pasar Fichas desde el Nivel 0 al Nivel 1"));
    setHelpContext(24);

    using platform::named;
    auto label = [&](const char *name, const QString &caption, QWidget *parentWidget) {
        return named(new platform::Label(caption, parentWidget), name);
    };
    auto button = [&](const char *name, const QString &caption, QWidget *parentWidget) {
        return named(new QPushButton(caption, parentWidget), name);
    };

    Panel5 = named(new platform::Panel(this), "Panel5");
    Label1 = label("Label1", QStringLiteral("Hay tres formas de pasar fichas al Nivel 1:"), Panel5);
    label5 = label("label5", Msg_Fichas_En_Nivel_0, Panel5);
    label5->setFontColor(QColor(0, 255, 0)); // lime
    PageControl1 = named(new QTabWidget(Panel5), "PageControl1");

    TabSheet1 = named(new QWidget, "TabSheet1");
    Label16 = label("Label16", QStringLiteral("Nº de fichas que van a pasar desde el Nivel 0 al Nivel 1:"), TabSheet1);
    MaskEdit1 = named(new platform::MaskEdit(TabSheet1), "MaskEdit1");
    MaskEdit1->setEditMask(QStringLiteral("999;1;_"));
    MaskEdit1->setText(QStringLiteral("10 "));
    Button2 = button("Button2", QStringLiteral("   &Pasar  fichas "), TabSheet1);
    PageControl1->addTab(TabSheet1, QStringLiteral(" (1) - Cantidad "));

    TabSheet2 = named(new QWidget, "TabSheet2");
    DBGrid1 = named(new platform::DBGrid(TabSheet2), "DBGrid1");
    DBGrid1->setColumns({{QString::fromLatin1(ficha::Nive_Impo), QStringLiteral("Nivel Imp."), 77},
                         {QString::fromLatin1(ficha::Clav_Fich), QStringLiteral("Clave"), 88},
                         {QString::fromLatin1(ficha::Preg_Text), QStringLiteral("  Pregunta"), 495}});
    Label2 = label("Label2",
                   QStringLiteral("Marcar o desmarcar fichas: Pulsar la tecla \"Ctrl\" y hacer clic con el ratón."),
                   TabSheet2);
    Button7 = button("Button7", QStringLiteral("   &Pasar  fichas "), TabSheet2);
    PageControl1->addTab(TabSheet2, QStringLiteral(" (2) - Una por una "));

    TabSheet3 = named(new QWidget, "TabSheet3");
    RadioButton1 = named(new QRadioButton(QStringLiteral("Seleccionar las fichas por su \"NIVEL DE IMPORTANCIA\""),
                                          TabSheet3),
                         "RadioButton1");
    RadioGroup2 = radioGroup("RadioGroup2", TabSheet3);
    Label3 = label("Label3", QStringLiteral("====>"), TabSheet3);
    MaskEdit2 = named(new platform::MaskEdit(TabSheet3), "MaskEdit2");
    MaskEdit2->setEditMask(QStringLiteral("999999"));
    RadioButton2 = named(new QRadioButton(QStringLiteral("Seleccionar las fichas por su  \"CLAVE\""), TabSheet3),
                         "RadioButton2");
    RadioGroup3 = radioGroup("RadioGroup3", TabSheet3);
    Label4 = label("Label4", QStringLiteral("====>"), TabSheet3);
    Edit1 = named(new QLineEdit(TabSheet3), "Edit1");
    Label6 = label("Label6", QStringLiteral("¿Cuantas fichas hay en el nivel 0 con esta condición ?"), TabSheet3);
    Label7 = label("Label7", QStringLiteral("0"), TabSheet3);
    Button3 = button("Button3", QStringLiteral("Comprobar"), TabSheet3);
    Button3->hide();
    CheckBox1 = named(new QCheckBox(QStringLiteral("Limitar el número de fichas"), TabSheet3), "CheckBox1");
    Label8 = label("Label8", QStringLiteral("que van a pasar al nivel 1"), TabSheet3);
    Label9 = label("Label9", QStringLiteral("Cantidad máxima:"), TabSheet3);
    MaskEdit3 = named(new platform::MaskEdit(TabSheet3), "MaskEdit3");
    MaskEdit3->setEditMask(QStringLiteral("999;1;_"));
    BitBtn2 = button("BitBtn2", QStringLiteral("   &Pasar  fichas "), TabSheet3);
    PageControl1->addTab(TabSheet3, QStringLiteral(" (3) - Por Nivel de Importancia o por Clave "));

    btnButton1 = button("btnButton1", QStringLiteral("  &Salir"), Panel5);
    btn1 = button("btn1", QStringLiteral("  &Ayuda"), Panel5);
    platform::Form::setCancelButton(btnButton1);

    // The two modes exclude each other (and not the comparisons of the radio groups).
    auto *modos = new QButtonGroup(this);
    modos->addButton(RadioButton1);
    modos->addButton(RadioButton2);

    // Design state.
    RadioButton1->setChecked(true);
    RadioGroup3->hide();
    Label4->hide();
    Edit1->hide();
    Label9->hide();
    MaskEdit3->hide();

    layOut();

    using F = TFreeNiv0a1_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(Button7, &QPushButton::clicked, this, &F::Button7Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);
    platform::on(BitBtn2, &QPushButton::clicked, this, &F::BitBtn2Click);
    platform::on(RadioButton1, &QRadioButton::clicked, this, &F::RadioButton1Click);
    platform::on(RadioButton2, &QRadioButton::clicked, this, &F::RadioButton1Click);
    platform::on(RadioGroup2, &platform::RadioGroup::clicked, this, [this] { RadioGroup2Click(RadioGroup2); });
    platform::on(RadioGroup3, &platform::RadioGroup::clicked, this, [this] { RadioGroup2Click(RadioGroup3); });
    platform::on(CheckBox1, &QCheckBox::clicked, this, &F::CheckBox1Click);
    platform::on(Label8, &platform::Label::clicked, this, &F::Label8Click);
    platform::on(btnButton1, &QPushButton::clicked, this, &F::btnButton1Click);
    platform::on(btn1, &QPushButton::clicked, this, &F::btn1Click);
    MaskEdit2->installEventFilter(this);
    Edit1->installEventFilter(this);

    FormCreate();
}

TFreeNiv0a1_::~TFreeNiv0a1_()
{
    if (FreeNiv0a1_ == this)
        FreeNiv0a1_ = nullptr;
}

platform::RadioGroup *TFreeNiv0a1_::radioGroup(const char *name, QWidget *parentWidget)
{
    auto *group = new platform::RadioGroup(QString(), parentWidget);
    group->setObjectName(QString::fromLatin1(name));
    group->setItems(Comparaciones);
    group->setItemIndex(0);
    return group;
}

void TFreeNiv0a1_::layOut()
{
    resize(820, 600);
    Panel5->resize(780, 560);
    Label1->move(20, 12);
    label5->move(520, 12);
    PageControl1->setGeometry(10, 40, 760, 460);

    Label16->move(30, 60);
    MaskEdit1->setGeometry(420, 56, 50, 24);
    Button2->setGeometry(290, 180, 160, 34);

    DBGrid1->setGeometry(6, 6, 744, 360);
    Label2->move(12, 376);
    Button7->setGeometry(560, 372, 160, 34);

    RadioButton1->setGeometry(16, 14, 420, 22);
    RadioGroup2->setGeometry(36, 40, 180, 130);
    Label3->move(230, 96);
    MaskEdit2->setGeometry(292, 92, 80, 24);
    RadioButton2->setGeometry(16, 184, 420, 22);
    RadioGroup3->setGeometry(36, 40, 180, 130);
    Label4->move(230, 96);
    Edit1->setGeometry(292, 92, 160, 24);
    Label6->move(16, 222);
    Label7->move(420, 222);
    Button3->setGeometry(480, 218, 90, 26);
    CheckBox1->setGeometry(16, 260, 240, 22);
    Label8->move(36, 284);
    Label9->move(300, 264);
    MaskEdit3->setGeometry(420, 260, 50, 24);
    BitBtn2->setGeometry(560, 372, 160, 34);

    btnButton1->setGeometry(460, 512, 120, 34);
    btn1->setGeometry(600, 512, 120, 34);
}

// ---------------------------------------------------------------------------------------------
// Routines

QString TFreeNiv0a1_::Conector(const platform::RadioGroup *RadioGroup)
{
    static const char *const ops[] = {"=", ">", ">=", "<", "<="};
    return QString::fromLatin1(ops[qBound(0, RadioGroup->itemIndex(), 4)]);
}

QString TFreeNiv0a1_::filtro() const
{
    return QString::fromStdString(tabla().filter());
}

void TFreeNiv0a1_::ponFiltro(const QString &filtro)
{
    engine::Table &t = tabla();
    t.setFilter(filtro.toStdString());
    if (!t.filtered())
        t.setFiltered(true);
}

void TFreeNiv0a1_::enUnaTransaccion(const std::function<void()> &Mover)
{
    engine::Table &t = tabla();
    engine::Transaction transaccion(t);
    engine::BulkWork bloque(t);
    Mover();
    transaccion.commit();
    bloque.end();
}

void TFreeNiv0a1_::Muestra_Num_Fichas_en_Nivel_0()
{
    label5->setCaption(QString::number(tabla().recordCount()) + Msg_Fichas_En_Nivel_0);
}

void TFreeNiv0a1_::Pasa_Ficha_actual_a_Nivel_1()
{
    engine::Table &t = tabla();
    t.edit();
    D_Module_->Tabla_ActivaNive_Fich().setAsInteger(1);
    t.post();
}

QString TFreeNiv0a1_::valorCondicion() const
{
    return (RadioButton1->isChecked() ? MaskEdit2->text() : Edit1->text()).trimmed();
}

void TFreeNiv0a1_::Pone_Condicion_Filtrado_d_Niv_Import_o_Clave()
{
    Filtro_Antes_Condicion = filtro();
    const QString valor = valorCondicion();
    if (RadioButton1->isChecked()) {
        ponFiltro(QStringLiteral("Nive_Fich = 0 and Nive_Impo ") + Conector(RadioGroup2) + valor);
    } else {
        QString citado = valor;
        citado.replace(QLatin1Char('\''), QStringLiteral("''"));
        ponFiltro(QStringLiteral("Nive_Fich = 0 and Clav_Fich ") + Conector(RadioGroup3) + QLatin1Char('\'') + citado
                  + QLatin1Char('\''));
    }
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TFreeNiv0a1_::FormCreate()
{
    setColor(platform::tcolor(0x9ACE9C));
    Panel5->setColor(platform::tcolor(0x9ACE9C));
}

void TFreeNiv0a1_::FormActivate()
{
    if (Sesion_->Saltar_Activacion == 1) {
        Sesion_->Saltar_Activacion = 0;
        return;
    }
    setWindowState(windowState() | Qt::WindowMaximized);
    if (!tabla().active())
        return; // no card table to show (the menu entry opens the window only with one)
    // The grid follows the card table only while the window is open, so that the work of
    // other windows on the table does not pay for it.
    DBGrid1->setDataSource(D_Module_->DSource);
    Filtro_Antes_Nivel_0 = filtro();
    m_filtroGuardado = true;
    ponFiltro(Filtro_Nivel_0 + QLatin1Char(' '));
    Muestra_Num_Fichas_en_Nivel_0();
    if (tabla().recordCount() == 0)
        mensaje(Msg_No_Hay_Fichas);
}

void TFreeNiv0a1_::FormClose()
{
    DBGrid1->setDataSource(nullptr);
    if (!m_filtroGuardado)
        return;
    m_filtroGuardado = false;
    if (tabla().active())
        ponFiltro(Filtro_Antes_Nivel_0);
}

void TFreeNiv0a1_::FormResize()
{
    platform::centre(*Panel5);
}

void TFreeNiv0a1_::resizeEvent(QResizeEvent *event)
{
    platform::Form::resizeEvent(event);
    platform::guarded([&] { FormResize(); });
}

void TFreeNiv0a1_::Button2Click()
{
    engine::Table &t = tabla();
    ponFiltro(Filtro_Nivel_0);
    const QString texto = MaskEdit1->text().trimmed();
    const int n = entero(texto);
    if (n > int(t.recordCount())) {
        mensaje(Msg_No_Hay_Tantas);
        MaskEdit1->setFocus();
        return;
    }
    enUnaTransaccion([&] {
        for (int i = 0; i < n; ++i) {
            t.first();
            Pasa_Ficha_actual_a_Nivel_1();
        }
    });
    Muestra_Num_Fichas_en_Nivel_0();
    mensaje(texto + Msg_Han_Pasado);
}

void TFreeNiv0a1_::Button7Click()
{
    engine::Table &t = tabla();
    int cuenta = 0;
    {
        // The grid is hidden while the cards move, and shown again also when the move fails.
        DBGrid1->hide();
        struct MuestraRejilla {
            platform::DBGrid *grid;
            ~MuestraRejilla() { grid->show(); }
        } muestra{DBGrid1};
        enUnaTransaccion([&] {
            for (const std::int64_t marca : DBGrid1->selectedBookmarks()) {
                if (!t.gotoBookmark(marca))
                    continue;
                Pasa_Ficha_actual_a_Nivel_1();
                ++cuenta;
            }
        });
        t.first();
    }
    Muestra_Num_Fichas_en_Nivel_0();
    mensaje(QString::number(cuenta) + Msg_Han_Pasado);
}

void TFreeNiv0a1_::Button3Click()
{
    Pone_Condicion_Filtrado_d_Niv_Import_o_Clave();
    RestauraFiltro restaura(Filtro_Antes_Condicion);
    Label7->setCaption(QString::number(tabla().recordCount()));
}

void TFreeNiv0a1_::BitBtn2Click()
{
    engine::Table &t = tabla();
    const QString textoLimite = MaskEdit3->text().trimmed();
    const bool conLimite = CheckBox1->isChecked() && !textoLimite.isEmpty();
    const int limite = conLimite ? entero(textoLimite) : 0;

    Pone_Condicion_Filtrado_d_Niv_Import_o_Clave();
    int cuenta = 0;
    {
        RestauraFiltro restaura(Filtro_Antes_Condicion);
        enUnaTransaccion([&] {
            for (t.first(); !t.eof() && (!conLimite || cuenta < limite); t.first()) {
                Pasa_Ficha_actual_a_Nivel_1();
                ++cuenta;
            }
        });
    }
    Muestra_Num_Fichas_en_Nivel_0();
    Button3Click();
    mensaje(QString::number(cuenta) + Msg_Han_Pasado);
}

void TFreeNiv0a1_::RadioButton1Click()
{
    const bool importancia = RadioButton1->isChecked();
    RadioGroup2->setVisible(importancia);
    Label3->setVisible(importancia);
    MaskEdit2->setVisible(importancia);
    RadioGroup3->setVisible(!importancia);
    Label4->setVisible(!importancia);
    Edit1->setVisible(!importancia);
}

void TFreeNiv0a1_::RadioGroup2Click(platform::RadioGroup *Sender)
{
    // Only the group of the mode in force counts, and only with a value to compare with.
    const bool delModo = (Sender == RadioGroup2) == RadioButton1->isChecked();
    if (delModo && !valorCondicion().isEmpty())
        Button3Click();
}

void TFreeNiv0a1_::MaskEdit2Exit()
{
    if (!valorCondicion().isEmpty())
        Button3Click();
}

bool TFreeNiv0a1_::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == MaskEdit2 || watched == Edit1)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Leaving the box for another control, not the window losing the focus.
        const bool delModo = (watched == MaskEdit2) == RadioButton1->isChecked();
        if (delModo && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            platform::guarded([&] { MaskEdit2Exit(); });
    }
    return platform::Form::eventFilter(watched, event);
}

void TFreeNiv0a1_::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    Label9->setVisible(on);
    MaskEdit3->setVisible(on);
    if (on)
        MaskEdit3->setFocus();
}

void TFreeNiv0a1_::Label8Click()
{
    CheckBox1->setChecked(!CheckBox1->isChecked());
    CheckBox1Click();
}

void TFreeNiv0a1_::btnButton1Click()
{
    close();
}

void TFreeNiv0a1_::btn1Click()
{
    platform::helpContext(24);
}
