#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <string>
#include <vector>

#include "LzhStreamBuilder.h"
#include "HexBytes.h"
#include "packing/PackStreamRoutines.h"

using namespace lzhtest;

namespace {

std::string compress(const std::string &in, int64_t startAt = 0)
{
    packing::MemoryStream src(in), dst;
    src.setPosition(startAt);
    LzhCompressStream(src, dst);
    return dst.toString();
}

std::string decompress(const std::string &in)
{
    packing::MemoryStream src(in), dst;
    LzhDecompressStream(src, dst);
    return dst.toString();
}

std::string randomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto &c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

// Words in a random order: repetitive like text, with matches of many lengths and distances.
std::string wordText(size_t n, unsigned seed)
{
    static const char *words[] = {"the ", "card ", "study ", "review ", "answer ", "question ",
                                  "la ", "ficha ", "respuesta ", "pregunta ", "nivel ", "de ",
                                  "\r\n", "estudio, ", "picture. ", "1234 "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n)
        s += words[rng() % 16];
    s.resize(n);
    return s;
}

// Bytes in which no 3 consecutive bytes repeat, so the encoder finds no match at all.
std::string matchFree(size_t n)
{
    std::vector<bool> seen(1u << 24);
    std::mt19937 rng(7);
    std::string s = "\x01\x02";
    while (s.size() < n) {
        for (;;) {
            const unsigned b = rng() & 0xFF;
            const unsigned triple = (uint8_t(s[s.size() - 2]) << 16) | (uint8_t(s.back()) << 8) | b;
            if (!seen[triple]) {
                seen[triple] = true;
                s.push_back(static_cast<char>(b));
                break;
            }
        }
    }
    return s;
}

unsigned firstBlockCount(const std::string &compressed)
{
    return (uint8_t(compressed[4]) << 8) | uint8_t(compressed[5]);
}

void expectCorrupt(const std::string &stream)
{
    try {
        decompress(stream);
        FAIL() << "no failure";
    } catch (const ECorruptFile &e) {
        EXPECT_STREQ(e.what(), "Compressed file is corrupt");
    }
}

} // namespace

TEST(LzhCompress, EmptySourceAndTwoLiteralsGiveTheHandTracedStreams)
{
    // Count 0, one-symbol lists of symbol 0 for all three codes, seven zero bits and the
    // partly filled byte: 59 zero bits in 8 bytes.
    EXPECT_EQ(compress(""), std::string(12, '\0'));
    EXPECT_EQ(decompress(std::string(12, '\0')), "");
    // Block of 2 symbols; code-length code over {2: 1 bit, 3: 1 bit}; literal lengths: a run of
    // 97 zeros, then 'a' and 'b' with 1 bit each; no positions; then "a" = 0, "b" = 1.
    EXPECT_EQ(hex(compress("ab")), "02 00 00 00 00 02 20 04 26 31 37 00 40 00");
}

TEST(LzhCompress, RoundTripsAtWindowAndRefillBoundaries)
{
    const size_t sizes[] = {0, 1, 2, 3, 255, 256, 257, 8191, 8192, 8193, 8447, 8448, 8449,
                            16383, 16384, 16385, 16640, 24577, 70000};
    for (size_t n : sizes) {
        const std::string inputs[] = {std::string(n, '\0'), std::string(n, 'x'), wordText(n, unsigned(n)),
                                      randomBytes(n, unsigned(n) + 1)};
        for (const std::string &in : inputs) {
            const std::string c = compress(in);
            ASSERT_EQ(decompress(c), in) << "size " << n;
            EXPECT_EQ(uint32_t(uint8_t(c[0]) | uint8_t(c[1]) << 8 | uint8_t(c[2]) << 16 | uint32_t(uint8_t(c[3])) << 24), n);
        }
    }
}

// Incompressible inputs of these sizes give a single block whose output ends at every position
// around the end of the encoder's 8 KiB output buffer.
TEST(LzhCompress, BlockEndingAtTheOutputBufferEndRoundTrips)
{
    const std::string noise = randomBytes(8200, 31);
    for (size_t n = 8000; n <= 8200; n++) {
        const std::string in = noise.substr(0, n);
        ASSERT_TRUE(decompress(compress(in)) == in) << n;
    }
}

