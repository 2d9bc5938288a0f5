#pragma once
// Pictures of cards, study files and the program: BMP and JPEG (JPEG through libjpeg).
#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>
#include <stdexcept>

namespace platform {

enum class PictureFormat { Bmp, Jpeg };

// A picture that cannot be decoded or encoded. what() is a Spanish message for the user.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest picture decoded, so that a damaged header cannot ask for a giant allocation.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr qint64 kMaxPicturePixels = 100'000'000;

// The format of picture bytes by their first bytes ("BM"; FF D8 FF), if either.
std::optional<PictureFormat> detectPictureFormat(const QByteArray &bytes);
// A type name or file extension, in any case: "BMP", "bmp", ".bmp", "JPG", "jpg", "JPEG",
// "jpe", "jfif".
std::optional<PictureFormat> pictureFormatFromName(const QString &name);

// Decodes BMP or JPEG bytes, telling them apart by their content. A null image when the
// bytes are neither or do not decode.
QImage decodePicture(const QByteArray &bytes);
QImage loadPicture(const QString &path);

// The same, throwing PictureError with the reason instead of returning a null image.
QImage decodePictureOrThrow(const QByteArray &bytes);
// Also throws when the content is not of the expected format.
QImage decodePictureOrThrow(const QByteArray &bytes, PictureFormat expected);
QImage loadPictureOrThrow(const QString &path);
// The bytes of a picture file that decodes as BMP or JPEG, as they are in the file; throws
// PictureError with the reason (also when the file cannot be read or exceeds maxSize bytes,
// a negative maxSize setting no limit).
QByteArray readPictureFileOrThrow(const QString &path, qint64 maxSize = -1);

// What the clipboard offers as a picture: a bitmap, else JPEG bytes that decode (taken as they
// are, so that they can be stored unchanged); nothing when it offers neither.
struct ClipboardPicture {
    QByteArray jpegBytes; // empty when the picture is the bitmap
    QImage bitmap;
};
std::optional<ClipboardPicture> clipboardPicture();

// The codecs themselves. Each throws PictureError.
QImage decodeBmp(const QByteArray &bytes);
QImage decodeJpeg(const QByteArray &bytes);
QByteArray encodeBmp(const QImage &image);                   // 24 bits, bottom-up
QByteArray encodeJpeg(const QImage &image, int quality = 90); // baseline, 4:2:0

// An empty array when the image is null or cannot be encoded.
QByteArray encodePicture(const QImage &image, PictureFormat format, int jpegQuality = 90);
// Writes through a temporary file renamed over the target when complete.
bool savePicture(const QImage &image, const QString &path, PictureFormat format, int jpegQuality = 90);

} // namespace platform
