// The picture codec: BMP and JPEG by content, damaged pictures refused without a crash.
#include "platform/Picture.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

QImage testImage(int w = 37, int h = 23)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 255) / w, (y * 255) / h, 180));
    return img;
}

struct Difference {
    int worst = 0;  // largest difference of one channel
    double mean = 0; // average difference of one channel
};

Difference difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    Difference d;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            for (int c : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                d.worst = std::max(d.worst, std::abs(c));
                d.mean += std::abs(c);
            }
        }
    d.mean /= 3.0 * x.width() * x.height();
    return d;
}

} // namespace

TEST(Picture, BmpRoundTripIsExactAndJpegClose)
{
    const QImage img = testImage();
    const QByteArray bmp = encodeBmp(img);
    EXPECT_EQ(bmp.size(), 54 + ((37 * 3 + 3) & ~3) * 23);
    EXPECT_EQ(detectPictureFormat(bmp), PictureFormat::Bmp);
    const QImage back = decodePicture(bmp);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), img.size());
    EXPECT_EQ(difference(back, img).worst, 0);

    // JPEG: close.
    const QImage wide = testImage(64, 48);
    const QByteArray jpg = encodePicture(wide, PictureFormat::Jpeg);
    EXPECT_EQ(detectPictureFormat(jpg), PictureFormat::Jpeg);
    const QImage jback = decodePicture(jpg);
    ASSERT_FALSE(jback.isNull());
    EXPECT_EQ(jback.size(), wide.size());
    EXPECT_LT(difference(jback, wide).mean, 3.0);
    // Colours keep their channels: a red picture stays red.
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(qRgb(220, 20, 40));
    EXPECT_LE(difference(decodeJpeg(encodeJpeg(red)), red).worst, 4);
    // A lower quality gives a smaller file.
    EXPECT_LT(encodeJpeg(wide, 20).size(), jpg.size());
}

TEST(Picture, InvalidAndTruncatedPicturesAreErrors)
{
    const QByteArray jpg = encodeJpeg(testImage(64, 64));
    const QByteArray bmp = encodeBmp(testImage(64, 64));
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("NO"),
        QByteArray("\xFF\xD8\xFF", 3),
        QByteArray("\xFF\xD8\xFF\xE0 not a jpeg at all", 23),
        jpg.left(jpg.size() / 3),
        QByteArray("BM"),
        bmp.left(40),
        bmp.left(bmp.size() / 2),
    };
    for (const QByteArray &bytes : cases) {
        EXPECT_TRUE(decodePicture(bytes).isNull()) << bytes.size();
        EXPECT_THROW(decodePictureOrThrow(bytes), PictureError) << bytes.size();
    }
    // The expected format is checked too.
    EXPECT_THROW(decodePictureOrThrow(bmp, PictureFormat::Jpeg), PictureError);
    EXPECT_NO_THROW(decodePictureOrThrow(bmp, PictureFormat::Bmp));
}

TEST(Picture, TypeNamesInAnyCaseAndFilesSavedAndLoaded)
{
    for (const char *bmp : {"BMP", "bmp", ".Bmp"})
        EXPECT_EQ(pictureFormatFromName(bmp), PictureFormat::Bmp) << bmp;
    for (const char *jpg : {"JPG", "jpeg"})
        EXPECT_EQ(pictureFormatFromName(jpg), PictureFormat::Jpeg) << jpg;
    EXPECT_EQ(pictureFormatFromName("NO"), std::nullopt);

    QTemporaryDir dir;
    const QString bmpPath = dir.filePath("a.bmp"), jpgPath = dir.filePath("a.jpg");
    ASSERT_TRUE(savePicture(testImage(), bmpPath, PictureFormat::Bmp));
    ASSERT_TRUE(savePicture(testImage(), jpgPath, PictureFormat::Jpeg));
    EXPECT_EQ(loadPicture(bmpPath).size(), QSize(37, 23));
    EXPECT_EQ(loadPicture(jpgPath).size(), QSize(37, 23));
    EXPECT_TRUE(loadPicture(dir.filePath("missing.bmp")).isNull());
    EXPECT_THROW(loadPictureOrThrow(dir.filePath("missing.bmp")), PictureError);
    EXPECT_FALSE(savePicture(QImage(), dir.filePath("null.bmp"), PictureFormat::Bmp));
    EXPECT_FALSE(QFile::exists(dir.filePath("null.bmp")));
    EXPECT_FALSE(savePicture(testImage(), dir.filePath("no/such/folder/a.bmp"), PictureFormat::Bmp));
}
