// Bitmaps of every depth and layout other programs write, JPEG pictures of other kinds, and
// headers that ask for more than the file holds.
#include "platform/Picture.h"

#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct BmpLayout {
    int width = 4;
    int height = 2; // negative: top-down
    int bpp = 24;
    quint32 compression = 0;
    quint32 headerSize = 40;
    std::vector<QRgb> palette;
    std::vector<quint32> masks; // after the header (bit fields)
    QByteArray pixels;          // rows as stored, padded
    quint32 offsetOverride = 0;
};

template <class T> void appendLE(QByteArray &b, T v)
{
    char d[sizeof v];
    qToLittleEndian(v, d);
    b.append(d, sizeof v);
}
void append16(QByteArray &b, quint16 v) { appendLE(b, v); }
void append32(QByteArray &b, quint32 v) { appendLE(b, v); }

QByteArray bmpFile(const BmpLayout &s)
{
    QByteArray info;
    const bool core = s.headerSize == 12;
    append32(info, s.headerSize);
    if (core) {
        append16(info, quint16(s.width));
        append16(info, quint16(s.height));
        append16(info, 1);
        append16(info, quint16(s.bpp));
    } else {
        append32(info, quint32(s.width));
        append32(info, quint32(s.height));
        append16(info, 1);
        append16(info, quint16(s.bpp));
        append32(info, s.compression);
        append32(info, quint32(s.pixels.size()));
        append32(info, 2835);
        append32(info, 2835);
        append32(info, quint32(s.palette.size()));
        append32(info, 0);
        info.append(QByteArray(s.headerSize - 40, '\0'));
    }
    for (quint32 m : s.masks)
        append32(info, m);
    for (QRgb c : s.palette) {
        info.append(char(qBlue(c)));
        info.append(char(qGreen(c)));
        info.append(char(qRed(c)));
        if (!core)
            info.append('\0');
    }
    QByteArray file("BM");
    const quint32 offset = s.offsetOverride ? s.offsetOverride : quint32(14 + info.size());
    append32(file, quint32(14 + info.size() + s.pixels.size()));
    append32(file, 0);
    append32(file, offset);
    return file + info + s.pixels;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0),
           kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);

// The pixels of a picture, rows from the top.
std::vector<QRgb> pixelsOf(const QImage &img)
{
    std::vector<QRgb> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.push_back(img.pixel(x, y) | 0xFF000000u);
    return out;
}

// Compresses with libjpeg directly, for kinds of JPEG our encoder does not write.
QByteArray libjpegEncode(int w, int h, J_COLOR_SPACE space, int components, bool progressive,
                         const std::vector<uchar> &samples)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    if (space == JCS_CMYK)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar *>(samples.data()) + cinfo.next_scanline * w * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(mem), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    free(mem);
    return out;
}

} // namespace

TEST(PictureBmp, EveryDepth)
{
    // Two rows of four pixels, stored bottom row first: bottom row red, green, blue, white.
    const std::vector<QRgb> expected = {kBlack, kWhite, kBlack, kWhite, kRed, kGreen, kBlue, kWhite};
    struct Case {
        const char *name;
        BmpLayout layout;
    } cases[] = {
        {"4 bits", {4, 2, 4, 0, 40, {kBlack, kWhite, kRed, kGreen, kBlue}, {}, bytes({0x23, 0x41, 0, 0, 0x01, 0x01, 0, 0})}},
        {"8 bits", {4, 2, 8, 0, 40, {kBlack, kWhite, kRed, kGreen, kBlue}, {}, bytes({2, 3, 4, 1, 0, 1, 0, 1})}},
        {"8 bits, core header", {4, 2, 8, 0, 12, {kBlack, kWhite, kRed, kGreen, kBlue}, {}, bytes({2, 3, 4, 1, 0, 1, 0, 1})}},
        {"16 bits 5-5-5",
         {4, 2, 16, 0, 40, {}, {},
          bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F, 0, 0, 0xFF, 0x7F, 0, 0, 0xFF, 0x7F})}},
        {"16 bits 5-6-5 bit fields",
         {4, 2, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F},
          bytes({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF})}},
        {"24 bits",
         {4, 2, 24, 0, 40, {}, {},
          bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255})}},
        {"32 bits",
         {4, 2, 32, 0, 40, {}, {},
          bytes({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0,
                 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0})}},
        {"32 bits, version 5 header",
         {4, 2, 32, 0, 124, {}, {},
          bytes({0, 0, 255, 9, 0, 255, 0, 9, 255, 0, 0, 9, 255, 255, 255, 9,
                 0, 0, 0, 9, 255, 255, 255, 9, 0, 0, 0, 9, 255, 255, 255, 9})}},
        {"8 bits run-length",
         {4, 2, 8, 1, 40, {kBlack, kWhite, kRed, kGreen, kBlue}, {},
          bytes({0, 4, 2, 3, 4, 1, 0, 0, 1, 0, 1, 1, 1, 0, 1, 1, 0, 1})}},
        {"4 bits run-length",
         {4, 2, 4, 2, 40, {kBlack, kWhite, kRed, kGreen, kBlue}, {},
          bytes({0, 4, 0x23, 0x41, 0, 0, 4, 0x01, 0, 1})}},
    };
    for (const Case &c : cases) {
        const QImage img = decodePicture(bmpFile(c.layout));
        ASSERT_FALSE(img.isNull()) << c.name;
        EXPECT_EQ(img.size(), QSize(4, 2)) << c.name;
        EXPECT_EQ(pixelsOf(img), expected) << c.name;
    }
}

