// Loads arbitrary bytes as a stream container, with the key "fuzz" offered for enciphered ones,
// under the limit of one kind of content (chosen by the input's length: the small settings
// limit, the answers' or the pictures'). Every outcome but the container's own failures or a
// stream error is a finding, and so is an item over the limit.
#include <cstddef>
#include <cstdint>

#include "packing/PackStreamCol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int64_t limits[] = {int64_t(1) << 20, int64_t(16) << 20, int64_t(64) << 20};
    TPackStreams box;
    box.Key = "fuzz";
    box.SizeLimit = limits[size % 3];
    int events = 0;
    box.OnCorrupt = [&](TPackStreams &) { events++; };
    packing::MemoryStream source(data, size);
    try {
        box.LoadFromStream(source);
        int64_t total = 0;
        for (const auto &[name, itemSize] : box.itemsForInspection()) {
            if (itemSize > box.SizeLimit)
                __builtin_trap();
            total += itemSize;
        }
        packing::MemoryStream out;
        box.GetStream("1", out);
        if (total <= (int64_t(1) << 20)) // saving what is larger only makes runs long
            box.SaveToStream(out);
    } catch (const ECorruptFile &) {
        if (events != 1)
            __builtin_trap();
    } catch (const packing::EStreamError &) {
    }
    return 0;
}
