// Linked into every program of the build that opens tables, but the program itself (tests,
// benchmarks, tools, fuzz targets): before main, the engine's library is loaded from the
// build's engine folder (ORV_BDE_DIR) through engine::loadEngineLibrary, as the program loads
// it from the folder it registered.
//
// These programs never touch the user's registry: when ORVENDA_REGISTRO is not set, they set
// it to a new file of their own in the temporary folder, removed when the program ends, and
// register the build's engine folder there, so that the data module's registration check
// finds the engine through "DLLPATH". A program started by one of them with the variable set
// (a child test) uses the registry it was given.
#include "engine/Library.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

std::string ownRegistry;
pid_t owner = 0;

void removeOwnRegistry()
{
    if (getpid() == owner)
        std::remove(ownRegistry.c_str());
}

bool loadBuildEngine()
{
    const QString folder = QStringLiteral(ORV_BDE_DIR);
    if (qEnvironmentVariableIsEmpty("ORVENDA_REGISTRO")) {
        std::string path = QFile::encodeName(QDir::tempPath()).toStdString() + "/orvenda-registro-XXXXXX.ini";
        const int fd = mkstemps(path.data(), 4);
        if (fd < 0) {
            std::perror("orvenda: registry file of the build");
            std::exit(1);
        }
        close(fd);
        ownRegistry = path;
        owner = getpid();
        std::atexit(removeOwnRegistry);
        setenv("ORVENDA_REGISTRO", path.c_str(), 1);
        platform::Registry reg;
        reg.OpenKey(QStringLiteral("\\SOFTWARE\\BORLAND\\DATABASE ENGINE"), true);
        reg.WriteString(QStringLiteral("CONFIGFILE01"), folder + QStringLiteral("/idapi32.cfg"));
        reg.WriteString(QStringLiteral("DLLPATH"), folder);
    }
    const std::string failure = engine::loadEngineLibrary(ORV_BDE_DIR);
    if (!failure.empty()) {
        std::fprintf(stderr, "orvenda: %s\n", failure.c_str());
        std::exit(1);
    }
    return true;
}

[[maybe_unused]] const bool loaded = loadBuildEngine();

} // namespace
