#include "store/Mensaje_.h"

#include "store/Sesion.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Screen.h"
#include "platform/TextFile.h"


TMensaje *Mensaje = nullptr;

namespace {
QFont arial(int pixels)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}
} // namespace

TMensaje::TMensaje(QWidget *parent) : platform::Form(parent)
{
    Mensaje = this;
    setObjectName(QStringLiteral("Mensaje"));
    setReturnsAsMessage(true);
    // Coming back from the break window leaves the message where the user put it.
    setActivateOnModalReturn(false);
    setWindowTitle(QStringLiteral("    Información"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    Label1 = new platform::Label(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(arial(19));
    Label1->setFontColor(platform::tcolor(platform::colors::White));
    Label1->move(27, 16);

    Label2 = new platform::Label(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(arial(16));
    Label2->setFontColor(platform::tcolor(platform::colors::Yellow));
    Label2->setCaption(QStringLiteral("Pulsar tecla o Clic para Continuar"));

    platform::on(this, &platform::Form::activated, this, &TMensaje::FormActivate);
    platform::on(this, &platform::Form::keyPressed, this, &TMensaje::FormKeyPress);
    platform::on(this, &platform::Form::clicked, this, &TMensaje::FormClick);
    platform::on(Label1, &platform::Label::clicked, this, &TMensaje::FormClick);
    platform::on(Label2, &platform::Label::clicked, this, &TMensaje::FormClick);

    FormCreate();
}

TMensaje::~TMensaje()
{
    if (Mensaje == this)
        Mensaje = nullptr;
}

void TMensaje::FormCreate()
{
    setColor(platform::tcolor(0xDD00B1));
}

void TMensaje::FormActivate()
{
    const QRect desk = platform::desktopArea();
    // A text wider than the desktop is wrapped, so that the window stays on it. Control
    // characters (a NUL from a file, say) are shown as symbols, so that the text shows whole.
    const QString texto = platform::controlPictures(Sesion_ ? Sesion_->Texto_Mensaje : QString());
    Label1->setCaption(texto);
    const int anchoMaximo = desk.width() - 54 - 16;
    if (Label1->width() > anchoMaximo)
        Label1->setCaption(platform::wrapToWidth(texto, Label1->font(), anchoMaximo));
    Label1->move(27, 16);
    int w = Label1->width() + 54;
    if (Label2->width() + 45 > w)
        w = Label2->width() + 45;
    const int h = Label1->height() + 110;
    // w and h are the outer size: the client area is what the window's frame leaves of it
    // (nothing while the window is not on screen).
    const QSize frame = frameGeometry().size() - size();
    setFixedSize(w - frame.width(), h - frame.height());
    Label2->move(w - Label2->width() - 36, h - Label2->height() - 54);
    platform::centre(*this);
}

void TMensaje::FormKeyPress(QChar &Key)
{
    Q_UNUSED(Key);
    close();
}

void TMensaje::FormClick()
{
    close();
}
