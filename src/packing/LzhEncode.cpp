// The -lh5- encoder: the classic suffix-tree match finder over an 8 KiB sliding window with
// position percolation, a one-step lazy match rule, and static Huffman codes sent block by
// block. Every constant and decision here fixes the output bytes; change none of them.
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

class LzhEncoder {
public:
    LzhEncoder(packing::Stream &source, packing::Stream &destination)
        : source_(source), destination_(destination)
    {
        LzhAllocBuffers();
    }

    void LzhEncode();

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
        destination_.writeBuffer(outBuf_.data(), outPos_);
        outPos_ = 0;
    }

    // ---- bit output
    void LzhInitPutBits()
    {
        bitAcc_ = 0;
        bitCount_ = 0;
    }
    // Writes the rightmost n bits of x (n <= 16, x < 2^n), most significant first.
    void LzhPutBits(int n, unsigned x)
    {
        bitAcc_ = (bitAcc_ << n) | x;
        bitCount_ += n;
        while (bitCount_ >= 8) {
            bitCount_ -= 8;
            LzhWriteByte(static_cast<uint8_t>(bitAcc_ >> bitCount_));
        }
    }

    // ---- Huffman code construction
    void LzhCountLen(int i, int depth);
    void LzhMakeLen(int root);
    void LzhDownHeap(int i);
    void LzhMakeCode(int n, const uint8_t *len, uint16_t *code);
    int LzhMakeTree(int nparm, uint16_t *freqparm, uint8_t *lenparm, uint16_t *codeparm);

    // ---- block writer
    void LzhCountTFreq();
    void LzhWritePtLen(int n, int nbit, int iSpecial);
    void LzhWriteCLen();
    void LzhEncodeC(int c) { LzhPutBits(cLen_[c], cCode_[c]); }
    void LzhEncodeP(unsigned p);
    void LzhSendBlock();
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

    packing::Stream &source_;
    packing::Stream &destination_;

    std::vector<uint8_t> outBuf_;
    int outPos_ = 0;
    uint32_t bitAcc_ = 0;
    int bitCount_ = 0;

    // Match finder: text window, tree of inner nodes (1..DICSIZ-1), roots (DICSIZ + byte)
    // and leaves (window positions DICSIZ..2*DICSIZ-1), and the child hash chains.
    std::vector<uint8_t> text_;
    std::vector<uint8_t> level_;       // DICSIZ + 256
    std::vector<uint8_t> childcount_;  // DICSIZ + 256
    std::vector<uint16_t> position_;   // DICSIZ + 256
    std::vector<uint16_t> parent_;     // 2 * DICSIZ
    std::vector<uint16_t> prev_;       // 2 * DICSIZ
    std::vector<uint16_t> next_;       // MAX_HASH_VAL + 1
    int pos_ = 0, matchpos_ = 0, avail_ = 0;
    int remainder_ = 0, matchlen_ = 0;

    // Huffman coder.
    std::vector<uint8_t> buf_;         // pending symbols
    unsigned outputPos_ = 0, outputMask_ = 0, cpos_ = 0;
    uint8_t cLen_[NC] = {}, ptLen_[NPT] = {};
    uint16_t cFreq_[TREESIZE] = {}, cCode_[NC] = {};
    uint16_t pFreq_[2 * NP - 1] = {}, ptCode_[NPT] = {};
    uint16_t tFreq_[2 * NT - 1] = {};
    uint16_t left_[TREESIZE] = {}, right_[TREESIZE] = {};
    // LzhMakeTree's working state.
    int n_ = 0, heapsize_ = 0;
    int16_t heap_[NC + 1] = {};
    uint16_t *freq_ = nullptr, *sortptr_ = nullptr;
    uint8_t *len_ = nullptr;
    uint16_t lenCnt_[17] = {};
};

void LzhEncoder::LzhAllocBuffers()
{
    outBuf_.assign(IOBUFSIZE, 0);
    text_.assign(TEXTSIZE, 0);
    level_.assign(DICSIZ + 256, 0);
    childcount_.assign(DICSIZ + 256, 0);
    position_.assign(DICSIZ + 256, 0);
    parent_.assign(DICSIZ * 2, 0);
    prev_.assign(DICSIZ * 2, 0);
    next_.assign(MAX_HASH_VAL + 1, 0);
    buf_.assign(SYMBUFSIZE, 0);
}

