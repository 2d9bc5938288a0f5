// The -lh5- encoder: the classic suffix-tree match finder over an 8 KiB sliding window with
// position percolation, a one-step lazy match rule, and static Huffman codes sent block by
// block. Every constant and decision here fixes the output bytes; change none of them.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "packing/LzhConstants.h"
#include "packing/PackStreamRoutines.h"

using namespace lzh;

namespace {

constexpr int NIL = 0;
constexpr int MAX_HASH_VAL = 3 * DICSIZ + (DICSIZ / 512 + 1) * 255;  // 28911
constexpr unsigned PERC_FLAG = 0x8000;
constexpr unsigned SYMBUFSIZE = 16 * 1024;                            // pending symbols
constexpr int TEXTSIZE = DICSIZ * 2 + MAXMATCH;                       // 16640

// The free list of inner nodes 1 -> 2 -> ... -> DICSIZ - 1, copied whole on every start.
struct FreeList {
    uint16_t next[DICSIZ];
    constexpr FreeList() : next()
    {
        for (int i = 1; i < DICSIZ - 1; i++)
            next[i] = static_cast<uint16_t>(i + 1);
        next[DICSIZ - 1] = NIL;
    }
};
constexpr FreeList kFreeList;

class LzhEncoder {
public:
    LzhEncoder() { LzhAllocBuffers(); }
    LzhEncoder(const LzhEncoder &) = delete;
    LzhEncoder &operator=(const LzhEncoder &) = delete;

    void LzhEncode(packing::Stream &source, packing::Stream &destination, uint32_t size);
    void LzhFreeBuffers();

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
    static int LzhHash(int p, int c) { return p + (c << (DICBIT - 9)) + DICSIZ * 2; }
    int LzhChild(int q, int c);
    void LzhMakeChild(int q, int c, int r);
    void LzhSplit(int old);
    void LzhInsertNode();
    void LzhDeleteNode();
    void LzhGetNextMatch();

    void LzhAllocBuffers();

    packing::Stream *source_ = nullptr;
    packing::Stream *destination_ = nullptr;

    uint8_t outBuf_[IOBUFSIZE];
    int outPos_ = 0;
    uint64_t bitAcc_ = 0;
    int bitCount_ = 0;

