#include "editing/Modif_Glob.h"

#include "editing/FILTRO_ENV_.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/Screen.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Sesion.h"

#include <QDate>

#include <unordered_set>

TModif_glob_ *Modif_glob_ = nullptr;

namespace {
const QString Msg_Completada = QStringLiteral(" LA MODIFICACIÓN GLOBAL SE HA COMPLETADO ");
const QString Msg_No_Es_Numero = QStringLiteral(
    "El apartado '%1' está marcado, pero su nuevo valor\rno es un número entero.\r\r"
    "Escriba el valor sólo con cifras (del 0 al 9) o desmarque el apartado.\r\r"
    "No se ha modificado ninguna ficha.");
const QString Msg_Fecha_No_Valida = QStringLiteral(
    "La 'Fecha del Próximo Repaso' no es una fecha válida.\r\r"
    "Escriba el día, el mes y el año (%1) o desmarque el apartado.\r\r"
    "No se ha modificado ninguna ficha.");
const QString Msg_Fallida = QStringLiteral(
    "La modificación global no se ha podido realizar:\rninguna ficha ha cambiado.\r\r%1");

void mensaje(const QString &texto)
{
    D_Module_->Ver_Mensaje(texto);
}

QString formatoFecha()
{
    return Sesion_->Formato_Fecha == 1 ? QStringLiteral("( dd-mm-aa )") : QStringLiteral("( mm-dd-aa )");
}

QString mascaraFecha()
{
    const QString sep(platform::clock::dateSeparator());
    return QStringLiteral("!99") + sep + QStringLiteral("99") + sep + QStringLiteral("00;1;_");
}

// Two positions of a date mask: one or two digits (a blank beside a lone digit is allowed).
int cifras(const QString &dos)
{
    const QString t = dos.trimmed();
    if (t.isEmpty() || t.size() > 2)
        return -1;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    return t.toInt();
}
} // namespace

