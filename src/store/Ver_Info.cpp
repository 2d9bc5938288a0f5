#include "store/Ver_Info.h"

#include "engine/Table.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Imag_Zoom.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"

#include <QFontMetrics>
#include <QHeaderView>

#include <algorithm>

#include <array>

TVer_Info_ *Ver_Info_ = nullptr;

namespace {

constexpr int Filas = 20;
constexpr int AnchoColumna = 252;

// What one walk over the card table finds.
struct Recuento {
    std::int64_t Total = 0;
    std::int64_t Comprimidas = 0;    // Ficha_Comp_Encr = 'S'
    std::int64_t Sin_Comprimir = 0;  // Ficha_Comp_Encr = 'N'
    std::array<std::int64_t, 7> Nivel{}; // levels 0 to 5, and 6 or more
    std::int64_t Repasos = 0;
};

QString numero(std::int64_t n)
{
    return QString::number(n);
}

QString siNo(int valor)
{
    return valor == 1 ? QStringLiteral(" SI") : QStringLiteral(" NO");
}

// The bar of a level: n places, each sixth one left empty.
QString barra(int n)
{
    QString b;
    for (int j = 1; j <= n; ++j)
        if (j % 6 != 0)
            b += QLatin1Char('l');
    return b;
}

// One walk over every card of the file, whatever the filter, showing the count on the
// progress label. A card counts where the filter texts "nive_fich = L", "nive_fich >= 6" and
// "Ficha_Comp_Encr = 'S'" / 'N' would take it: a blank level or flag matches none of them.
// A card table that is not open counts as an empty one.
Recuento Cuenta_Fichas(engine::Table &tabla, platform::Label *Progreso)
{
    Recuento r;
    if (!tabla.active())
        return r;
    const std::size_t campoNivel = std::size_t(tabla.fieldByName(ficha::Nive_Fich).index());
    const std::size_t campoComp = std::size_t(tabla.fieldByName(ficha::Ficha_Comp_Encr).index());
    const std::size_t campoRepasos = std::size_t(tabla.fieldByName(ficha::Total_Repa).index());
    tabla.forEachRecord([&](const engine::Row &ficha) {
        ++r.Total;
        const engine::Value &nivel = ficha[campoNivel];
        if (nivel.kind == engine::Value::Kind::Integer && nivel.integer >= 0)
            ++r.Nivel[std::size_t(nivel.integer < 6 ? nivel.integer : 6)];
        const engine::Value &comp = ficha[campoComp];
        if (comp.kind == engine::Value::Kind::Bytes) {
            if (comp.bytes == "S")
                ++r.Comprimidas;
            else if (comp.bytes == "N")
                ++r.Sin_Comprimir;
        }
        const engine::Value &repasos = ficha[campoRepasos];
        if (repasos.kind == engine::Value::Kind::Integer)
            r.Repasos += repasos.integer;
        // The counter is shown, and its text changed, every 20 cards.
        if (r.Total % 20 == 0) {
            Progreso->setCaption(QStringLiteral("Procesando:\r") + numero(r.Total));
            Progreso->repaint();
        }
    });
    return r;
}

// The level lines' letters: the design size, and the smallest they take so that a long bar
// leaves its count and percentage on the panel.
constexpr int LetraNiveles = 13;
constexpr int LetraNivelesMinima = 7;
constexpr int MargenNiveles = 8;

} // namespace

