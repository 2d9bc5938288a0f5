// The -lh5- encoder: LZ77 over an 8 KiB sliding window, matches found through hash chains of
// 3-byte prefixes with a bounded search, a one-step lazy match rule, and static Huffman codes
// sent block by block.
//
// The search is bounded by the chain length it walks, shortened once a good match is in hand
// and cut short while recent blocks found few matches (pictures already compressed, random
// bytes), so incompressible data costs a hash lookup and a literal per byte.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "packing/LzhConstants.h"
#include "packing/PackStreamRoutines.h"

using namespace lzh;

namespace {

constexpr unsigned SYMBUFSIZE = 16 * 1024;  // pending symbols
constexpr int HASH_BITS = 14;
constexpr unsigned HASH_SIZE = 1U << HASH_BITS;
constexpr int LOOKAHEAD = 64 * 1024;       // bytes read ahead of the window at a time
// Window and lookahead, with room for 8-byte reads past the last byte.
constexpr int BUFSIZE = DICSIZ + 2 + MAXMATCH + LOOKAHEAD + MAXMATCH + 16;

// Search bounds: candidates walked at most, a quarter of them once the match in hand is good,
// the length at which the search stops, and the length from which the next position is not
// searched for a longer match.
constexpr int MAX_CHAIN = 128;
constexpr int GOOD_LENGTH = 32;
constexpr int NICE_LENGTH = 160;
constexpr int MAX_LAZY = 64;
// While the last block coded fewer than one byte in this many as part of a match, candidates
// are walked at most SPARSE_CHAIN deep.
// In that state, after SKIP_AFTER positions in a row without a match, the bytes that follow
// go out as literals without a search, one more for every SKIP_AFTER positions missed.
constexpr int SPARSE_RATIO = 16;
constexpr int SPARSE_CHAIN = 4;
constexpr uint32_t SKIP_AFTER = 32;

class LzhEncoder {
public:
    LzhEncoder();
    LzhEncoder(const LzhEncoder &) = delete;
    LzhEncoder &operator=(const LzhEncoder &) = delete;

    void LzhEncode(packing::Stream &source, packing::Stream &destination, uint32_t size);

    bool busy = false;

private:
    // ---- byte input and output
    size_t readSource(uint8_t *to, size_t count);
    void LzhWriteByte(uint8_t b)
    {
        outBuf_[outPos_++] = b;
        if (outPos_ == IOBUFSIZE)
            flushOutput();
    }
    void flushOutput()
    {
        destination_->writeBuffer(outBuf_, static_cast<size_t>(outPos_));
        outPos_ = 0;
    }

    // ---- bit output
    void LzhInitPutBits()
    {
        bitAcc_ = 0;
        bitCount_ = 0;
    }
    // Writes the rightmost n bits of x (n <= 16, x < 2^n), most significant first. Whole
    // groups of 32 bits go out together.
    void LzhPutBits(int n, unsigned x)
    {
        bitAcc_ = (bitAcc_ << n) | x;
        bitCount_ += n;
        if (bitCount_ >= 32) {
            bitCount_ -= 32;
            const uint32_t w = static_cast<uint32_t>(bitAcc_ >> bitCount_);
            if (outPos_ + 4 <= IOBUFSIZE) {
                outBuf_[outPos_] = static_cast<uint8_t>(w >> 24);
                outBuf_[outPos_ + 1] = static_cast<uint8_t>(w >> 16);
                outBuf_[outPos_ + 2] = static_cast<uint8_t>(w >> 8);
                outBuf_[outPos_ + 3] = static_cast<uint8_t>(w);
                outPos_ += 4;
                if (outPos_ == IOBUFSIZE)
                    flushOutput();
            } else {
                for (int shift = 24; shift >= 0; shift -= 8)
                    LzhWriteByte(static_cast<uint8_t>(w >> shift));
            }
        }
    }
    // Writes the whole bytes held, then the partly filled byte, whether or not it holds bits.
    void closeBits()
    {
        while (bitCount_ >= 8) {
            bitCount_ -= 8;
            LzhWriteByte(static_cast<uint8_t>(bitAcc_ >> bitCount_));
        }
        LzhWriteByte(static_cast<uint8_t>(bitAcc_ << (8 - bitCount_)));
        bitCount_ = 0;
    }

    // ---- Huffman code construction

