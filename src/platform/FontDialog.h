#pragma once
// The font dialog: a font and a colour chosen by the user.
//
// While the program is scripted (tests), execute() shows nothing and takes the next queued
// answer: a font and colour (confirmed) or a cancel; with no answer queued it cancels.
#include <QColor>
#include <QFont>

class QWidget;

namespace platform {

class FontDialog {
public:
    QFont Font;
    QColor Color;

    // Shows the dialog on Font and Color; true (and the two set) when the user confirms.
    bool execute(QWidget *parent);

    static void queueFont(const QFont &font, const QColor &color);
    static void queueCancel();
    static int pendingAnswers();
    static void resetScripting();
};

} // namespace platform
