#include "platform/Picture.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

namespace platform {

QImage decodePicture(const QByteArray &bytes)
{
    QImage img;
    img.loadFromData(bytes);
    return img;
}

QImage loadPicture(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return decodePicture(f.readAll());
}

QByteArray encodePicture(const QImage &image, PictureFormat format, int jpegQuality)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, format == PictureFormat::Bmp ? "BMP" : "JPG", format == PictureFormat::Jpeg ? jpegQuality : -1);
    return out;
}

bool savePicture(const QImage &image, const QString &path, PictureFormat format, int jpegQuality)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(encodePicture(image, format, jpegQuality));
    return f.commit();
}

} // namespace platform
