#include "editing/FILTRO_ENV_.h"

#include "editing/Alta_Fichas.h"
#include "editing/Condicion_Seleccion.h"
#include "editing/Modif_Glob.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "platform/Screen.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Sesion.h"

#include <QFocusEvent>

TFILTRO_ENV *FILTRO_ENV = nullptr;

namespace {
const QString Msg_Incompleta = QStringLiteral("La condición de selección no está completa");
const QString Msg_Sin_Clave = QStringLiteral("       El apartado CLAVE está \r\rdesactivado en este Fichero de Estudio");
const QString Msg_Sin_Importancia =
    QStringLiteral("El apartado NIVEL DE IMPORTANCIA está \r\rdesactivado en este Fichero de Estudio");
const QString Msg_Solo_Cifras = QStringLiteral(
    "Los apartados:\r\r  'Nivel de la Ficha'\r  'Nivel de Importancia'  y\r  'Nº Total de Repasos'\r\r"
    "Sólo admiten cifras (del 0 al 9)\rNo aceptan letras, espacios, comas, ni puntos\r\r"
    "Para no repetir este mensaje: corrija el error\ro borre el texto cuando acepte este mensaje.");
const QString Msg_Reiniciar = QStringLiteral("Si hay una condición de selección, activela pulsando SELECCION");
const QString Msg_Nada_Que_Modificar = QStringLiteral("No hay fichas disponibles para modificar.");
const QString Pregunta_Marcadas = QStringLiteral("¿Seguro que quiere borrar las FICHAS MARCADAS?");
const QString Msg_Marcadas_No = QStringLiteral("NO se han borrado las Fichas Marcadas");
const QString Pregunta_Todas = QStringLiteral("¿Seguro que quiere BORRAR las TODAS LAS FICHAS?");
const QString Msg_Todas_No = QStringLiteral("No se ha borrado ninguna ficha");
const QString Msg_Filtro_Rehusado =
    QStringLiteral("La condición de selección no es válida y no se ha aplicado;\rla selección anterior sigue en uso.\r\r%1");
const QString Msg_Borrado_Fallido =
    QStringLiteral("No se han podido borrar las fichas: no se ha borrado ninguna.\r\r%1");

const QStringList Campos = {QStringLiteral("Nivel de la Ficha"), QStringLiteral("Clave de la Ficha"),
                            QStringLiteral("Nivel de Importancia"), QStringLiteral("Fecha Último Repaso"),
                            QStringLiteral("Nº Total de Repasos")};
const QStringList Operadores = {QStringLiteral("Igual a"),          QStringLiteral("Mayor Que"),
                                QStringLiteral("Mayor o Igual Que"), QStringLiteral("Menor Que"),
                                QStringLiteral("Menor o Igual Que"), QStringLiteral("Diferente De")};
const QStringList Conectores = {QStringLiteral("O"), QStringLiteral("Y")};

void mensaje(const QString &texto)
{
    D_Module_->Ver_Mensaje(texto);
}

// The item index of an editable combo: -1 when nothing is chosen or the text was typed.
int indice(const QComboBox *c)
{
    const int i = c->currentIndex();
    return i >= 0 && c->currentText() == c->itemText(i) ? i : -1;
}

QComboBox *combo(QWidget *parent, const char *name, const QStringList &items, const QString &texto, int tag)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(texto);
    c->setProperty("Tag", tag);
    return c;
}

engine::Table &tabla()
{
    return *D_Module_->Tabla_Activa;
}