TEST(PictureBmp, MonochromeTopDownAndAlpha)
{
    BmpLayout mono{4, 2, 1, 0, 40, {kBlack, kWhite}, {}, bytes({0x90, 0, 0, 0, 0x50, 0, 0, 0})};
    EXPECT_EQ(pixelsOf(decodePicture(bmpFile(mono))),
              (std::vector<QRgb>{kBlack, kWhite, kBlack, kWhite, kWhite, kBlack, kBlack, kWhite}));

    BmpLayout top{4, -2, 8, 0, 40, {kBlack, kWhite, kRed, kGreen, kBlue}, {}, bytes({2, 3, 4, 1, 0, 1, 0, 1})};
    EXPECT_EQ(pixelsOf(decodePicture(bmpFile(top))),
              (std::vector<QRgb>{kRed, kGreen, kBlue, kWhite, kBlack, kWhite, kBlack, kWhite}));

    BmpLayout alpha{2, 1, 32, 3, 56, {}, {}, bytes({255, 0, 0, 128, 0, 255, 0, 255})};
    QByteArray file = bmpFile(alpha);
    // Version 3 header with the masks in it: red, green, blue, alpha.
    const quint32 masks[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    for (int i = 0; i < 4; ++i)
        qToLittleEndian(masks[i], file.data() + 14 + 40 + 4 * i);
    const QImage img = decodePicture(file);
    ASSERT_TRUE(img.hasAlphaChannel());
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 128);
    EXPECT_EQ(img.pixel(1, 0), qRgba(0, 255, 0, 255));
}

TEST(PictureBmp, DamagedHeadersAreRefusedWithoutGiantAllocations)
{
    const BmpLayout good{4, 2, 24, 0, 40, {}, {}, QByteArray(24, '\x7f')};
    ASSERT_FALSE(decodePicture(bmpFile(good)).isNull());
    struct Case {
        const char *name;
        BmpLayout layout;
    } cases[] = {
        {"huge sides", {30000, 30000, 24, 0, 40, {}, {}, QByteArray(24, '\0')}},
        {"beyond the limits", {100000, 100000, 24, 0, 40, {}, {}, QByteArray(24, '\0')}},
        {"negative width", {-4, 2, 24, 0, 40, {}, {}, QByteArray(24, '\0')}},
        {"zero height", {4, 0, 24, 0, 40, {}, {}, QByteArray(24, '\0')}},
        {"most negative height", {4, int(0x80000000), 24, 0, 40, {}, {}, QByteArray(24, '\0')}},
        {"depth 7", {4, 2, 7, 0, 40, {}, {}, QByteArray(24, '\0')}},
        {"JPEG inside", {4, 2, 24, 4, 40, {}, {}, QByteArray(24, '\0')}},
        {"run-length 24 bits", {4, 2, 24, 1, 40, {}, {}, QByteArray(24, '\0')}},
        {"top-down run-length", {4, -2, 8, 1, 40, {kBlack}, {}, bytes({0, 1})}},
        {"run-length asking for many pixels", {20000, 20000, 8, 1, 40, {kBlack}, {}, bytes({0, 1})}},
        {"header larger than the file", {4, 2, 24, 0, 900, {}, {}, QByteArray()}},
        {"truncated pixels", {4, 2, 24, 0, 40, {}, {}, QByteArray(13, '\0')}},
    };
    for (const Case &c : cases)
        EXPECT_THROW(decodePictureOrThrow(bmpFile(c.layout)), PictureError) << c.name;

    // A wrong offset to the pixels: they are taken right after the palette.
    BmpLayout offset = good;
    offset.offsetOverride = 0xFFFFFF;
    EXPECT_FALSE(decodePicture(bmpFile(offset)).isNull());
    // A damaged run-length stream stops where it breaks; the rest stays black.
    BmpLayout rle{4, 2, 8, 1, 40, {kBlack, kWhite}, {}, bytes({3, 1, 0, 5, 1})};
    EXPECT_THROW(decodePictureOrThrow(bmpFile(rle)), PictureError);
    rle.pixels = bytes({200, 1, 0, 2, 250, 250, 9});
    EXPECT_EQ(decodePicture(bmpFile(rle)).pixel(0, 1), kWhite);
}

