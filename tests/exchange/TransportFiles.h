#pragma once
// Transport files built byte by byte for the transport tests and benchmarks: items compressed as
// the transport compresses them, items inflating to any number of MiB, and containers holding
// any items in any order, repetitions included.
#include "platform/Files.h"

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

#include <zlib.h>

namespace {
inline QByteArray zlib9(const QByteArray &bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(bytes.constData()),
              uLong(bytes.size()), 9);
    out.resize(qsizetype(size));
    return out;
}

inline QByteArray fileBytes(const QString &path)
{
    return platform::readWholeFile(path).value_or(QByteArray("<missing>"));
}

// A container with both flags blank holding the items as given, in the order given (repeated
// names included), written without the container component, which would merge repetitions.
inline QByteArray rawContainer(const std::vector<std::pair<QByteArray, QByteArray>> &items)
{
    QByteArray out("  \x01\x02\x03\x04\x05\x06\x07\x08", 10);
    auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    };
    u32(quint32(items.size()));
    for (const auto &[name, bytes] : items) {
        out.append(char(name.size() & 0xFF)).append(char(name.size() >> 8)).append(name);
        u32(quint32(bytes.size()));
        out.append(bytes);
    }
    return out;
}

// One zlib stream of the prefix followed by `mib` MiB of zero bytes, built from one deflated
// MiB repeated (each copy starts afresh after a full flush), so that even 2 GiB cost no 2 GiB
// of deflating.
inline QByteArray zlibZeros(int mib, const QByteArray &prefix = {})
{
    const uInt chunk = 1u << 20;
    std::vector<Bytef> zeros(chunk, 0), out(compressBound(uLong(prefix.size())) + chunk);
    z_stream z{};
    deflateInit(&z, 9);
    auto run = [&](int flush, const Bytef *input, uInt size) {
        z.next_in = const_cast<Bytef *>(input);
        z.avail_in = size;
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size() - z.avail_out));
    };
    const auto *start = reinterpret_cast<const Bytef *>(prefix.constData());
    QByteArray stream = run(Z_FULL_FLUSH, start, uInt(prefix.size()));
    const QByteArray block = run(Z_FULL_FLUSH, zeros.data(), chunk);
    QByteArray tail = run(Z_FINISH, nullptr, 0);
    deflateEnd(&z);
    const uLong one = adler32(adler32(0, nullptr, 0), zeros.data(), chunk);
    uLong sum = adler32(adler32(0, nullptr, 0), start, uInt(prefix.size()));
    for (int i = 0; i < mib; ++i) {
        stream += block;
        sum = adler32_combine(sum, one, chunk);
    }
    tail.chop(4); // the checksum of the empty stream
    for (int shift : {24, 16, 8, 0})
        tail.append(char((sum >> shift) & 0xFF));
    return stream + tail;
}

} // namespace