TModif_glob_::TModif_glob_(QWidget *parent) : platform::Form(parent)
{
    Modif_glob_ = this;
    setObjectName(QStringLiteral("Modif_glob_"));
    setWindowTitle(QStringLiteral("       Modificación Global"));
    setCentred(true);
    setFollowsMainWindowState(true);
    setHelpContext(22);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Teal));

    using platform::named;
    Panel1 = named(new platform::Panel(this), "Panel1");
    Panel1->setColor(platform::tcolor(platform::colors::Silver));
    QWidget *p = Panel1;

    Label1 = named(new platform::Label(QStringLiteral("Marcar los apartados que van a modificar en las fichas:"), p),
                   "Label1");
    Label2 = named(new platform::Label(QStringLiteral("Introducir los nuevos valores:"), p), "Label2");
    Bevel1 = named(new QFrame(p), "Bevel1");
    Bevel1->setFrameShape(QFrame::VLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel2 = named(new QFrame(p), "Bevel2");
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);

    auto casillaCon = [&](const char *name, const QString &caption) {
        auto *c = named(new QCheckBox(caption, p), name);
        c->setLayoutDirection(Qt::RightToLeft); // the text to the left of the box
        return c;
    };
    CheckBox1 = casillaCon("CheckBox1", QStringLiteral("Nivel de la Ficha ..............."));
    CheckBox2 = casillaCon("CheckBox2", QStringLiteral("Clave de la Ficha .............."));
    CheckBox3 = casillaCon("CheckBox3", QStringLiteral("Nivel de Importancia ........."));
    CheckBox4 = casillaCon("CheckBox4", QStringLiteral("Fecha del Próximo Repaso"));
    CheckBox5 = casillaCon("CheckBox5", QStringLiteral("Nº de Repasos Realizados"));

    auto mascara = [&](const char *name, const QString &mask, const QString &texto) {
        auto *m = named(new platform::MaskEdit(p), name);
        m->setEditMask(mask);
        m->setText(texto);
        m->setEnabled(false);
        return m;
    };
    MaskEdit1 = mascara("MaskEdit1", QStringLiteral("9;1;_"), QStringLiteral(" "));
    Edit1 = named(new QLineEdit(p), "Edit1");
    Edit1->setEnabled(false);
    MaskEdit2 = mascara("MaskEdit2", QStringLiteral("999;1;_"), QStringLiteral("   "));
    MaskEdit3 = mascara("MaskEdit3", mascaraFecha(), QStringLiteral("  /  /  "));
    MaskEdit4 = mascara("MaskEdit4", QStringLiteral("999;1;_"), QStringLiteral("   "));
    Label3 = named(new platform::Label(formatoFecha(), p), "Label3");

    Gauge1 = named(new QProgressBar(p), "Gauge1");
    Gauge1->setMinimum(1);
    Gauge1->setValue(1);
    QPalette g = Gauge1->palette();
    g.setColor(QPalette::Base, platform::tcolor(platform::colors::Purple));
    g.setColor(QPalette::Window, platform::tcolor(platform::colors::Purple));
    g.setColor(QPalette::Highlight, platform::tcolor(platform::colors::Navy));
    Gauge1->setPalette(g);
    Gauge1->hide();

    Button5 = named(new QPushButton(QStringLiteral("  Selecci&onar Fichas"), p), "Button5");
    BitBtn2 = named(new QPushButton(QStringLiteral(" Realizar la &Modificación"), p), "BitBtn2");
    Button1 = named(new QPushButton(QStringLiteral("&Salir"), p), "Button1");
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), p), "BitBtn1");
    platform::Form::setCancelButton(Button1);

    layOut();

    using F = TModif_glob_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(CheckBox1, &QCheckBox::toggled, this, &F::CheckBox1Click);
    platform::on(CheckBox2, &QCheckBox::toggled, this, &F::CheckBox2Click);
    platform::on(CheckBox3, &QCheckBox::toggled, this, &F::CheckBox3Click);
    platform::on(CheckBox4, &QCheckBox::toggled, this, &F::CheckBox4Click);
    platform::on(CheckBox5, &QCheckBox::toggled, this, &F::CheckBox5Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(BitBtn2, &QPushButton::clicked, this, &F::Button3Click);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
}

TModif_glob_::~TModif_glob_()
{
    if (Modif_glob_ == this)
        Modif_glob_ = nullptr;
}

void TModif_glob_::layOut()
{
    Panel1->resize(720, 420);
    Label1->move(16, 16);
    Label2->move(420, 16);
    Bevel2->setGeometry(10, 44, 700, 4);
    Bevel1->setGeometry(396, 52, 4, 250);
    int y = 64;
    const std::pair<QCheckBox *, QLineEdit *> filas[] = {
        {CheckBox1, MaskEdit1}, {CheckBox2, Edit1}, {CheckBox3, MaskEdit2}, {CheckBox4, MaskEdit3}, {CheckBox5, MaskEdit4}};
    for (const auto &[casilla, valor] : filas) {
        casilla->setGeometry(40, y, 300, 26);
        valor->setGeometry(430, y, valor == Edit1 ? 160 : 90, 26);
        y += 46;
    }
    Label3->move(530, 64 + 3 * 46 + 4);
    Gauge1->setGeometry(40, 306, 640, 22);
    Button5->setGeometry(40, 350, 170, 36);
    BitBtn2->setGeometry(222, 350, 200, 36);
    Button1->setGeometry(434, 350, 110, 36);
    BitBtn1->setGeometry(556, 350, 110, 36);
    resize(760, 460);
}

void TModif_glob_::resizeEvent(QResizeEvent *event)
{
    FormResize();
    platform::Form::resizeEvent(event);
}

void TModif_glob_::FormResize()
{
    platform::centre(*Panel1);
}

// ---------------------------------------------------------------------------------------------
// Activation, leaving, ticks

