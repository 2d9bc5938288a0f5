#pragma once
// The message window: shows Sesion_->Texto_Mensaje, sized to the text, until a key or
// a click. Shown through TD_Module_::Ver_Mensaje.
#include "platform/Form.h"
#include "platform/Label.h"

class TMensaje : public platform::Form {
    Q_OBJECT
public:
    explicit TMensaje(QWidget *parent = nullptr);
    ~TMensaje() override;

    platform::Label *Label1; // the message
    platform::Label *Label2; // the hint

    void FormCreate();
    void FormActivate();
    void FormKeyPress(QChar &Key);
    void FormClick();
};

extern TMensaje *Mensaje;
