#include "platform/Picture.h"
#include "platform/PictureSupport.h"

#include <QPainter>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace platform {

namespace picture_detail {

QImage opaqueRgb888(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888);
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        throw PictureError("No hay memoria suficiente para la imagen.");
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat.convertToFormat(QImage::Format_RGB888);
}

void checkDimensions(qint64 width, qint64 height, qint64 encodedBytes, int maxExpansion)
{
    if (width <= 0 || height <= 0)
        throw PictureError("La imagen no tiene un tamaño válido.");
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw PictureError("La imagen es demasiado grande.");
    // Small pictures always pass; larger ones need input in proportion.
    constexpr qint64 kAlwaysAllowed = 16'000'000;
    if (width * height > kAlwaysAllowed && width * height / maxExpansion > encodedBytes)
        throw PictureError("La imagen está dañada: sus datos no llegan a su tamaño.");
}

} // namespace picture_detail

namespace {

using picture_detail::checkDimensions;

[[noreturn]] void fail(const char *why)
{
    throw PictureError(std::string("La imagen BMP no es válida: ") + why);
}

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const uchar *p)
{
    return quint16(p[0] | p[1] << 8);
}

void put32(QByteArray &out, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

void put16(QByteArray &out, qsizetype at, quint16 v)
{
    out[at] = char(v & 0xFF);
    out[at + 1] = char(v >> 8);
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(quint32 m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::min(32, std::popcount(m));
        }
    }
    int value(quint32 px) const
    {
        if (!bits)
            return 0;
        const quint32 v = (px & mask) >> shift;
        if (bits >= 8)
            return int((v >> (bits - 8)) & 0xFF);
        return int(v * 255 / ((1u << bits) - 1));
    }
};

enum Compression { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

struct Header {
    qint64 width = 0;
    qint64 height = 0;
    bool topDown = false;
    int bpp = 0;
    quint32 compression = Rgb;
    quint32 colorsUsed = 0;
    bool core = false; // 12-byte header: 3-byte palette entries
    quint32 masks[4] = {0, 0, 0, 0};
    qsizetype paletteAt = 0;
};

Header readHeader(const uchar *d, qsizetype n)
{
    if (n < 26 || d[0] != 'B' || d[1] != 'M')
        fail("no empieza como un BMP.");
    Header h;
    const quint32 hsize = le32(d + 14);
    if (hsize < 12 || hsize > 1024 || 14 + qsizetype(hsize) > n)
        fail("la cabecera está incompleta.");
    if (hsize == 12) {
        h.core = true;
        h.width = le16(d + 18);
        h.height = le16(d + 20);
        h.bpp = le16(d + 24);
    } else {
        if (hsize < 16)
            fail("la cabecera es de un tipo desconocido.");
        h.width = qint32(le32(d + 18));
        const qint32 height = qint32(le32(d + 22));
        h.topDown = height < 0;
        h.height = height < 0 ? -qint64(height) : qint64(height);
        h.bpp = le16(d + 28);
        if (hsize >= 20)
            h.compression = le32(d + 30);
        if (hsize >= 40)
            h.colorsUsed = le32(d + 46);
        if (hsize == 64 && h.compression != Rgb && h.compression != Rle8 && h.compression != Rle4)
            fail("la compresión no está admitida.");
    }
    h.paletteAt = 14 + hsize;
    if (h.compression == BitFields || h.compression == AlphaBitFields) {
        const int count = h.compression == AlphaBitFields ? 4 : 3;
        qsizetype at = 14 + 40;
        if (hsize < 40 + 4 * quint32(count)) {
            // The masks follow a short header.
            at = 14 + hsize;
            h.paletteAt += 4 * count;
        }
        if (at + 4 * count > n)
            fail("faltan las máscaras de color.");
        for (int i = 0; i < count; ++i)
            h.masks[i] = le32(d + at + 4 * i);
        if (hsize >= 56 && count == 3)
            h.masks[3] = le32(d + 14 + 52);
    }
    switch (h.bpp) {
    case 1: case 4: case 8: case 24:
        if (h.compression != Rgb && !(h.compression == Rle8 && h.bpp == 8)
            && !(h.compression == Rle4 && h.bpp == 4))
            fail("la compresión no está admitida.");
        break;
    case 16: case 32:
        if (h.compression != Rgb && h.compression != BitFields && h.compression != AlphaBitFields)
            fail("la compresión no está admitida.");
        break;
    default:
        fail("la profundidad de color no está admitida.");
    }
    if ((h.compression == Rle8 || h.compression == Rle4) && h.topDown)
        fail("una imagen comprimida no puede ir de arriba abajo.");
    if (h.compression == Rgb && h.bpp == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    }
    return h;
}

std::vector<QRgb> readPalette(const uchar *d, qsizetype n, const Header &h, qsizetype *end)
{
    std::vector<QRgb> palette;
    *end = h.paletteAt;
    if (h.bpp > 8)
        return palette;
    const quint32 full = 1u << h.bpp;
    const quint32 count = (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
    const int entry = h.core ? 3 : 4;
    palette.assign(full, qRgb(0, 0, 0));
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = h.paletteAt + qsizetype(i) * entry;
        if (at + 3 > n)
            break;
        palette[i] = qRgb(d[at + 2], d[at + 1], d[at]);
    }
    *end = h.paletteAt + qsizetype(count) * entry;
    return palette;
}

// Run-length data (8 or 4 bits a pixel) to one palette index a pixel, bottom row first.
std::vector<uchar> decodeRle(const uchar *p, const uchar *end, const Header &h)
{
    const qint64 w = h.width, ht = h.height;
    std::vector<uchar> idx(size_t(w * ht), 0);
    const bool four = h.compression == Rle4;
    qint64 x = 0, y = 0;
    auto put = [&](int v) {
        if (x < w && y < ht)
            idx[size_t(y * w + x)] = uchar(v);
        ++x;
    };
    while (p + 1 < end && y < ht) {
        const int count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < w; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // delta
            if (p + 1 >= end)
                break;
            x += p[0];
            y += p[1];
            p += 2;
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            if (end - p < bytes)
                fail("los datos comprimidos están incompletos.");
            for (int i = 0; i < value; ++i)
                put(four ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            p += bytes + (bytes & 1);
        }
    }
    return idx;
}

} // namespace

