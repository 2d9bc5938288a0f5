// Blowfish in electronic-codebook mode over memory buffers, the stream padding, and the
// stream encipherment used by the container.
//
// A block's halves are read little-endian (bytes 0..3 = left, 4..7 = right); the arithmetic
// is the published cipher's: 16 rounds, F(x) = ((S0[a] + S1[b]) ^ S2[c]) + S3[d] with a the
// most significant byte, and the key schedule over 72 key bytes that cycle from the first.
#include <algorithm>
#include <cstring>

#include "packing/BlowfishPiTables.h"
#include "packing/PackStreamRoutines.h"

namespace {

struct BlowfishState {
    uint32_t P[18];
    uint32_t S[4][256];
};

BlowfishState initialState()
{
    BlowfishState s;
    std::memcpy(s.P, blowfish_pi::kInitP, sizeof s.P);
    std::memcpy(s.S, blowfish_pi::kInitS, sizeof s.S);
    return s;
}

// The cipher state is one per thread; the program uses it from one thread only.
thread_local BlowfishState state = initialState();

// The schedule of the last key: scheduling the same key again gives the same state, so it is
// taken from here instead of being computed again.
struct ScheduleCache {
    bool valid = false;
    std::string key;
    bool strong = false;
    BlowfishState state;
};
thread_local ScheduleCache lastSchedule;

inline uint32_t F(const BlowfishState &s, uint32_t x)
{
    return ((s.S[0][x >> 24] + s.S[1][(x >> 16) & 0xFF]) ^ s.S[2][(x >> 8) & 0xFF]) + s.S[3][x & 0xFF];
}

inline void encipher(const BlowfishState &s, uint32_t &left, uint32_t &right)
{
    uint32_t l = left, r = right;
    for (int i = 0; i < 16; i += 2) {
        l ^= s.P[i];
        r ^= F(s, l);
        r ^= s.P[i + 1];
        l ^= F(s, r);
    }
    left = r ^ s.P[17];
    right = l ^ s.P[16];
}

inline void decipher(const BlowfishState &s, uint32_t &left, uint32_t &right)
{
    uint32_t l = left, r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= s.P[i];
        r ^= F(s, l);
        r ^= s.P[i - 1];
        l ^= F(s, r);
    }
    left = r ^ s.P[0];
    right = l ^ s.P[1];
}