void TModif_glob_::FormActivate()
{
    TSesion_ *s = Sesion_;
    if (s->Saltar_Activacion == 1) {
        s->Saltar_Activacion = 0;
        return;
    }
    QWidget *principal = s->Ventana_Principal();
    principal->setEnabled(false);
    followWindowState(principal);
    Label3->setCaption(formatoFecha());
    // The key and importance boxes follow the open file.
    CheckBox2->setEnabled(s->Con_Clave != 0);
    Edit1->setEnabled(s->Con_Clave != 0 && CheckBox2->isChecked());
    CheckBox3->setEnabled(s->Con_Importancia != 0);
    MaskEdit2->setEnabled(s->Con_Importancia != 0 && CheckBox3->isChecked());
    MaskEdit3->setEditMask(mascaraFecha());
    if (MaskEdit3->isBlank())
        MaskEdit3->setText(s->Fecha_Hoy_Pantalla);
}

void TModif_glob_::Button1Click()
{
    close();
}

// However the window closes, the main window works again.
void TModif_glob_::FormClose()
{
    Sesion_->Ventana_Principal()->setEnabled(true);
}

void TModif_glob_::BitBtn1Click()
{
    platform::helpContext(22);
}

void TModif_glob_::casilla(QCheckBox *Casilla, QLineEdit *Valor, bool Vaciar)
{
    if (!Casilla->isChecked()) {
        Valor->setEnabled(false);
        return;
    }
    Valor->setEnabled(true);
    if (Vaciar)
        Valor->clear();
    Valor->setFocus();
}

void TModif_glob_::CheckBox1Click() { casilla(CheckBox1, MaskEdit1, true); }
void TModif_glob_::CheckBox2Click() { casilla(CheckBox2, Edit1, false); }
void TModif_glob_::CheckBox3Click() { casilla(CheckBox3, MaskEdit2, true); }
void TModif_glob_::CheckBox4Click() { casilla(CheckBox4, MaskEdit3, false); }
void TModif_glob_::CheckBox5Click() { casilla(CheckBox5, MaskEdit4, true); }

void TModif_glob_::Button2Click()
{
    TFILTRO_ENV::Solo_Seleccion();
}

// ---------------------------------------------------------------------------------------------
// The run

QString TModif_glob_::Fecha_de_Mascara(const QString &Texto)
{
    const int primero = cifras(Texto.mid(0, 2));
    const int segundo = cifras(Texto.mid(3, 2));
    const QString aa = Texto.mid(6, 2);
    if (aa.size() != 2 || cifras(aa) < 0 || aa.trimmed().size() != 2)
        return {};
    const int dia = Sesion_->Formato_Fecha == 1 ? primero : segundo;
    const int mes = Sesion_->Formato_Fecha == 1 ? segundo : primero;
    if (!QDate(2000 + aa.toInt(), mes, dia).isValid())
        return {};
    return QStringLiteral("20%1%2%3").arg(aa).arg(mes, 2, 10, QLatin1Char('0')).arg(dia, 2, 10, QLatin1Char('0'));
}

bool TModif_glob_::numero(const QString &Texto, const QString &Apartado, int &Valor)
{
    const QString t = Texto.trimmed();
    bool ok = !t.isEmpty();
    for (QChar c : t)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!ok) {
        mensaje(Msg_No_Es_Numero.arg(Apartado));
        return false;
    }
    Valor = t.toInt();
    return true;
}

void TModif_glob_::paso(int &Contador)
{
    ++Contador;
    Gauge1->setValue(std::min(Contador, Gauge1->maximum()));
}

