#pragma once
// The blink notice "TIEMPO  DE  PARPADEAR": shown without blocking by the main window's blink
// timer, it closes by itself three seconds after it gets the focus. The window that then gets
// the focus back skips its activation once (the blink timer sets Saltar_Activacion).
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
};

extern TParpadeo_Aviso_ *Parpadeo_Aviso_;
