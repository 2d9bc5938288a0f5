#include "printing/Imprimir.h"

#include "editing/FILTRO_ENV_.h"
#include "engine/Table.h"
#include "packing/Streams.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

TImprimir_ *Imprimir_ = nullptr;

const QString Aviso_No_Disponible_en_Diseno =
    QStringLiteral("     Ha elegido imprimir un Texto, Imagen o Texto Largo\r\rque no está disponible en el diseño de "
                   "este Fichero de Estudio.");
const QString Aviso_Impresion_Desconectada =
    QStringLiteral("No podrá imprimr, ni hacer visualización previa, pues esta\r\ropción está desconectada en este "
                   "Fichero de Estudio.");
const QString Msg_Error_Visualizacion = QStringLiteral(" Ha habido un error en la visualización.");
const QString Msg_Error_Impresion = QStringLiteral(" Ha habido un error en la impresión.");
const QString Msg_Ficha_Danada_Impresa = QStringLiteral(
    "Los datos de esta ficha están dañados; se ha impreso sin lo que no se pudo leer:\r\r%1");
const QString Msg_Fichas_Danadas_Impresas = QStringLiteral(
    "Los datos de estas fichas están dañados; se han impreso sin lo que no se pudo leer:\r\r%1");

namespace {
void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TImprimir_::TImprimir_(QWidget *parent) : platform::Form(parent), Banda1(Hoja1.band)
{
    Imprimir_ = this;
    setObjectName(QStringLiteral("Imprimir_"));
    setWindowTitle(QStringLiteral("   Imprimir  Fichas"));
    setCentred(true);
    setFollowsMainWindowState(true);
    setHelpContext(21);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Teal));

    using platform::named;
    auto white = [](QWidget *w) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        w->setPalette(p);
    };

    Grupo_Preg = named(new platform::RadioGroup(QStringLiteral(" Imprimir en PREGUNTA: "), this), "Grupo_Preg");
    Grupo_Preg->setItems({QStringLiteral("Solo Texto"), QStringLiteral("Texto e Imagen"), QStringLiteral("Solo Imagen")});
    Grupo_Resp = named(new platform::RadioGroup(QStringLiteral(" Imprimir en Respuesta: "), this), "Grupo_Resp");
    Grupo_Resp->setItems({QStringLiteral("Solo Texto"), QStringLiteral("Solo Imagen"), QStringLiteral("Solo Texto Largo"),
                          QStringLiteral("Texto e Imagen"), QStringLiteral("Imagen y Texto Largo")});
    Grupo_Resp->setColumns(2);
    white(Grupo_Preg);
    white(Grupo_Resp);
    Grupo_Preg->setItemIndex(0);
    Grupo_Resp->setItemIndex(0);

    Grupo_FichxPag = named(new QGroupBox(QStringLiteral(" Nº Fichas por Página: "), this), "Grupo_FichxPag");
    white(Grupo_FichxPag);
    FichxPag_6 = named(new QRadioButton(QStringLiteral("6"), Grupo_FichxPag), "FichxPag_6");
    FichxPag_8 = named(new QRadioButton(QStringLiteral("8"), Grupo_FichxPag), "FichxPag_8");
    FichxPag_10 = named(new QRadioButton(QStringLiteral("10"), Grupo_FichxPag), "FichxPag_10");
    FichxPag_3 = named(new QRadioButton(QStringLiteral("3"), Grupo_FichxPag), "FichxPag_3");
    FichxPag_4 = named(new QRadioButton(QStringLiteral("4"), Grupo_FichxPag), "FichxPag_4");
    FichxPag_5 = named(new QRadioButton(QStringLiteral("5"), Grupo_FichxPag), "FichxPag_5");
    FichxPag_6->setChecked(true);
    Label1 = named(new platform::Label(QStringLiteral("( Ancho Normal )"), Grupo_FichxPag), "Label1");
    Label2 = named(new platform::Label(QStringLiteral("( Doble Ancho )"), Grupo_FichxPag), "Label2");
    Label1->setFontColor(Qt::white);
    Label2->setFontColor(Qt::white);

    Label5 = named(new platform::Label(QStringLiteral(" Nº de Fichas a Imprimir: "), this), "Label5");
    Label5->setFontColor(Qt::white);
    Button5 = named(new QPushButton(QStringLiteral("  Selecci&onar Fichas"), this), "Button5");
    Button3 = named(new QPushButton(QStringLiteral("Ver  &Preguntas"), this), "Button3");
    Button6 = named(new QPushButton(QStringLiteral("Ver  &Respuestas"), this), "Button6");
    Button2 = named(new QPushButton(QStringLiteral("I&mprimir Preguntas"), this), "Button2");
    Button7 = named(new QPushButton(QStringLiteral("Imprimir Respu&estas"), this), "Button7");
    Button1 = named(new QPushButton(QStringLiteral("&Salir"), this), "Button1");
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), this), "BitBtn1");
    Button4 = named(new QPushButton(QStringLiteral("&Fuente de Texto y Solo Texto"), this), "Button4");

    GroupBox1 = named(new QGroupBox(QStringLiteral(" Tamaño  de  la  Página: "), this), "GroupBox1");
    white(GroupBox1);
    ComboBox1 = named(new QComboBox(GroupBox1), "ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->addItems({QStringLiteral("Din A4"), QStringLiteral("Executive"), QStringLiteral("Letter"),
                         QStringLiteral("Note")});
    ComboBox1->setCurrentIndex(0);
    Label4 = named(new platform::Label(GroupBox1), "Label4");
    Label6 = named(new platform::Label(GroupBox1), "Label6");
    Label4->setFontColor(Qt::white);
    Label6->setFontColor(Qt::white);

    GroupBox2 = named(new QGroupBox(this), "GroupBox2");
    CheckBox1 = named(new QCheckBox(QStringLiteral(" -  Dibujar un marco a las Fichas."), GroupBox2), "CheckBox1");
    CheckBox2 = named(new QCheckBox(QStringLiteral(" -  Ajustar tamaño de Imagen."), GroupBox2), "CheckBox2");
    CheckBox3 = named(new QCheckBox(QStringLiteral(" -  Centrar Texto (Texto Corto)."), GroupBox2), "CheckBox3");
    CheckBox4 = named(new QCheckBox(QStringLiteral(" - Ajustar Imagen al tamaño impresión."), GroupBox2), "CheckBox4");
    for (QCheckBox *c : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        white(c);
    CheckBox1->setChecked(true);
    CheckBox3->setChecked(true);
    CheckBox4->setChecked(true);
    FontDialog1 = nullptr; // made when first used: building it reads the system's fonts

    // The report as designed: A4 portrait, 10 mm margins, a 4 mm gap, two columns, a framed
    // white band with its three controls, all disabled until a layout enables them.
    Hoja1.dataSet = D_Module_ ? D_Module_->Imprime : nullptr;
    Hoja1.setPaperSize(9);
    Hoja1.columns = 2;
    Hoja1.printIfEmpty = true;
    Hoja1.title = QStringLiteral("Fichas");
    const QFont arial(QStringLiteral("Arial"), 9);
    QRDBText1 = Banda1.add<platform::ReportText>("TEXT");
    QRDBText1->alignment = Qt::AlignHCenter;
    QRDBText1->wordWrap = true;
    QRDBText1->font = arial;
    QRDBRichText1 = Banda1.add<platform::ReportRichText>("Memo");
    QRDBRichText1->font = QFont(QStringLiteral("Arial"));
    QRDBImage1 = Banda1.add<platform::ReportImage>("Imag");
    QRDBImage1->stretch = false;
    Banda1.beforePrint = [this] { Banda1BeforePrint(); };
    Banda1.afterPrint = [this] { Banda1AfterPrint(); };

    layOut();

    using F = TImprimir_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(Grupo_Preg, &platform::RadioGroup::changed, this, &F::Grupo_PregClick);
    platform::on(Grupo_Resp, &platform::RadioGroup::changed, this, &F::Grupo_PregClick);
    for (QPushButton *b : {Button3, Button6, Button2, Button7})
        platform::on(b, &QPushButton::clicked, this, [this, b] { Button3Click(b); });
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1_Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
    platform::on(Button4, &QPushButton::clicked, this, &F::Button4Click);
    platform::on(ComboBox1, &QComboBox::currentTextChanged, this, &F::ComboBox1Change);
    platform::on(CheckBox1, &QCheckBox::toggled, this, &F::CheckBox1Click);
    platform::on(CheckBox2, &QCheckBox::toggled, this, &F::CheckBox2Click);
    platform::on(CheckBox3, &QCheckBox::toggled, this, &F::CheckBox3Click);
    platform::on(CheckBox4, &QCheckBox::toggled, this, &F::CheckBox3Click);

    FormCreate();
}