QImage decodeBmp(const QByteArray &bytes)
{
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    const Header h = readHeader(d, n);
    qsizetype paletteEnd = 0;
    const std::vector<QRgb> palette = readPalette(d, n, h, &paletteEnd);

    qsizetype dataAt = le32(d + 10);
    if (dataAt < 26 || dataAt >= n)
        dataAt = paletteEnd; // a wrong offset: the pixels follow the palette
    if (dataAt >= n)
        fail("faltan los datos de la imagen.");
    const qsizetype available = n - dataAt;

    const bool rle = h.compression == Rle8 || h.compression == Rle4;
    const qint64 rowSize = ((h.width * h.bpp + 31) / 32) * 4;
    checkDimensions(h.width, h.height, available, rle ? 256 : 8);
    if (!rle) {
        // Every row complete but the last, which may lack its padding.
        const qint64 lastRow = (h.width * h.bpp + 7) / 8;
        if (rowSize * (h.height - 1) + lastRow > available)
            fail("los datos de la imagen están incompletos.");
    }

    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    const bool withAlpha = h.bpp == 32 && h.masks[3] != 0
                           && (h.compression == BitFields || h.compression == AlphaBitFields);
    QImage img(int(h.width), int(h.height), withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (img.isNull())
        fail("no hay memoria suficiente.");

    std::vector<uchar> rleIndex;
    if (rle)
        rleIndex = decodeRle(d + dataAt, d + n, h);

    const int w = int(h.width);
    bool anyAlpha = false;
    for (qint64 r = 0; r < h.height; ++r) {
        auto *out = reinterpret_cast<QRgb *>(img.scanLine(int(h.topDown ? r : h.height - 1 - r)));
        if (rle) {
            const uchar *idx = rleIndex.data() + r * h.width;
            for (int x = 0; x < w; ++x)
                out[x] = palette[idx[x] & (palette.size() - 1)];
            continue;
        }
        const uchar *row = d + dataAt + r * rowSize;
        switch (h.bpp) {
        case 1:
            for (int x = 0; x < w; ++x)
                out[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                out[x] = palette[(x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4];
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                out[x] = palette[row[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const quint32 px = le16(row + 2 * x);
                out[x] = qRgb(red.value(px), green.value(px), blue.value(px));
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x)
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            break;
        case 32:
            if (h.compression == Rgb) {
                for (int x = 0; x < w; ++x)
                    out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                break;
            }
            for (int x = 0; x < w; ++x) {
                const quint32 px = le32(row + 4 * x);
                const int a = withAlpha ? alpha.value(px) : 255;
                anyAlpha |= a != 0;
                out[x] = qRgba(red.value(px), green.value(px), blue.value(px), a);
            }
            break;
        }
    }
    if (withAlpha && !anyAlpha) {
        // An alpha mask but every pixel transparent: a writer that left the alpha unset.
        return img.convertToFormat(QImage::Format_RGB32);
    }
    return img;
}

QByteArray encodeBmp(const QImage &image)
{
    if (image.isNull())
        throw PictureError("No hay imagen que guardar.");
    const QImage rgb = picture_detail::opaqueRgb888(image);
    const qint64 w = rgb.width(), h = rgb.height();
    const qint64 rowSize = (w * 3 + 3) & ~qint64(3);
    const qint64 total = 54 + rowSize * h;
    if (total > 0xFFFFFFFFLL)
        throw PictureError("La imagen es demasiado grande para un BMP.");
    QByteArray out(total, '\0');
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, quint32(total));
    put32(out, 10, 54);
    put32(out, 14, 40);
    put32(out, 18, quint32(w));
    put32(out, 22, quint32(h));
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 34, quint32(rowSize * h));
    put32(out, 38, quint32(std::max(0, image.dotsPerMeterX())));
    put32(out, 42, quint32(std::max(0, image.dotsPerMeterY())));
    char *base = out.data() + 54;
    for (qint64 y = 0; y < h; ++y) {
        const uchar *src = rgb.constScanLine(int(h - 1 - y));
        char *dst = base + y * rowSize;
        for (qint64 x = 0; x < w; ++x) {
            dst[3 * x] = char(src[3 * x + 2]);
            dst[3 * x + 1] = char(src[3 * x + 1]);
            dst[3 * x + 2] = char(src[3 * x]);
        }
    }
    return out;
}

} // namespace platform
