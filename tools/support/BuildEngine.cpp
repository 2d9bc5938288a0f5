// Linked into every program of the build that opens tables, but the program itself (tests,
// benchmarks, tools, fuzz targets): before main, the engine's library is loaded from the
// build's engine folder (ORV_BDE_DIR) through engine::loadEngineLibrary, as the program loads
// it from the folder it registered.
//
// These programs never touch the user's registry: when ORVENDA_REGISTRO is not set, they set
// it to the build's own registry file (ORV_BUILD_REGISTRY) and register the build's engine
// folder there when it is not yet, so that the data module's registration check finds the
// engine through "DLLPATH". A program started with the variable set (a child test) uses the
// registry it was given.
#include "engine/Library.h"
#include "platform/Registry.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

void registerBuildEngine()
{
    const QString folder = QStringLiteral(ORV_BDE_DIR);
    const QString config = folder + QStringLiteral("/idapi32.cfg");
    platform::Registry reg;
    reg.OpenKey(QStringLiteral("\\SOFTWARE\\BORLAND\\DATABASE ENGINE"), true);
    // Programs of the build start side by side: each value is written only when it differs,
    // and each write replaces the file whole.
    if (reg.ReadString(QStringLiteral("CONFIGFILE01")) != config)
        reg.WriteString(QStringLiteral("CONFIGFILE01"), config);
    if (reg.ReadString(QStringLiteral("DLLPATH")) != folder)
        reg.WriteString(QStringLiteral("DLLPATH"), folder);
}

bool loadBuildEngine()
{
    if (qEnvironmentVariableIsEmpty("ORVENDA_REGISTRO")) {
        setenv("ORVENDA_REGISTRO", ORV_BUILD_REGISTRY, 1);
        try {
            registerBuildEngine();
        } catch (const std::runtime_error &e) {
            std::fprintf(stderr, "orvenda: %s\n", e.what());
            std::exit(1);
        }
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
