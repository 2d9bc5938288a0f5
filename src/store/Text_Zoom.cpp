#include "store/Text_Zoom.h"

#include "store/Sesion.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"

#include <QKeyEvent>

TText_Zoom_ *Text_Zoom_ = nullptr;
int Zoom_Editable = 0;
int Zoom_Guardado = 0;

namespace {
constexpr int Margen = 8;
constexpr int AltoBoton = 31;
} // namespace

TText_Zoom_::TText_Zoom_(QWidget *parent) : platform::Form(parent)
{
    Text_Zoom_ = this;
    setObjectName(QStringLiteral("Text_Zoom_"));
    setWindowTitle(QStringLiteral(" Zoom de texto"));
    setCentred(true);
    setHelpContext(61);
    setColor(platform::tcolor(platform::colors::Silver));

    RichEdit1 = new platform::RichEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setLineWrapMode(QTextEdit::WidgetWidth);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(16);
    f.setBold(true);
    RichEdit1->setFont(f);
    RichEdit1->document()->setDefaultFont(f);
    RichEdit1->installEventFilter(this);

    auto boton = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->resize(120, AltoBoton);
        return b;
    };
    Button2 = boton("Button2", QStringLiteral("Guarda y A&caba"));
    Button1 = boton("Button1", QStringLiteral(" &Salir"));
    BitBtn4 = boton("BitBtn4", QStringLiteral("&Ayuda"));
    platform::Form::setCancelButton(Button1);

    platform::on(this, &platform::Form::activated, this, &TText_Zoom_::FormActivate);
    platform::on(Button2, &QPushButton::clicked, this, &TText_Zoom_::Button2Click);
    platform::on(Button1, &QPushButton::clicked, this, &TText_Zoom_::Button1Click);
    platform::on(BitBtn4, &QPushButton::clicked, this, &TText_Zoom_::BitBtn4Click);
    // However the window closes, only "Guarda y A&caba" leaves the result at 1.
    platform::on(this, &platform::Form::closed, this, [this] {
        Zoom_Guardado = m_guardar ? 1 : 0;
        m_guardar = false;
    });

    resize(760, 540);
}

TText_Zoom_::~TText_Zoom_()
{
    if (Text_Zoom_ == this)
        Text_Zoom_ = nullptr;
}

void TText_Zoom_::resizeEvent(QResizeEvent *event)
{
    const int fila = height() - Margen - AltoBoton;
    RichEdit1->setGeometry(Margen, Margen, width() - 2 * Margen, fila - 2 * Margen);
    Button2->move(Margen, fila);
    Button1->move(width() - Margen - Button1->width(), fila);
    BitBtn4->move(Button1->x() - Margen - BitBtn4->width(), fila);
    platform::Form::resizeEvent(event);
}

bool TText_Zoom_::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == RichEdit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            platform::guarded([this] { RichEdit1KeyDown(27); });
            return true;
        }
    }
    return platform::Form::eventFilter(watched, event);
}

void TText_Zoom_::FormActivate()
{
    if (Sesion_ && Sesion_->Saltar_Activacion == 1) {
        Sesion_->Saltar_Activacion = 0;
        return;
    }
    const bool editable = Zoom_Editable != 0;
    RichEdit1->setReadOnly(!editable || RichEdit1->isCut());
    // Read-only text can still be scrolled, selected and copied.
    RichEdit1->setTextInteractionFlags(editable ? Qt::TextEditorInteraction
                                                : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Button2->setVisible(editable);
}

void TText_Zoom_::Button2Click()
{
    Zoom_Guardado = 1;
    m_guardar = true;
    close();
}

void TText_Zoom_::Button1Click()
{
    Cierra_Sin_Guardar();
}

void TText_Zoom_::RichEdit1KeyDown(int Key)
{
    if (Key == 27)
        Cierra_Sin_Guardar();
}

void TText_Zoom_::BitBtn4Click()
{
    platform::helpContext(61);
}

void TText_Zoom_::Cierra_Sin_Guardar()
{
    Zoom_Guardado = 0;
    m_guardar = false;
    close();
}

int Zoom_Texto(platform::RichEdit *Texto, int Editable)
{
    Zoom_Guardado = 0;
    if (!Text_Zoom_ || !Texto)
        return Zoom_Guardado;
    Text_Zoom_->RichEdit1->loadForDisplay(Texto->saveToBytes());
    Zoom_Editable = Editable;
    platform::showModal(Text_Zoom_);
    if (Editable != 0 && Zoom_Guardado == 1)
        Texto->loadForDisplay(Text_Zoom_->RichEdit1->saveToBytes());
    return Zoom_Guardado;
}
