#include "platform/Picture.h"

#include "platform/Files.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

std::optional<PictureFormat> detectPictureFormat(const QByteArray &bytes)
{
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return PictureFormat::Bmp;
    if (bytes.size() >= 3 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8 && uchar(bytes[2]) == 0xFF)
        return PictureFormat::Jpeg;
    return std::nullopt;
}

std::optional<PictureFormat> pictureFormatFromName(const QString &name)
{
    QString n = name.trimmed().toLower();
    if (n.startsWith(u'.'))
        n.remove(0, 1);
    if (n == u"bmp" || n == u"dib")
        return PictureFormat::Bmp;
    if (n == u"jpg" || n == u"jpeg" || n == u"jpe" || n == u"jfif")
        return PictureFormat::Jpeg;
    return std::nullopt;
}

QImage decodePictureOrThrow(const QByteArray &bytes)
{
    const auto format = detectPictureFormat(bytes);
    if (!format)
        throw PictureError("El contenido no es una imagen BMP ni JPEG.");
    return *format == PictureFormat::Bmp ? decodeBmp(bytes) : decodeJpeg(bytes);
}

QImage decodePictureOrThrow(const QByteArray &bytes, PictureFormat expected)
{
    if (detectPictureFormat(bytes) != expected)
        throw PictureError(expected == PictureFormat::Bmp ? "El contenido no es una imagen BMP."
                                                          : "El contenido no es una imagen JPEG.");
    return expected == PictureFormat::Bmp ? decodeBmp(bytes) : decodeJpeg(bytes);
}

QImage decodePicture(const QByteArray &bytes)
{
    try {
        return decodePictureOrThrow(bytes);
    } catch (const PictureError &) {
        return {};
    }
}

QImage loadPictureOrThrow(const QString &path)
{
    const std::optional<QByteArray> bytes = readWholeFile(path);
    if (!bytes)
        throw PictureError(QStringLiteral("No se puede leer el archivo de imagen %1.").arg(path).toStdString());
    return decodePictureOrThrow(*bytes);
}

QByteArray readPictureFileOrThrow(const QString &path, qint64 maxSize)
{
    const std::optional<QByteArray> bytes = readWholeFile(path, maxSize);
    if (!bytes)
        throw PictureError("No se puede abrir el archivo.");
    decodePictureOrThrow(*bytes);
    return *bytes;
}

std::optional<ClipboardPicture> clipboardPicture()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return std::nullopt;
    if (data->hasImage()) {
        QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull())
            return ClipboardPicture{{}, std::move(image)};
    }
    for (const char *format : {"image/jpeg", "image/jpg", "image/pjpeg"}) {
        const QByteArray bytes = data->data(QString::fromLatin1(format));
        if (detectPictureFormat(bytes) == PictureFormat::Jpeg && !decodePicture(bytes).isNull())
            return ClipboardPicture{bytes, {}};
    }
    return std::nullopt;
}

QImage loadPicture(const QString &path)
{
    try {
        return loadPictureOrThrow(path);
    } catch (const PictureError &) {
        return {};
    }
}

QByteArray encodePicture(const QImage &image, PictureFormat format, int jpegQuality)
{
    try {
        return format == PictureFormat::Bmp ? encodeBmp(image) : encodeJpeg(image, jpegQuality);
    } catch (const PictureError &) {
        return {};
    }
}

bool savePicture(const QImage &image, const QString &path, PictureFormat format, int jpegQuality)
{
    const QByteArray bytes = encodePicture(image, format, jpegQuality);
    return !bytes.isEmpty() && saveFileAtomically(path, bytes);
}

} // namespace platform
