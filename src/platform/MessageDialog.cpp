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
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::RejectRole);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == ok ? DialogAnswer::Ok : DialogAnswer::No;
}

void plainMessage(const QString &text)
{
    if (isScripted()) {
        scriptedAnswer(text, DialogAnswer::Ok);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, Application::title(), text, QMessageBox::Ok);
    box.exec();
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
