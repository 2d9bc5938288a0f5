#pragma once
// TPackStreams: named byte streams kept in memory and stored together as one container,
// the payload optionally LZH-compressed and optionally Blowfish-enciphered under a key.
//
// Container: byte 0 "&" (compressed) or a blank; byte 1 "*" (enciphered) or a blank; then
// the payload. Payload before packing (the inner block, integers little-endian): the bytes
// 01..08, a 4-byte item count, then per item a 2-byte name length, the name, a 4-byte size
// and the item's bytes. Items are kept in case-insensitive order of their names.
//
// Packing one buffer as item "1" under a key, and back:
//     TPackStreams pks;  pks.Compressed = true;  pks.Encrypted = true;  pks.Key = "secret";
//     packing::MemoryStream s(bytes.data(), bytes.size());
//     pks.AddStream("1", s);  s.clear();  pks.SaveToStream(s);     // s holds the container
//     pks.LoadFromStream(s);  s.clear();  pks.GetStream("1", s);   // s holds the bytes again
//
// Failures: ECorruptFile "File is corrupt." (after OnCorrupt) for a damaged container, a
// wrong key, content over SizeLimit or more items than MaxItems; packing::EReadError "Stream read error" when an item runs past the end of the
// inner block; packing::EFOpenError / EFCreateError for files that can't be opened or created.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "packing/PackStreamRoutines.h"
#include "packing/Streams.h"

class TPackStreams;

// Asked for the key of an enciphered container; `Result` comes in holding the container's
// current Key, and a handler that leaves it alone answers that key.
using TOnAskForKey = std::function<void(TPackStreams &Sender, std::string &Result)>;

class TPackStreams {
public:
    using TNotifyEvent = std::function<void(TPackStreams &Sender)>;

    TPackStreams();
    ~TPackStreams();
    TPackStreams(const TPackStreams &) = delete;
    TPackStreams &operator=(const TPackStreams &) = delete;

    // Compress the payload on save; on load set from the container.
    bool Compressed = true;
    // Encipher the payload on save when Key is not empty; on load set from the container.
    bool Encrypted = false;
    // The cipher key; after a successful load, the key that was used for it.
    std::string Key;
    TOnAskForKey OnAskForKey;
    // Called just before ECorruptFile "File is corrupt." is thrown.
    TNotifyEvent OnCorrupt;
    // The most bytes a load accepts in one item (0: no limit). A container whose sizes say
    // more is corrupt: its length and its declared unpacked size are checked before anything
    // is deciphered or decompressed, and the decompressor stops at that size.
    int64_t SizeLimit = 0;
    // The most items a load accepts (0: no limit). A container whose item count says more is
    // corrupt, refused from the count before any item is read.
    uint32_t MaxItems = 0;

    // Stores the whole of `source` (from position 0; its position is left at its end) under
    // `name`, replacing an item of the same name in any case, which keeps its first name and
    // its place. An empty name or a null source does nothing.
    void AddStream(const std::string &name, packing::Stream *source);
    void AddStream(const std::string &name, packing::Stream &source) { AddStream(name, &source); }
    // Writes the item's content into `destination` at its position, then rewinds the
    // destination (also when the name is absent). An empty name does nothing at all.
    void GetStream(const std::string &name, packing::Stream *destination);
    void GetStream(const std::string &name, packing::Stream &destination) { GetStream(name, &destination); }
    void ClearStreams();

    // Writes the container at the destination's position.
    void SaveToStream(packing::Stream &destination);
    // Writes the container to a temporary file beside `fileName` and renames it over the file
    // when complete; a failure leaves any previous file as it was. OwnerOnly gives the file
    // mode 0600 (see packing::SaveFile).
    void SaveToFile(const std::string &fileName,
                    packing::SaveFile::Access access = packing::SaveFile::UserUmask);
    // Replaces the items by those of the container filling `source` from position 0 to its
    // end; sets Key, Compressed and Encrypted only when the load succeeds.
    void LoadFromStream(packing::Stream &source);
    void LoadFromFile(const std::string &fileName);
    // The most bytes a whole container may hold for a load under that SizeLimit to read it;
    // a longer one is corrupt at once (no limit: INT64_MAX).
    static int64_t LargestContainer(int64_t sizeLimit);

    // Not part of the container's operations: for tests and tools that list what is stored.
    std::vector<std::pair<std::string, int64_t>> itemsForInspection() const;
    // The number of items the last successful load read, each repetition of a name counted
    // (a container holding a name twice keeps only its last item).
    uint32_t ItemsReadOnLoad() const { return itemsRead_; }

private:
    struct Item {
        std::string name;
        std::unique_ptr<packing::MemoryStream> stream;
    };

    // The first item whose name is not ordered before `name` (items_ is kept in name order).
    std::vector<Item>::iterator lowerBound(const std::string &name);
    void storeItem(const std::string &name, std::unique_ptr<packing::MemoryStream> stream);
    // Sorts the items as read (unless they came `sorted`), one item to a name.
    void putItemsInOrder(bool sorted);
    void WriteItems(packing::Stream &destination) const;
    static void WriteItemName(packing::Stream &destination, const std::string &name);
    void ReadItems(packing::Stream &source);
    static std::string ReadItemName(packing::Stream &source);
    static bool CheckSignature(packing::Stream &stream);
    [[noreturn]] void DoCorrupt();

    std::vector<Item> items_;
    uint32_t itemsRead_ = 0;
};

// For the life of the guard the container's OnCorrupt is `event` (by default none: a damaged
// container is told to nobody); the guard puts back the handler it found.
class OnCorruptOverride {
public:
    explicit OnCorruptOverride(TPackStreams &pks, TPackStreams::TNotifyEvent event = nullptr)
        : m_pks(pks), m_saved(std::exchange(pks.OnCorrupt, std::move(event)))
    {
    }
    ~OnCorruptOverride() { m_pks.OnCorrupt = std::move(m_saved); }
    OnCorruptOverride(const OnCorruptOverride &) = delete;
    OnCorruptOverride &operator=(const OnCorruptOverride &) = delete;

private:
    TPackStreams &m_pks;
    TPackStreams::TNotifyEvent m_saved;
};