std::string std_(const QString &s)
{
    return s.toStdString();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TFILTRO_ENV::TFILTRO_ENV(QWidget *parent) : platform::Form(parent)
{
    FILTRO_ENV = this;
    setObjectName(QStringLiteral("FILTRO_ENV"));
    setWindowTitle(QStringLiteral("    Selección  de  Fichas"));
    setCentred(true);
    setFollowsMainWindowState(true);
    setHelpContext(8);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Teal));
    // Coming back from a message (or a deletion's question) runs the activation too, as
    // coming back from the card editor does (counts refreshed).
    setActivateAfterMessages(true);

    Panel1 = new platform::Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setColor(platform::tcolor(platform::colors::Silver));
    QWidget *p = Panel1;

    using platform::named;
    auto rotulo = [&](const char *name, const QString &caption) {
        return named(new platform::Label(caption, p), name);
    };
    // Row k (1 to 6): its label, its connector (rows 2 to 6), field and operator combos
    // (ComboBox1, 2 for row 1, then three a row from ComboBox3), Editk, MaskEditk and CheckBoxk
    // at its end (rows 1 to 5).
    static const char *const Rotulos[] = {"Label1", "Label2", "Label3", "Label4", "Label7", "Label8"};
    static const QString Titulos[] = {QStringLiteral("Condición de Selección:"), QStringLiteral("2ª condición:"),
                                      QStringLiteral("3ª condición:"), QStringLiteral("4ª condición:"),
                                      QStringLiteral("5ª condición:"), QStringLiteral("6ª condición:")};
    const QString Nivel = Campos[0], Igual = QStringLiteral("Igual Que"), O = Conectores[0];
    int siguienteCombo = 1;
    for (int k = 1; k <= 6; ++k) {
        auto nombre = [](const char *base, int n) { return (QLatin1String(base) + QString::number(n)).toLatin1(); };
        auto comboFila = [&](const QStringList &items, const QString &texto) {
            return combo(p, nombre("ComboBox", siguienteCombo++).constData(), items, texto, k);
        };
        Fila &f = m_filas[std::size_t(k - 1)];
        f.Rotulo = rotulo(Rotulos[k - 1], Titulos[k - 1]);
        f.Conector = k > 1 ? comboFila(Conectores, O) : nullptr;
        f.Campo = comboFila(Campos, Nivel);
        f.Operador = comboFila(Operadores, Igual);
        f.Valor = named(new QLineEdit(p), nombre("Edit", k).constData());
        f.Valor->setProperty("Tag", k);
        f.Valor->installEventFilter(this);
        f.Fecha = named(new platform::MaskEdit(p), nombre("MaskEdit", k).constData());
        f.Fecha->setEditMask(QStringLiteral("!99/99/00;1;_"));
        f.Fecha->setText(QStringLiteral("  /  /  "));
        f.Siguiente = k < 6 ? named(new QCheckBox(QStringLiteral("Añadir %1º Condición").arg(k + 1), p),
                                    nombre("CheckBox", k).constData())
                            : nullptr;
    }
    Label1 = m_filas[0].Rotulo, Label2 = m_filas[1].Rotulo, Label3 = m_filas[2].Rotulo;
    Label4 = m_filas[3].Rotulo, Label7 = m_filas[4].Rotulo, Label8 = m_filas[5].Rotulo;
    ComboBox1 = m_filas[0].Campo, ComboBox2 = m_filas[0].Operador;
    ComboBox3 = m_filas[1].Conector, ComboBox4 = m_filas[1].Campo, ComboBox5 = m_filas[1].Operador;
    ComboBox6 = m_filas[2].Conector, ComboBox7 = m_filas[2].Campo, ComboBox8 = m_filas[2].Operador;
    ComboBox9 = m_filas[3].Conector, ComboBox10 = m_filas[3].Campo, ComboBox11 = m_filas[3].Operador;
    ComboBox12 = m_filas[4].Conector, ComboBox13 = m_filas[4].Campo, ComboBox14 = m_filas[4].Operador;
    ComboBox15 = m_filas[5].Conector, ComboBox16 = m_filas[5].Campo, ComboBox17 = m_filas[5].Operador;
    Edit1 = m_filas[0].Valor, Edit2 = m_filas[1].Valor, Edit3 = m_filas[2].Valor;
    Edit4 = m_filas[3].Valor, Edit5 = m_filas[4].Valor, Edit6 = m_filas[5].Valor;
    MaskEdit1 = m_filas[0].Fecha, MaskEdit2 = m_filas[1].Fecha, MaskEdit3 = m_filas[2].Fecha;
    MaskEdit4 = m_filas[3].Fecha, MaskEdit5 = m_filas[4].Fecha, MaskEdit6 = m_filas[5].Fecha;
    CheckBox1 = m_filas[0].Siguiente, CheckBox2 = m_filas[1].Siguiente, CheckBox3 = m_filas[2].Siguiente;
    CheckBox4 = m_filas[3].Siguiente, CheckBox5 = m_filas[4].Siguiente;

    DBGrid1 = named(new platform::DBGrid(p), "DBGrid1");
    DBGrid1->setDataSource(D_Module_ ? D_Module_->DSource : nullptr);
    DBGrid1->setColumns({{QString::fromLatin1(ficha::Nive_Fich), QStringLiteral("Niv. Fich."), 79},
                         {QString::fromLatin1(ficha::Clav_Fich), QStringLiteral("Clave"), 74},
                         {QString::fromLatin1(ficha::Nive_Impo), QStringLiteral("Niv. Imp."), 74},
                         {QString::fromLatin1(ficha::Preg_Text), QStringLiteral("Pregunta"), 587}});
    DBGrid1->setTitlesCentred(true);
    DBGrid1->setFocusPolicy(Qt::ClickFocus);
    Label5 = rotulo("Label5", QStringLiteral(" Fichas en uso: "));
    Label6 = rotulo("Label6", QStringLiteral(" Fichas Nivel 0: "));

    auto boton = [&](const char *name, const QString &caption) {
        return named(new QPushButton(caption, p), name);
    };
    Button2 = boton("Button2", QStringLiteral("  S&elección"));
    Button4 = boton("Button4", QStringLiteral("  &Quitar Selección"));
    Button7 = boton("Button7", QStringLiteral("Mo&dificar Fichas"));
    Button6 = boton("Button6", QStringLiteral("&Borrar Fichas Marcadas"));
    Button5 = boton("Button5", QStringLiteral("Borrar &Todas las Fichas"));
    Button1 = boton("Button1", QStringLiteral(" &Salir"));
    Button3 = boton("Button3", QStringLiteral("&Ayuda"));
    platform::Form::setCancelButton(Button1);

    // Rows 2 to 6 and their check boxes start hidden and disabled; every date mask hidden.
    for (std::size_t k = 1; k < m_filas.size(); ++k)
        muestraFila(int(k), false);
    for (const Fila &f : m_filas)
        f.Fecha->hide();

    layOut();
    setTabOrder(Button2, Button4);

    using F = TFILTRO_ENV;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(Button4, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(Button7, &QPushButton::clicked, this, &F::Button7Click);
    platform::on(Button6, &QPushButton::clicked, this, &F::Button6Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);
    platform::on(DBGrid1, &platform::DBGrid::rowDoubleClicked, this, &F::DBGrid1DblClick);
    platform::on(CheckBox1, &QCheckBox::toggled, this, &F::CheckBox1Click);
    platform::on(CheckBox2, &QCheckBox::toggled, this, &F::CheckBox2Click);
    platform::on(CheckBox3, &QCheckBox::toggled, this, &F::CheckBox3Click);
    platform::on(CheckBox4, &QCheckBox::toggled, this, &F::CheckBox4Click);
    platform::on(CheckBox5, &QCheckBox::toggled, this, &F::CheckBox5Click);
    for (const Fila &f : m_filas) {
        QComboBox *c = f.Campo;
        // An item picked: the click, then the change; text typed: the change alone.
        platform::on(c, &QComboBox::activated, this, [this, c] {
            ComboBox1Click(c);
            ComboBox1Change(c);
        });
        platform::on(c->lineEdit(), &QLineEdit::textEdited, this, [this, c] { ComboBox1Change(c); });
    }
}