TVer_Info_::TVer_Info_(QWidget *parent) : platform::Form(parent)
{
    Ver_Info_ = this;
    setObjectName(QStringLiteral("Ver_Info_"));
    setWindowTitle(QStringLiteral("   Información del Fichero"));
    setHelpContext(14);
    setCentred(true);
    setFollowsMainWindowState(true);
    setColor(platform::tcolor(platform::colors::Teal));
    setAutoFillBackground(true);

    QFont sans(QStringLiteral("MS Sans Serif"));
    sans.setPixelSize(13);
    setFont(sans);
    QFont negrita = sans;
    negrita.setBold(true);
    QFont negritaNiveles = negrita;
    negritaNiveles.setPixelSize(LetraNiveles);

    auto label = [](const char *name, const QString &caption, QWidget *padre) {
        auto *l = new platform::Label(caption, padre);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto grupo = [this](const char *name, const QString &title) {
        auto *g = new QGroupBox(title, this);
        g->setObjectName(QString::fromLatin1(name));
        QPalette p = g->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        g->setPalette(p);
        return g;
    };
    auto boton = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->resize(110, 30);
        return b;
    };

    Label8 = label("Label8", QStringLiteral(" Nombre del Fichero:"), this);
    Label8->setAutoSize(false);
    Label8->setAutoFillBackground(true);
    platform::setBackgroundColor(*Label8, Qt::white);
    Label8->setGeometry(8, 8, 2 * AnchoColumna + 20, 22);

    SG = new QTableWidget(Filas, 2, this);
    SG->setObjectName(QStringLiteral("SG"));
    SG->horizontalHeader()->hide();
    SG->verticalHeader()->hide();
    SG->setColumnWidth(0, AnchoColumna);
    SG->setColumnWidth(1, AnchoColumna);
    SG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SG->setFocusPolicy(Qt::NoFocus);
    SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SG->setSelectionMode(QAbstractItemView::NoSelection);
    SG->setFont(negrita);
    {
        QPalette p = SG->palette();
        p.setColor(QPalette::Base, platform::tcolor(platform::colors::Silver));
        p.setColor(QPalette::Text, platform::tcolor(platform::colors::Navy));
        SG->setPalette(p);
    }
    for (int f = 0; f < Filas; ++f) {
        SG->setRowHeight(f, 20);
        for (int c = 0; c < 2; ++c)
            SG->setItem(f, c, new QTableWidgetItem());
    }
    SG->setGeometry(8, 38, 2 * AnchoColumna + 20, 300);

    Label7 = label("Label7", QString(), this);
    Label7->setAutoSize(false);
    Label7->setAutoFillBackground(true);
    platform::setBackgroundColor(*Label7, Qt::white);
    Label7->setFontColor(platform::tcolor(platform::colors::Navy));
    Label7->setGeometry(8, 346, 2 * AnchoColumna + 20, 22);

    GroupBox2 = grupo("GroupBox2", QStringLiteral(" Nº de Fichas en cada Nivel:  "));
    GroupBox2->setGeometry(540, 8, 453, 222);
    const std::array<unsigned, 7> colores{platform::colors::Blue,  platform::colors::Maroon, platform::colors::Olive,
                                          platform::colors::Olive, platform::colors::Green,  platform::colors::Green,
                                          platform::colors::Black};
    const std::array<const char *, 7> nombres{"Label6", "Label9", "Label10", "Label11", "Label12", "Label13", "Label14"};
    std::array<platform::Label **, 7> lineas{&Label6, &Label9, &Label10, &Label11, &Label12, &Label13, &Label14};
    // The level lines stand on a silver panel.
    auto *panel = new QWidget(GroupBox2);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAutoFillBackground(true);
    platform::setBackgroundColor(*panel, platform::tcolor(platform::colors::Silver));
    panel->setGeometry(4, 20, GroupBox2->width() - 8, GroupBox2->height() - 24);
    for (std::size_t L = 0; L < lineas.size(); ++L) {
        platform::Label *l = label(nombres[L], QString(), panel);
        l->setFont(negritaNiveles);
        l->setFontColor(platform::tcolor(colores[L]));
        l->move(8, 6 + int(L) * 26);
        *lineas[L] = l;
    }
    Label15 = label("Label15", QStringLiteral("(o mayor)"), panel);
    Label15->setFontColor(platform::tcolor(platform::colors::Black));
    Label15->move(8, 6 + 7 * 26 - 6);

    GroupBox3 = grupo("GroupBox3", QStringLiteral("Descripción del Fichero:  "));
    GroupBox3->setGeometry(8, 376, 2 * AnchoColumna + 20, 240);
    RichEdit1 = new platform::RichEdit(GroupBox3);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setGeometry(8, 22, GroupBox3->width() - 16, 172);
    Button4 = new QPushButton(QStringLiteral("&Zoom"), GroupBox3);
    Button4->setObjectName(QStringLiteral("Button4"));
    Button4->setGeometry(8, 200, 100, 30);

    GroupBox7 = grupo("GroupBox7", QStringLiteral(" Imagen: "));
    GroupBox7->setGeometry(540, 238, 453, 273);
    Image1 = new platform::ImageControl(GroupBox7);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setCenter(true);
    Image1->Tag = 4;
    Image1->setGeometry(4, 22, 445, 243);

    Button1 = boton("Button1", QStringLiteral("&Salir"));
    Button3 = boton("Button3", QStringLiteral("&Ayuda"));
    Button3->move(540, 560);
    Button1->move(883, 560);
    platform::Form::setCancelButton(Button1);

    Label16 = label("Label16", QStringLiteral("Procesando:"), this);
    Label16->setAutoSize(false);
    Label16->setAlignment(Qt::AlignCenter);
    Label16->setAutoFillBackground(true);
    platform::setBackgroundColor(*Label16, Qt::white);
    Label16->setFontColor(platform::tcolor(platform::colors::Navy));
    {
        QFont grande = sans;
        grande.setPixelSize(32);
        Label16->setFont(grande);
    }
    Label16->setGeometry(300, 220, 400, 110);
    Label16->hide();

    resize(1001, 626);

    platform::on(this, &platform::Form::activated, this, &TVer_Info_::FormActivate);
    platform::on(Button1, &QPushButton::clicked, this, &TVer_Info_::Button1Click);
    platform::on(Button3, &QPushButton::clicked, this, &TVer_Info_::Button3Click);
    platform::on(Button4, &QPushButton::clicked, this, &TVer_Info_::Button4Click);
    platform::on(Image1, &platform::ImageControl::clicked, this, &TVer_Info_::Image1Click);

    TImag_Zoom_::registerSlot(9, Image1);
    TImag_Zoom_::registerZoomSource(QStringLiteral("Ver_Info"), Image1);

    FormCreate();
}

