#include "options/Descanso.h"

#include "options/Ver_Pag_Web.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Colors.h"
#include "platform/ModalShow.h"
#include "platform/Timer.h"
#include "store/Sesion.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

TDescanso_ *Descanso_ = nullptr;

namespace {
constexpr unsigned Fucsia = 0xFF00FF;

// The window's small picture: a cup of tea.
QImage taza()
{
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(platform::tcolor(platform::colors::Silver));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 50, 20), 3));
    p.setBrush(QColor(240, 240, 250));
    p.drawRoundedRect(12, 24, 32, 28, 6, 6);
    p.setBrush(Qt::NoBrush);
    p.drawArc(38, 30, 16, 14, -90 * 16, 180 * 16);
    p.drawLine(8, 56, 50, 56);
    p.setPen(QPen(QColor(150, 150, 150), 2));
    for (int x : {20, 28, 36})
        p.drawArc(x - 3, 6, 6, 14, 90 * 16, 180 * 16);
    return img;
}
} // namespace

TDescanso_::TDescanso_(QWidget *parent) : platform::Form(parent)
{
    Descanso_ = this;
    setObjectName(QStringLiteral("Descanso_"));
    setWindowTitle(QStringLiteral(" Descanso"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setColor(platform::tcolor(platform::colors::Silver));
    resize(460, 220);

    using platform::named;
    Panel1 = named(new platform::Panel(this), "Panel1");
    Panel1->setColor(platform::tcolor(platform::colors::Silver));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(8, 8, 444, 150);
    Image1 = named(new platform::ImageControl(Panel1), "Image1");
    Image1->setGeometry(16, 40, 64, 64);
    Image1->setPicture(taza());
    Label1 = named(new platform::Label(QStringLiteral(" AVISO DE DESCANSO "), Panel1), "Label1");
    {
        QFont f = Label1->font();
        f.setPixelSize(24);
        f.setBold(true);
        Label1->setFont(f);
        Label1->setFontColor(platform::tcolor(Fucsia));
        Label1->setAutoFillBackground(true);
        QPalette pal = Label1->palette();
        pal.setColor(QPalette::Window, platform::tcolor(platform::colors::Yellow));
        Label1->setPalette(pal);
        Label1->move(100, 56);
    }
    auto exercise = [&](const char *name, const QString &caption, int tag, int y) {
        auto *b = named(new QPushButton(caption, Panel1), name);
        b->setProperty("Tag", tag);
        b->setGeometry(100, y, 200, 26);
        b->hide();
        platform::on(b, &QPushButton::clicked, this, [this, b] { Button1Click(b); });
        return b;
    };
    Button1 = exercise("Button1", QStringLiteral("Ejercicios de Hombros"), 1, 96);
    Button4 = exercise("Button4", QStringLiteral("Ejercicios de Cuello"), 2, 120);
    Button2 = exercise("Button2", QStringLiteral("Ejercicios de Ojos"), 3, 144);
    Button5 = named(new QPushButton(QStringLiteral("&Salir"), this), "Button5");
    Button5->setGeometry(180, 172, 100, 34);
    platform::Form::setCancelButton(Button5);

    using F = TDescanso_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);

    FormCreate();
}

TDescanso_::~TDescanso_()
{
    if (Descanso_ == this)
        Descanso_ = nullptr;
}

void TDescanso_::FormCreate()
{
    setCentred(true);
}

void TDescanso_::FormActivate()
{
    if (platform::Timer *reloj = Sesion_->Timer_n_Repaso)
        reloj->setEnabled(false);
}

void TDescanso_::FormClose()
{
    TSesion_ *s = Sesion_;
    s->Tiempo_Pausas += platform::clock::toDays(platform::clock::now()) - s->Inicio_Descanso;
    if (platform::Timer *reloj = Sesion_->Timer_n_Repaso)
        reloj->setEnabled(true);
    // Closed by its title bar: the break ends as with "&Salir".
    if (!m_terminado)
        rearma();
    m_terminado = false;
}

void TDescanso_::rearma()
{
    Sesion_->Timer_Descanso->setEnabled(false);
    Sesion_->Timer_Descanso->setEnabled(true);
    Sesion_->Descanso_Armado = 1;
}

void TDescanso_::Button5Click()
{
    rearma();
    m_terminado = true;
    close();
}

void TDescanso_::Button1Click(QPushButton *Sender)
{
    Sesion_->Pagina_Ejercicio = Sender->property("Tag").toInt();
    platform::showNonModal(Ver_Pag_Web_);
    m_terminado = true;
    close();
}