    // The symbols that occur in a code, in increasing order.
    struct SymbolList {
        int16_t at[NC];
        int count = 0;
    };
    void LzhCountLen(int root, const SymbolList &symbols);
    void LzhMakeLen(int root, const SymbolList &symbols);
    static void LzhDownHeap(uint32_t *heap, int size, int i);
    void LzhMakeCode(int n, const uint8_t *len, uint16_t *code, const SymbolList &present);
    int LzhMakeTree(int nparm, uint16_t *freqparm, uint8_t *lenparm, uint16_t *codeparm, SymbolList &symbols);

    // ---- block writer
    template <class Emit>
    void walkCLen(Emit emit) const;
    void LzhCountTFreq();
    void LzhWritePtLen(int n, int nbit, int iSpecial);
    void LzhWriteCLen();
    void LzhSendBlock();
    void encodeSymbols(unsigned size);
    void LzhOutput(unsigned c, unsigned p);
    void hufEncodeStart();

    // ---- match finder
    void LzhInitSlide();
    uint32_t fillWindow(uint32_t p);
    static unsigned LzhHash(const uint8_t *at)
    {
        uint32_t v;
        std::memcpy(&v, at, sizeof v);
        return ((v << 8) * 2654435761U) >> (32 - HASH_BITS);
    }
    const uint8_t *at(uint32_t p) const { return text_ + (p - bufStart_); }
    void LzhInsertNode(uint32_t p)
    {
        const unsigned h = LzhHash(at(p));
        prev_[p & (DICSIZ - 1)] = head_[h];
        head_[h] = p;
    }
    int LzhGetNextMatch(uint32_t p, int shorterThan, uint32_t &matchPos) const;

    packing::Stream *source_ = nullptr;
    packing::Stream *destination_ = nullptr;

    uint8_t outBuf_[IOBUFSIZE];
    int outPos_ = 0;
    uint64_t bitAcc_ = 0;
    int bitCount_ = 0;

    // Match finder. Positions count the bytes of every call made with this encoder, each call
    // starting more than a window past the last one's end, so that no chain reaches into an
    // earlier call's bytes and the tables need no clearing between calls. text_ holds the
    // bytes from bufStart_ to bufEnd_; head_ the last position of each hash, prev_ (by
    // position modulo the window) the position before it with the same hash.
    uint8_t text_[BUFSIZE];
    uint32_t head_[HASH_SIZE];
    uint32_t prev_[DICSIZ];
    uint32_t bufStart_ = 0, bufEnd_ = 0;
    uint32_t nextStart_ = DICSIZ + 1;
    uint64_t toRead_ = 0;
    bool sourceDone_ = false;
    int maxChain_ = MAX_CHAIN;
    uint32_t blockBytes_ = 0, blockMatched_ = 0;  // bytes coded in the pending block, in matches