TImprimir_::~TImprimir_()
{
    if (Imprimir_ == this)
        Imprimir_ = nullptr;
}

void TImprimir_::layOut()
{
    resize(640, 470);
    Grupo_Preg->setGeometry(16, 12, 190, 110);
    Grupo_Resp->setGeometry(216, 12, 408, 110);
    Grupo_FichxPag->setGeometry(16, 130, 300, 110);
    FichxPag_6->setGeometry(14, 26, 50, 22);
    FichxPag_8->setGeometry(74, 26, 50, 22);
    FichxPag_10->setGeometry(134, 26, 50, 22);
    Label1->move(200, 29);
    FichxPag_3->setGeometry(14, 66, 50, 22);
    FichxPag_4->setGeometry(74, 66, 50, 22);
    FichxPag_5->setGeometry(134, 66, 50, 22);
    Label2->move(200, 69);
    GroupBox1->setGeometry(326, 130, 298, 110);
    ComboBox1->setGeometry(14, 28, 140, 26);
    Label4->move(170, 30);
    Label6->move(170, 62);
    GroupBox2->setGeometry(16, 248, 370, 130);
    CheckBox1->setGeometry(10, 10, 350, 24);
    CheckBox2->setGeometry(10, 38, 350, 24);
    CheckBox3->setGeometry(10, 66, 350, 24);
    CheckBox4->setGeometry(10, 94, 350, 24);
    Button4->setGeometry(396, 252, 228, 30);
    Label5->move(400, 300);
    Button5->setGeometry(396, 330, 228, 30);
    Button3->setGeometry(16, 390, 144, 30);
    Button6->setGeometry(16, 428, 144, 30);
    Button2->setGeometry(170, 390, 150, 30);
    Button7->setGeometry(170, 428, 150, 30);
    BitBtn1->setGeometry(396, 410, 110, 34);
    Button1->setGeometry(514, 410, 110, 34);
}

