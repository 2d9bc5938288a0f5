#pragma once
// Builds -lh5- bit streams by hand, symbol by symbol, for decoder tests: block headers with
// chosen code lengths, literals and matches. Also a plain model of the decoder's output.
#include <cstdint>
#include <string>
#include <vector>

namespace lzhtest {

class BitWriter {
public:
    void put(int n, unsigned value)  // n <= 24, most significant bit first
    {
        for (int i = n - 1; i >= 0; --i) {
            acc_ = (acc_ << 1) | ((value >> i) & 1);
            if (++count_ == 8) {
                bytes_.push_back(static_cast<uint8_t>(acc_));
                acc_ = count_ = 0;
            }
        }
    }
    std::vector<uint8_t> finish()
    {
        std::vector<uint8_t> out = bytes_;
        if (count_)
            out.push_back(static_cast<uint8_t>(acc_ << (8 - count_)));
        return out;
    }
    // The encoder's ending: seven zero bits, then the partly filled byte, which goes out even
    // when it holds no bits.
    std::vector<uint8_t> finishAsEncoder()
    {
        put(7, 0);
        put(8 - count_, 0);
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
    unsigned acc_ = 0;
    int count_ = 0;
};

// Canonical codes for the lengths: shorter codes first, equal lengths in symbol order.
inline std::vector<unsigned> canonicalCodes(const std::vector<int> &len)
{
    unsigned count[18] = {}, start[18] = {};
    for (int l : len)
        count[l]++;
    for (int i = 1; i <= 16; i++)
        start[i + 1] = (start[i] + count[i]) << 1;
    std::vector<unsigned> code(len.size(), 0);
    for (size_t i = 0; i < len.size(); i++)
        if (len[i])
            code[i] = start[len[i]]++;
    return code;
}

struct Code {
    std::vector<int> len;
    std::vector<unsigned> code;
    int single = -1;  // >= 0: a code of one symbol, sent as a count of 0 and that symbol
    static Code lengths(std::vector<int> l)
    {
        Code c;
        c.code = canonicalCodes(l);
        c.len = std::move(l);
        return c;
    }
    static Code one(int symbol, int alphabet)
    {
        Code c;
        c.len.assign(static_cast<size_t>(alphabet), 0);
        c.code.assign(static_cast<size_t>(alphabet), 0);
        c.single = symbol;
        return c;
    }
    void send(BitWriter &w, int symbol) const
    {
        if (single < 0)
            w.put(len[static_cast<size_t>(symbol)], code[static_cast<size_t>(symbol)]);
    }
};

// A length list of the code-length or position alphabet (3-bit lengths, unary above 6).
inline void writeShortLengths(BitWriter &w, const Code &c, int nbit, int iSpecial)
{
    if (c.single >= 0) {
        w.put(nbit, 0);
        w.put(nbit, static_cast<unsigned>(c.single));
        return;
    }
    int n = static_cast<int>(c.len.size());
    while (n > 0 && c.len[static_cast<size_t>(n - 1)] == 0)
        n--;
    w.put(nbit, static_cast<unsigned>(n));
    int i = 0;
    while (i < n) {
        const int k = c.len[static_cast<size_t>(i++)];
        if (k <= 6)
            w.put(3, static_cast<unsigned>(k));
        else
            w.put(k - 3, (1U << (k - 3)) - 2);
        if (i == iSpecial) {
            while (i < 6 && (i >= static_cast<int>(c.len.size()) || c.len[static_cast<size_t>(i)] == 0))
                i++;
            w.put(2, static_cast<unsigned>(i - 3) & 3);
        }
    }
}

// The literal/length lengths, written with the code-length code t.
inline void writeLiteralLengths(BitWriter &w, const Code &c, const Code &t)
{
    if (c.single >= 0) {
        w.put(9, 0);
        w.put(9, static_cast<unsigned>(c.single));
        return;
    }
    int n = static_cast<int>(c.len.size());
    while (n > 0 && c.len[static_cast<size_t>(n - 1)] == 0)
        n--;
    w.put(9, static_cast<unsigned>(n));
    int i = 0;
    while (i < n) {
        const int k = c.len[static_cast<size_t>(i++)];
        if (k != 0) {
            t.send(w, k + 2);
            continue;
        }
        int count = 1;
        while (i < n && c.len[static_cast<size_t>(i)] == 0) {
            i++;
            count++;
        }
        if (count <= 2) {
            for (int m = 0; m < count; m++)
                t.send(w, 0);
        } else if (count <= 18) {
            t.send(w, 1);
            w.put(4, static_cast<unsigned>(count - 3));
        } else if (count == 19) {
            t.send(w, 0);
            t.send(w, 1);
            w.put(4, 15);
        } else {
            t.send(w, 2);
            w.put(9, static_cast<unsigned>(count - 20));
        }
    }
}

struct Block {
    Code t, c, p;
    void header(BitWriter &w, unsigned count) const
    {
        w.put(16, count);
        writeShortLengths(w, t, 5, 3);
        writeLiteralLengths(w, c, t);
        writeShortLengths(w, p, 4, -1);
    }
    void literal(BitWriter &w, int byte) const { c.send(w, byte); }
    void match(BitWriter &w, int length, unsigned distance) const
    {
        c.send(w, length + 253);
        int bitsOf = 0;
        for (unsigned q = distance; q; q >>= 1)
            bitsOf++;
        p.send(w, bitsOf);
        if (bitsOf > 1)
            w.put(bitsOf - 1, distance & ((1U << (bitsOf - 1)) - 1));
    }
};

// What a decoder must produce: literals, and matches copying from `distance + 1` bytes back
// (zero bytes before the start).
struct OutputModel {
    std::string out;
    void literal(int byte) { out.push_back(static_cast<char>(byte)); }
    void match(int length, unsigned distance)
    {
        for (int k = 0; k < length; k++) {
            const int64_t from = static_cast<int64_t>(out.size()) - distance - 1;
            out.push_back(from < 0 ? '\0' : out[static_cast<size_t>(from)]);
        }
    }
};

// The framed stream: 4-byte little-endian size, then the bits.
inline std::string framed(uint32_t size, const std::vector<uint8_t> &bits)
{
    std::string s;
    for (int i = 0; i < 4; i++)
        s.push_back(static_cast<char>(size >> (8 * i)));
    s.append(bits.begin(), bits.end());
    return s;
}

} // namespace lzhtest
