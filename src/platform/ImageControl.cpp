#include "platform/ImageControl.h"

#include "platform/Application.h"
#include "platform/Clicks.h"
#include "platform/Files.h"
#include "platform/Picture.h"

#include <QMouseEvent>
#include <QPainter>

namespace platform {

namespace {
bool looksLikeJpeg(const QByteArray &bytes)
{
    return bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8;
}
} // namespace

ImageControl::ImageControl(QWidget *parent) : QWidget(parent) {}

void ImageControl::setCenter(bool on)
{
    m_center = on;
    update();
}

void ImageControl::setStretch(bool on)
{
    m_stretch = on;
    update();
}

void ImageControl::setPicture(const QImage &picture, PictureKind kind)
{
    m_picture = picture;
    m_bytes.clear();
    m_kind = picture.isNull() ? PictureKind::None : kind;
    update();
    emit pictureChanged();
}

bool ImageControl::setPictureBytes(const QByteArray &bytes)
{
    const QImage img = decodePicture(bytes);
    if (img.isNull()) {
        clear();
        return false;
    }
    setPicture(img, looksLikeJpeg(bytes) ? PictureKind::Jpeg : PictureKind::Bitmap);
    m_bytes = bytes;
    return true;
}

bool ImageControl::loadFromFile(const QString &path)
{
    const std::optional<QByteArray> bytes = readWholeFile(path);
    if (!bytes) {
        clear();
        return false;
    }
    return setPictureBytes(*bytes);
}

void ImageControl::assign(const ImageControl &other)
{
    setPicture(other.m_picture, other.m_kind);
    m_bytes = other.m_bytes;
}

void ImageControl::clear()
{
    setPicture(QImage());
}

void ImageControl::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch) {
        p.drawImage(rect(), m_picture);
        return;
    }
    QPoint at(0, 0);
    if (m_center)
        at = QPoint((width() - m_picture.width()) / 2, (height() - m_picture.height()) / 2);
    p.drawImage(at, m_picture);
}

void ImageControl::mousePressEvent(QMouseEvent *event)
{
    if (!clicks::press(event, m_pressed))
        QWidget::mousePressEvent(event);
}

void ImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (clicks::release(this, event, m_pressed))
        guarded([this] { emit clicked(); });
    else
        QWidget::mouseReleaseEvent(event);
}

} // namespace platform