inline uint32_t loadLE(const uint8_t *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void storeLE(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

bool hasRepeatedEntry(const uint32_t (&box)[256])
{
    uint32_t sorted[256];
    std::copy(std::begin(box), std::end(box), sorted);
    std::sort(std::begin(sorted), std::end(sorted));
    return std::adjacent_find(std::begin(sorted), std::end(sorted)) != std::end(sorted);
}

} // namespace

bool BlowfishInit(const uint8_t *key, uint8_t count)
{
    BlowfishReset();
    if (count == 0)
        throw EDivByZero();
    for (int i = 0; i < 72; i++)
        state.P[i / 4] ^= uint32_t(key[i % count]) << (8 * (3 - i % 4));
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        encipher(state, l, r);
        state.P[i] = l;
        state.P[i + 1] = r;
    }
    for (auto &box : state.S) {
        for (int i = 0; i < 256; i += 2) {
            encipher(state, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
    for (const auto &box : state.S)
        if (hasRepeatedEntry(box))
            return false;
    return true;
}

void BlowfishReset()
{
    std::memcpy(state.P, blowfish_pi::kInitP, sizeof state.P);
    std::memcpy(state.S, blowfish_pi::kInitS, sizeof state.S);
}

void BlowfishEncryptBlock(uint32_t &left, uint32_t &right)
{
    encipher(state, left, right);
}

void BlowfishDecryptBlock(uint32_t &left, uint32_t &right)
{
    decipher(state, left, right);
}

namespace {

// Two blocks at a time: their rounds are independent, so the processor overlaps them.
template <bool Encipher>
void cipherBuffer(uint8_t *buffer, size_t size)
{
    const BlowfishState &s = state;
    size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        uint32_t l1 = loadLE(buffer + i), r1 = loadLE(buffer + i + 4);
        uint32_t l2 = loadLE(buffer + i + 8), r2 = loadLE(buffer + i + 12);
        if constexpr (Encipher) {
            for (int k = 0; k < 16; k += 2) {
                l1 ^= s.P[k];
                l2 ^= s.P[k];
                r1 ^= F(s, l1);
                r2 ^= F(s, l2);
                r1 ^= s.P[k + 1];
                r2 ^= s.P[k + 1];
                l1 ^= F(s, r1);
                l2 ^= F(s, r2);
            }
            storeLE(buffer + i, r1 ^ s.P[17]);
            storeLE(buffer + i + 4, l1 ^ s.P[16]);
            storeLE(buffer + i + 8, r2 ^ s.P[17]);
            storeLE(buffer + i + 12, l2 ^ s.P[16]);
        } else {
            for (int k = 17; k > 1; k -= 2) {
                l1 ^= s.P[k];
                l2 ^= s.P[k];
                r1 ^= F(s, l1);
                r2 ^= F(s, l2);
                r1 ^= s.P[k - 1];
                r2 ^= s.P[k - 1];
                l1 ^= F(s, r1);
                l2 ^= F(s, r2);
            }
            storeLE(buffer + i, r1 ^ s.P[0]);
            storeLE(buffer + i + 4, l1 ^ s.P[1]);
            storeLE(buffer + i + 8, r2 ^ s.P[0]);
            storeLE(buffer + i + 12, l2 ^ s.P[1]);
        }
    }
    for (; i + 8 <= size; i += 8) {
        uint32_t l = loadLE(buffer + i), r = loadLE(buffer + i + 4);
        if constexpr (Encipher)
            encipher(s, l, r);
        else
            decipher(s, l, r);
        storeLE(buffer + i, l);
        storeLE(buffer + i + 4, r);
    }
}

} // namespace

void BlowfishEncryptBuffer(uint8_t *buffer, size_t size)
{
    cipherBuffer<true>(buffer, size);
}

void BlowfishDecryptBuffer(uint8_t *buffer, size_t size)
{
    cipherBuffer<false>(buffer, size);
}

bool BlowfishSetKey(const std::string &key)
{
    // The count travels in one byte: longer keys give their first 255 bytes (of which the
    // schedule uses the first 72 anyway).
    const std::string used = key.substr(0, 255);
    if (lastSchedule.valid && lastSchedule.key == used) {
        state = lastSchedule.state;
        return lastSchedule.strong;
    }
    lastSchedule.valid = false;
    const bool strong = BlowfishInit(reinterpret_cast<const uint8_t *>(used.data()),
                                     static_cast<uint8_t>(used.size()));
    lastSchedule.key = used;
    lastSchedule.strong = strong;
    lastSchedule.state = state;
    lastSchedule.valid = true;
    return strong;
}

void PadStream(packing::MemoryStream &stream)
{
    const size_t size = static_cast<size_t>(stream.size());
    const uint8_t p = static_cast<uint8_t>(8 - (size + 1) % 8);
    uint8_t pad[9];
    std::memset(pad, 0x01, p);
    pad[p] = p;
    stream.setPosition(stream.size());
    stream.writeBuffer(pad, p + 1u);
}

void EncryptStream(packing::MemoryStream &stream, const std::string &key)
{
    if (stream.size() == 0 || !BlowfishSetKey(key))
        return;
    PadStream(stream);
    BlowfishEncryptBuffer(stream.data(), static_cast<size_t>(stream.size()));
}

void DecryptStream(packing::MemoryStream &stream, const std::string &key)
{
    if (stream.size() == 0 || !BlowfishSetKey(key))
        return;
    const size_t size = static_cast<size_t>(stream.size());
    BlowfishDecryptBuffer(stream.data(), size);
    const size_t p = stream.data()[size - 1];
    if (p > 8 || p + 1 > size)
        throw EBadPadding();
    stream.setSize(size - p - 1);
}