TFILTRO_ENV::~TFILTRO_ENV()
{
    if (FILTRO_ENV == this)
        FILTRO_ENV = nullptr;
}

void TFILTRO_ENV::layOut()
{
    Panel1->resize(1000, 620);
    for (std::size_t k = 0; k < m_filas.size(); ++k) {
        const Fila &f = m_filas[k];
        const int y = 16 + int(k) * 34;
        f.Rotulo->move(12, y + 4);
        if (f.Conector)
            f.Conector->setGeometry(168, y, 56, 26);
        f.Campo->setGeometry(232, y, 190, 26);
        f.Operador->setGeometry(430, y, 170, 26);
        f.Valor->setGeometry(608, y, 140, 26);
        f.Fecha->setGeometry(608, y, 140, 26);
        if (f.Siguiente)
            f.Siguiente->setGeometry(760, y, 200, 26);
    }
    DBGrid1->setGeometry(12, 226, 790, 340);
    Label5->move(12, 578);
    Label6->move(300, 578);
    int y = 226;
    for (QPushButton *b : {Button2, Button4, Button7, Button6, Button5, Button1, Button3}) {
        b->setGeometry(812, y, 178, 34);
        y += b == Button4 || b == Button5 ? 56 : 42;
    }
    resize(1024, 660);
}

