// The -lh5- decoder. Reads any conforming bit stream; every table index and every buffer
// access is bounded whatever the input, and malformed code-length lists fail with
// ECorruptFile "Compressed file is corrupt".
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "packing/LzhConstants.h"
#include "packing/PackStreamRoutines.h"

using namespace lzh;

namespace {

const char *const kCorrupt = "Compressed file is corrupt";

[[noreturn]] void corrupt()
{
    throw ECorruptFile(kCorrupt);
}

// The fewest bits a block can take (count, a code-length code of one symbol, a literal/length
// code of two one-bit symbols, a position code of one symbol), and the most bytes it can give.
constexpr int64_t kMinBlockBits = 16 + 2 * TBIT + CBIT + 2 * PBIT;
constexpr int64_t kMaxBlockBytes = int64_t(65536) * MAXMATCH;
// Symbols whose codes run a few bits past the end are let through; a piece of output that
// took more than that from the zeros after the end is corrupt.
constexpr int64_t kSlackBits = 16;

class LzhDecoder {
public:
    LzhDecoder()
    {
        // History of DICSIZ bytes, a piece of DICSIZ bytes, room for a match running past the
        // piece's end and for the 8-byte copies of the match loop.
        window_.assign(DICSIZ * 2 + MAXMATCH + 16, 0);
        inBuf_.assign(IOBUFSIZE, 0);
    }

    // Decodes `size` bytes; the tables are all rebuilt from the stream before they are used, so
    // only the bit input, the block count and the history need a fresh start.
    void LzhDecode(packing::Stream &source, packing::Stream &destination, int64_t compressedLength, int64_t size);

    bool busy = false;

private:
    // ---- bit input: the next bits of the stream sit at the top of bitBuf_.
    uint8_t LzhReadByte();
    void LzhFillBuf()
    {
        if (inEnd_ - inPtr_ >= 8) {
            uint64_t w = 0;
            for (int i = 0; i < 8; i++)
                w = (w << 8) | inPtr_[i];
            bitBuf_ |= w >> bitCount_;
            const int bytes = (63 - bitCount_) >> 3;
            inPtr_ += bytes;
            bitCount_ += bytes * 8;
            return;
        }
        while (bitCount_ <= 55) {
            bitBuf_ |= uint64_t(LzhReadByte()) << (56 - bitCount_);
            bitCount_ += 8;
        }
    }
    // The next n bits (1 <= n <= 16) without consuming them; needs LzhFillBuf before.
    unsigned peekBits(int n) const { return static_cast<unsigned>(bitBuf_ >> (64 - n)); }
    void dropBits(int n)
    {
        bitBuf_ <<= n;
        bitCount_ -= n;
    }
    unsigned LzhGetBits(int n)
    {
        if (n == 0)
            return 0;
        if (bitCount_ < n)
            LzhFillBuf();
        const unsigned x = peekBits(n);
        dropBits(n);
        return x;
    }
    // Bits taken from the zero bytes fed after the end. No stream the compressor writes takes
    // any: its last byte is completed with the closing bits.
    int64_t bitsPastEnd() const { return padBytes_ * 8 - bitCount_; }
    void LzhInitGetBits()
    {
        bitBuf_ = 0;
        bitCount_ = 0;
        LzhFillBuf();
    }

    // ---- tables
    void LzhMakeTable(int nchar, const uint8_t *bitlen, int tablebits, uint16_t *table);
    void LzhReadPtLen(int nn, int nbit, int iSpecial);
    void LzhReadCLen();
    void readBlockHeader();
    unsigned LzhDecodeC();
    unsigned LzhDecodeP();
    void LzhDecodeChunk(int64_t count);

    packing::Stream *source_ = nullptr;
    packing::Stream *destination_ = nullptr;
    int64_t compLeft_ = 0;  // compressed bytes not yet fetched from the source
    int64_t padBytes_ = 0;  // zero bytes fed to the bit input after the compressed bytes

