#pragma once
// The blink notice "TIEMPO  DE  PARPADEAR": shown without blocking by the main window's blink
// timer, it closes by itself three seconds after it gets the focus. The window that then gets
// the focus back skips its activation once (the blink timer sets Saltar_Activacion).
//
// While a modal window keeps the focus (the options, a review, a break), the notice shows
// without taking it, and no window gets the focus back when it closes: nothing would consume
// the skip flag, which would then skip some later activation that has nothing to do with the
// notice (the main window's reading of new preferences, for one). So a flag that no
// activation has taken a moment after the notice closed is dropped.
#include "platform/Form.h"
#include "platform/Label.h"

namespace platform {
class Timer;
}

class TParpadeo_Aviso_ : public platform::Form {
    Q_OBJECT
public:
    explicit TParpadeo_Aviso_(QWidget *parent = nullptr);
    ~TParpadeo_Aviso_() override;

    platform::Label *Label1; // "TIEMPO  DE  PARPADEAR"
    platform::Timer *Timer1; // 3000 ms, off until the notice is activated

    void FormCreate();
    void FormActivate();
    void Timer1Timer();

    // How long after closing the notice waits for the window that gets the focus back.
    static constexpr int Espera_Foco_Ms = 500;

private:
    int m_avisos = 0; // notices activated in this run
};

extern TParpadeo_Aviso_ *Parpadeo_Aviso_;
