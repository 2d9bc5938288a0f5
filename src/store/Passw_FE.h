#pragma once
// The password window of an enciphered study file, shown modally only when the settings
// container asks for its key. Edit1 keeps the typed password after the window closes: the
// open routine reads it again for the cards' key.
#include "platform/Form.h"
#include "platform/Label.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

// 1 after the window was closed with " Ac&eptar", 0 after "&Salir"; 0 at program start.
extern int Contrasena_Aceptada;

class TPassw_FE_ : public platform::Form {
    Q_OBJECT
public:
    explicit TPassw_FE_(QWidget *parent = nullptr);
    ~TPassw_FE_() override;

    platform::Label *Label1; // "Introduzca la contraseña del Fichero de Estudio:"
    QLineEdit *Edit1;        // the password
    QCheckBox *CheckBox1;    // "Ocultar contraseña"
    QCheckBox *CheckBox2;    // "Guardar contraseña"
    QPushButton *BitBtn1;    // " Ac&eptar"
    QPushButton *Button2;    // "&Salir", also Esc
    QPushButton *Button3;    // "&Ayuda"

    void FormActivate();
    void Edit1KeyPress(QChar &Key);
    void CheckBox1Click();
    void BitBtn1Click();
    void Button2Click();
    void Button3Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

extern TPassw_FE_ *Passw_FE_;
