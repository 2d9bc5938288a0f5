#include "platform/FontDialog.h"

#include "platform/ModalShow.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>

#include <cstdlib>
#include <deque>
#include <limits>
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
    // Over the window that opened it, so that window never drops behind another.
    QFontDialog dialog(dialogOwner());
    dialog.setCurrentFont(startingFont(Font));
    if (execDialog(dialog) != QDialog::Accepted)
        return false;
    Font = dialog.selectedFont();
    return true;
}

QFont FontDialog::startingFont(const QFont &font)
{
    // The chooser lists the installed families and their styles: a family it does not list
    // (one from another system, or an alias) would leave it on its first entry with a normal
    // style. It starts on the family that is really drawn, with the style and point size seen.
    // The style is named as the family lists it: the database's own style text is translated
    // and would match no entry of the list.
    const QFontInfo drawn(font);
    QFont start(font);
    start.setFamilies({drawn.family()});
    start.setPointSizeF(drawn.pointSizeF());
    QString best;
    int bestDistance = std::numeric_limits<int>::max();
    for (const QString &style : QFontDatabase::styles(drawn.family())) {
        const int distance = std::abs(QFontDatabase::weight(drawn.family(), style) - font.weight())
                           + (QFontDatabase::italic(drawn.family(), style) != font.italic() ? 10000 : 0)
                           + (style.contains(QLatin1String("Condensed"), Qt::CaseInsensitive) ? 1 : 0);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = style;
        }
    }
    start.setStyleName(best);
    return start;
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
