// Decodes arbitrary bytes as a framed LZH stream (4-byte size, then the bits) under the largest
// size limit a card field has. The decoder must end in its corruption failure, which every
// declared size over the limit gets, or produce exactly the declared number of bytes. The same
// bytes, compressed, must decode back to themselves.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "packing/PackStreamRoutines.h"

namespace {
constexpr int64_t kLimit = int64_t(64) << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int64_t declared = -1;
    if (size >= 4) {
        const uint32_t n = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        declared = n < 0x80000000u ? int64_t(n) : 0;
    }
    packing::MemoryStream source(data, size), out;
    try {
        LzhDecompressStream(source, out, kLimit);
        if (out.size() != declared || declared > kLimit)
            __builtin_trap();
    } catch (const ECorruptFile &) {
    } catch (const packing::EReadError &) {
        if (size >= 4)
            __builtin_trap();
    }
    packing::MemoryStream plain(data, size), packed, back;
    LzhCompressStream(plain, packed);
    packed.setPosition(0);
    LzhDecompressStream(packed, back);
    if (back.size() != int64_t(size) || (size > 0 && std::memcmp(back.data(), data, size) != 0))
        __builtin_trap();
    return 0;
}