    // Huffman coder.
    uint8_t buf_[SYMBUFSIZE];  // pending symbols
    unsigned outputPos_ = 0, outputMask_ = 0, cpos_ = 0;
    uint8_t cLen_[NC] = {}, ptLen_[NPT] = {};
    uint16_t cFreq_[TREESIZE] = {}, cCode_[NC] = {};
    uint16_t pFreq_[2 * NP - 1] = {}, ptCode_[NPT] = {};
    uint16_t tFreq_[2 * NT - 1] = {};
    uint16_t left_[TREESIZE] = {}, right_[TREESIZE] = {};
    // LzhMakeTree's working state.
    int n_ = 0;
    // Heap entries hold a node's frequency above its number, so that sifting reads no other array.
    uint32_t heap_[NC + 2] = {};
    static uint32_t heapEntry(int node, unsigned freq) { return freq << 16 | static_cast<unsigned>(node); }
    static uint32_t heapFreq(uint32_t entry) { return entry >> 16; }
    static int heapNode(uint32_t entry) { return static_cast<int>(entry & 0xFFFF); }
    // The literal/length symbols of the block, and those of the code-length or position code.
    SymbolList cSymbols_, ptSymbols_;
    uint16_t *freq_ = nullptr, *sortptr_ = nullptr;
    uint8_t *len_ = nullptr;
    uint16_t lenCnt_[17] = {};
};

LzhEncoder::LzhEncoder()
{
    std::memset(text_, 0, sizeof text_);
    std::memset(head_, 0, sizeof head_);
    std::memset(prev_, 0, sizeof prev_);
}

size_t LzhEncoder::readSource(uint8_t *to, size_t count)
{
    size_t done = 0;
    while (done < count) {
        const size_t n = source_->read(to + done, count - done);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// ---- Huffman code construction

// Counts the leaves (the symbols) at each depth below root; depths past 16 count as 16. Inner
// nodes are numbered in the order they were made, children before parents, so going down from
// the root by number gives every node its depth after its parent's.
void LzhEncoder::LzhCountLen(int root, const SymbolList &symbols)
{
    uint16_t depth[TREESIZE];
    depth[root] = 0;
    for (int k = root; k >= n_; k--) {
        const uint16_t d = static_cast<uint16_t>(depth[k] + 1);
        depth[left_[k]] = d;
        depth[right_[k]] = d;
    }
    for (int m = 0; m < symbols.count; m++)
        lenCnt_[std::min<int>(depth[symbols.at[m]], 16)]++;
}

// Code lengths from the tree, limited to 16 bits; leaves get lengths in the order in which
// they left the heap (least frequent first, longest code first).
void LzhEncoder::LzhMakeLen(int root, const SymbolList &symbols)
{
    for (int i = 0; i <= 16; i++)
        lenCnt_[i] = 0;
    LzhCountLen(root, symbols);
    unsigned cum = 0;
    for (int i = 16; i > 0; i--)
        cum += lenCnt_[i] << (16 - i);
    while (cum != (1U << 16)) {
        lenCnt_[16]--;
        for (int i = 15; i > 0; i--) {
            if (lenCnt_[i] != 0) {
                lenCnt_[i]--;
                lenCnt_[i + 1] += 2;
                break;
            }
        }
        cum--;
    }
    for (int i = 16; i > 0; i--) {
        int k = lenCnt_[i];
        while (--k >= 0)
            len_[*sortptr_++] = static_cast<uint8_t>(i);
    }
}

// Sifts entry i down the heap, by frequency alone: of two children of equal frequency the left
// one rises, and an entry stops above children of its own frequency. The entries along the path
// of smaller children move up all the way to the bottom, then the sifted entry climbs back
// past those of a frequency not below its own, which puts it where a step-by-step descent
// would stop: frequencies only grow along the path. The child is chosen without a branch; an
// entry of the highest frequency just past the end stands in for a missing right child.
inline void LzhEncoder::LzhDownHeap(uint32_t *const heap, const int size, int i)
{
    heap[size + 1] = 0xFFFFFFFF;
    const int top = i;
    const uint32_t k = heap[i];
    const uint32_t fk = heapFreq(k);
    int j;
    while ((j = 2 * i) <= size) {
        const uint32_t left = heap[j], right = heap[j + 1];
        const bool takeRight = heapFreq(left) > heapFreq(right);
        heap[i] = takeRight ? right : left;
        i = j + takeRight;
    }
    while (i > top && fk <= heapFreq(heap[i / 2])) {
        heap[i] = heap[i / 2];
        i /= 2;
    }
    heap[i] = k;
}

// Canonical codes: shorter codes first, equal lengths in symbol order. Only the symbols that
// occur have a length; every other symbol gets code 0.
void LzhEncoder::LzhMakeCode(int n, const uint8_t *len, uint16_t *code, const SymbolList &present)
{
    uint16_t start[18];
    start[0] = 0;
    start[1] = 0;
    for (int i = 1; i <= 16; i++)
        start[i + 1] = static_cast<uint16_t>((start[i] + lenCnt_[i]) << 1);
    std::fill_n(code, n, 0);
    for (int m = 0; m < present.count; m++) {
        const int i = present.at[m];
        code[i] = start[len[i]]++;
    }
}

// Builds the code for n symbols from their frequencies; returns the root, which is a symbol
// (< n) when fewer than two symbols occur: that symbol then gets length 0 and code 0.
int LzhEncoder::LzhMakeTree(int nparm, uint16_t *freqparm, uint8_t *lenparm, uint16_t *codeparm,
                            SymbolList &symbols)
{
    n_ = nparm;
    freq_ = freqparm;
    len_ = lenparm;
    int avail = n_;
    std::fill_n(len_, n_, 0);
    // The symbols that occur, in increasing order, into the heap (and kept in symbols). Counts
    // are tested four at a time first: most symbols of a small block never occur.
    int present = 0;
    int i = 0;
    for (; i + 4 <= n_; i += 4) {
        uint64_t four;
        std::memcpy(&four, freq_ + i, sizeof four);
        if (four == 0)
            continue;
        for (int m = i; m < i + 4; m++) {
            symbols.at[present] = static_cast<int16_t>(m);
            present += freq_[m] != 0;
        }
    }
    for (; i < n_; i++) {
        symbols.at[present] = static_cast<int16_t>(i);
        present += freq_[i] != 0;
    }
    symbols.count = present;
    if (present < 2) {
        const int only = present == 0 ? 0 : symbols.at[0];
        codeparm[only] = 0;
        return only;
    }
    int size = present;
    for (int m = 0; m < present; m++)
        heap_[m + 1] = heapEntry(symbols.at[m], freq_[symbols.at[m]]);
    for (int i = size / 2; i >= 1; i--)
        LzhDownHeap(heap_, size, i);
    sortptr_ = codeparm;
    int k;
    do {
        const uint32_t first = heap_[1];
        const int i = heapNode(first);
        if (i < n_)
            *sortptr_++ = static_cast<uint16_t>(i);
        heap_[1] = heap_[size--];
        LzhDownHeap(heap_, size, 1);
        const uint32_t second = heap_[1];
        const int j = heapNode(second);
        if (j < n_)
            *sortptr_++ = static_cast<uint16_t>(j);
        k = avail++;
        freq_[k] = static_cast<uint16_t>(heapFreq(first) + heapFreq(second));
        heap_[1] = heapEntry(k, freq_[k]);
        LzhDownHeap(heap_, size, 1);
        left_[k] = static_cast<uint16_t>(i);
        right_[k] = static_cast<uint16_t>(j);
    } while (size > 1);
    sortptr_ = codeparm;
    LzhMakeLen(k, symbols);
    LzhMakeCode(nparm, lenparm, codeparm, symbols);
    return k;
}

// ---- block writer

// The literal/length code lengths as code-length symbols: emit(symbol, extraBits, extra) for
// each, extraBits 0 when none follow. A run of zero lengths is one or two symbols 0, symbol 1
// with 4 bits (3..18 zeros), symbols 0 and 1 with 4 bits (19) or symbol 2 with 9 bits (20 and
// more). The lengths run up to the last symbol that occurs; only called for a code of two or
// more symbols, in which every symbol that occurs has a length and no other does, so the runs
// are the gaps between the symbols in cSymbols_.
template <class Emit>
void LzhEncoder::walkCLen(Emit emit) const
{
    int next = 0;  // first symbol after the last one emitted
    for (int m = 0; m < cSymbols_.count; m++) {
        const int symbol = cSymbols_.at[m];
        const int zeros = symbol - next;
        if (zeros == 0) {
        } else if (zeros <= 2) {
            for (int z = 0; z < zeros; z++)
                emit(0, 0, 0U);
        } else if (zeros <= 18) {
            emit(1, 4, static_cast<unsigned>(zeros - 3));
        } else if (zeros == 19) {
            emit(0, 0, 0U);
            emit(1, 4, 15U);
        } else {
            emit(2, CBIT, static_cast<unsigned>(zeros - 20));
        }
        emit(cLen_[symbol] + 2, 0, 0U);
        next = symbol + 1;
    }
}

void LzhEncoder::LzhCountTFreq()
{
    std::fill_n(tFreq_, NT, 0);
    walkCLen([this](int symbol, int, unsigned) { tFreq_[symbol]++; });
}

void LzhEncoder::LzhWritePtLen(int n, int nbit, int iSpecial)
{
    while (n > 0 && ptLen_[n - 1] == 0)
        n--;
    LzhPutBits(nbit, static_cast<unsigned>(n));
    int i = 0;
    while (i < n) {
        const int k = ptLen_[i++];
        if (k <= 6)
            LzhPutBits(3, static_cast<unsigned>(k));
        else
            LzhPutBits(k - 3, (1U << (k - 3)) - 2);
        if (i == iSpecial) {
            while (i < 6 && ptLen_[i] == 0)
                i++;
            LzhPutBits(2, static_cast<unsigned>(i - 3) & 3);
        }
    }
}

void LzhEncoder::LzhWriteCLen()
{
    LzhPutBits(CBIT, static_cast<unsigned>(cSymbols_.at[cSymbols_.count - 1] + 1));
    walkCLen([this](int symbol, int extraBits, unsigned extra) {
        LzhPutBits(ptLen_[symbol], ptCode_[symbol]);
        if (extraBits != 0)
            LzhPutBits(extraBits, extra);
    });
}

// The block's symbols, each match followed by its position symbol and extra bits. The bit
// writer lives in local variables for the length of the loop; whole words go out, the buffer
// being emptied first when a word would not fit, and again at the end if it is full, so that
// the byte writers find room for at least one byte.
void LzhEncoder::encodeSymbols(unsigned size)
{
    uint64_t acc = bitAcc_;
    int count = bitCount_;
    int out = outPos_;
    uint8_t *const buffer = outBuf_;
    auto put = [&](int n, unsigned x) {
        acc = (acc << n) | x;
        count += n;
        if (count < 32)
            return;
        count -= 32;
        const uint32_t w = static_cast<uint32_t>(acc >> count);
        if (out + 4 > IOBUFSIZE) {
            outPos_ = out;
            flushOutput();
            out = 0;
        }
        buffer[out] = static_cast<uint8_t>(w >> 24);
        buffer[out + 1] = static_cast<uint8_t>(w >> 16);
        buffer[out + 2] = static_cast<uint8_t>(w >> 8);
        buffer[out + 3] = static_cast<uint8_t>(w);
        out += 4;
    };
    auto LzhEncodeC = [&](int c) { put(cLen_[c], cCode_[c]); };
    auto LzhEncodeP = [&](unsigned p) {
        const unsigned c = p ? 32 - static_cast<unsigned>(__builtin_clz(p)) : 0;  // bit length
        put(ptLen_[c], ptCode_[c]);
        if (c > 1)
            put(static_cast<int>(c - 1), p & (0xFFFFU >> (17 - c)));
    };
    unsigned pos = 0, flags = 0;
    for (unsigned i = 0; i < size; i++) {
        if (i % 8 == 0)
            flags = buf_[pos++];
        else
            flags <<= 1;
        if (flags & 0x80U) {
            LzhEncodeC(buf_[pos++] + 256);
            unsigned p = static_cast<unsigned>(buf_[pos++]) << 8;
            p += buf_[pos++];
            LzhEncodeP(p);
        } else {
            LzhEncodeC(buf_[pos++]);
        }
    }
    bitAcc_ = acc;
    bitCount_ = count;
    outPos_ = out;
    if (outPos_ == IOBUFSIZE)
        flushOutput();
}

void LzhEncoder::LzhSendBlock()
{
    unsigned root = static_cast<unsigned>(LzhMakeTree(NC, cFreq_, cLen_, cCode_, cSymbols_));
    const unsigned size = cFreq_[root];
    LzhPutBits(16, size);
    if (root >= NC) {
        LzhCountTFreq();
        root = static_cast<unsigned>(LzhMakeTree(NT, tFreq_, ptLen_, ptCode_, ptSymbols_));
        if (root >= NT) {
            LzhWritePtLen(NT, TBIT, 3);
        } else {
            LzhPutBits(TBIT, 0);
            LzhPutBits(TBIT, root);
        }
        LzhWriteCLen();
    } else {
        LzhPutBits(TBIT, 0);
        LzhPutBits(TBIT, 0);
        LzhPutBits(CBIT, 0);
        LzhPutBits(CBIT, root);
    }
    root = static_cast<unsigned>(LzhMakeTree(NP, pFreq_, ptLen_, ptCode_, ptSymbols_));
    if (root >= NP) {
        LzhWritePtLen(NP, PBIT, -1);
    } else {
        LzhPutBits(PBIT, 0);
        LzhPutBits(PBIT, root);
    }
    encodeSymbols(size);
    for (int i = 0; i < NC; i++)
        cFreq_[i] = 0;
    for (int i = 0; i < NP; i++)
        pFreq_[i] = 0;
}

// Buffers one literal (c < 256) or one match (c = length + 253, p = distance); a flag byte
// leads every 8 symbols. The block goes out when a flag byte would start too near the end.
void LzhEncoder::LzhOutput(unsigned c, unsigned p)
{
    if ((outputMask_ >>= 1) == 0) {
        outputMask_ = 1U << 7;
        if (outputPos_ >= SYMBUFSIZE - 3 * 8) {
            LzhSendBlock();
            outputPos_ = 0;
            maxChain_ = blockMatched_ * SPARSE_RATIO < blockBytes_ ? SPARSE_CHAIN : MAX_CHAIN;
            blockBytes_ = blockMatched_ = 0;
        }
        cpos_ = outputPos_++;
        buf_[cpos_] = 0;
    }
    buf_[outputPos_++] = static_cast<uint8_t>(c);
    cFreq_[c]++;
    if (c >= 256) {
        buf_[cpos_] = static_cast<uint8_t>(buf_[cpos_] | outputMask_);
        buf_[outputPos_++] = static_cast<uint8_t>(p >> 8);
        buf_[outputPos_++] = static_cast<uint8_t>(p);
        c = 0;
        while (p) {
            p >>= 1;
            c++;
        }
        pFreq_[c]++;
    }
}

void LzhEncoder::hufEncodeStart()
{
    buf_[0] = 0;
    for (int i = 0; i < NC; i++)
        cFreq_[i] = 0;
    for (int i = 0; i < NP; i++)
        pFreq_[i] = 0;
    outputPos_ = outputMask_ = 0;
    LzhInitPutBits();
}

// ---- match finder

// A new call's positions start more than a window past the last call's end. Near the end of
// the position range the tables are cleared and positions start again low.
void LzhEncoder::LzhInitSlide()
{
    if (nextStart_ > 0xC0000000U) {
        std::memset(head_, 0, sizeof head_);
        std::memset(prev_, 0, sizeof prev_);
        nextStart_ = DICSIZ + 1;
    }
    bufStart_ = bufEnd_ = nextStart_;
    sourceDone_ = false;
    maxChain_ = MAX_CHAIN;
    blockBytes_ = blockMatched_ = 0;
}

// Keeps the window before p (and two bytes more, for the match held by the lazy rule) and
// reads the next piece of the source behind it. Positions far from the start are brought
// back by a fixed amount, tables included, so that they never wrap; returns that amount.
uint32_t LzhEncoder::fillWindow(uint32_t p)
{
    const uint32_t keepFrom = p - bufStart_ > DICSIZ + 2 ? p - (DICSIZ + 2) : bufStart_;
    const size_t kept = bufEnd_ - keepFrom;
    std::memmove(text_, text_ + (keepFrom - bufStart_), kept);
    bufStart_ = keepFrom;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(toRead_, BUFSIZE - 16 - kept));
    const size_t n = readSource(text_ + kept, want);
    toRead_ -= n;
    if (n < want || toRead_ == 0)
        sourceDone_ = true;
    bufEnd_ = bufStart_ + static_cast<uint32_t>(kept + n);
    std::memset(text_ + kept + n, 0, 8);
    if (bufEnd_ <= 0xF0000000U)
        return 0;
    constexpr uint32_t shift = 0x80000000U;
    for (uint32_t &h : head_)
        h = h > shift ? h - shift : 0;
    for (uint32_t &q : prev_)
        q = q > shift ? q - shift : 0;
    bufStart_ -= shift;
    bufEnd_ -= shift;
    return shift;
}

// The longest match for the bytes at p that is longer than `shorterThan` (at least 3), within
// the window and the bytes left; 0 when there is none.
int LzhEncoder::LzhGetNextMatch(uint32_t p, int shorterThan, uint32_t &matchPos) const
{
    const int limit = static_cast<int>(std::min<uint32_t>(MAXMATCH, bufEnd_ - p));
    int best = std::max(shorterThan, THRESHOLD - 1);
    if (best >= limit)
        return 0;
    int chain = best >= GOOD_LENGTH ? maxChain_ >> 2 : maxChain_;
    const uint8_t *const b = at(p);
    uint32_t cand = head_[LzhHash(b)];
    int found = 0;
    while (p - cand - 1 < static_cast<uint32_t>(DICSIZ) && chain-- > 0) {
        const uint8_t *const a = at(cand);
        if (a[best] == b[best] && a[0] == b[0] && a[1] == b[1]) {
            int len = 0;
            for (;;) {
                uint64_t x, y;
                std::memcpy(&x, a + len, 8);
                std::memcpy(&y, b + len, 8);
                if (x != y) {
                    len += __builtin_ctzll(x ^ y) >> 3;
                    break;
                }
                len += 8;
                if (len >= limit)
                    break;
            }
            len = std::min(len, limit);
            if (len > best) {
                best = len;
                found = len;
                matchPos = cand;
                if (len >= NICE_LENGTH || len >= limit)
                    break;
            }
        }
        const uint32_t next = prev_[cand & (DICSIZ - 1)];
        if (next >= cand)
            break;
        cand = next;
    }
    return found;
}

// Writes the size (little-endian) and the compressed source. The size goes through the output
// buffer, so that a small stream reaches the destination in a single write.
//
// Lazy rule: the match found at a position is held back while the next position is searched;
// when that one finds a longer match the held byte goes out as a literal, otherwise the held
// match goes out and the positions it covers are entered without a search.
void LzhEncoder::LzhEncode(packing::Stream &source, packing::Stream &destination, uint32_t size)
{
    source_ = &source;
    destination_ = &destination;
    outPos_ = 0;
    for (int shift = 0; shift < 32; shift += 8)
        LzhWriteByte(static_cast<uint8_t>(size >> shift));
    LzhInitSlide();
    hufEncodeStart();
    toRead_ = size;
    sourceDone_ = size == 0;
    uint32_t p = bufStart_;
    int heldLen = 0;
    uint32_t heldPos = 0;
    bool held = false;
    uint32_t misses = 0;  // positions in a row without a match
    auto emitLiteral = [&](uint32_t q) {
        LzhOutput(*at(q), 0);
        blockBytes_++;
    };
    for (;;) {
        if (bufEnd_ - p <= MAXMATCH && !sourceDone_) {
            const uint32_t shift = fillWindow(p);
            p -= shift;
            heldPos -= shift;
        }
        if (p >= bufEnd_)
            break;
        uint32_t matchPos = 0;
        int len = 0;
        if (heldLen < MAX_LAZY)
            len = LzhGetNextMatch(p, held ? heldLen : 0, matchPos);
        LzhInsertNode(p);
        if (held && heldLen >= THRESHOLD && len <= heldLen) {
            // The held match starts at p - 1.
            LzhOutput(static_cast<unsigned>(heldLen + (256 - THRESHOLD)),
                      static_cast<unsigned>(p - 1 - heldPos - 1));
            blockBytes_ += static_cast<uint32_t>(heldLen);
            blockMatched_ += static_cast<uint32_t>(heldLen);
            const uint32_t stop = p - 1 + static_cast<uint32_t>(heldLen);
            for (uint32_t q = p + 1; q < stop; q++)
                LzhInsertNode(q);
            p = stop;
            held = false;
            heldLen = 0;
            continue;
        }
        if (held)
            emitLiteral(p - 1);
        held = true;
        heldLen = len;
        heldPos = matchPos;
        p++;
        if (len != 0 || maxChain_ != SPARSE_CHAIN) {
            misses = 0;
        } else if (++misses >= SKIP_AFTER) {
            emitLiteral(p - 1);
            held = false;
            const uint32_t stop = p + std::min<uint32_t>(misses / SKIP_AFTER, bufEnd_ - p);
            while (p < stop)
                emitLiteral(p++);
        }
    }
    if (held) {
        if (heldLen >= THRESHOLD) {
            LzhOutput(static_cast<unsigned>(heldLen + (256 - THRESHOLD)),
                      static_cast<unsigned>(p - 1 - heldPos - 1));
        } else {
            emitLiteral(p - 1);
        }
    }
    nextStart_ = bufEnd_ + DICSIZ + 1;
    LzhSendBlock();
    LzhPutBits(7, 0);
    // The partly filled byte goes out as well (it holds only zero bits after the seven above).
    closeBits();
    flushOutput();
}

} // namespace

void LzhCompressStream(packing::Stream &source, packing::Stream &destination)
{
    const int64_t size = source.size() - source.position();
    // The buffers are allocated once per thread and kept between calls; a call made from
    // inside a stream of another call gets buffers of its own.
    thread_local LzhEncoder shared;
    std::unique_ptr<LzhEncoder> own;
    LzhEncoder *encoder = &shared;
    if (shared.busy) {
        own = std::make_unique<LzhEncoder>();
        encoder = own.get();
    }
    struct Release {
        LzhEncoder *e;
        ~Release() { e->busy = false; }
    } release{encoder};
    encoder->busy = true;
    encoder->LzhEncode(source, destination, static_cast<uint32_t>(size < 0 ? 0 : size));
}
