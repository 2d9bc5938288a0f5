#pragma once
// The platform's standard message dialogs.
//
// While the program is scripted (tests) nothing is shown: each dialog takes the next queued
// answer and records its text; with no answer queued it answers No (or just OK for the plain
// dialog) and counts an unanswered question, which the test fixture reports as a failure.
#include <QString>
#include <QStringList>

namespace platform {

enum class DialogAnswer { Ok, No };

// The warning dialog: a warning sign and the buttons No and OK, in that order, OK showing
// "Aceptar" as every OK button of the program does.
DialogAnswer warningNoOk(const QString &text);
// The plain dialog with one OK button ("Aceptar").
void plainMessage(const QString &text);

// ---- Scripting, for tests ----
void queueDialogAnswer(DialogAnswer answer);
int pendingDialogAnswers();
// Texts of the dialogs shown, oldest first.
QStringList dialogTexts();
int unansweredDialogs();
void resetDialogScripting();

} // namespace platform