// ---------------------------------------------------------------------------------------------
// Creation, activation, leaving, help

void TImprimir_::FormCreate()
{
    Pon_Etiquetas_Pagina();
}

void TImprimir_::FormActivate()
{
    TSesion_ *s = Sesion_;
    if (s->Saltar_Activacion == 1) {
        s->Saltar_Activacion = 0;
        return;
    }
    followWindowState(s->Ventana_Principal());
    const engine::Table &T = *D_Module_->Tabla_Activa;
    Label5->setCaption(QStringLiteral(" Nº de Fichas a Imprimir: ") + QString::number(T.active() ? T.recordCount() : 0)
                       + QStringLiteral(" "));
    if (Grupo_Resp->itemIndex() == 0 && s->Tam_Respuesta == 0)
        Grupo_Resp->setItemIndex(s->Con_Texto_Largo ? 2 : 1);
    if (s->Imprimible == 0)
        mensaje(Aviso_Impresion_Desconectada);
}

void TImprimir_::Button5Click()
{
    // The selection window, as a pure selection dialog, leaves its selection as the card
    // table's filter.
    TFILTRO_ENV::Solo_Seleccion();
    Sesion_->Solo_Seleccionar = 0;
}

void TImprimir_::Button1_Click()
{
    Vacia_Tabla_Imprime();
    close();
}

