// Fuzz target: the inflating of a transport file's items. Any bytes are either refused as
// damaged or inflate to at most the bound, in the same amount whether or not the output is
// kept; and any bytes compressed by the transport's own compressor inflate back unchanged.
#include "exchange/FE_Transporte.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr std::uint64_t limit = 1u << 20;
    try {
        const std::uint64_t counted = Descomprime_Zlib(data, size, limit);
        check(counted <= limit);
        std::vector<std::uint8_t> kept;
        Descomprime_Zlib(data, size, limit, [&](const std::uint8_t *d, std::size_t n) { kept.insert(kept.end(), d, d + n); });
        check(kept.size() == counted);
    } catch (const EZlibDanado &) {
    }

    const std::vector<std::uint8_t> packed = Comprime_Zlib(data, size);
    std::vector<std::uint8_t> back;
    Descomprime_Zlib(packed.data(), packed.size(), size, [&](const std::uint8_t *d, std::size_t n) { back.insert(back.end(), d, d + n); });
    check(back.size() == size && (size == 0 || std::equal(back.begin(), back.end(), data)));
    return 0;
}
