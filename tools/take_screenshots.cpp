// Renders the program's windows to PNG files so that a person can look at them:
//   take_screenshots <output folder>
// The main window and its first-run message are taken here; the other windows by the files of
// tools/screenshots/, one per part of the program.
// Runs offscreen on a 1366 x 768 screen, in a program folder of its own holding the program
// picture that the build copies beside this executable; the first activation writes the
// preferences there and shows the first-run message.
#include "store/Mensaje_.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "screenshots/Shots.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Entry {
    int rank;
    const char *name;
    shots::Shot shot;
};
std::vector<Entry> &registry()
{
    static std::vector<Entry> entries;
    return entries;
}
QString g_out;
QString g_programFolder;

bool save(QWidget *window, const QString &folder, const QString &name)
{
    QCoreApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + name;
    if (!window->grab().save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}
bool runRegisteredShots()
{
    std::stable_sort(registry().begin(), registry().end(),
                     [](const Entry &a, const Entry &b) { return a.rank < b.rank; });
    bool ok = true;
    for (const Entry &e : registry()) {
        if (!e.shot()) {
            std::fprintf(stderr, "screenshots of %s failed\n", e.name);
            ok = false;
        }
    }
    return ok;
}
} // namespace

namespace shots {
bool save(QWidget *window, const QString &name)
{
    return ::save(window, g_out, name);
}
QString outputFolder()
{
    return g_out;
}
QString programFolder()
{
    return g_programFolder;
}
Register::Register(int rank, const char *name, Shot shot)
{
    registry().push_back({rank, name, std::move(shot)});
}
} // namespace shots

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QTemporaryDir config;
    const QString screens = config.filePath(QStringLiteral("screens.json"));
    {
        QFile f(screens);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(R"({"screens":[{"name":"screen","x":0,"y":0,"width":1366,"height":768,"logicalDpi":96}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));

    platform::Application app(argc, argv);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir programFolder;
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Image.JPG"),
                programFolder.filePath(QStringLiteral("Image.JPG")));
    platform::setProgramFolder(programFolder.path());
    g_out = out;
    g_programFolder = programFolder.path();

    bool ok = true;
    platform::setScripted(true); // nothing may wait for a user here
    app::prepareApplication();
    app::createWindows();
    Panta_Inicio_->show();
    platform::onNextShow(QStringLiteral("Mensaje"), [&](QWidget *) {
        Mensaje->show();
        ok = save(Mensaje, out, QStringLiteral("message_first_run.png")) && ok;
        Mensaje->hide();
    });
    Panta_Inicio_->activate();

    const char *tabs[] = {"main_tab1_principal.png", "main_tab2_utilidades.png", "main_tab3_herramientas.png"};
    for (int i = 0; i < 3; ++i) {
        Panta_Inicio_->PageControl1->setCurrentIndex(i);
        ok = save(Panta_Inicio_, out, QString::fromLatin1(tabs[i])) && ok;
    }

    ok = runRegisteredShots() && ok;

    app::destroyWindows();
    platform::resetHelp();
    return ok ? 0 : 1;
}
