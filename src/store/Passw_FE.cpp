#include "store/Passw_FE.h"

#include "store/Sesion.h"
#include "platform/Application.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"

#include <QKeyEvent>

TPassw_FE_ *Passw_FE_ = nullptr;
int Contrasena_Aceptada = 0;

TPassw_FE_::TPassw_FE_(QWidget *parent) : platform::Form(parent)
{
    Passw_FE_ = this;
    Contrasena_Aceptada = 0;
    setObjectName(QStringLiteral("Passw_FE_"));
    // The activation empties the password: coming back from the break window keeps what was
    // typed.
    setActivateOnModalReturn(false);
    setWindowTitle(QStringLiteral("  Contraseña del Fichero de Estudio"));
    setCentred(true);
    setHelpContext(52);
    // No border icons: no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(400, 190);

    Label1 = new platform::Label(QStringLiteral("Introduzca la contraseña del Fichero de Estudio:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 14);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(16, 38, 368, 24);
    Edit1->installEventFilter(this);
    // A hidden password shows a star for each character, whatever the style's own sign.
    Edit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    CheckBox1 = new QCheckBox(QStringLiteral("Ocultar contraseña"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(16, 72, 180, 22);

    CheckBox2 = new QCheckBox(QStringLiteral("Guardar contraseña"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(204, 72, 180, 22);

    BitBtn1 = new QPushButton(QStringLiteral(" Ac&eptar"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(16, 130, 110, 30);

    Button2 = new QPushButton(QStringLiteral("&Salir"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(145, 130, 110, 30);
    platform::Form::setCancelButton(Button2);

    Button3 = new QPushButton(QStringLiteral("&Ayuda"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(274, 130, 110, 30);

    platform::on(this, &platform::Form::activated, this, &TPassw_FE_::FormActivate);
    platform::on(CheckBox1, &QCheckBox::clicked, this, &TPassw_FE_::CheckBox1Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &TPassw_FE_::BitBtn1Click);
    platform::on(Button2, &QPushButton::clicked, this, &TPassw_FE_::Button2Click);
    platform::on(Button3, &QPushButton::clicked, this, &TPassw_FE_::Button3Click);
}

TPassw_FE_::~TPassw_FE_()
{
    if (Passw_FE_ == this)
        Passw_FE_ = nullptr;
}

void TPassw_FE_::FormActivate()
{
    Edit1->clear();
    Edit1->setFocus();
}

bool TPassw_FE_::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            QChar c(13);
            platform::guarded([&] { Edit1KeyPress(c); });
            return true;
        }
    }
    return platform::Form::eventFilter(watched, event);
}

void TPassw_FE_::Edit1KeyPress(QChar &Key)
{
    if (Key == QChar(13))
        BitBtn1->click();
}

void TPassw_FE_::CheckBox1Click()
{
    Edit1->setEchoMode(CheckBox1->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
    Edit1->setFocus();
}

void TPassw_FE_::BitBtn1Click()
{
    Contrasena_Aceptada = 1;
    if (CheckBox2->isChecked() && Sesion_)
        Sesion_->Guardar_Contrasena = 1;
    setModalResult(platform::mrOk);
}

void TPassw_FE_::Button2Click()
{
    Contrasena_Aceptada = 0;
    Edit1->clear();
    setModalResult(platform::mrCancel);
}

void TPassw_FE_::Button3Click()
{
    platform::helpContext(52);
}