void TModif_glob_::Button3Click()
{
    const bool nivel = CheckBox1->isChecked(), clave = CheckBox2->isChecked(), importancia = CheckBox3->isChecked(),
               fecha = CheckBox4->isChecked(), repasos = CheckBox5->isChecked();
    if (!nivel && !clave && !importancia && !fecha && !repasos)
        return;

    // Every value is checked before anything is written.
    int nuevoNivel = 0, nuevaImportancia = 0, nuevosRepasos = 0;
    if (nivel && !numero(MaskEdit1->text(), QStringLiteral("Nivel de la Ficha"), nuevoNivel))
        return;
    if (importancia && !numero(MaskEdit2->text(), QStringLiteral("Nivel de Importancia"), nuevaImportancia))
        return;
    QString nuevaFecha;
    if (fecha) {
        nuevaFecha = Fecha_de_Mascara(MaskEdit3->text());
        if (nuevaFecha.isEmpty()) {
            mensaje(Msg_Fecha_No_Valida.arg(Sesion_->Formato_Fecha == 1 ? QStringLiteral("dd-mm-aa")
                                                                        : QStringLiteral("mm-dd-aa")));
            return;
        }
    }
    if (repasos && !numero(MaskEdit4->text(), QStringLiteral("Nº de Repasos Realizados"), nuevosRepasos))
        return;
    const std::string nuevaClave = Edit1->text().toStdString();

    engine::Table &t = *D_Module_->Tabla_Activa;
    const std::size_t n = t.recordCount();
    if (n > 0) {
        Gauge1->setMaximum(int(2 * n));
        Gauge1->show();
        Gauge1->setMinimum(1);
        Gauge1->setValue(1);
    }
    int contador = 1;
    const std::string filtroAntes = t.filter();
    const bool filtradaAntes = t.filtered();
    engine::BulkWork bloque(t);
    try {
        engine::Transaction tx(t);
        engine::Field &Camp_Logi = t.fieldByName(ficha::Camp_Logi);

        // Flagging pass: every card of the view flagged, in one go.
        std::unordered_set<std::int64_t> vista;
        vista.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            vista.insert(t.peekBookmark(i));
        t.setFieldOfView(ficha::Camp_Logi, engine::Value::ofInteger(1));
        for (std::size_t i = 0; i < n; ++i)
            paso(contador);

        // Writing pass over the flagged cards. Each post takes its card out of the view;
        // taking them from the end keeps every removal at the end of the list. A card flagged
        // by an earlier program that did not finish is outside this run's view: only its flag
        // is cleared.
        t.setFilter("Camp_Logi = true");
        t.setFiltered(true);
        engine::Field &Nive_Fich = t.fieldByName(ficha::Nive_Fich);
        engine::Field &Clav_Fich = t.fieldByName(ficha::Clav_Fich);
        engine::Field &Nive_Impo = t.fieldByName(ficha::Nive_Impo);
        engine::Field &Fech_Prox_Repa = t.fieldByName(ficha::Fech_Prox_Repa);
        engine::Field &Total_Repa = t.fieldByName(ficha::Total_Repa);
        t.last();
        while (!t.isEmpty()) {
            const bool deLaVista = vista.count(t.bookmark()) > 0;
            t.edit();
            if (deLaVista) {
                if (nivel)
                    Nive_Fich.setAsInteger(nuevoNivel);
                if (clave)
                    Clav_Fich.setAsString(nuevaClave);
                if (importancia)
                    Nive_Impo.setAsInteger(nuevaImportancia);
                if (fecha)
                    Fech_Prox_Repa.setAsString(nuevaFecha.toStdString());
                if (repasos)
                    Total_Repa.setAsInteger(nuevosRepasos);
            }
            Camp_Logi.setAsBoolean(false);
            t.post();
            if (deLaVista)
                paso(contador);
        }
        t.setFilter(Sesion_->Filtro_Actual.toStdString());
        t.setFiltered(true);
        tx.commit();
    } catch (const std::exception &e) {
        // The transaction has been rolled back: the table's filter goes back to the view
        // the run started from.
        try {
            t.setFilter(filtroAntes);
            t.setFiltered(filtradaAntes);
        } catch (...) {
        }
        bloque.end();
        Gauge1->hide();
        if (!D_Module_->Avisa_Si_Tabla_Danada(e))
            mensaje(Msg_Fallida.arg(QString::fromStdString(e.what())));
        return;
    }
    bloque.end();
    Gauge1->hide();
    mensaje(Msg_Completada);
}
