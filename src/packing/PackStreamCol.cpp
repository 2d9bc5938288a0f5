#include "packing/PackStreamCol.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const uint8_t kSignature[8] = {1, 2, 3, 4, 5, 6, 7, 8};
constexpr uint8_t kCompressedFlag = '&';
constexpr uint8_t kEncryptedFlag = '*';
constexpr uint8_t kBlank = ' ';

// What an inner block holds beside its items' bytes (signature, count, names and sizes), and
// what a payload may hold beside its inner block (compression of bytes that do not compress,
// padding), as far as a container under a size limit may take.
constexpr int64_t kFramingAllowance = 4096;
int64_t payloadAllowance(int64_t innerLimit)
{
    return innerLimit + innerLimit / 8 + 65536;
}

// Case-insensitive order of item names: ASCII letters compare without regard to case, every
// other byte by its value (so digits come before letters).
int compareNames(const std::string &a, const std::string &b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z')
            ca = static_cast<unsigned char>(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = static_cast<unsigned char>(cb + 32);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

TPackStreams::TPackStreams() = default;

TPackStreams::~TPackStreams()
{
    ClearStreams();
}

std::vector<TPackStreams::Item>::iterator TPackStreams::lowerBound(const std::string &name)
{
    return std::lower_bound(items_.begin(), items_.end(), name,
                            [](const Item &item, const std::string &n) { return compareNames(item.name, n) < 0; });
}

void TPackStreams::storeItem(const std::string &name, std::unique_ptr<packing::MemoryStream> stream)
{
    auto it = lowerBound(name);
    if (it != items_.end() && compareNames(it->name, name) == 0)
        it->stream = std::move(stream);  // the first name and the place stay
    else
        items_.insert(it, Item{name, std::move(stream)});
}

void TPackStreams::AddStream(const std::string &name, packing::Stream *source)
{
    if (name.empty() || !source)
        return;
    auto stream = std::make_unique<packing::MemoryStream>();
    stream->copyFrom(*source, 0);
    storeItem(name, std::move(stream));
}

void TPackStreams::GetStream(const std::string &name, packing::Stream *destination)
{
    if (name.empty() || !destination)
        return;
    auto it = lowerBound(name);
    if (it != items_.end() && compareNames(it->name, name) == 0)
        destination->writeBuffer(it->stream->data(), static_cast<size_t>(it->stream->size()));
    destination->setPosition(0);
}

void TPackStreams::ClearStreams()
{
    items_.clear();
}

std::vector<std::pair<std::string, int64_t>> TPackStreams::itemsForInspection() const
{
    std::vector<std::pair<std::string, int64_t>> out;
    for (const Item &item : items_)
        out.emplace_back(item.name, item.stream->size());
    return out;
}

// ---- saving

void TPackStreams::WriteItemName(packing::Stream &destination, const std::string &name)
{
    // A longer name can't be told by its 16-bit length; writing it would give a corrupt container.
    if (name.size() > std::numeric_limits<uint16_t>::max())
        throw packing::EWriteError();
    destination.writeUInt16(static_cast<uint16_t>(name.size()));
    destination.writeBuffer(name.data(), name.size());
}

void TPackStreams::WriteItems(packing::Stream &destination) const
{
    destination.writeBuffer(kSignature, sizeof kSignature);
    destination.writeUInt32(static_cast<uint32_t>(items_.size()));
    for (const Item &item : items_) {
        WriteItemName(destination, item.name);
        const int64_t size = item.stream->size();
        if (size > int64_t(std::numeric_limits<uint32_t>::max()))
            throw packing::EWriteError();
        destination.writeUInt32(static_cast<uint32_t>(size));
        destination.writeBuffer(item.stream->data(), static_cast<size_t>(size));
    }
}

void TPackStreams::SaveToStream(packing::Stream &destination)
{
    packing::MemoryStream inner;
    WriteItems(inner);
    const bool encipher = Encrypted && !Key.empty();

    packing::MemoryStream payload;
    if (Compressed) {
        inner.setPosition(0);
        LzhCompressStream(inner, payload);
    } else {
        payload = std::move(inner);
    }
    if (encipher)
        EncryptStream(payload, Key);

    const uint8_t flags[2] = {Compressed ? kCompressedFlag : kBlank, encipher ? kEncryptedFlag : kBlank};
    destination.writeBuffer(flags, 2);
    destination.writeBuffer(payload.data(), static_cast<size_t>(payload.size()));
}

void TPackStreams::SaveToFile(const std::string &fileName, packing::SaveFile::Access access)
{
    packing::SaveFile file(fileName, access);
    SaveToStream(file.stream());
    file.commit();
}

// ---- loading

void TPackStreams::DoCorrupt()
{
    if (OnCorrupt)
        OnCorrupt(*this);
    throw ECorruptFile("File is corrupt.");
}

bool TPackStreams::CheckSignature(packing::Stream &stream)
{
    stream.setPosition(0);
    uint8_t head[8];
    return stream.read(head, 8) == 8 && std::memcmp(head, kSignature, 8) == 0;
}

std::string TPackStreams::ReadItemName(packing::Stream &source)
{
    const uint16_t length = source.readUInt16();
    std::string name(length, '\0');
    source.readBuffer(name.data(), length);
    return name;
}

void TPackStreams::ReadItems(packing::Stream &source)
{
    if (!CheckSignature(source))
        DoCorrupt();
    ClearStreams();
    source.setPosition(8);
    const uint32_t count = source.readUInt32();
    if (MaxItems > 0 && count > MaxItems)
        DoCorrupt();
    // The items are taken in the order they come and put in order of their names once all
    // are read (at once when they come in order, as they are written), so that loading takes
    // time in proportion to the container whatever the order of its names. A name read
    // again keeps its first spelling and place and takes the later content, as a store
    // under an existing name does.
    struct Cleanup {
        TPackStreams &box;
        bool sorted = true;
        ~Cleanup() { box.putItemsInOrder(sorted); }
    } inOrder{*this};
    for (uint32_t i = 0; i < count; ++i) {
        std::string name = ReadItemName(source);
        const uint32_t size = source.readUInt32();
        // Checked before anything is allocated for the item.
        if (SizeLimit > 0 && int64_t(size) > SizeLimit)
            DoCorrupt();
        if (int64_t(size) > source.size() - source.position())
            throw packing::EReadError();
        auto stream = std::make_unique<packing::MemoryStream>();
        if (size > 0)
            stream->copyFrom(source, size);
        if (inOrder.sorted && !items_.empty() && compareNames(items_.back().name, name) >= 0)
            inOrder.sorted = false;
        items_.push_back(Item{std::move(name), std::move(stream)});
    }
    itemsRead_ = count;
}

void TPackStreams::putItemsInOrder(bool sorted)
{
    if (sorted)
        return;
    std::stable_sort(items_.begin(), items_.end(),
                     [](const Item &a, const Item &b) { return compareNames(a.name, b.name) < 0; });
    // Of a run of one name: the first spelling, the last content.
    size_t kept = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (kept > 0 && compareNames(items_[kept - 1].name, items_[i].name) == 0)
            items_[kept - 1].stream = std::move(items_[i].stream);
        else if (kept++ != i)
            items_[kept - 1] = std::move(items_[i]);
    }
    items_.resize(kept);
}

int64_t TPackStreams::LargestContainer(int64_t sizeLimit)
{
    return sizeLimit > 0 ? 2 + payloadAllowance(sizeLimit + kFramingAllowance) : INT64_MAX;
}

void TPackStreams::LoadFromStream(packing::Stream &source)
{
    std::string key = Key;
    source.setPosition(0);
    const int64_t size = source.size();
    const int64_t innerLimit = SizeLimit > 0 ? SizeLimit + kFramingAllowance : 0;
    if (size < 2 || size > LargestContainer(SizeLimit))
        DoCorrupt();
    uint8_t flags[2];
    source.readBuffer(flags, 2);
    const bool compressed = flags[0] == kCompressedFlag;
    const bool enciphered = flags[1] == kEncryptedFlag;

    packing::MemoryStream payload;
    if (size > 2)
        payload.copyFrom(source, size - 2);
    payload.setPosition(0);

    if (enciphered) {
        if (OnAskForKey)
            OnAskForKey(*this, key);
        bool failed = false;
        try {
            DecryptStream(payload, key);
        } catch (const std::exception &) {
            failed = true;
        }
        if (failed)
            DoCorrupt();
    }
    if (!compressed && !CheckSignature(payload))
        DoCorrupt();

    payload.setPosition(0);
    packing::MemoryStream inner;
    if (compressed) {
        bool failed = false;
        try {
            LzhDecompressStream(payload, inner, innerLimit);
        } catch (const std::exception &) {
            failed = true;
        }
        if (failed)
            DoCorrupt();
    } else {
        inner = std::move(payload);
        if (innerLimit > 0 && inner.size() > innerLimit)
            DoCorrupt();
    }

    ReadItems(inner);

    Key = key;
    Compressed = compressed;
    Encrypted = enciphered;
}

void TPackStreams::LoadFromFile(const std::string &fileName)
{
    packing::FileStream file(fileName, packing::FileStream::OpenRead);
    LoadFromStream(file);
}