TVer_Info_::~TVer_Info_()
{
    if (Ver_Info_ == this)
        Ver_Info_ = nullptr;
}

void TVer_Info_::FormCreate()
{
    m_tituloGroupBox2 = GroupBox2->title();
}

void TVer_Info_::celda(int fila, int columna, const QString &texto)
{
    SG->item(fila, columna)->setText(texto);
}

int TVer_Info_::Porcentaje(std::int64_t m, std::int64_t total)
{
    if (total <= 0)
        return 0;
    const std::int64_t cien = m * 100;
    std::int64_t q = cien / total;
    const std::int64_t resto2 = (cien % total) * 2;
    if (resto2 > total || (resto2 == total && q % 2 != 0))
        ++q;
    return static_cast<int>(q);
}

void TVer_Info_::Muestra_Informacion_Fichero()
{
    const TSesion_ *p = Sesion_;
    const QString filas[15][2] = {
        {QStringLiteral(" Tamaño de la Pregunta: "), QStringLiteral(" ") + QString::number(p->Tam_Pregunta)},
        {QStringLiteral(" Imagen en la Pregunta:"), siNo(p->Con_Imagen_Pregunta)},
        {QStringLiteral(" Tamaño de la Respuesta:"),
         p->Tam_Respuesta > 0 ? QStringLiteral(" ") + QString::number(p->Tam_Respuesta) : QStringLiteral(" NO")},
        {QStringLiteral(" Imagen en la Respuesta:"), siNo(p->Con_Imagen_Respuesta)},
        {QStringLiteral(" Texto Largo en Respuesta:"), siNo(p->Con_Texto_Largo)},
        {},
        {QStringLiteral(" Nivel de Importancia:"), siNo(p->Con_Importancia)},
        {QStringLiteral(" Clave para Seleccionar:"), siNo(p->Con_Clave)},
        {},
        {QStringLiteral(" Comprimido:"), siNo(p->Comprimido)},
        {QStringLiteral(" Con Contraseña:"), siNo(p->Encriptado)},
        {},
        {QStringLiteral(" Puede ser Exportado:"), siNo(p->Exportable)},
        {QStringLiteral(" Modificar o Borrar Fichas:"), siNo(p->Modificable)},
        {QStringLiteral(" Puede ser Imprimido:"), siNo(p->Imprimible)},
    };
    for (int f = 0; f < 15; ++f)
        for (int c = 0; c < 2; ++c)
            celda(f, c, filas[f][c]);
    celda(15, 0, QString());
    celda(15, 1, QString());

    Label8->setCaption(QStringLiteral(" Nombre del Fichero:    ") + p->Nombre_FE);
    RichEdit1->loadFromBytes(p->RichEdit1->saveToBytes());

    Label16->show();
    const Recuento r = Cuenta_Fichas(*D_Module_->Tabla_Activa, Label16);
    Label16->setCaption(QStringLiteral("Procesando:\r") + numero(r.Total));
    Label16->hide();

    celda(16, 0, QStringLiteral(" Nº total de Fichas:"));
    celda(16, 1, QStringLiteral(" ") + numero(r.Total));
    celda(17, 0, QStringLiteral(" Fichas en Nivel 0:"));
    celda(17, 1, QStringLiteral(" ") + numero(r.Nivel[0]));
    celda(18, 0, QStringLiteral(" Con Compresión/Contraseña:"));
    celda(19, 0, QStringLiteral(" Sin Comprimir ni Contraseña:"));
    if (p->Fichero_Empaquetado == 1) {
        celda(18, 1, QStringLiteral(" ") + numero(r.Comprimidas));
        celda(19, 1, QStringLiteral(" ") + numero(r.Sin_Comprimir));
    } else {
        celda(18, 1, QStringLiteral(" 0"));
        celda(19, 1, QStringLiteral(" ") + numero(r.Total));
    }

    Label7->setCaption(QStringLiteral(" Las fichas de este fichero se han repasado un total de %1 veces.  ").arg(r.Repasos));
    GroupBox2->setTitle(m_tituloGroupBox2 + QStringLiteral("  ( Total: %1 fichas ) ").arg(r.Total));

    const std::array<platform::Label *, 7> lineas{Label6, Label9, Label10, Label11, Label12, Label13, Label14};
    for (std::size_t L = 0; L < lineas.size(); ++L) {
        const std::int64_t m = r.Nivel[L];
        const int n = m == 0 ? 0 : Porcentaje(m, r.Total);
        const QString b = m == 0 ? QStringLiteral(" ") : barra(n);
        lineas[L]->setCaption(QStringLiteral("Nivel ") + QString::number(L) + QStringLiteral(": ") + b + QStringLiteral("   ")
                              + numero(m) + QStringLiteral("      (") + QString::number(n) + QStringLiteral(" %)"));
    }
    Ajusta_Lineas_Niveles();
}

