#pragma once
// Pictures of cards, study files and the program: BMP and JPEG (JPEG through libjpeg).
#include <QByteArray>
#include <QImage>
#include <QString>

namespace platform {

enum class PictureFormat { Bmp, Jpeg };

// Decodes BMP or JPEG bytes, telling them apart by their content. A null image when the
// bytes are neither or do not decode.
QImage decodePicture(const QByteArray &bytes);
QImage loadPicture(const QString &path);

QByteArray encodePicture(const QImage &image, PictureFormat format, int jpegQuality = 90);
// Writes through a temporary file renamed over the target when complete.
bool savePicture(const QImage &image, const QString &path, PictureFormat format, int jpegQuality = 90);

} // namespace platform
