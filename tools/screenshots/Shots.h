#pragma once
// The screenshot program's pieces: each file of this folder renders the windows of one part of
// the program and registers itself with ORV_SCREENSHOTS. take_screenshots runs them in the
// order of their rank, once the program's windows exist and the main window has had its first
// activation, in a program folder of its own (a temporary folder: study files made there are
// removed at the end).
#include <QString>

#include <functional>

class QWidget;

namespace shots {

// Grabs the window (shown or not) to <folder>/<name>; false when the file can't be written.
bool save(QWidget *window, const QString &name);
// The output folder and the program folder of this run.
QString outputFolder();
QString programFolder();

using Shot = std::function<bool()>;
struct Register {
    Register(int rank, const char *name, Shot shot);
};

} // namespace shots

#define ORV_SCREENSHOTS_CAT2(a, b) a##b
#define ORV_SCREENSHOTS_CAT(a, b) ORV_SCREENSHOTS_CAT2(a, b)
// ORV_SCREENSHOTS(rank, "name") { ...; return ok; }
#define ORV_SCREENSHOTS(rank, name)                                                                   \
    static bool ORV_SCREENSHOTS_CAT(shots_fn_, __LINE__)();                                            \
    static const shots::Register ORV_SCREENSHOTS_CAT(shots_reg_, __LINE__)(                           \
        rank, name, &ORV_SCREENSHOTS_CAT(shots_fn_, __LINE__));                                       \
    static bool ORV_SCREENSHOTS_CAT(shots_fn_, __LINE__)()
