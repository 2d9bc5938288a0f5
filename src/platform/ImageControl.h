#pragma once
// The picture control: shows one picture in its rectangle.
//
// Stretch on: the picture is drawn scaled to the control's size. Stretch off: drawn at its
// natural size, centred in the control when Center is on, else at the top left.
// The control remembers whether it holds a bitmap or a JPEG picture, and the file bytes the
// picture came from when it was loaded from a file or from bytes, so that it can be written
// back "in its own format" unchanged.
#include <QByteArray>
#include <QImage>
#include <QWidget>

namespace platform {

enum class PictureKind { None, Bitmap, Jpeg };

class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget *parent = nullptr);

    int Tag = 0;

    void setCenter(bool on);
    bool center() const { return m_center; }
    void setStretch(bool on);
    bool stretch() const { return m_stretch; }

    // Position and size in the parent's client area, by the class library's names.
    int left() const { return x(); }
    int top() const { return y(); }
    void setLeft(int left) { move(left, y()); }
    void setTop(int top) { move(x(), top); }
    void setWidth(int width) { resize(width, height()); }
    void setHeight(int height) { resize(width(), height); }

    // The picture. An empty (null) picture has no width and no height.
    const QImage &picture() const { return m_picture; }
    bool hasPicture() const { return !m_picture.isNull(); }
    PictureKind kind() const { return m_kind; }
    bool holdsBitmap() const { return m_kind == PictureKind::Bitmap; }
    bool holdsJpeg() const { return m_kind == PictureKind::Jpeg; }
    // The encoded bytes the picture was loaded from; empty when it was set as an image.
    const QByteArray &pictureBytes() const { return m_bytes; }

    void setPicture(const QImage &picture, PictureKind kind = PictureKind::Bitmap);
    // Decodes BMP or JPEG bytes; false (and an empty picture) when they don't decode.
    bool setPictureBytes(const QByteArray &bytes);
    // Loads a BMP or JPEG file; false (and an empty picture) when it is missing or doesn't decode.
    bool loadFromFile(const QString &path);
    // Copies another control's picture, kind and bytes.
    void assign(const ImageControl &other);
    void clear();

signals:
    void clicked();
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    QByteArray m_bytes;
    PictureKind m_kind = PictureKind::None;
    bool m_center = false;
    bool m_stretch = false;
    bool m_pressed = false;
};

} // namespace platform
