#pragma once
// Help by context number.
//
// The application's help: helpContext(n) hands the context to the help handler that the main
// window installs (setHelpHandler); without a handler nothing happens. The handler opens the
// help viewer through htmlHelp(), whose commands are those of the compiled help interface:
// Initialize (returns a cookie), HelpContext (opens the page of a context), CloseAll,
// Uninitialize.
//
// The help "file" keeps its name (Orvenda2.chm); its pages are ours: for a help file
// <folder>/<name>.chm they live in <folder>/ayuda/, and <folder>/ayuda/contextos.txt maps each
// context number to a page ("<number> <page.html>" a line; '#' starts a comment). A missing
// folder, map, context or page opens nothing and says nothing.
//
// The viewer opens above the window that asked for help (the innermost modal window, else the
// active window) and takes input while that window waits; Esc closes it. To the program's
// windows the viewer is another program: taking the focus back from it runs no activation.
//
// Every call is recorded, so tests see which contexts were asked for and which commands ran.
// While the program is scripted (tests) the viewer loads the page but is not shown.
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

class QTextBrowser;
class QWidget;

namespace platform {

// The help command of the application's help handler that asks for a context.
constexpr std::uint16_t HELP_CONTEXT = 1;

using HelpHandler = std::function<bool(std::uint16_t command, std::uint32_t data, bool &callDefault)>;
void setHelpHandler(HelpHandler handler);
void setHelpFile(const QString &file);
QString helpFile();
// The application's HelpContext: asks the help handler for the context.
bool helpContext(std::uint32_t context);

enum class HelpCommand { Initialize, HelpContext, CloseAll, Uninitialize };
// The compiled help interface. For Initialize, *cookie receives the cookie; for Uninitialize,
// data is the cookie given back.
std::uint32_t htmlHelp(QWidget *caller, const QString &file, HelpCommand command, std::uint32_t data,
                       std::uint32_t *cookie = nullptr);

// The page of a context in a help file, or empty when there is none.
QString helpPage(const QString &file, std::uint32_t context);

// The help viewer (null until a page has been opened).
QWidget *helpViewer();
QTextBrowser *helpBrowser();

// ---- Record, for tests ----
struct HelpCall {
    HelpCommand command;
    QString file;
    std::uint32_t data;
};
QList<HelpCall> helpCalls();            // every htmlHelp call, oldest first
QList<std::uint32_t> helpContextRequests(); // every helpContext call, oldest first
// Forgets the record, the handler and the help file; closes and drops the viewer.
void resetHelp();

} // namespace platform
