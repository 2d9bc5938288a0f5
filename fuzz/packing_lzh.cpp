// Decodes arbitrary bytes as a framed LZH stream (4-byte size, then the bits). Declared sizes
// above 4 MiB are cut to 4 MiB to keep runs short; the decoder must end in its corruption
// failure or produce exactly the declared number of bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packing/PackStreamRoutines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> input(data, data + size);
    int64_t declared = -1;
    if (size >= 4) {
        uint32_t n = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
        if (n < 0x80000000u && n > (4u << 20)) {
            n = 4u << 20;
            for (int i = 0; i < 4; i++)
                input[size_t(i)] = uint8_t(n >> (8 * i));
        }
        declared = n < 0x80000000u ? int64_t(n) : 0;
    }
    packing::MemoryStream source(std::move(input)), out;
    try {
        LzhDecompressStream(source, out);
        if (out.size() != declared)
            __builtin_trap();
    } catch (const ECorruptFile &) {
    } catch (const packing::EReadError &) {
        if (size >= 4)
            __builtin_trap();
    }
    return 0;
}
