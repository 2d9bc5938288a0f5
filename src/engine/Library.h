#pragma once
// The engine's library: the SQLite shared library, kept in the engine's folder under the name
// "idapi32.dll" and loaded from there at run time, once per process, before any table is
// opened. The program finds the folder through the registry; the programs of the build
// (tests, benchmarks, tools) load it from the build's engine folder.
#include <string>

namespace engine {

// The name of the library's file in the engine's folder.
extern const char Engine_Library_File[]; // "idapi32.dll"

// Loads folder + "/" + Engine_Library_File and takes from it every function the engine
// uses. Returns an empty text on success, else why it failed (a missing file, a file that
// is not a library, a function it lacks); nothing is then taken from it. Once a library is
// loaded it stays for the whole run and later calls return an empty text at once.
std::string loadEngineLibrary(const std::string &folder);

// Whether a library has been loaded.
bool engineLibraryLoaded();
// The file of the loaded library (empty when none).
std::string engineLibraryPath();

} // namespace engine
