#pragma once
// A property a fuzz target asserts: a failed one aborts, so the fuzzer keeps the input. And a
// folder of its own for the files a target writes, removed at the end.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

struct FuzzFolder {
    std::filesystem::path dir;
    FuzzFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orv-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
    }
    ~FuzzFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};
