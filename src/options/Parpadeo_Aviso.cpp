#include "options/Parpadeo_Aviso.h"

#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/ModalShow.h"
#include "platform/Timer.h"
#include "store/Sesion.h"

#include <QTimer>


TParpadeo_Aviso_ *Parpadeo_Aviso_ = nullptr;

TParpadeo_Aviso_::TParpadeo_Aviso_(QWidget *parent) : platform::Form(parent)
{
    Parpadeo_Aviso_ = this;
    setObjectName(QStringLiteral("Parpadeo_Aviso_"));
    // A caption bar without buttons.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setColor(platform::tcolor(platform::colors::Blue));
    resize(360, 90);

    Label1 = new platform::Label(QStringLiteral("TIEMPO  DE  PARPADEAR"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f = Label1->font();
    f.setPixelSize(24);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setFontColor(platform::tcolor(platform::colors::Yellow));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->move((width() - Label1->width()) / 2, (height() - Label1->height()) / 2);

    Timer1 = new platform::Timer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setEnabled(false);
    Timer1->setInterval(3000);

    platform::on(this, &platform::Form::activated, this, &TParpadeo_Aviso_::FormActivate);
    platform::on(Timer1, &platform::Timer::timeout, this, &TParpadeo_Aviso_::Timer1Timer);

    FormCreate();
}

TParpadeo_Aviso_::~TParpadeo_Aviso_()
{
    if (Parpadeo_Aviso_ == this)
        Parpadeo_Aviso_ = nullptr;
}

void TParpadeo_Aviso_::FormCreate()
{
    setCentred(true);
}

void TParpadeo_Aviso_::FormActivate()
{
    // The window system may still deliver the activation of a notice already closed.
    if (!platform::isShownNonModal(this))
        return;
    ++m_avisos;
    Timer1->setEnabled(true);
}

void TParpadeo_Aviso_::Timer1Timer()
{
    Timer1->setEnabled(false);
    close();
    // A skip flag that no activation has taken by then is this notice's, left over.
    const int aviso = m_avisos;
    QTimer::singleShot(Espera_Foco_Ms, this, [this, aviso] {
        if (aviso == m_avisos && Sesion_)
            Sesion_->Saltar_Activacion = 0;
    });
}
