// Loads arbitrary bytes as a stream container, with the key "fuzz" offered for enciphered ones.
// Every outcome but the container's own failures or a stream error is a finding.
#include <cstddef>
#include <cstdint>

#include "packing/PackStreamCol.h"

namespace {

// The declared unpacked size of a compressed payload, after decipherment when the container
// says so; inputs claiming more than a few megabytes are skipped to keep runs short.
bool declaresHugeSize(const uint8_t *data, size_t size)
{
    if (size < 2 || data[0] != '&')
        return false;
    packing::MemoryStream payload(data + 2, size - 2);
    if (data[1] == '*') {
        try {
            DecryptStream(payload, "fuzz");
        } catch (const std::exception &) {
            return false;
        }
    }
    if (payload.size() < 4)
        return false;
    const uint8_t *p = payload.data();
    const uint32_t declared = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return declared > (4u << 20) && declared < 0x80000000u;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (declaresHugeSize(data, size))
        return 0;
    TPackStreams box;
    box.Key = "fuzz";
    int events = 0;
    box.OnCorrupt = [&](TPackStreams &) { events++; };
    packing::MemoryStream source(data, size);
    try {
        box.LoadFromStream(source);
        packing::MemoryStream out;
        box.GetStream("1", out);
        box.SaveToStream(out);
    } catch (const ECorruptFile &) {
        if (events != 1)
            __builtin_trap();
    } catch (const packing::EStreamError &) {
    }
    return 0;
}
