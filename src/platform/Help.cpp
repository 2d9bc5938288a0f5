#include "platform/Help.h"

#include "platform/Form.h"
#include "platform/ModalShow.h"
#include "platform/Screen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

namespace platform {

namespace {
HelpHandler handler;
QString theHelpFile;
QList<HelpCall> calls;
QList<std::uint32_t> contextRequests;
std::uint32_t nextCookie = 1;
QPointer<QWidget> viewer;
QPointer<QTextBrowser> browser;

QString helpFolder(const QString &file)
{
    return QFileInfo(file).absolutePath() + QStringLiteral("/ayuda");
}

// The window that asked for help: the innermost modal window, which blocks every other;
// else the active window; else the caller.
QWidget *askingWindow(QWidget *caller)
{
    const QList<QWidget *> modal = modalStack();
    if (!modal.isEmpty())
        return modal.last();
    QWidget *active = QApplication::activeWindow();
    if (active && active != viewer)
        return active;
    return caller ? caller->window() : mainWindow();
}

// The viewer belongs to the window that asked for help: it stands above that window and takes
// input while that window waits modally for its own input.
void openViewer(QWidget *caller, const QString &page)
{
    QWidget *owner = askingWindow(caller);
    if (!viewer) {
        viewer = new QWidget(owner, Qt::Window);
        viewer->setObjectName(QStringLiteral("Ayuda"));
        // The help is a program of its own to the windows: leaving it for them activates none.
        standForAnotherProgram(*viewer);
        viewer->setAttribute(Qt::WA_DeleteOnClose, false);
        viewer->setWindowTitle(QStringLiteral("Ayuda de OV2"));
        viewer->resize(720, 560);
        centre(*viewer);
        auto *layout = new QVBoxLayout(viewer);
        layout->setContentsMargins(0, 0, 0, 0);
        browser = new QTextBrowser(viewer);
        browser->setObjectName(QStringLiteral("Navegador_Ayuda"));
        browser->setOpenLinks(true);
        layout->addWidget(browser);
        auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), viewer);
        QObject::connect(esc, &QShortcut::activated, viewer, &QWidget::close);
    } else if (viewer->parentWidget() != owner) {
        const QRect place = viewer->geometry();
        viewer->setParent(owner, Qt::Window);
        viewer->setGeometry(place);
    }
    browser->setSearchPaths({QFileInfo(page).absolutePath()});
    browser->setSource(QUrl::fromLocalFile(page));
    if (!isScripted()) {
        viewer->show();
        viewer->raise();
        viewer->activateWindow();
    }
}
} // namespace

void setHelpHandler(HelpHandler h)
{
    handler = std::move(h);
}

void setHelpFile(const QString &file)
{
    theHelpFile = file;
}

QString helpFile()
{
    return theHelpFile;
}

bool helpContext(std::uint32_t context)
{
    contextRequests << context;
    bool callDefault = true;
    if (handler)
        return handler(HELP_CONTEXT, context, callDefault);
    // The default help engine has nothing to show.
    return false;
}

QString helpPage(const QString &file, std::uint32_t context)
{
    if (file.isEmpty())
        return {};
    const QString folder = helpFolder(file);
    QFile map(folder + QStringLiteral("/contextos.txt"));
    if (!map.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&map);
    while (!in.atEnd()) {
        QString line = in.readLine();
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList parts = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() < 2)
            continue;
        bool ok = false;
        const uint number = parts.at(0).toUInt(&ok);
        if (!ok || number != context)
            continue;
        const QString page = QDir(folder).filePath(parts.at(1));
        return QFileInfo(page).isFile() ? page : QString();
    }
    return {};
}

std::uint32_t htmlHelp(QWidget *caller, const QString &file, HelpCommand command, std::uint32_t data,
                       std::uint32_t *cookie)
{
    calls << HelpCall{command, file, data};
    switch (command) {
    case HelpCommand::Initialize:
        if (cookie)
            *cookie = nextCookie++;
        return 0;
    case HelpCommand::HelpContext: {
        const QString page = helpPage(file, data);
        if (page.isEmpty())
            return 0;
        openViewer(caller, page);
        return 1;
    }
    case HelpCommand::CloseAll:
        if (viewer)
            viewer->close();
        return 0;
    case HelpCommand::Uninitialize:
        return 0;
    }
    return 0;
}

QWidget *helpViewer()
{
    return viewer;
}

QTextBrowser *helpBrowser()
{
    return browser;
}

QList<HelpCall> helpCalls()
{
    return calls;
}

QList<std::uint32_t> helpContextRequests()
{
    return contextRequests;
}

void resetHelp()
{
    calls.clear();
    contextRequests.clear();
    handler = nullptr;
    theHelpFile.clear();
    delete viewer.data();
}

} // namespace platform