void TImprimir_::BitBtn1Click()
{
    platform::helpContext(21);
}

// ---------------------------------------------------------------------------------------------
// Option checks

int TImprimir_::Fichas_por_Pagina() const
{
    const std::pair<QRadioButton *, int> choices[] = {{FichxPag_3, 3}, {FichxPag_4, 4}, {FichxPag_5, 5},
                                                       {FichxPag_6, 6}, {FichxPag_8, 8}, {FichxPag_10, 10}};
    for (const auto &[button, cards] : choices)
        if (button->isChecked())
            return cards;
    return 6;
}

void TImprimir_::Habilita_FichxPag()
{
    for (QRadioButton *b : {FichxPag_6, FichxPag_8, FichxPag_10, FichxPag_3, FichxPag_4, FichxPag_5})
        b->setEnabled(true);
}

bool TImprimir_::Cambia_por_Comprobacion(platform::RadioGroup *Grupo, int Valor)
{
    bool &hecho = Grupo == Grupo_Preg ? m_pregCambiado : m_respCambiado;
    if (hecho)
        return false; // its fallback is not printable either: the file can print none of them
    hecho = true;
    mensaje(Aviso_No_Disponible_en_Diseno);
    Grupo->setItemIndex(Valor);
    return true;
}

void TImprimir_::Comprueba_Grupo_Preg()
{
    const TSesion_ *s = Sesion_;
    const int p = Grupo_Preg->itemIndex();
    if ((p == 1 || p == 2) && s->Con_Imagen_Pregunta == 0)
        Cambia_por_Comprobacion(Grupo_Preg, 0);
    if (Grupo_Preg->itemIndex() == 1) {
        FichxPag_8->setEnabled(false);
        FichxPag_10->setEnabled(false);
    }
}

void TImprimir_::Comprueba_Grupo_Resp()
{
    const TSesion_ *s = Sesion_;
    const int r = Grupo_Resp->itemIndex();
    if ((r == 1 || r == 3 || r == 4) && s->Con_Imagen_Respuesta == 0) {
        Cambia_por_Comprobacion(Grupo_Resp, s->Tam_Respuesta > 0 ? 0 : 2);
    } else if ((r == 2 || r == 4) && s->Con_Texto_Largo == 0) {
        Cambia_por_Comprobacion(Grupo_Resp, s->Tam_Respuesta > 0 ? 0 : 1);
    } else if ((r == 0 || r == 3) && s->Tam_Respuesta == 0) {
        Cambia_por_Comprobacion(Grupo_Resp, s->Con_Texto_Largo ? 2 : 1);
    } else if (r == 3) {
        FichxPag_8->setEnabled(false);
        FichxPag_10->setEnabled(false);
    } else if (r == 4) {
        FichxPag_6->setEnabled(false);
        FichxPag_8->setEnabled(false);
        FichxPag_10->setEnabled(false);
    }
}

void TImprimir_::Pasa_Seleccion_si_Deshabilitado(QRadioButton *Primero, QRadioButton *Segundo)
{
    if (!Primero->isEnabled() && Primero->isChecked())
        Segundo->setChecked(true);
}