size_t LzhEncoder::readSource(uint8_t *to, size_t count)
{
    size_t done = 0;
    while (done < count) {
        const size_t n = source_.read(to + done, count - done);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// ---- Huffman code construction

void LzhEncoder::LzhCountLen(int i, int depth)
{
    if (i < n_) {
        lenCnt_[depth < 16 ? depth : 16]++;
    } else {
        LzhCountLen(left_[i], depth + 1);
        LzhCountLen(right_[i], depth + 1);
    }
}

// Code lengths from the tree, limited to 16 bits; leaves get lengths in the order in which
// they left the heap (least frequent first, longest code first).
void LzhEncoder::LzhMakeLen(int root)
{
    for (int i = 0; i <= 16; i++)
        lenCnt_[i] = 0;
    LzhCountLen(root, 0);
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

void LzhEncoder::LzhDownHeap(int i)
{
    const int k = heap_[i];
    int j;
    while ((j = 2 * i) <= heapsize_) {
        if (j < heapsize_ && freq_[heap_[j]] > freq_[heap_[j + 1]])
            j++;
        if (freq_[k] <= freq_[heap_[j]])
            break;
        heap_[i] = heap_[j];
        i = j;
    }
    heap_[i] = static_cast<int16_t>(k);
}

// Canonical codes: shorter codes first, equal lengths in symbol order.
void LzhEncoder::LzhMakeCode(int n, const uint8_t *len, uint16_t *code)
{
    uint16_t start[18];
    start[0] = 0;
    start[1] = 0;
    for (int i = 1; i <= 16; i++)
        start[i + 1] = static_cast<uint16_t>((start[i] + lenCnt_[i]) << 1);
    for (int i = 0; i < n; i++)
        code[i] = len[i] ? start[len[i]]++ : 0;
}

// Builds the code for n symbols from their frequencies; returns the root, which is a symbol
// (< n) when fewer than two symbols occur: that symbol then gets length 0 and code 0.
int LzhEncoder::LzhMakeTree(int nparm, uint16_t *freqparm, uint8_t *lenparm, uint16_t *codeparm)
{
    n_ = nparm;
    freq_ = freqparm;
    len_ = lenparm;
    int avail = n_;
    heapsize_ = 0;
    heap_[1] = 0;
    for (int i = 0; i < n_; i++) {
        len_[i] = 0;
        if (freq_[i])
            heap_[++heapsize_] = static_cast<int16_t>(i);
    }
    if (heapsize_ < 2) {
        codeparm[heap_[1]] = 0;
        return heap_[1];
    }
    for (int i = heapsize_ / 2; i >= 1; i--)
        LzhDownHeap(i);
    sortptr_ = codeparm;
    int k;
    do {
        const int i = heap_[1];
        if (i < n_)
            *sortptr_++ = static_cast<uint16_t>(i);
        heap_[1] = heap_[heapsize_--];
        LzhDownHeap(1);
        const int j = heap_[1];
        if (j < n_)
            *sortptr_++ = static_cast<uint16_t>(j);
        k = avail++;
        freq_[k] = static_cast<uint16_t>(freq_[i] + freq_[j]);
        heap_[1] = static_cast<int16_t>(k);
        LzhDownHeap(1);
        left_[k] = static_cast<uint16_t>(i);
        right_[k] = static_cast<uint16_t>(j);
    } while (heapsize_ > 1);
    sortptr_ = codeparm;
    LzhMakeLen(k);
    LzhMakeCode(nparm, lenparm, codeparm);
    return k;
}

// ---- block writer

void LzhEncoder::LzhCountTFreq()
{
    for (int i = 0; i < NT; i++)
        tFreq_[i] = 0;
    int n = NC;
    while (n > 0 && cLen_[n - 1] == 0)
        n--;
    int i = 0;
    while (i < n) {
        const int k = cLen_[i++];
        if (k == 0) {
            int count = 1;
            while (i < n && cLen_[i] == 0) {
                i++;
                count++;
            }
            if (count <= 2)
                tFreq_[0] = static_cast<uint16_t>(tFreq_[0] + count);
            else if (count <= 18)
                tFreq_[1]++;
            else if (count == 19) {
                tFreq_[0]++;
                tFreq_[1]++;
            } else
                tFreq_[2]++;
        } else
            tFreq_[k + 2]++;
    }
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
    int n = NC;
    while (n > 0 && cLen_[n - 1] == 0)
        n--;
    LzhPutBits(CBIT, static_cast<unsigned>(n));
    int i = 0;
    while (i < n) {
        const int k = cLen_[i++];
        if (k == 0) {
            int count = 1;
            while (i < n && cLen_[i] == 0) {
                i++;
                count++;
            }
            if (count <= 2) {
                for (int m = 0; m < count; m++)
                    LzhPutBits(ptLen_[0], ptCode_[0]);
            } else if (count <= 18) {
                LzhPutBits(ptLen_[1], ptCode_[1]);
                LzhPutBits(4, static_cast<unsigned>(count - 3));
            } else if (count == 19) {
                LzhPutBits(ptLen_[0], ptCode_[0]);
                LzhPutBits(ptLen_[1], ptCode_[1]);
                LzhPutBits(4, 15);
            } else {
                LzhPutBits(ptLen_[2], ptCode_[2]);
                LzhPutBits(CBIT, static_cast<unsigned>(count - 20));
            }
        } else
            LzhPutBits(ptLen_[k + 2], ptCode_[k + 2]);
    }
}

void LzhEncoder::LzhEncodeP(unsigned p)
{
    unsigned c = 0;
    for (unsigned q = p; q; q >>= 1)
        c++;
    LzhPutBits(ptLen_[c], ptCode_[c]);
    if (c > 1)
        LzhPutBits(static_cast<int>(c - 1), p & (0xFFFFU >> (17 - c)));
}

void LzhEncoder::LzhSendBlock()
{
    unsigned root = static_cast<unsigned>(LzhMakeTree(NC, cFreq_, cLen_, cCode_));
    const unsigned size = cFreq_[root];
    LzhPutBits(16, size);
    if (root >= NC) {
        LzhCountTFreq();
        root = static_cast<unsigned>(LzhMakeTree(NT, tFreq_, ptLen_, ptCode_));
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
    root = static_cast<unsigned>(LzhMakeTree(NP, pFreq_, ptLen_, ptCode_));
    if (root >= NP) {
        LzhWritePtLen(NP, PBIT, -1);
    } else {
        LzhPutBits(PBIT, 0);
        LzhPutBits(PBIT, root);
    }
    unsigned pos = 0, flags = 0;
    for (unsigned i = 0; i < size; i++) {
        if (i % 8 == 0)
            flags = buf_[pos++];
        else
            flags <<= 1;
        if (flags & 0x80U) {
            LzhEncodeC(buf_[pos++] + 256);
            unsigned k = static_cast<unsigned>(buf_[pos++]) << 8;
            k += buf_[pos++];
            LzhEncodeP(k);
        } else
            LzhEncodeC(buf_[pos++]);
    }
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

void LzhEncoder::LzhInitSlide()
{
    for (int i = DICSIZ; i <= DICSIZ + 255; i++) {
        level_[i] = 1;
        position_[i] = NIL;
    }
    for (int i = DICSIZ; i < DICSIZ * 2; i++)
        parent_[i] = NIL;
    avail_ = 1;
    for (int i = 1; i < DICSIZ - 1; i++)
        next_[i] = static_cast<uint16_t>(i + 1);
    next_[DICSIZ - 1] = NIL;
    for (int i = DICSIZ * 2; i <= MAX_HASH_VAL; i++)
        next_[i] = NIL;
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
    const uint8_t *text = text_.data();
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
    }
    LzhDeleteNode();
    LzhInsertNode();
}

void LzhEncoder::LzhEncode()
{
    LzhInitSlide();
    hufEncodeStart();
    remainder_ = static_cast<int>(readSource(&text_[DICSIZ], DICSIZ + MAXMATCH));
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
    LzhWriteByte(static_cast<uint8_t>(bitAcc_ << (8 - bitCount_)));
    bitCount_ = 0;
    flushOutput();
}

} // namespace

void LzhCompressStream(packing::Stream &source, packing::Stream &destination)
{
    const int64_t size = source.size() - source.position();
    destination.writeUInt32(static_cast<uint32_t>(size < 0 ? 0 : size));
    auto encoder = std::make_unique<LzhEncoder>(source, destination);
    encoder->LzhEncode();
}
