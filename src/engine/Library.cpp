#include "engine/Library.h"

#include "engine/SqliteApi.h"

#include <dlfcn.h>

#include <mutex>

namespace engine {

const char Engine_Library_File[] = "idapi32.dll";

namespace detail {
SqliteFunctions sqliteFunctions;
}

namespace {
// Programs of the build load the library before main, perhaps before this file's own
// globals would be initialised: the state is made at its first use.
struct State {
    std::mutex loading;
    std::string path;
};
State &state()
{
    static State s;
    return s;
}
} // namespace

std::string loadEngineLibrary(const std::string &folder)
{
    State &s = state();
    const std::lock_guard<std::mutex> lock(s.loading);
    if (!s.path.empty())
        return {};
    const std::string path = folder + "/" + Engine_Library_File;
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        return "No se puede cargar la biblioteca del motor «" + path + "»" + (why ? std::string(": ") + why : "")
               + ".";
    }
    SqliteFunctions f;
    std::string missing;
#define ORV_SQLITE_TAKE(name)                                                                        \
    f.name = reinterpret_cast<decltype(f.name)>(dlsym(handle, "sqlite3_" #name));                    \
    if (!f.name)                                                                                      \
        missing += std::string(missing.empty() ? "" : ", ") + "sqlite3_" #name;
    ORV_SQLITE_FUNCTIONS(ORV_SQLITE_TAKE)
#undef ORV_SQLITE_TAKE
    if (!missing.empty()) {
        dlclose(handle);
        return "La biblioteca del motor «" + path + "» no tiene las funciones que el programa necesita (" + missing
               + ").";
    }
    // The library stays loaded for the whole run.
    detail::sqliteFunctions = f;
    s.path = path;
    return {};
}

bool engineLibraryLoaded()
{
    State &s = state();
    const std::lock_guard<std::mutex> lock(s.loading);
    return !s.path.empty();
}

std::string engineLibraryPath()
{
    State &s = state();
    const std::lock_guard<std::mutex> lock(s.loading);
    return s.path;
}

} // namespace engine
