#pragma once
// The program started as main() starts it, for the tests of windows that need nothing more.
#include "support/ProgramFixture.h"

class StartedProgram : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
    }
};
