#include "platform/FontDialog.h"

#include "platform/ModalShow.h"

#include <QFontDialog>

#include <deque>
#include <optional>
#include <utility>

namespace platform {

namespace {
struct Answer {
    std::optional<std::pair<QFont, QColor>> choice; // empty: cancel
};
std::deque<Answer> answers;
int unansweredCount = 0;
} // namespace

FontDialog::FontDialog(QObject *parent) : QObject(parent) {}

bool FontDialog::execute()
{
    if (isScripted()) {
        if (answers.empty()) {
            ++unansweredCount;
            return false;
        }
        const Answer a = answers.front();
        answers.pop_front();
        if (!a.choice)
            return false;
        Font = a.choice->first;
        Color = a.choice->second;
        return true;
    }
    QFontDialog dialog(Font, mainWindow());
    if (execDialog(dialog) != QDialog::Accepted)
        return false;
    Font = dialog.selectedFont();
    return true;
}

void FontDialog::queueFont(const QFont &font, const QColor &color)
{
    answers.push_back({std::make_pair(font, color)});
}

void FontDialog::queueCancel()
{
    answers.push_back({});
}

int FontDialog::pendingAnswers()
{
    return int(answers.size());
}

int FontDialog::unanswered()
{
    return unansweredCount;
}

void FontDialog::resetScripting()
{
    answers.clear();
    unansweredCount = 0;
}

} // namespace platform
