#pragma once
// The one entry point through which every window of the program is shown modally.
//
// In normal runs showModal() shows the window application-modal and runs an event loop
// until the window hides, then returns the window's modal result.
//
// While the program is scripted (setScripted(true), done by the test fixture) nothing is
// shown and no event loop runs: showModal() records the window's objectName(), tells the
// observers, raises the window's activation (platform::Form), runs the next queued action
// meant for that window (which may click its buttons, type into it, close it, ...), closes
// the window if the action left it open, raises the activation of the window that showed
// it when its return runs it (Form::activatesOnReturnFrom) and returns. So tests never block,
// and every message shown through the message window is seen by an observer.
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QDialog;

namespace platform {

// Modal results, as the class library numbers them.
enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

int showModal(QWidget *window);

// Runs a dialog of the platform (file, font, message box) in its own event loop: its closing
// is a return to the window that showed it, as a message window's is (platform::Form).
// Not used while scripted: the dialogs take queued answers then.
int execDialog(QDialog &dialog);

// Shows a window without blocking (the class library's Show). Normal runs show it, raise it
// and give it the focus (its activation is raised at once when a modal window keeps the focus). While scripted nothing is shown: the window counts as open
// (isShownNonModal) and its activation is raised; when it closes (platform::Form::close), the
// focus goes back to the innermost modal window, else to the main window, whose activation
// is raised in turn.
void showNonModal(QWidget *window);
bool isShownNonModal(QWidget *window);

// Called as a handler returns (platform::guarded), `depth` being its depth: while scripted,
// the activation that a modal window's closing gives the window that showed it runs once the
// handler that showed it has returned, and only when that window is still open then (the
// windowing system gives the focus back only to a window still on screen).
void handlerReturned(int depth) noexcept;

// The windows being shown modally, innermost last.
QList<QWidget *> modalStack();

// The program's main window: the caller of modal windows shown while no other is open.
void setMainWindow(QWidget *window);
QWidget *mainWindow();
// The window a dialog opened now belongs to: the innermost window shown modally, else the
// main window. A dialog parented there stays over the window that opened it.
QWidget *dialogOwner();

// ---- Scripting, for tests ----
void setScripted(bool scripted);
bool isScripted();

using ModalAction = std::function<void(QWidget *window)>;
// Queues an action for the next modal show of the window with this objectName (any window
// when the name is empty). Actions run in the order queued among those that match.
void onNextShow(const QString &windowName, ModalAction action);
void onNextShow(ModalAction action);
// Actions still queued (a test that queued too many has a fault).
int pendingModalActions();

// Called at every modal show, scripted or not, before the window opens; returns an id.
using ModalObserver = std::function<void(QWidget *window, const QString &windowName)>;
int addModalObserver(ModalObserver observer);
void removeModalObserver(int id);

// The objectName()s of the windows shown modally, oldest first.
QStringList shownWindows();
void clearShownWindows();

// Forgets queued actions, observers and the record of shown windows.
void resetModalScripting();

} // namespace platform