// The coder's buffers are kept between calls and brought back to their first state; nothing
// of an earlier call may show in a later one's output.
TEST(LzhCompress, OutputDoesNotDependOnEarlierCalls)
{
    const std::string inputs[] = {wordText(300, 1), randomBytes(20000, 2), wordText(40000, 3) + randomBytes(500, 4),
                                  std::string(9000, '\0'), wordText(17000, 5), "x"};
    std::vector<std::string> fresh;
    for (const std::string &in : inputs)
        std::thread([&] { fresh.push_back(compress(in)); }).join();
    for (int round = 0; round < 2; round++) {
        for (size_t i = 0; i < std::size(inputs); i++) {
            const size_t k = round ? std::size(inputs) - 1 - i : i;
            EXPECT_EQ(compress(inputs[k]), fresh[k]) << k;
        }
    }
}

// Only what follows the source's position is compressed; incompressible input grows and
// still decodes.
TEST(LzhCompress, CompressesOnlyFromTheSourcePositionAndIncompressibleInputStillDecodes)
{
    const std::string in = "HEADER" + wordText(20000, 9);
    const std::string c = compress(in, 6);
    EXPECT_EQ(c, compress(in.substr(6)));
    EXPECT_EQ(decompress(c), in.substr(6));
    const std::string noise = randomBytes(40000, 11);
    const std::string n = compress(noise);
    EXPECT_GT(n.size(), noise.size() + 4);
    EXPECT_EQ(decompress(n), noise);
}

TEST(LzhCompress, FullSymbolBufferIsSentAsSeveralBlocks)
{
    // Literals only: a flag byte and 8 literals take 9 bytes; the block goes out when a flag
    // byte would start at 16360 or later, which is at 9 * 1818, after 14544 symbols.
    const std::string in = matchFree(60000);
    const std::string c = compress(in);
    EXPECT_EQ(firstBlockCount(c), 14544u);
    EXPECT_EQ(decompress(c), in);

    // Matches only: long runs give a block of 3-byte matches after a few literals.
    const std::string runs = std::string(3'000'000, 'z');
    EXPECT_EQ(decompress(compress(runs)), runs);
}

namespace {

// A code given by the lengths of the symbols that occur; one symbol given length 0 is a code of
// that one symbol, sent as a count of 0.
Code codeOf(int alphabet, const std::vector<std::pair<int, int>> &lengths)
{
    if (lengths.size() == 1 && lengths.begin()->second == 0)
        return Code::one(lengths.front().first, alphabet);
    std::vector<int> len(static_cast<size_t>(alphabet), 0);
    for (const auto &[symbol, length] : lengths)
        len[static_cast<size_t>(symbol)] = length;
    return Code::lengths(len);
}

// `times` literals of the byte `value` (length 0), the byte growing by `step` from one to the
// next, or matches of that length and distance.
struct SymbolRun {
    int length;
    unsigned value;
    int times = 1;
    unsigned step = 0;
};

struct HandBlock {
    Block codes;
    std::vector<SymbolRun> symbols;
};

std::string streamOf(const std::string &input, const std::vector<HandBlock> &blocks)
{
    BitWriter w;
    for (const HandBlock &b : blocks) {
        unsigned count = 0;
        for (const SymbolRun &r : b.symbols)
            count += static_cast<unsigned>(r.times);
        b.codes.header(w, count);
        for (const SymbolRun &r : b.symbols)
            for (int i = 0; i < r.times; i++) {
                if (r.length == 0)
                    b.codes.literal(w, static_cast<int>(r.value + r.step * static_cast<unsigned>(i)));
                else
                    b.codes.match(w, r.length, r.value);
            }
    }
    return framed(static_cast<uint32_t>(input.size()), w.finishAsEncoder());
}

} // namespace

