#include "options/AcercaDe.h"

#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/WebBrowser.h"
#include "store/Sesion.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>

TAcercaDe_ *AcercaDe_ = nullptr;

const QString Direccion_Web = QStringLiteral("https://orvenda.example.org/");
const QString Texto_Creditos = QStringLiteral(
    "Créditos:\r"
    "Programa, textos, páginas de ejercicios y dibujos:\r"
    "  el equipo de Orvenda.\r"
    "Hecho con Qt, SQLite, libjpeg y zlib.");

namespace {
using platform::tcolor;
namespace colors = platform::colors;

// The program's icon: a pile of study cards with a tick.
QImage icono()
{
    QImage img(73, 73, QImage::Format_RGB32);
    img.fill(tcolor(colors::Silver));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(tcolor(colors::Navy), 2));
    p.setBrush(QColor(255, 250, 220));
    p.drawRoundedRect(18, 8, 46, 32, 4, 4);
    p.setBrush(QColor(255, 255, 240));
    p.drawRoundedRect(8, 22, 50, 36, 4, 4);
    p.setPen(QPen(QColor(30, 140, 60), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygon({QPoint(20, 40), QPoint(30, 50), QPoint(48, 28)}));
    return img;
}
} // namespace

TAcercaDe_::TAcercaDe_(QWidget *parent) : platform::Form(parent)
{
    AcercaDe_ = this;
    setObjectName(QStringLiteral("AcercaDe_"));
    setWindowTitle(QStringLiteral(" Acerca de..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setColor(tcolor(colors::Teal));
    resize(420, 330);

    using platform::named;
    auto bold = [](QWidget *w, int px) {
        QFont f = w->font();
        f.setPixelSize(px);
        f.setBold(true);
        w->setFont(f);
    };
    Panel1 = named(new platform::Panel(this), "Panel1");
    Panel1->setColor(tcolor(colors::Silver));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, 404, 270);

    ProgramIcon = named(new platform::ImageControl(Panel1), "ProgramIcon");
    ProgramIcon->setGeometry(12, 12, 73, 73);
    ProgramIcon->setStretch(true);
    ProgramIcon->setPicture(icono());

    ProductName = named(new platform::Label(Panel1), "ProductName");
    bold(ProductName, 20);
    ProductName->setFontColor(tcolor(colors::Yellow));
    ProductName->setAutoSize(false);
    ProductName->setAlignment(Qt::AlignCenter);
    ProductName->setGeometry(92, 16, 300, 28);

    Comments = named(new platform::Label(Panel1), "Comments");
    bold(Comments, 13);
    Comments->setFontColor(tcolor(colors::Purple));
    Comments->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Comments->setGeometry(92, 50, 300, 40);
    Comments->setWordWrap(true);

    Label1 = named(new platform::Label(Panel1), "Label1");
    {
        QFont f = Label1->font();
        f.setPixelSize(13);
        f.setBold(true);
        f.setUnderline(true);
        Label1->setFont(f);
    }
    Label1->setFontColor(tcolor(colors::Blue));
    Label1->move(92, 100);

    Label2 = named(new platform::Label(Panel1), "Label2");
    {
        QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        f.setPixelSize(12);
        f.setBold(true);
        Label2->setFont(f);
    }
    Label2->setFontColor(tcolor(colors::Navy));
    Label2->setGeometry(12, 130, 380, 120);
    Label2->setWordWrap(true);

    Button1 = named(new QPushButton(QStringLiteral("&Ok"), this), "Button1");
    Button1->setGeometry(160, 288, 100, 32);
    platform::Form::setCancelButton(Button1);

    using F = TAcercaDe_;
    platform::on(Label1, &platform::Label::clicked, this, &F::Label1Click);
    platform::on(Label1, &platform::Label::mouseMoved, this, &F::Label1MouseMove);
    platform::on(Panel1, &platform::Panel::mouseMoved, this, &F::Panel1MouseMove);
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);

    FormCreate();
}

TAcercaDe_::~TAcercaDe_()
{
    if (AcercaDe_ == this)
        AcercaDe_ = nullptr;
}

void TAcercaDe_::FormCreate()
{
    ProductName->setCaption(Titulo_Programa.trimmed());
    Comments->setCaption(QStringLiteral("Le ayuda al repasar en el estudio, aumentando el recuerdo."));
    Label1->setCaption(Direccion_Web);
    Label2->setCaption(Texto_Creditos);
    setCentred(true);
}

void TAcercaDe_::Label1Click()
{
    platform::openAddress(Direccion_Web);
    Label1->setFontColor(tcolor(colors::Blue));
}

void TAcercaDe_::Label1MouseMove()
{
    Label1->setFontColor(tcolor(colors::White));
    Label1->setCursor(Qt::PointingHandCursor);
}

void TAcercaDe_::Panel1MouseMove()
{
    Label1->setFontColor(tcolor(colors::Blue));
}

void TAcercaDe_::Button1Click()
{
    close();
}
