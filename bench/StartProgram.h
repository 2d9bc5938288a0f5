#pragma once
// Starts the whole program in a program folder of the benchmark's own, as a test does: its
// "dat" folder, dialogs answered by script, the application prepared and every window created
// (hidden). Settings that must be in place before the windows exist are set by the caller first.
#include "app/Program.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

inline void startProgramIn(const QString &folder)
{
    QDir(folder).mkpath(QStringLiteral("dat"));
    platform::setProgramFolder(folder);
    platform::setScripted(true);
    app::prepareApplication();
    app::createWindows();
}

// A program folder "program", with its "dat" folder, inside a temporary folder of its own, and
// made the current folder.
struct ProgramFolder {
    QTemporaryDir root;
    QString folder = root.path() + QStringLiteral("/program");
    QString dat = folder + QStringLiteral("/dat");
    ProgramFolder()
    {
        QDir().mkpath(dat);
        QDir::setCurrent(folder);
    }
};
