#pragma once
// Helpers shared by the picture codecs.
#include <QImage>

namespace platform::picture_detail {

// The image as opaque 8-bit RGB; transparent parts are laid on white.
QImage opaqueRgb888(const QImage &image);

// Throws PictureError when a picture of this size may not be decoded from `encodedBytes`
// bytes: sides above the limits, or more pixels than such a small input can describe.
void checkDimensions(qint64 width, qint64 height, qint64 encodedBytes, int maxExpansion);

} // namespace platform::picture_detail
