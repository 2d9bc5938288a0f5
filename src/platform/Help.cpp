#include "platform/Help.h"

#include "platform/ModalShow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
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

void openViewer(const QString &page)
{
    if (!viewer) {
        viewer = new QWidget(nullptr, Qt::Window);
        viewer->setObjectName(QStringLiteral("Ayuda"));
        viewer->setAttribute(Qt::WA_DeleteOnClose, false);
        viewer->setWindowTitle(QStringLiteral("Ayuda de OV2"));
        viewer->resize(720, 560);
        auto *layout = new QVBoxLayout(viewer);
        layout->setContentsMargins(0, 0, 0, 0);
        browser = new QTextBrowser(viewer);
        browser->setObjectName(QStringLiteral("Navegador_Ayuda"));
        browser->setOpenLinks(true);
        layout->addWidget(browser);
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
    Q_UNUSED(caller);
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
        openViewer(page);
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
