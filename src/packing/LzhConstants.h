#pragma once
// Constants of the -lh5- method shared by the LZH encoder and decoder.

namespace lzh {

constexpr int DICBIT = 13;                 // dictionary of 8192 bytes
constexpr int DICSIZ = 1 << DICBIT;
constexpr int MAXMATCH = 256;              // longest match
constexpr int THRESHOLD = 3;               // shortest coded match
constexpr int NC = 255 + MAXMATCH + 2 - THRESHOLD;  // 510 literal/length symbols
constexpr int CBIT = 9;                    // width of the literal/length count
constexpr int NP = DICBIT + 1;             // 14 position symbols
constexpr int PBIT = 4;                    // width of the position count
constexpr int NT = 16 + 3;                 // 19 code-length symbols
constexpr int TBIT = 5;                    // width of the code-length count
constexpr int NPT = NT;                    // room for either short length list
constexpr int MAXCODE = 16;                // longest Huffman code
constexpr int IOBUFSIZE = 8192;            // byte input and output buffers
constexpr int TREESIZE = 2 * NC - 1;       // Huffman tree nodes (leaves and inner nodes)

} // namespace lzh