TEST(PictureJpeg, OtherKinds)
{
    const int w = 24, h = 16;
    std::vector<uchar> gray(w * h), cmyk(w * h * 4), rgb(w * h * 3);
    for (int i = 0; i < w * h; ++i) {
        gray[i] = uchar(i % w * 10);
        // Adobe's CMYK JPEGs store inverted values: 255 - C, ... ; this is a pure red.
        cmyk[4 * i] = 255, cmyk[4 * i + 1] = 0, cmyk[4 * i + 2] = 0, cmyk[4 * i + 3] = 255;
        rgb[3 * i] = 20, rgb[3 * i + 1] = 200, rgb[3 * i + 2] = 90;
    }
    const QImage g = decodePictureOrThrow(libjpegEncode(w, h, JCS_GRAYSCALE, 1, false, gray));
    EXPECT_EQ(g.size(), QSize(w, h));
    EXPECT_NEAR(qGray(g.pixel(5, 3)), 50, 3);

    const QImage c = decodePictureOrThrow(libjpegEncode(w, h, JCS_CMYK, 4, false, cmyk));
    EXPECT_NEAR(qRed(c.pixel(3, 3)), 255, 4);
    EXPECT_NEAR(qGreen(c.pixel(3, 3)), 0, 4);
    EXPECT_NEAR(qBlue(c.pixel(3, 3)), 0, 4);

    const QByteArray progressive = libjpegEncode(w, h, JCS_RGB, 3, true, rgb);
    const QImage p = decodePictureOrThrow(progressive);
    EXPECT_NEAR(qGreen(p.pixel(7, 7)), 200, 4);
    EXPECT_THROW(decodePictureOrThrow(progressive.left(progressive.size() / 2)), PictureError);

    // Our own encoder writes grayscale pictures as grayscale.
    QImage grayImage(8, 8, QImage::Format_Grayscale8);
    grayImage.fill(100);
    EXPECT_NEAR(qGray(decodeJpeg(encodeJpeg(grayImage)).pixel(4, 4)), 100, 2);
}

// A picture without its end marker still decodes; huge sides in the header are refused.
TEST(PictureJpeg, ACutEndDecodesAndHugeDimensionsAreRefused)
{
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(qRgb(10, 20, 240));
    const QByteArray jpg = encodeJpeg(img);
    ASSERT_TRUE(jpg.endsWith("\xFF\xD9"));
    EXPECT_NEAR(qBlue(decodePictureOrThrow(jpg.chopped(2)).pixel(16, 16)), 240, 4);
    // Rewrite the frame header's height and width (big-endian, after the precision byte).
    const qsizetype sof = jpg.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    for (const auto &[height, width] : {std::pair{60000, 60000}, {6000, 6000}, {1, 65000}}) {
        QByteArray damaged = jpg;
        qToBigEndian(quint16(height), damaged.data() + sof + 5);
        qToBigEndian(quint16(width), damaged.data() + sof + 7);
        EXPECT_THROW(decodePictureOrThrow(damaged), PictureError) << width << "x" << height;
    }
}

TEST(PictureEncoders, TransparentPartsOnWhite)
{
    QImage img(4, 4, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(0, 0, qRgba(255, 0, 0, 255));
    const QImage back = decodeBmp(encodeBmp(img));
    EXPECT_EQ(back.pixel(0, 0), kRed);
    EXPECT_EQ(back.pixel(3, 3), kWhite);
    EXPECT_THROW(encodeBmp(QImage()), PictureError);
    EXPECT_THROW(encodeJpeg(QImage()), PictureError);
    EXPECT_TRUE(encodePicture(QImage(), PictureFormat::Jpeg).isEmpty());
}