// The level lines keep their design letters while every one fits on the panel; a long bar (a
// level with most of the cards) makes all of them smaller together, so that each count and
// percentage stays in sight.
void TVer_Info_::Ajusta_Lineas_Niveles()
{
    const std::array<platform::Label *, 7> lineas{Label6, Label9, Label10, Label11, Label12, Label13, Label14};
    const int ancho = Label6->parentWidget()->width() - Label6->x() - MargenNiveles;
    QFont letra = Label6->font();
    for (int tam = LetraNiveles; tam >= LetraNivelesMinima; --tam) {
        letra.setPixelSize(tam);
        const QFontMetrics medida(letra);
        const bool caben = std::all_of(lineas.begin(), lineas.end(), [&](const platform::Label *l) {
            return medida.horizontalAdvance(l->caption()) <= ancho;
        });
        if (caben)
            break;
    }
    for (platform::Label *l : lineas)
        l->setFont(letra);
}

void TVer_Info_::FormActivate()
{
    TSesion_ *p = Sesion_;
    if (p->Saltar_Activacion == 1) {
        p->Saltar_Activacion = 0;
        return;
    }
    followWindowState(p->Ventana_Principal());
    Muestra_Informacion_Fichero();
    Button1->setFocus();
}

void TVer_Info_::Button1Click()
{
    close();
}

void TVer_Info_::Button3Click()
{
    platform::helpContext(14);
}

void TVer_Info_::Button4Click()
{
    Zoom_Texto(RichEdit1, 0);
}

void TVer_Info_::Image1Click()
{
    if (Image1->picture().width() < 1 && Image1->picture().height() < 1)
        return;
    Sesion_->Origen_Zoom = QStringLiteral("Ver_Info");
    platform::showModal(Imag_Zoom_);
}
