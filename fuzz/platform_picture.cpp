// Fuzz target: the picture decoder (BMP and JPEG by content) on any bytes.
#include "platform/Picture.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QImage img = platform::decodePicture(bytes);
    if (!img.isNull() && img.width() * qint64(img.height()) <= 4096)
        (void)platform::encodePicture(img, platform::PictureFormat::Bmp);
    return 0;
}