void TFILTRO_ENV::resizeEvent(QResizeEvent *event)
{
    platform::centre(*Panel1);
    platform::Form::resizeEvent(event);
}

bool TFILTRO_ENV::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        // Leaving the edit for another control of this window (not a message window coming up).
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            if (auto *e = qobject_cast<QLineEdit *>(watched))
                platform::guarded([&] { Edit1Exit(e); });
    }
    return platform::Form::eventFilter(watched, event);
}

void TFILTRO_ENV::Solo_Seleccion(bool Reiniciar)
{
    if (Reiniciar)
        Sesion_->Reiniciar_Seleccion = 1;
    Sesion_->Solo_Seleccionar = 1;
    platform::showModal(FILTRO_ENV);
}

// ---------------------------------------------------------------------------------------------
// Activation and leaving

void TFILTRO_ENV::ponFichasEnUso()
{
    Label5->setCaption(QStringLiteral(" Fichas en uso: %1 ").arg(tabla().recordCount()));
}

void TFILTRO_ENV::FormActivate()
{
    TSesion_ *s = Sesion_;
    if (s->Saltar_Activacion == 1) {
        s->Saltar_Activacion = 0;
        return;
    }
    const bool primera = !m_abierta;
    m_abierta = true;
    QWidget *principal = s->Ventana_Principal();
    principal->setEnabled(false);
    followWindowState(principal);
    Edit1->update();
    Button1->update();
    DBGrid1->viewport()->update();

    engine::Table &t = tabla();
    if (s->Solo_Seleccionar == 1) {
        if (Modif_glob_)
            Modif_glob_->setEnabled(false);
        for (QPushButton *b : {Button5, Button6, Button7})
            b->setEnabled(false);
        // The request of the review selection holds for the first activation of this opening
        // only, so that later activations keep the selection the user builds.
        if (primera && s->Reiniciar_Seleccion == 1) {
            s->Reiniciar_Seleccion = 0;
            if (t.active() && QString::fromStdString(t.filter()) != Filtro_Base) {
                t.setFilter(std_(Filtro_Base));
                mensaje(Msg_Reiniciar);
            }
        }
    } else {
        for (QPushButton *b : {Button5, Button6, Button7})
            b->setEnabled(true);
    }
    if (t.active()) {
        ponFichasEnUso();
        const std::string filtro = t.filter();
        t.setFilter("Nive_Fich = 0");
        Label6->setCaption(QStringLiteral(" Fichas Nivel 0: %1 ").arg(t.recordCount()));
        t.setFilter(filtro);
    }
    const QString sep(platform::clock::dateSeparator());
    for (const Fila &f : m_filas)
        f.Fecha->setEditMask(QStringLiteral("!99") + sep + QStringLiteral("99") + sep + QStringLiteral("00;1;_"));
    if (Volver_a_Ficha_Modificada == 1 && t.active()) {
        DBGrid1->hide();
        // The card's AutoInc is its bookmark; a card that left the view leaves the last one.
        if (!t.gotoBookmark(s->Ultima_Ficha_Modificada))
            t.last();
        DBGrid1->show();
    }
    Volver_a_Ficha_Modificada = 0;
}

void TFILTRO_ENV::Button1Click()
{
    close();
}

// However the window closes, it leaves as " &Salir" does.
void TFILTRO_ENV::FormClose()
{
    m_abierta = false;
    TSesion_ *s = Sesion_;
    if (s->Solo_Seleccionar != 1) {
        s->Ventana_Principal()->setEnabled(true);
        return;
    }
    for (QPushButton *b : {Button5, Button6, Button7})
        b->setEnabled(true);
    s->Solo_Seleccionar = 0;
    if (Modif_glob_)
        Modif_glob_->setEnabled(true);
}

void TFILTRO_ENV::Button3Click()
{
    platform::helpContext(15);
}

