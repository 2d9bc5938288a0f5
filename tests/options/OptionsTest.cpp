#include "OptionsTest.h"

#include "platform/Form.h"

void OptionsTest::activateMain()
{
    if (auto *main = dynamic_cast<platform::Form *>(Sesion_->Ventana_Principal()))
        main->activate();
}