    std::vector<uint8_t> inBuf_;
    const uint8_t *inPtr_ = nullptr, *inEnd_ = nullptr;
    uint64_t bitBuf_ = 0;
    int bitCount_ = 0;

    unsigned blocksize_ = 0;
    uint8_t cLen_[NC] = {}, ptLen_[NPT] = {};
    uint16_t cTable_[4096] = {}, ptTable_[256] = {};
    uint16_t left_[TREESIZE] = {}, right_[TREESIZE] = {};

    std::vector<uint8_t> window_;
    int64_t end_ = DICSIZ;  // end of the bytes produced, as an index into window_
};

// Next compressed byte, or zero once the compressed length is used up (the bit input reads
// ahead of what it consumes, so a sound stream is fed a few of them at its end).
uint8_t LzhDecoder::LzhReadByte()
{
    if (inPtr_ == inEnd_) {
        if (compLeft_ <= 0) {
            ++padBytes_;
            return 0;
        }
        const size_t want = static_cast<size_t>(std::min<int64_t>(compLeft_, IOBUFSIZE));
        const size_t got = source_->read(inBuf_.data(), want);
        if (got == 0) {
            compLeft_ = 0;
            ++padBytes_;
            return 0;
        }
        compLeft_ -= static_cast<int64_t>(got);
        inPtr_ = inBuf_.data();
        inEnd_ = inPtr_ + got;
    }
    return *inPtr_++;
}

// Decoding table for codes of up to `tablebits` bits; longer codes continue in a binary tree
// (left_/right_) whose nodes are numbered from nchar upwards.
void LzhDecoder::LzhMakeTable(int nchar, const uint8_t *bitlen, int tablebits, uint16_t *table)
{
    unsigned count[17] = {}, weight[17], start[18];
    for (int i = 0; i < nchar; i++) {
        if (bitlen[i] > MAXCODE)
            corrupt();
        count[bitlen[i]]++;
    }
    start[1] = 0;
    for (int i = 1; i <= 16; i++)
        start[i + 1] = start[i] + (count[i] << (16 - i));
    if (start[17] != (1U << 16))
        corrupt();

    const int jutbits = 16 - tablebits;
    int i = 1;
    for (; i <= tablebits; i++) {
        start[i] >>= jutbits;
        weight[i] = 1U << (tablebits - i);
    }
    for (; i <= 16; i++)
        weight[i] = 1U << (16 - i);

    unsigned k = start[tablebits + 1] >> jutbits;
    const unsigned tableSize = 1U << tablebits;
    while (k < tableSize)
        table[k++] = 0;

    unsigned avail = static_cast<unsigned>(nchar);
    const unsigned mask = 1U << (15 - tablebits);
    for (int ch = 0; ch < nchar; ch++) {
        const int len = bitlen[ch];
        if (len == 0)
            continue;
        const unsigned nextcode = start[len] + weight[len];
        if (len <= tablebits) {
            for (unsigned j = start[len]; j < nextcode; j++)
                table[j] = static_cast<uint16_t>(ch);
        } else {
            unsigned code = start[len];
            uint16_t *p = &table[code >> jutbits];
            for (int m = len - tablebits; m != 0; m--) {
                if (*p == 0) {
                    if (avail >= static_cast<unsigned>(TREESIZE))
                        corrupt();
                    right_[avail] = left_[avail] = 0;
                    *p = static_cast<uint16_t>(avail++);
                }
                p = (code & mask) ? &right_[*p] : &left_[*p];
                code <<= 1;
            }
            *p = static_cast<uint16_t>(ch);
        }
        start[len] = nextcode;
    }
}

// The code-length code (nn = NT, with the zero run after the third length) or the position
// code (nn = NP).
void LzhDecoder::LzhReadPtLen(int nn, int nbit, int iSpecial)
{
    const int n = static_cast<int>(LzhGetBits(nbit));
    if (n == 0) {
        const unsigned c = LzhGetBits(nbit);
        if (c >= static_cast<unsigned>(nn))
            corrupt();
        for (int i = 0; i < nn; i++)
            ptLen_[i] = 0;
        for (int i = 0; i < 256; i++)
            ptTable_[i] = static_cast<uint16_t>(c);
        return;
    }
    if (n > nn)
        corrupt();
    int i = 0;
    while (i < n) {
        LzhFillBuf();
        int c = static_cast<int>(peekBits(3));
        if (c == 7) {
            // Lengths above 6 continue in unary: one more for each 1 bit.
            uint64_t m = uint64_t(1) << (63 - 3);
            while ((m & bitBuf_) && c <= MAXCODE) {
                m >>= 1;
                c++;
            }
            if (c > MAXCODE)
                corrupt();
        }
        dropBits(c < 7 ? 3 : c - 3);
        ptLen_[i++] = static_cast<uint8_t>(c);
        if (i == iSpecial) {
            int zeros = static_cast<int>(LzhGetBits(2));
            while (--zeros >= 0)
                ptLen_[i++] = 0;
        }
    }
    while (i < nn)
        ptLen_[i++] = 0;
    LzhMakeTable(nn, ptLen_, 8, ptTable_);
}

void LzhDecoder::LzhReadCLen()
{
    const int n = static_cast<int>(LzhGetBits(CBIT));
    if (n == 0) {
        const unsigned c = LzhGetBits(CBIT);
        if (c >= static_cast<unsigned>(NC))
            corrupt();
        for (int i = 0; i < NC; i++)
            cLen_[i] = 0;
        for (int i = 0; i < 4096; i++)
            cTable_[i] = static_cast<uint16_t>(c);
        return;
    }
    if (n > NC)
        corrupt();
    int i = 0;
    while (i < n) {
        LzhFillBuf();
        unsigned c = ptTable_[peekBits(8)];
        if (c >= static_cast<unsigned>(NT)) {
            uint64_t m = uint64_t(1) << (63 - 8);
            do {
                c = (bitBuf_ & m) ? right_[c] : left_[c];
                m >>= 1;
            } while (c >= static_cast<unsigned>(NT));
        }
        dropBits(ptLen_[c]);
        if (c <= 2) {
            int run;
            if (c == 0)
                run = 1;
            else if (c == 1)
                run = static_cast<int>(LzhGetBits(4)) + 3;
            else
                run = static_cast<int>(LzhGetBits(CBIT)) + 20;
            if (i + run > NC)
                corrupt();
            while (--run >= 0)
                cLen_[i++] = 0;
        } else
            cLen_[i++] = static_cast<uint8_t>(c - 2);
    }
    while (i < NC)
        cLen_[i++] = 0;
    LzhMakeTable(NC, cLen_, 12, cTable_);
}

// A block that would start, or whose header would end, past the compressed bytes is corrupt:
// decoding on from the zeros after the end could give any number of bytes.
void LzhDecoder::readBlockHeader()
{
    if (bitsPastEnd() > 0)
        corrupt();
    blocksize_ = LzhGetBits(16);
    LzhReadPtLen(NT, TBIT, 3);
    LzhReadCLen();
    LzhReadPtLen(NP, PBIT, -1);
    if (bitsPastEnd() > 0)
        corrupt();
}

// One literal/length symbol; a new block header is read when the block's count is used up
// (a count of 0 stands for 65536 symbols).
unsigned LzhDecoder::LzhDecodeC()
{
    if (blocksize_ == 0)
        readBlockHeader();
    blocksize_ = (blocksize_ - 1) & 0xFFFF;
    if (bitCount_ < 32)
        LzhFillBuf();
    unsigned j = cTable_[peekBits(12)];
    if (j >= static_cast<unsigned>(NC)) {
        uint64_t m = uint64_t(1) << (63 - 12);
        do {
            j = (bitBuf_ & m) ? right_[j] : left_[j];
            m >>= 1;
        } while (j >= static_cast<unsigned>(NC));
    }
    dropBits(cLen_[j]);
    return j;
}

// One match distance (0..8191).
unsigned LzhDecoder::LzhDecodeP()
{
    if (bitCount_ < 32)
        LzhFillBuf();
    unsigned j = ptTable_[peekBits(8)];
    if (j >= static_cast<unsigned>(NP)) {
        uint64_t m = uint64_t(1) << (63 - 8);
        do {
            j = (bitBuf_ & m) ? right_[j] : left_[j];
            m >>= 1;
        } while (j >= static_cast<unsigned>(NP));
    }
    dropBits(ptLen_[j]);
    if (j > 1)
        j = (1U << (j - 1)) + LzhGetBits(static_cast<int>(j - 1));
    return j;
}

// Produces `count` (<= DICSIZ) more bytes behind the history and writes them out; a match that
// runs past them is kept for the next piece.
void LzhDecoder::LzhDecodeChunk(int64_t count)
{
    uint8_t *const w = window_.data();
    const int64_t pieceEnd = DICSIZ + count;
    int64_t e = end_;
    while (e < pieceEnd) {
        const unsigned c = LzhDecodeC();
        if (c <= 255) {
            w[e++] = static_cast<uint8_t>(c);
            continue;
        }
        const int len = static_cast<int>(c) - (256 - THRESHOLD);
        const int back = static_cast<int>(LzhDecodeP()) + 1;  // 1..8192, within the history
        uint8_t *dst = w + e;
        const uint8_t *src = dst - back;
        if (back >= 8) {
            for (int k = 0; k < len; k += 8)
                std::memcpy(dst + k, src + k, 8);
        } else if (back == 1) {
            std::memset(dst, *src, static_cast<size_t>(len));
        } else {
            for (int k = 0; k < len; k++)
                dst[k] = src[k];
        }
        e += len;
    }
    if (bitsPastEnd() > kSlackBits)
        corrupt();
    destination_->writeBuffer(w + DICSIZ, static_cast<size_t>(count));
    // The last DICSIZ bytes become the history; what ran past the piece follows them.
    std::memmove(w, w + count, static_cast<size_t>(e - count));
    end_ = e - count;
}

void LzhDecoder::LzhDecode(packing::Stream &source, packing::Stream &destination, int64_t compressedLength,
                           int64_t size)
{
    source_ = &source;
    destination_ = &destination;
    compLeft_ = compressedLength;
    padBytes_ = 0;
    inPtr_ = inEnd_ = nullptr;
    std::memset(window_.data(), 0, DICSIZ);
    end_ = DICSIZ;
    LzhInitGetBits();
    blocksize_ = 0;
    for (int64_t left = size; left > 0;) {
        const int64_t n = std::min<int64_t>(left, DICSIZ);
        LzhDecodeChunk(n);
        left -= n;
    }
}

} // namespace

