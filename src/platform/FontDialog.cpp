#include "platform/FontDialog.h"

#include "platform/ModalShow.h"

#include <QFontDialog>

#include <deque>
#include <optional>
#include <utility>

namespace platform {

namespace {
std::deque<std::optional<std::pair<QFont, QColor>>> &answers()
{
    static std::deque<std::optional<std::pair<QFont, QColor>>> queue;
    return queue;
}
} // namespace

bool FontDialog::execute(QWidget *parent)
{
    if (isScripted()) {
        if (answers().empty())
            return false;
        const auto answer = answers().front();
        answers().pop_front();
        if (!answer)
            return false;
        Font = answer->first;
        Color = answer->second;
        return true;
    }
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, Font, parent);
    if (ok)
        Font = chosen;
    return ok;
}

void FontDialog::queueFont(const QFont &font, const QColor &color)
{
    answers().push_back(std::make_pair(font, color));
}

void FontDialog::queueCancel()
{
    answers().push_back(std::nullopt);
}

int FontDialog::pendingAnswers()
{
    return int(answers().size());
}

void FontDialog::resetScripting()
{
    answers().clear();
}

} // namespace platform