// A choice changed by a check counts as a new choice: the checks run again on it. In one
// round of checks each group falls back at most once. A fallback lands on a printable choice
// for every design that has some answer content; for a file with no short answer, no long
// answer and no answer picture nothing is printable, and the round stops after its one
// message instead of going from one fallback to the other for ever.
void TImprimir_::Grupo_PregClick()
{
    if (m_comprobando) {
        m_repetir = true; // a check changed a choice: the running round goes once more
        return;
    }
    m_comprobando = true;
    m_pregCambiado = m_respCambiado = false;
    try {
        do {
            m_repetir = false;
            Habilita_FichxPag();
            Comprueba_Grupo_Preg();
            Comprueba_Grupo_Resp();
        } while (m_repetir);
        Pasa_Seleccion_si_Deshabilitado(FichxPag_10, FichxPag_8);
        Pasa_Seleccion_si_Deshabilitado(FichxPag_8, FichxPag_6);
        Pasa_Seleccion_si_Deshabilitado(FichxPag_6, FichxPag_5);
        const int r = Grupo_Resp->itemIndex();
        Button4->setEnabled(!(Grupo_Preg->itemIndex() == 2 && (r == 1 || r == 2 || r == 4)));
    } catch (...) {
        m_comprobando = false;
        throw;
    }
    m_comprobando = false;
}

// ---------------------------------------------------------------------------------------------
// Preview and print

void TImprimir_::Button3Click(QPushButton *Sender)
{
    TSesion_ *s = Sesion_;
    if (s->Imprimible == 0) {
        mensaje(Aviso_Impresion_Desconectada);
        return;
    }
    Imprimiendo_Preguntas = (Sender == Button3 || Sender == Button2) ? 1 : 0;
    Columnas = (FichxPag_3->isChecked() || FichxPag_4->isChecked() || FichxPag_5->isChecked()) ? 1 : 2;
    const bool vista = Sender == Button3 || Sender == Button6;
    m_fichasDanadas.clear();
    // The cards found damaged are named once the run has ended, however it ended.
    struct Aviso {
        TImprimir_ *w;
        ~Aviso() { platform::guarded([this] { w->Avisa_Fichas_Danadas(); }); }
    } aviso{this};
    try {
        Llena_Tabla_Imprime();
        Prepara_Informe();
        try {
            if (vista)
                platform::previewReport(Hoja1, this);
            else
                platform::printReport(Hoja1, this);
        } catch (...) {
            Limpia_Tabla_Imprime();
            mensaje(vista ? Msg_Error_Visualizacion : Msg_Error_Impresion);
        }
    } catch (...) {
        Limpia_Tabla_Imprime();
        throw;
    }
    Limpia_Tabla_Imprime();
}

void TImprimir_::Avisa_Fichas_Danadas()
{
    if (m_fichasDanadas.empty())
        return;
    QStringList nombres;
    for (const Ficha_Impresa &f : std::exchange(m_fichasDanadas, {}))
        nombres << QStringLiteral("    «%1»").arg(f.second);
    mensaje((nombres.size() == 1 ? Msg_Ficha_Danada_Impresa : Msg_Fichas_Danadas_Impresas).arg(nombres.join(QLatin1Char('\r'))));
}

// After a preview or print: no band keeps a row open, and a packed study file's rows are
// cleared (the table overwrites what it clears), so that its file holds nothing of the cards.
void TImprimir_::Limpia_Tabla_Imprime()
{
    engine::Table &I = *D_Module_->Imprime;
    if (!Deja_Fila_Imprime() || Sesion_->Fichero_Empaquetado != 1)
        return;
    TD_Module_ &dm = *D_Module_;
    for (I.first(); !I.eof(); I.next()) {
        bool vacia = true;
        for (engine::Field *f : {&dm.ImprimeTEXT(), &dm.ImprimeTEXT2(), &dm.ImprimeImag(), &dm.ImprimeMemo(),
                                 &dm.ImprimeMemo2(), &dm.ImprimeComp_Encr()})
            vacia = vacia && f->isNull();
        if (vacia)
            continue;
        I.edit();
        for (engine::Field *f : {&dm.ImprimeTEXT(), &dm.ImprimeTEXT2(), &dm.ImprimeImag(), &dm.ImprimeMemo(),
                                 &dm.ImprimeMemo2(), &dm.ImprimeComp_Encr()})
            f->clear();
        I.post();
    }
}