// ---------------------------------------------------------------------------------------------
// Condition rows

void TFILTRO_ENV::muestraFila(int Fila, bool Visible)
{
    const auto &f = m_filas[std::size_t(Fila)];
    for (QWidget *w : {static_cast<QWidget *>(f.Rotulo), static_cast<QWidget *>(f.Conector),
                       static_cast<QWidget *>(f.Campo), static_cast<QWidget *>(f.Operador)}) {
        if (!w)
            continue;
        w->setEnabled(Visible);
        w->setVisible(Visible);
    }
    const bool fecha = indice(f.Campo) == seleccion::Campo_Fecha;
    f.Fecha->setEnabled(Visible && fecha);
    f.Fecha->setVisible(Visible && fecha);
    f.Valor->setEnabled(Visible && !fecha);
    f.Valor->setVisible(Visible && !fecha);
    if (f.Siguiente) {
        f.Siguiente->setEnabled(Visible);
        f.Siguiente->setVisible(Visible);
        if (!Visible)
            f.Siguiente->setChecked(false); // its own handler hides the next row
    }
}

void TFILTRO_ENV::CheckBox1Click() { muestraFila(1, CheckBox1->isChecked()); }
void TFILTRO_ENV::CheckBox2Click() { muestraFila(2, CheckBox2->isChecked()); }
void TFILTRO_ENV::CheckBox3Click() { muestraFila(3, CheckBox3->isChecked()); }
void TFILTRO_ENV::CheckBox4Click() { muestraFila(4, CheckBox4->isChecked()); }
void TFILTRO_ENV::CheckBox5Click() { muestraFila(5, CheckBox5->isChecked()); }

void TFILTRO_ENV::ComboBox1Click(QComboBox *Sender)
{
    const Fila &f = m_filas[std::size_t(Sender->property("Tag").toInt() - 1)];
    const bool fecha = indice(Sender) == seleccion::Campo_Fecha;
    if (fecha)
        f.Fecha->setText(Sesion_->Fecha_Hoy_Pantalla);
    f.Fecha->setEnabled(fecha);
    f.Fecha->setVisible(fecha);
    f.Valor->setEnabled(!fecha);
    f.Valor->setVisible(!fecha);
}

void TFILTRO_ENV::ComboBox1Change(QComboBox *Sender)
{
    if (indice(Sender) == seleccion::Campo_Clave && Sesion_->Con_Clave == 0) {
        mensaje(Msg_Sin_Clave);
        Sender->setCurrentIndex(0);
    }
    if (indice(Sender) == seleccion::Campo_Importancia && Sesion_->Con_Importancia == 0) {
        mensaje(Msg_Sin_Importancia);
        Sender->setCurrentIndex(0);
    }
    if (seleccion::Campo_Numerico(indice(Sender)))
        Edit1Exit(m_filas[std::size_t(Sender->property("Tag").toInt() - 1)].Valor);
}

void TFILTRO_ENV::Edit1Exit(QLineEdit *Sender)
{
    const Fila &f = m_filas[std::size_t(Sender->property("Tag").toInt() - 1)];
    if (!seleccion::Valor_Admitido(indice(f.Campo), Sender->text())) {
        mensaje(Msg_Solo_Cifras);
        Sender->setFocus();
    }
}

// ---------------------------------------------------------------------------------------------
// Selecting

