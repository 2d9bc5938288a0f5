#pragma once
// The program's start-up, shared by main() and the test fixture.
//
// prepareApplication(): the application title "OV2" and an empty help file name.
// createWindows(): creates every window of the program (and the data module) once, hidden,
// in the program's fixed order; the first becomes the main window. Each window's
// constructor assigns its global instance pointer and then runs its creation handler.
// destroyWindows(): destroys them in the reverse order and clears the instance pointers.
//
// A window joins the program by one line in the list in Program.cpp, at its place in the
// order.
#include <QStringList>

namespace app {

void prepareApplication();
void createWindows();
void destroyWindows();
// The objectName()s of the windows created, in creation order.
QStringList createdWindows();

} // namespace app
