#include "store/Imag_Zoom.h"

#include "store/Sesion.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Screen.h"

#include <QGuiApplication>
#include <QHash>

#include <cmath>
#include <QPointer>
#include <QScreen>

#include <array>

TImag_Zoom_ *Imag_Zoom_ = nullptr;

namespace {
struct Box {
    int left, top, maxW, maxH;
};

// Slots 1 to 10; slot 11 takes the zoom window's own geometry.
constexpr std::array<Box, 11> Boxes{{
    {0, 0, 0, 0},
    {352, 15, 608, 437},
    {352, 15, 608, 437},
    {352, 15, 608, 437},
    {8, 101, 981, 333},
    {498, 99, 489, 333},
    {2, 99, 972, 333},
    {4, 20, 509, 185},
    {4, 20, 439, 243},
    {4, 22, 445, 243},
    {6, 22, 397, 245},
}};

std::array<QPointer<platform::ImageControl>, 12> &slotTable()
{
    static std::array<QPointer<platform::ImageControl>, 12> s;
    return s;
}

QHash<QString, QPointer<platform::ImageControl>> &sources()
{
    static QHash<QString, QPointer<platform::ImageControl>> s;
    return s;
}

// value x r with the fraction dropped, r := num / den computed in floating point first (as the
// fitting is defined: 1052 x (608 / 1052) gives 607).
int scaled(qint64 value, qint64 num, qint64 den)
{
    if (den == 0)
        return 0;
    const double r = double(num) / double(den);
    return int(std::trunc(double(value) * r));
}
} // namespace

TImag_Zoom_::TImag_Zoom_(QWidget *parent) : platform::Form(parent)
{
    Imag_Zoom_ = this;
    setObjectName(QStringLiteral("Imag_Zoom_"));
    // Coming back from the break window leaves the picture where the user put it.
    setActivateOnModalReturn(false);
    setWindowTitle(QStringLiteral("Zoom de imagen"));
    setColor(platform::tcolor(platform::colors::Teal));
    resize(640, 480);

    Image1 = new platform::ImageControl(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->Tag = 10;
    Image1->setCenter(true);
    Image1->setGeometry(8, 8, 105, 105);

    Label1 = new platform::Label(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setBold(true);
    Label1->setFont(f);
    Label1->setFontColor(platform::tcolor(platform::colors::White));
    Label1->setCaption(QStringLiteral("'Clic' con el ratón o pulsar 'Esc' para cerrar esta ventana)"));

    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(0, 0, 1, 9);
    Button1->setFlat(true);
    Button1->setFocusPolicy(Qt::NoFocus);
    platform::Form::setCancelButton(Button1);

    platform::on(this, &platform::Form::activated, this, &TImag_Zoom_::FormActivate);
    platform::on(this, &platform::Form::clicked, this, &TImag_Zoom_::Image1Click);
    platform::on(Label1, &platform::Label::clicked, this, &TImag_Zoom_::Image1Click);
    platform::on(Image1, &platform::ImageControl::clicked, this, &TImag_Zoom_::Image1Click);
    platform::on(Button1, &QPushButton::clicked, this, &TImag_Zoom_::Image1Click);

    registerSlot(11, Image1);
}

TImag_Zoom_::~TImag_Zoom_()
{
    if (Imag_Zoom_ == this)
        Imag_Zoom_ = nullptr;
}

void TImag_Zoom_::resizeEvent(QResizeEvent *event)
{
    Label1->move(8, height() - Label1->height() - 6);
    platform::Form::resizeEvent(event);
}

void TImag_Zoom_::AdaptaImagen(int MaxW, int MaxH, int Left, int Top, const platform::ImageControl *Source,
                               platform::ImageControl *Target)
{
    if (!Target)
        return;
    Target->setStretch(true);
    qint64 W = Source ? Source->picture().width() : 0;
    qint64 H = Source ? Source->picture().height() : 0;
    if (W > MaxW || H > MaxH) {
        if (W > MaxW) {
            // r = MaxW / W, applied to both sides
            const qint64 w0 = W;
            W = scaled(W, MaxW, w0);
            Target->setWidth(int(W));
            H = scaled(H, MaxW, w0);
            Target->setHeight(int(H));
        }
        if (H > MaxH) {
            const qint64 h0 = H;
            H = scaled(H, MaxH, h0);
            Target->setHeight(int(H));
            W = scaled(W, MaxH, h0);
            Target->setWidth(int(W));
        }
    } else {
        Target->setHeight(int(H));
        Target->setWidth(int(W));
    }
    Target->setLeft(Left + (MaxW - Target->width()) / 2);
    Target->setTop(Top + (MaxH - Target->height()) / 2);
}

void TImag_Zoom_::Prepara_Imagen(int Slot)
{
    if (Sesion_ && Sesion_->Saltar_Activacion == 1) {
        Sesion_->Saltar_Activacion = 0;
        return;
    }
    if (Slot < 1 || Slot > 11)
        return;
    platform::ImageControl *target = slotTable()[Slot];
    if (!target)
        return;
    const platform::ImageControl *source = target;
    if (Slot == 2 || Slot == 3)
        source = slotTable()[1];
    if (Slot == 11) {
        if (!Imag_Zoom_)
            return;
        AdaptaImagen(Imag_Zoom_->width(), Imag_Zoom_->height(), Imag_Zoom_->x(), Imag_Zoom_->y(), source, target);
        return;
    }
    const Box &b = Boxes[std::size_t(Slot)];
    AdaptaImagen(b.maxW, b.maxH, b.left, b.top, source, target);
}

void TImag_Zoom_::FormActivate()
{
    if (Sesion_ && Sesion_->Saltar_Activacion == 1) {
        Sesion_->Saltar_Activacion = 0;
        return;
    }
    setWindowState(Qt::WindowMaximized);
    QRect screen(0, 0, 1024, 768);
    if (QScreen *s = QGuiApplication::primaryScreen())
        screen = s->geometry();
    resize(screen.width() - 18, screen.height() - 54);
    Image1->setHeight(height() - 54);
    Image1->setWidth(width() - 18);

    if (Sesion_) {
        if (platform::ImageControl *source = zoomSource(Sesion_->Origen_Zoom))
            Image1->setPicture(source->picture(), platform::PictureKind::Bitmap);
    }
    Prepara_Imagen(11);
    if (Image1->top() < 1)
        Image1->setTop(2);
    platform::centre(*this);
    update();
}

void TImag_Zoom_::Image1Click()
{
    close();
}

void TImag_Zoom_::registerSlot(int slot, platform::ImageControl *control)
{
    if (slot >= 1 && slot <= 11)
        slotTable()[std::size_t(slot)] = control;
}

platform::ImageControl *TImag_Zoom_::slotControl(int slot)
{
    if (slot < 1 || slot > 11)
        return nullptr;
    return slotTable()[std::size_t(slot)];
}

void TImag_Zoom_::registerZoomSource(const QString &origin, platform::ImageControl *control)
{
    sources().insert(origin, control);
}

platform::ImageControl *TImag_Zoom_::zoomSource(const QString &origin)
{
    return sources().value(origin);
}
