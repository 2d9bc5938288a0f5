#pragma once
// The break window " Descanso": shown modally by the main window's break timer, it stops the
// review clock (the session's Timer_n_Repaso) while it is open and adds its time to the review's pause total when it closes.
//
// "&Salir" ends the break: the break timer's countdown starts again and the reminder is armed
// for the next break. Closing the window by its title bar does the same, so that a break
// reminder is never lost for the rest of the run. The three exercise buttons (hidden) end the
// break window and open the exercise pages, whose own "&Salir" re-arms the reminder.
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Panel.h"

#include <QPushButton>

class TDescanso_ : public platform::Form {
    Q_OBJECT
public:
    explicit TDescanso_(QWidget *parent = nullptr);
    ~TDescanso_() override;

    platform::Panel *Panel1;
    platform::ImageControl *Image1;
    platform::Label *Label1; // " AVISO DE DESCANSO "
    QPushButton *Button1;    // "Ejercicios de Hombros", Tag 1
    QPushButton *Button4;    // "Ejercicios de Cuello", Tag 2
    QPushButton *Button2;    // "Ejercicios de Ojos", Tag 3
    QPushButton *Button5;    // "&Salir"

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Button5Click();
    void Button1Click(QPushButton *Sender);

private:
    // Restarts the break timer's countdown and arms the reminder.
    void rearma();

    bool m_terminado = false; // the break was ended by one of the window's buttons
};

extern TDescanso_ *Descanso_;
