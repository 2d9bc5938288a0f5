#include "platform/MessageDialog.h"

#include "platform/Application.h"
#include "platform/ModalShow.h"

#include <QMessageBox>
#include <QPushButton>

#include <deque>

namespace platform {

namespace {
std::deque<DialogAnswer> answers;
QStringList texts;
int unanswered = 0;

DialogAnswer scriptedAnswer(const QString &text, DialogAnswer fallback)
{
    texts << text;
    if (answers.empty()) {
        ++unanswered;
        return fallback;
    }
    const DialogAnswer a = answers.front();
    answers.pop_front();
    return a;
}
} // namespace

DialogAnswer warningNoOk(const QString &text)
{
    if (isScripted())
        return scriptedAnswer(text, DialogAnswer::No);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Advertencia"), text);
    // One role for both, so that they stand in the order added whatever the platform's order
    // of roles; No is the default and the escape button.
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::ActionRole);
    QPushButton *ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::ActionRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    execDialog(box);
    return box.clickedButton() == ok ? DialogAnswer::Ok : DialogAnswer::No;
}

void plainMessage(const QString &text)
{
    if (isScripted()) {
        scriptedAnswer(text, DialogAnswer::Ok);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, Application::title(), text);
    box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    execDialog(box);
}

void queueDialogAnswer(DialogAnswer answer)
{
    answers.push_back(answer);
}

int pendingDialogAnswers()
{
    return int(answers.size());
}

QStringList dialogTexts()
{
    return texts;
}

int unansweredDialogs()
{
    return unanswered;
}

void resetDialogScripting()
{
    answers.clear();
    texts.clear();
    unanswered = 0;
}

} // namespace platform
