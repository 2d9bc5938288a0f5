#pragma once
// The font dialog, as the windows hold it (FontDialog1): the font and its colour.
//
// execute() shows the platform's font chooser starting at Font; when confirmed, Font takes
// the choice and the result is true. The colour is kept as it is (the chooser has none).
// While the program is scripted (tests), nothing is shown: the next queued answer is taken, a
// font with its colour (result true) or a cancel (false); with none queued it cancels and
// counts an unanswered dialog.
#include <QColor>
#include <QFont>
#include <QObject>

namespace platform {

class FontDialog : public QObject {
    Q_OBJECT
public:
    explicit FontDialog(QObject *parent = nullptr);

    QFont Font;
    QColor Color = Qt::black;

    bool execute();
    // The font the chooser starts on for a font: the family really drawn, its style and its
    // point size, so that the chooser shows what the sample shows.
    static QFont startingFont(const QFont &font);

    // ---- Scripting, for tests ----
    static void queueFont(const QFont &font, const QColor &color);
    static void queueCancel();
    static int pendingAnswers();
    static int unanswered();
    static void resetScripting();
};

} // namespace platform
