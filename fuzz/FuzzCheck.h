#pragma once
// A property a fuzz target asserts: a failed one aborts, so the fuzzer keeps the input.
#include <cstdlib>

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}
