#pragma once
// Transport files built byte by byte for the transport tests: items compressed as the transport
// compresses them, and containers holding any items in any order, repetitions included.
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

} // namespace