void LzhDecompressStream(packing::Stream &source, packing::Stream &destination, int64_t sizeLimit)
{
    const int64_t compressedLength = source.size() - source.position() - 4;
    const int32_t size = static_cast<int32_t>(source.readUInt32());
    if (size <= 0)
        return;
    if (sizeLimit > 0 && size > sizeLimit)
        throw ECorruptFile(kCorrupt);
    // Every block that starts within the compressed bits yields at most kMaxBlockBytes; a size
    // beyond that could only come from the zero bits fed after the end.
    const int64_t bits = std::max<int64_t>(compressedLength, 0) * 8;
    const int64_t maxBlocks = (bits + kMinBlockBits - 1) / kMinBlockBits;
    if (size > maxBlocks * kMaxBlockBytes)
        throw ECorruptFile(kCorrupt);
    // One decoder per thread, reused; a call made from inside a stream of another call gets
    // its own.
    thread_local LzhDecoder shared;
    std::unique_ptr<LzhDecoder> own;
    LzhDecoder *decoder = &shared;
    if (shared.busy) {
        own = std::make_unique<LzhDecoder>();
        decoder = own.get();
    }
    struct Release {
        LzhDecoder *d;
        ~Release() { d->busy = false; }
    } release{decoder};
    decoder->busy = true;
    decoder->LzhDecode(source, destination, compressedLength, size);
}
