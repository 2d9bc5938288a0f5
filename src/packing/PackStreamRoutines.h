#pragma once
// Compression (-lh5- LZH) and encipherment (Blowfish, ECB, with padding) of byte streams,
// as used by the stream container TPackStreams.
//
// Compressed stream: 4-byte little-endian uncompressed size, then the -lh5- bit stream
// (most significant bit first, the last byte filled with zero bits).
//
// Enciphered stream: padded with p bytes 0x01 and one byte p (p = 8 - (size + 1) mod 8, 1..8),
// then each 8-byte block enciphered on its own. A block's halves are read little-endian.
//
// The routines are not re-entrant across threads: the cipher keeps its state per thread and
// every compression or decompression call works on its own buffers.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "packing/Streams.h"

// Corrupt packed data: "Compressed file is corrupt" from the decompressor, "File is corrupt."
// from the container.
class ECorruptFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The key schedule was asked to run on an empty key: "Division by zero".
class EDivByZero : public std::runtime_error {
public:
    EDivByZero() : std::runtime_error("Division by zero") {}
};

// The deciphered padding count is out of range: "Invalid padding".
class EBadPadding : public std::runtime_error {
public:
    EBadPadding() : std::runtime_error("Invalid padding") {}
};

// ---- LZH

// Writes the uncompressed size (source size - source position) at the destination's position,
// then the compressed form of the source from its position to its end.
void LzhCompressStream(packing::Stream &source, packing::Stream &destination);

// Reads the uncompressed size at the source's position and decodes exactly that many bytes
// into the destination at its position. The compressed length is what remains of the source
// after the size. ECorruptFile "Compressed file is corrupt" on a malformed stream, on a size
// that the compressed length cannot produce, or on a size above `sizeLimit` (when not 0),
// found before anything is decoded; packing::EReadError when fewer than 4 bytes remain.
void LzhDecompressStream(packing::Stream &source, packing::Stream &destination, int64_t sizeLimit = 0);

// ---- Blowfish

// Loads the initial values and schedules `count` key bytes (EDivByZero when count is 0).
// Returns false when the resulting S-boxes hold a repeated entry (a weak key); the state is
// then kept as computed.
bool BlowfishInit(const uint8_t *key, uint8_t count);
// Restores the initial values.
void BlowfishReset();
// One block with the current state; `left` and `right` are the halves as numbers.
void BlowfishEncryptBlock(uint32_t &left, uint32_t &right);
void BlowfishDecryptBlock(uint32_t &left, uint32_t &right);
// Every whole 8-byte block from the start of the buffer, in place; a shorter tail is left as it is.
void BlowfishEncryptBuffer(uint8_t *buffer, size_t size);
void BlowfishDecryptBuffer(uint8_t *buffer, size_t size);
// BlowfishInit with the key's bytes (at most the first 255 of them).
bool BlowfishSetKey(const std::string &key);

// ---- Streams

// Appends p bytes 0x01 and the byte p, p = 8 - (size + 1) mod 8.
void PadStream(packing::MemoryStream &stream);
// Pads and enciphers the whole stream in place. An empty stream, or a key whose schedule is
// weak, leaves the stream exactly as it was. EDivByZero for an empty key.
void EncryptStream(packing::MemoryStream &stream, const std::string &key);
// Deciphers the whole stream in place and removes the padding. An empty stream, or a weak key,
// leaves it as it was. EDivByZero for an empty key; EBadPadding when the padding count is above
// 8 or longer than the stream.
void DecryptStream(packing::MemoryStream &stream, const std::string &key);
