// Fuzz target: the inflating of a transport file's items. Any bytes are either refused as
// damaged or inflate to at most the bound, in the same amount whether or not the output is
// kept; and any bytes compressed by the transport's own compressor inflate back unchanged.
#include "exchange/Transporte.h"

#include <cstring>
#include "FuzzCheck.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr std::uint64_t limit = 1u << 20;
    try {
        packing::MemoryStream in(data, size), kept;
        const std::uint64_t counted = Descomprime_Stream_Zlib(in, nullptr, limit);
        check(counted <= limit);
        in.setPosition(0);
        Descomprime_Stream_Zlib(in, &kept, limit);
        check(std::uint64_t(kept.size()) == counted);
    } catch (const EZlibDanado &) {
    }

    packing::MemoryStream plain(data, size), packed, back;
    Comprime_Stream_Zlib(plain, packed);
    packed.setPosition(0);
    Descomprime_Stream_Zlib(packed, &back, size);
    check(std::size_t(back.size()) == size && (size == 0 || std::memcmp(back.data(), data, size) == 0));
    return 0;
}