    // Match finder: text window, tree of inner nodes (1..DICSIZ-1), roots (DICSIZ + byte)
    // and leaves (window positions DICSIZ..2*DICSIZ-1), and the child hash chains.
    uint8_t text_[TEXTSIZE];
    uint8_t level_[DICSIZ + 256];
    uint8_t childcount_[DICSIZ + 256];
    uint16_t position_[DICSIZ + 256];
    uint16_t parent_[DICSIZ * 2];
    uint16_t prev_[DICSIZ * 2];
    uint16_t next_[MAX_HASH_VAL + 1];
    int pos_ = 0, matchpos_ = 0, avail_ = 0;
    int remainder_ = 0, matchlen_ = 0;
    // How far the last call wrote into the tree arrays, so that LzhFreeBuffers can bring them
    // back to zero without clearing them whole.
    int highestNode_ = 0, highestLeaf_ = DICSIZ, textEnd_ = DICSIZ;
    bool initialised_ = false;
    static constexpr int kMaxTouched = 4096;
    uint16_t touched_[kMaxTouched];
    int touchedCount_ = 0;  // hash heads written; kMaxTouched + 1 for "too many to list"


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

// Every array starts out zero; LzhFreeBuffers brings them back to that state after a call.
void LzhEncoder::LzhAllocBuffers()
{
    std::memset(text_, 0, sizeof text_);
    std::memset(level_, 0, sizeof level_);
    std::memset(childcount_, 0, sizeof childcount_);
    std::memset(position_, 0, sizeof position_);
    std::memset(parent_, 0, sizeof parent_);
    std::memset(prev_, 0, sizeof prev_);
    std::memset(next_, 0, sizeof next_);
}

// Brings the window and the tree back to the state that LzhAllocBuffers and LzhInitSlide give
// (all zero, the roots at level 1, the free list of inner nodes, empty hash heads), touching
// only what the last call wrote: the text read, the inner nodes taken, the roots, the leaves of
// the positions used and the hash heads written. The other buffers are written before they
// are read.
void LzhEncoder::LzhFreeBuffers()
{
    if (highestLeaf_ >= DICSIZ * 2 - 1)
        std::memset(text_, 0, sizeof text_);
    else
        std::memset(text_ + DICSIZ, 0, static_cast<size_t>(textEnd_ - DICSIZ));
    const size_t nodes = static_cast<size_t>(highestNode_) + 1;
    std::fill_n(level_, nodes, 0);
    std::fill_n(childcount_, nodes, 0);
    std::fill_n(position_, nodes, 0);
    std::fill_n(parent_, nodes, 0);
    std::fill_n(prev_, nodes, 0);
    std::copy(kFreeList.next, kFreeList.next + nodes, next_);
    std::fill_n(level_ + DICSIZ, 256, 1);
    std::fill_n(childcount_ + DICSIZ, 256, 0);
    std::fill_n(position_ + DICSIZ, 256, NIL);
    const size_t leaves = static_cast<size_t>(highestLeaf_ - DICSIZ) + 1;
    std::fill_n(parent_ + DICSIZ, leaves, 0);
    std::fill_n(prev_ + DICSIZ, leaves, 0);
    std::fill_n(next_ + DICSIZ, leaves, 0);
    if (touchedCount_ > kMaxTouched) {
        std::fill(next_ + DICSIZ * 2, next_ + MAX_HASH_VAL + 1, NIL);
    } else {
        for (int i = 0; i < touchedCount_; i++)
            next_[touched_[i]] = NIL;
    }
    touchedCount_ = 0;
    highestNode_ = 0;
    highestLeaf_ = DICSIZ;
    textEnd_ = DICSIZ;
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


// Roots at level 1 with no position, no leaf linked, the free list of inner nodes and empty
// hash heads. After the first call LzhFreeBuffers leaves the arrays in exactly this state.
void LzhEncoder::LzhInitSlide()
{
    avail_ = 1;
    if (initialised_)
        return;
    for (int i = DICSIZ; i <= DICSIZ + 255; i++) {
        level_[i] = 1;
        position_[i] = NIL;
    }
    std::fill(parent_ + DICSIZ, parent_ + DICSIZ * 2, NIL);
    std::copy(kFreeList.next + 1, kFreeList.next + DICSIZ, next_ + 1);
    std::fill(next_ + DICSIZ * 2, next_ + MAX_HASH_VAL + 1, NIL);
    initialised_ = true;
}

// q's child for byte c, or NIL.
int LzhEncoder::LzhChild(int q, int c)
{
    int r = next_[LzhHash(q, c)];
    parent_[NIL] = static_cast<uint16_t>(q);  // sentinel
    while (parent_[r] != q)
        r = next_[r];
    return r;
}

void LzhEncoder::LzhMakeChild(int q, int c, int r)
{
    const int h = LzhHash(q, c);
    if (touchedCount_ < kMaxTouched)
        touched_[touchedCount_] = static_cast<uint16_t>(h);
    touchedCount_ += touchedCount_ <= kMaxTouched;
    const int t = next_[h];
    next_[h] = static_cast<uint16_t>(r);
    next_[r] = static_cast<uint16_t>(t);
    prev_[t] = static_cast<uint16_t>(r);
    prev_[r] = static_cast<uint16_t>(h);
    parent_[r] = static_cast<uint16_t>(q);
    childcount_[q]++;
}

void LzhEncoder::LzhSplit(int old)
{
    const int nw = avail_;
    avail_ = next_[nw];
    highestNode_ = std::max(highestNode_, nw);
    childcount_[nw] = 0;
    int t = prev_[old];
    prev_[nw] = static_cast<uint16_t>(t);
    next_[t] = static_cast<uint16_t>(nw);
    t = next_[old];
    next_[nw] = static_cast<uint16_t>(t);
    prev_[t] = static_cast<uint16_t>(nw);
    parent_[nw] = parent_[old];
    level_[nw] = static_cast<uint8_t>(matchlen_);
    position_[nw] = static_cast<uint16_t>(pos_);
    LzhMakeChild(nw, text_[matchpos_ + matchlen_], old);
    LzhMakeChild(nw, text_[pos_ + matchlen_], pos_);
}

// Inserts the string at pos_ and finds the longest match for it (matchlen_, matchpos_).
void LzhEncoder::LzhInsertNode()
{
    int q, r, j, t;
    if (matchlen_ >= 4) {
        matchlen_--;
        r = (matchpos_ + 1) | DICSIZ;
        while ((q = parent_[r]) == NIL)
            r = next_[r];
        while (level_[q] >= matchlen_) {
            r = q;
            q = parent_[q];
        }
        t = q;
        while (position_[t] & PERC_FLAG) {
            position_[t] = static_cast<uint16_t>(pos_);
            t = parent_[t];
        }
        if (t < DICSIZ)
            position_[t] = static_cast<uint16_t>(pos_ | PERC_FLAG);
    } else {
        q = text_[pos_] + DICSIZ;
        const int c = text_[pos_ + 1];
        if ((r = LzhChild(q, c)) == NIL) {
            LzhMakeChild(q, c, pos_);
            matchlen_ = 1;
            return;
        }
        matchlen_ = 2;
    }
    const uint8_t *text = text_;
    for (;;) {
        if (r >= DICSIZ) {
            j = MAXMATCH;
            matchpos_ = r;
        } else {
            j = level_[r];
            matchpos_ = position_[r] & ~PERC_FLAG;
        }
        if (matchpos_ >= pos_)
            matchpos_ -= DICSIZ;
        const uint8_t *t1 = text + pos_ + matchlen_;
        const uint8_t *t2 = text + matchpos_ + matchlen_;
        while (matchlen_ < j) {
            if (*t1 != *t2) {
                LzhSplit(r);
                return;
            }
            matchlen_++;
            t1++;
            t2++;
        }
        if (matchlen_ >= MAXMATCH)
            break;
        position_[r] = static_cast<uint16_t>(pos_);
        q = r;
        if ((r = LzhChild(q, *t1)) == NIL) {
            LzhMakeChild(q, *t1, pos_);
            return;
        }
        matchlen_++;
    }
    // A full-length match: the new leaf takes the old one's place.
    t = prev_[r];
    prev_[pos_] = static_cast<uint16_t>(t);
    next_[t] = static_cast<uint16_t>(pos_);
    t = next_[r];
    next_[pos_] = static_cast<uint16_t>(t);
    prev_[t] = static_cast<uint16_t>(pos_);
    parent_[pos_] = static_cast<uint16_t>(q);
    parent_[r] = NIL;
    next_[r] = static_cast<uint16_t>(pos_);  // lets a later search find the replacement
}

// Removes the leaf of the string that leaves the window at pos_.
void LzhEncoder::LzhDeleteNode()
{
    int q, r, s, t, u = 0;
    if (parent_[pos_] == NIL)
        return;
    r = prev_[pos_];
    s = next_[pos_];
    next_[r] = static_cast<uint16_t>(s);
    prev_[s] = static_cast<uint16_t>(r);
    r = parent_[pos_];
    parent_[pos_] = NIL;
    if (r >= DICSIZ || --childcount_[r] > 1)
        return;
    t = position_[r] & ~PERC_FLAG;
    if (t >= pos_)
        t -= DICSIZ;
    s = t;
    q = parent_[r];
    while ((u = position_[q]) & PERC_FLAG) {
        u &= ~PERC_FLAG;
        if (u >= pos_)
            u -= DICSIZ;
        if (u > s)
            s = u;
        position_[q] = static_cast<uint16_t>(s | DICSIZ);
        q = parent_[q];
    }
    if (q < DICSIZ) {
        if (u >= pos_)
            u -= DICSIZ;
        if (u > s)
            s = u;
        position_[q] = static_cast<uint16_t>(s | DICSIZ | PERC_FLAG);
    }
    s = LzhChild(r, text_[t + level_[r]]);
    t = prev_[s];
    u = next_[s];
    next_[t] = static_cast<uint16_t>(u);
    prev_[u] = static_cast<uint16_t>(t);
    t = prev_[r];
    next_[t] = static_cast<uint16_t>(s);
    prev_[s] = static_cast<uint16_t>(t);
    t = next_[r];
    prev_[t] = static_cast<uint16_t>(s);
    next_[s] = static_cast<uint16_t>(t);
    parent_[s] = parent_[r];
    parent_[r] = NIL;
    next_[r] = static_cast<uint16_t>(avail_);
    avail_ = r;
}

void LzhEncoder::LzhGetNextMatch()
{
    remainder_--;
    if (++pos_ == DICSIZ * 2) {
        std::memmove(&text_[0], &text_[DICSIZ], DICSIZ + MAXMATCH);
        const size_t n = readSource(&text_[DICSIZ + MAXMATCH], DICSIZ);
        remainder_ += static_cast<int>(n);
        pos_ = DICSIZ;
        highestLeaf_ = DICSIZ * 2 - 1;
    }
    highestLeaf_ = std::max(highestLeaf_, pos_);
    LzhDeleteNode();
    LzhInsertNode();
}

// Writes the size (little-endian) and the compressed source. The size goes through the output
// buffer, so that a small stream reaches the destination in a single write.
void LzhEncoder::LzhEncode(packing::Stream &source, packing::Stream &destination, uint32_t size)
{
    source_ = &source;
    destination_ = &destination;
    outPos_ = 0;
    for (int shift = 0; shift < 32; shift += 8)
        LzhWriteByte(static_cast<uint8_t>(size >> shift));
    LzhInitSlide();
    hufEncodeStart();
    remainder_ = static_cast<int>(readSource(&text_[DICSIZ], DICSIZ + MAXMATCH));
    textEnd_ = DICSIZ + remainder_;
    matchlen_ = 0;
    pos_ = DICSIZ;
    LzhInsertNode();
    if (matchlen_ > remainder_)
        matchlen_ = remainder_;
    while (remainder_ > 0) {
        int lastmatchlen = matchlen_;
        const int lastmatchpos = matchpos_;
        LzhGetNextMatch();
        if (matchlen_ > remainder_)
            matchlen_ = remainder_;
        if (matchlen_ > lastmatchlen || lastmatchlen < THRESHOLD) {
            LzhOutput(text_[pos_ - 1], 0);
        } else {
            LzhOutput(static_cast<unsigned>(lastmatchlen + (256 - THRESHOLD)),
                      static_cast<unsigned>(pos_ - lastmatchpos - 2) & (DICSIZ - 1));
            while (--lastmatchlen > 0)
                LzhGetNextMatch();
            if (matchlen_ > remainder_)
                matchlen_ = remainder_;
        }
    }
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
    // The buffers are allocated once per thread and brought back to zero after each call; a
    // call made from inside a stream of another call gets buffers of its own.
    thread_local LzhEncoder shared;
    std::unique_ptr<LzhEncoder> own;
    LzhEncoder *encoder = &shared;
    if (shared.busy) {
        own = std::make_unique<LzhEncoder>();
        encoder = own.get();
    }
    struct Release {
        LzhEncoder *e;
        ~Release()
        {
            e->busy = false;
            e->LzhFreeBuffers();
        }
    } release{encoder};
    encoder->busy = true;
    encoder->LzhEncode(source, destination, static_cast<uint32_t>(size < 0 ? 0 : size));
}