void TFILTRO_ENV::Button2Click()
{
    TSesion_ *s = Sesion_;
    engine::Table &t = tabla();
    // A value its field cannot take is told in the window's words, before anything changes.
    for (std::size_t k = 0; k < m_filas.size(); ++k) {
        if (k > 0 && !m_filas[k - 1].Siguiente->isChecked())
            continue;
        const Fila &f = m_filas[k];
        const int campo = indice(f.Campo);
        const QString nombre = campo >= 0 ? Campos.value(campo) : Campos.value(seleccion::Campo_Nivel);
        if (const QString aviso = seleccion::Valor_No_Numerico(campo, nombre, f.Valor->text()); !aviso.isEmpty()) {
            mensaje(aviso);
            return;
        }
    }
    const QString anterior = s->Filtro_Actual;
    s->Filtro_Actual.clear();
    bool completa = true;
    for (std::size_t k = 0; k < m_filas.size(); ++k) {
        if (k > 0 && !m_filas[k - 1].Siguiente->isChecked())
            continue;
        const Fila &f = m_filas[k];
        const int campo = indice(f.Campo);
        const QString valor = campo == seleccion::Campo_Fecha ? f.Fecha->text() : f.Valor->text();
        Anade_Condicion_a_Filtro(k > 0 ? 1 : 0, f.Conector ? indice(f.Conector) : 0, campo, indice(f.Operador), valor);
        if (campo == seleccion::Campo_Fecha ? f.Fecha->isBlank() : f.Valor->text().isEmpty())
            completa = false;
    }
    if (!completa) {
        mensaje(Msg_Incompleta);
        t.setFilter(std_(Filtro_Base));
        s->Filtro_Actual = Filtro_Base;
        return;
    }
    s->Filtro_Actual = seleccion::Filtro_de_Seleccion(s->Filtro_Actual, Filtro_Base);
    const bool filtrada = t.filtered();
    try {
        t.setFiltered(true);
        t.setFilter(std_(s->Filtro_Actual));
    } catch (const engine::EngineError &e) {
        // The table keeps the filter it had.
        t.setFiltered(filtrada);
        s->Filtro_Actual = anterior;
        mensaje(Msg_Filtro_Rehusado.arg(QString::fromStdString(e.what())));
        return;
    }
    s->Seleccion_Activa = 1;
    s->Filtro_Seleccion = s->Filtro_Actual;
    ponFichasEnUso();
}

void TFILTRO_ENV::Button4Click()
{
    TSesion_ *s = Sesion_;
    engine::Table &t = tabla();
    t.setFilter(std_(Filtro_Base));
    t.setFiltered(true);
    s->Filtro_Actual = Filtro_Base;
    Label5->show();
    ponFichasEnUso();
    s->Seleccion_Activa = 0;
}

// ---------------------------------------------------------------------------------------------
// Modifying and deleting

void TFILTRO_ENV::Button7Click()
{
    if (tabla().recordCount() == 0) {
        mensaje(Msg_Nada_Que_Modificar);
        return;
    }
    Volver_a_Ficha_Modificada = 1;
    Sesion_->Modo_Alta = 0;
    Alta_Fichas_->Modificar_Fichas(0);
}

void TFILTRO_ENV::DBGrid1DblClick()
{
    Button7Click();
}

template <class Borrado> void TFILTRO_ENV::borraTodoONada(Borrado borrado)
{
    engine::Table &t = tabla();
    engine::BulkWork bloque(t);
    try {
        engine::Transaction tx(t);
        borrado(t);
        tx.commit();
    } catch (const engine::EngineError &e) {
        bloque.end();
        if (!D_Module_->Avisa_Si_Tabla_Danada(e))
            mensaje(Msg_Borrado_Fallido.arg(QString::fromStdString(e.what())));
        throw;
    }
    bloque.end();
}

void TFILTRO_ENV::Button6Click()
{
    if (Sesion_->Modificable == 0) {
        D_Module_->FE_No_Modificable();
        return;
    }
    if (platform::warningNoOk(Pregunta_Marcadas) != platform::DialogAnswer::Ok) {
        mensaje(Msg_Marcadas_No);
        return;
    }
    const std::vector<std::int64_t> marcadas = DBGrid1->selectedBookmarks();
    try {
        borraTodoONada([this](engine::Table &) { DBGrid1->deleteSelectedRows(); });
    } catch (const engine::EngineError &) {
        for (std::int64_t b : marcadas) // nothing was deleted: the flags stay
            DBGrid1->selectRow(b, true);
    }
    ponFichasEnUso();
}

void TFILTRO_ENV::Button5Click()
{
    if (Sesion_->Modificable == 0) {
        D_Module_->FE_No_Modificable();
        return;
    }
    if (platform::warningNoOk(Pregunta_Todas) != platform::DialogAnswer::Ok) {
        mensaje(Msg_Todas_No);
        return;
    }
    try {
        borraTodoONada([](engine::Table &t) {
            t.first();
            while (!t.eof())
                t.deleteRecord();
        });
    } catch (const engine::EngineError &) {
        // Reported; the view is as it was.
    }
    ponFichasEnUso();
}
