#pragma once
// The label control: a caption in one font colour, with a Tag, sized to its caption when
// auto-size is on. A carriage return in the caption starts a new line. Clicks and mouse
// moves over the label are signalled (mouse moves are tracked without a button held).
#include <QColor>
#include <QLabel>
#include <QString>

namespace platform {

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget *parent = nullptr);
    Label(const QString &caption, QWidget *parent);

    int Tag = 0;

    void setCaption(const QString &caption);
    QString caption() const { return m_caption; }

    void setFontColor(const QColor &color);
    QColor fontColor() const;

    // On: the label takes the size of its caption (the width of its longest line and the
    // height of its lines), at every change of caption or font. With word wrap on, only the
    // height follows the caption.
    void setAutoSize(bool on);
    bool autoSize() const { return m_autoSize; }
    void setWordWrap(bool on);

    // The size the caption needs; an empty caption measures as one blank.
    QSize captionSize() const;

signals:
    void clicked();
    void mouseMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void fitToCaption();

    QString m_caption;
    bool m_autoSize = true;
    bool m_pressed = false;
};

// The text with its lines broken so that none is wider than `width` pixels in the font: at
// blanks where it can, anywhere within a word longer than the width. Carriage returns start
// lines as in a caption; the result's lines are separated by carriage returns.
QString wrapToWidth(const QString &text, const QFont &font, int width);

} // namespace platform