// Streams worked out from the coder's rules: the longest match at each position, the lazy
// rule, the cut at the end, the refill of the text buffer and the block sent when a flag byte
// would start at 16360 or later; codes are the Huffman codes of each block's counts.
TEST(LzhCompress, SmallInputsGiveTheStreamsWorkedOutByHand)
{
    const std::string flushPrefix = "bdcdabdbabcaddcccab";  // 19 literals, no 3 bytes repeat
    // Bytes 1 to 122, 123, Z = 124, bytes 23 to 92, 125, Z, bytes 23 to 122: each byte but Z
    // once as a literal.
    std::string longLazy;
    for (int b = 1; b <= 124; b++)
        longLazy += static_cast<char>(b);
    for (int b = 23; b < 23 + 70; b++)
        longLazy += static_cast<char>(b);
    longLazy += "\x7D\x7C";
    for (int b = 23; b < 23 + 100; b++)
        longLazy += static_cast<char>(b);
    std::vector<std::pair<int, int>> longLazyLengths{{124, 6}, {125, 7}, {70 + 253, 7}, {100 + 253, 7}};
    for (int b = 1; b <= 123; b++)
        longLazyLengths.emplace_back(b, 7);
    const struct {
        const char *what;
        std::string input;
        std::vector<HandBlock> blocks;
    } cases[] = {
        // At 7 "abc" (3, from 2) and at 8 only "bc": the match goes out. At 10 "bcc" (3, from 3)
        // but at 11 "ccab" (4, from 5): "b" goes out as a literal, then the 4 bytes from 5.
        // Counts a 3, b 2, c 3, lengths 3 and 4 once each; lengths 2 2 2 3 3. The length list
        // is 97 zeros, 2 2 2, 156 zeros, 3 3: code-length symbols 2 (twice, 2 bits), 4 (three
        // times, 1 bit), 5 (twice, 2 bits). Both distances have 3 bits: one position symbol.
        {"lazy rule",
         "aaabcccabcbccab",
         {{{codeOf(19, {{2, 2}, {4, 1}, {5, 2}}), codeOf(510, {{'a', 2}, {'b', 2}, {'c', 2}, {256, 3}, {257, 3}}),
            codeOf(14, {{3, 0}})},
           {{0, 'a', 3}, {0, 'b'}, {0, 'c', 3}, {3, 4}, {0, 'b'}, {4, 5}}}}},
        // However long the held match, the next position is searched: at 195 Z and 70 bytes
        // (71, from 123), at 196 the 100 bytes from 22: Z goes out as a literal. 124 bytes and
        // the two lengths once each, Z twice: lengths 7 and, for Z, 6. The length list is a
        // zero, 7 (123 times), 6, 7, 197 zeros, 7, 29 zeros, 7: code-length symbols 0 and 8
        // once (3 bits), 2 twice (2 bits), 9 126 times (1 bit). Distances of 7 and 8 bits.
        {"lazy rule past a long match",
         longLazy,
         {{{codeOf(19, {{0, 3}, {2, 2}, {8, 3}, {9, 1}}), codeOf(510, longLazyLengths), codeOf(14, {{7, 1}, {8, 1}})},
           {{0, 1, 124, 1}, {70, 101}, {0, 125}, {0, 124}, {100, 173}}}}},
        // The zeros past the end make the match at 1 a full 256 bytes, cut to the 9 left.
        {"match cut at the end",
         std::string(10, '\0'),
         {{{codeOf(19, {{2, 1}, {3, 1}}), codeOf(510, {{0, 1}, {9 + 253, 1}}), codeOf(14, {{0, 0}})},
           {{0, 0}, {9, 0}}}}},
        // The position reaches 16384 (byte 8192) inside the 32nd match; the bytes read then
        // (8448 on) continue the run, and the bytes left in the buffer past the end (those 8192
        // bytes back) are the run's as well: the last match is cut to the 43 bytes that remain.
        {"refill at 16384",
         std::string(8492, 'a'),
         {{{codeOf(19, {{2, 1}, {3, 2}, {4, 2}}), codeOf(510, {{'a', 2}, {43 + 253, 2}, {509, 1}}),
            codeOf(14, {{0, 0}})},
           {{0, 'a'}, {256, 0, 33}, {43, 0}}}}},
        // 20 literals, then matches: flag bytes at 0, 9 and 18 (groups of 8, 8 and 4 literals),
        // then 25 bytes apart from 35, so the 657th would start at 35 + 25 * 653 = 16360: the
        // first block has 656 * 8 = 5248 symbols. Each match takes 256 bytes from 1 back.
        {"block sent at 16360",
         flushPrefix + std::string(1 + 5229 * 256 + 100, 'a'),
         {{{codeOf(19, {{2, 2}, {3, 2}, {5, 1}}),
            codeOf(510, {{'a', 3}, {'b', 3}, {'c', 3}, {'d', 3}, {509, 1}}), codeOf(14, {{0, 0}})},
           {{0, 'b'}, {0, 'd'}, {0, 'c'}, {0, 'd'}, {0, 'a'}, {0, 'b'}, {0, 'd'}, {0, 'b'}, {0, 'a'}, {0, 'b'},
            {0, 'c'}, {0, 'a'}, {0, 'd'}, {0, 'd'}, {0, 'c'}, {0, 'c'}, {0, 'c'}, {0, 'a'}, {0, 'b'}, {0, 'a'},
            {256, 0, 5228}}},
          {{codeOf(19, {{2, 1}, {3, 1}}), codeOf(510, {{100 + 253, 1}, {509, 1}}), codeOf(14, {{0, 0}})},
           {{256, 0}, {100, 0}}}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string expected = streamOf(c.input, c.blocks);
        const std::string got = compress(c.input);
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_EQ(hex(got.substr(0, 400)), hex(expected.substr(0, 400)));
        EXPECT_TRUE(got == expected);
        EXPECT_TRUE(decompress(got) == c.input);
    }
}

namespace {

// FNV-1a over the length and bytes of each output, in order.
struct OutputHash {
    uint64_t value = 0xcbf29ce484222325ULL;
    void add(const std::string &bytes)
    {
        const uint64_t n = bytes.size();
        for (int i = 0; i < 8; i++)
            mix(static_cast<uint8_t>(n >> (8 * i)));
        for (char c : bytes)
            mix(static_cast<uint8_t>(c));
    }
    void mix(uint8_t b)
    {
        value ^= b;
        value *= 0x100000001b3ULL;
    }
};

} // namespace

// The encoder's output bytes are fixed: this pins them over many sizes and kinds of input, so
// that work on its speed cannot change a single byte unnoticed.
TEST(LzhCompress, OutputBytesArePinned)
{
    OutputHash hash;
    const std::string text = wordText(600, 21);
    const std::string noise = randomBytes(600, 22);
    for (size_t n = 0; n <= 600; n++)
        hash.add(compress(text.substr(0, n)));
    for (size_t n = 0; n <= 600; n += 7)
        hash.add(compress(noise.substr(0, n)));
    for (size_t n = 1; n <= 600; n += 13)
        hash.add(compress(std::string(n, 'a') + text.substr(0, n)));
    std::mt19937 rng(23);
    for (int i = 0; i < 100; i++) {
        const size_t n = 50 + rng() % 451;
        const unsigned textSeed = rng();
        const size_t tail = rng() % 20;
        const unsigned tailSeed = rng();
        hash.add(compress(wordText(n, textSeed) + randomBytes(tail, tailSeed)));
    }
    // Window refills and several blocks.
    hash.add(compress(wordText(70000, 24)));
    hash.add(compress(matchFree(40000)));
    hash.add(compress(wordText(30000, 25) + randomBytes(20000, 26) + std::string(30000, 'q')));
    EXPECT_EQ(hash.value, 0x815a377b93533d76ULL);
}

// ---- decoding streams the encoder never writes

namespace {

// Literal/length code with eight literals of 4 bits, lengths 3 and 256 of 2 bits; a run of
// exactly 19 zero lengths (104..122) and runs above 19. Position code with every one of the
// 14 symbols, lengths 1..13 and 13 (codes longer than the 8-bit table go through the tree).
Block richBlock()
{
    Block b;
    std::vector<int> c(510, 0);
    for (int ch : {'a', 'b', 'c', 'd', 'e', 'f', 'g', '{'})
        c[static_cast<size_t>(ch)] = 4;
    c[256] = 2;
    c[509] = 2;
    b.c = Code::lengths(c);
    std::vector<int> t(19, 0);
    t[0] = 2;  // one zero
    t[1] = 2;  // 3..18 zeros
    t[2] = 2;  // 20..531 zeros
    t[4] = 3;  // length 2
    t[6] = 3;  // length 4
    b.t = Code::lengths(t);
    std::vector<int> p(14);
    for (int i = 0; i < 13; i++)
        p[static_cast<size_t>(i)] = i + 1;
    p[13] = 13;
    b.p = Code::lengths(p);
    return b;
}

} // namespace

TEST(LzhDecompress, ReadsCodesOfEveryShapeAndMatchesAcrossPieces)
{
    BitWriter w;
    OutputModel model;
    std::mt19937 rng(5);
    const char literals[] = "abcdefg{";

    // Block 1: 6000 symbols, distances of all 14 bit lengths, many reaching over the
    // 8192-byte pieces of the output.
    const Block b1 = richBlock();
    b1.header(w, 6000);
    for (int i = 0; i < 6000; i++) {
        if (rng() % 3 == 0) {
            const int length = rng() % 2 ? 3 : 256;
            const int bitsOf = static_cast<int>(rng() % 14);
            unsigned distance = bitsOf == 0 ? 0 : (1u << (bitsOf - 1)) | (rng() & ((1u << (bitsOf - 1)) - 1));
            b1.match(w, length, distance);
            model.match(length, distance);
        } else {
            const int ch = literals[rng() % 8];
            b1.literal(w, ch);
            model.literal(ch);
        }
    }
    // Block 2: a code-length code of one symbol (length 1), so the two literals 0 and 1 take
    // one bit each; a position code of one symbol.
    Block b2;
    b2.t = Code::one(3, 19);
    b2.c = Code::lengths({1, 1});
    b2.p = Code::one(5, 14);
    b2.header(w, 3000);
    for (int i = 0; i < 3000; i++) {
        const int ch = static_cast<int>(rng() % 2);
        b2.literal(w, ch);
        model.literal(ch);
    }
    // Block 3: one symbol for every code: matches of 256 bytes at distance 20, in 0 bits each.
    Block b3;
    b3.t = Code::one(0, 19);
    b3.c = Code::one(509, 510);
    b3.p = Code::one(5, 14);
    b3.header(w, 100);
    for (int i = 0; i < 100; i++) {
        b3.match(w, 256, 20);
        model.match(256, 20);
    }
    ASSERT_GT(model.out.size(), 100000u);
    const std::string out = decompress(framed(static_cast<uint32_t>(model.out.size()), w.finish()));
    EXPECT_TRUE(out == model.out);
}

TEST(LzhDecompress, BlockCountOf65535)
{
    BitWriter w;
    OutputModel model;
    Block lit;
    lit.t = Code::one(0, 19);
    lit.c = Code::one('Q', 510);
    lit.p = Code::one(0, 14);
    lit.header(w, 1);
    model.literal('Q');
    Block runs;
    runs.t = Code::one(0, 19);
    runs.c = Code::one(509, 510);
    runs.p = Code::one(0, 14);
    runs.header(w, 65535);
    model.out.append(size_t(65535) * 256, 'Q');
    const std::string out = decompress(framed(static_cast<uint32_t>(model.out.size()), w.finish()));
    EXPECT_EQ(out.size(), model.out.size());
    EXPECT_TRUE(out == model.out);
}

TEST(LzhDecompress, SizeZeroOrNegativeGivesNoBytesAndTooShortASourceFails)
{
    EXPECT_EQ(decompress(std::string(4, '\0') + "garbage that is not a stream"), "");
    EXPECT_EQ(decompress(std::string("\x00\x00\x00\x80", 4) + "garbage"), "");
    EXPECT_EQ(decompress(std::string("\xFF\xFF\xFF\xFF", 4)), "");
    // A source too short for the size is a read error.
    EXPECT_THROW(decompress("\x05\x00"), packing::EReadError);
}

// Decoding on from the zeros after the end (a block header, or a piece of output, taken from
// them) is corruption, found before the stated size is produced.
TEST(LzhDecompress, StreamsThatRunPastTheirEndAreCorrupt)
{
    std::string truncated = compress(matchFree(5000));
    truncated.resize(truncated.size() - 100);
    expectCorrupt(truncated);
    // A block of 65536 zero-bit symbols, then further headers from the zeros after the end.
    expectCorrupt(framed(1'000'000, {0, 0, 0, 0, 0}));
    expectCorrupt(framed(0x7FFFFFFF, std::vector<uint8_t>(800, 0)));
    // A size beyond what the bits can hold: one block can give at most 65536 matches of 256 bytes, and takes at least 43 bits.
    expectCorrupt(framed(1, {}));
    expectCorrupt(framed(100'000'000, {0, 0, 0}));
    expectCorrupt(framed(65536u * 256 + 1, {0, 0, 0, 0, 0}));
}

TEST(LzhDecompress, MalformedLengthListsAreCorrupt)
{
    struct Case {
        const char *what;
        void (*build)(BitWriter &);
    };
    const Case cases[] = {
        {"code-length code not complete",
         [](BitWriter &w) { w.put(16, 1); writeShortLengths(w, Code::lengths({2, 2, 2}), 5, 3); }},
        {"code-length code over-full",
         [](BitWriter &w) { w.put(16, 1); writeShortLengths(w, Code::lengths({1, 1, 1}), 5, 3); }},
        {"code-length count above 19", [](BitWriter &w) { w.put(16, 1); w.put(5, 20); }},
        {"code-length single symbol outside", [](BitWriter &w) { w.put(16, 1); w.put(5, 0); w.put(5, 19); }},
        {"code length above 16",
         [](BitWriter &w) {
             w.put(16, 1);
             w.put(5, 2);
             w.put(14, 0x3FFE);  // 7 + 10 ones
         }},
        {"literal count above 510",
         [](BitWriter &w) {
             w.put(16, 1);
             writeShortLengths(w, Code::one(3, 19), 5, 3);
             w.put(9, 511);
         }},
        {"literal single symbol outside",
         [](BitWriter &w) {
             w.put(16, 1);
             writeShortLengths(w, Code::one(3, 19), 5, 3);
             w.put(9, 0);
             w.put(9, 510);
         }},
        {"zero run past 510",
         [](BitWriter &w) {
             w.put(16, 1);
             writeShortLengths(w, Code::one(2, 19), 5, 3);  // every length symbol: 20+ zeros
             w.put(9, 500);
             w.put(9, 511);  // 531 zeros
         }},
        {"literal code not complete",
         [](BitWriter &w) {
             w.put(16, 1);
             writeShortLengths(w, Code::one(3, 19), 5, 3);
             w.put(9, 3);  // three lengths of 1
         }},
        {"position count above 14",
         [](BitWriter &w) {
             w.put(16, 1);
             writeShortLengths(w, Code::one(0, 19), 5, 3);
             writeLiteralLengths(w, Code::one(65, 510), Code::one(0, 19));
             w.put(4, 15);
         }},
        {"position single symbol outside",
         [](BitWriter &w) {
             w.put(16, 1);
             writeShortLengths(w, Code::one(0, 19), 5, 3);
             writeLiteralLengths(w, Code::one(65, 510), Code::one(0, 19));
             w.put(4, 0);
             w.put(4, 14);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BitWriter w;
        c.build(w);
        w.put(16, 0xFFFF);
        expectCorrupt(framed(10, w.finish()));
    }
}
