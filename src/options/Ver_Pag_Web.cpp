#include "options/Ver_Pag_Web.h"

#include "platform/Application.h"
#include "platform/Colors.h"
#include "store/Sesion.h"


TVer_Pag_Web_ *Ver_Pag_Web_ = nullptr;

TVer_Pag_Web_::TVer_Pag_Web_(QWidget *parent) : platform::Form(parent)
{
    Ver_Pag_Web_ = this;
    setObjectName(QStringLiteral("Ver_Pag_Web_"));
    setWindowTitle(QStringLiteral(" Ejercicios de Recuperación"));
    setColor(platform::tcolor(platform::colors::Teal));
    resize(660, 480);

    using platform::named;
    Panel1 = named(new platform::Panel(this), "Panel1");
    Panel1->setColor(platform::tcolor(platform::colors::Silver));
    Panel1->setGeometry(10, 10, 640, 460);
    WebBrowser1 = named(new platform::WebBrowser(Panel1), "WebBrowser1");
    WebBrowser1->setGeometry(13, 12, 614, 383);
    auto button = [&](const char *name, const QString &caption, int tag, int x) {
        auto *b = named(new QPushButton(caption, Panel1), name);
        b->setProperty("Tag", tag);
        b->setGeometry(x, 410, 110, 34);
        if (tag > 0)
            platform::on(b, &QPushButton::clicked, this, [this, b] { Button2Click(b); });
        return b;
    };
    Button4 = button("Button4", QStringLiteral("&Hombros"), 1, 13);
    Button3 = button("Button3", QStringLiteral("&Cuello"), 2, 133);
    Button2 = button("Button2", QStringLiteral("&Ojos"), 3, 253);
    Button1 = button("Button1", QStringLiteral("&Salir"), 0, 517);
    platform::Form::setCancelButton(Button1);

    platform::on(this, &platform::Form::activated, this, &TVer_Pag_Web_::FormActivate);
    platform::on(Button1, &QPushButton::clicked, this, &TVer_Pag_Web_::Button1Click);

    FormCreate();
}

TVer_Pag_Web_::~TVer_Pag_Web_()
{
    if (Ver_Pag_Web_ == this)
        Ver_Pag_Web_ = nullptr;
}

void TVer_Pag_Web_::FormCreate()
{
    setCentred(true);
    setFollowsMainWindowState(true);
}

QString TVer_Pag_Web_::Pagina(int Numero)
{
    if (Numero < 1 || Numero > 3)
        return {};
    return Sesion_->Carpeta_Programa + QStringLiteral("/%1.htm").arg(Numero);
}

void TVer_Pag_Web_::muestra(int Numero)
{
    WebBrowser1->resize(614, 383);
    const QString pagina = Pagina(Numero);
    if (!pagina.isEmpty())
        WebBrowser1->navigate(pagina);
}

void TVer_Pag_Web_::FormActivate()
{
    followWindowState(Sesion_->Ventana_Principal());
    muestra(Sesion_->Pagina_Ejercicio);
}

void TVer_Pag_Web_::Button2Click(QPushButton *Sender)
{
    muestra(Sender->property("Tag").toInt());
}

void TVer_Pag_Web_::Button1Click()
{
    Sesion_->Descanso_Armado = 1;
    close();
}
