#pragma once
// A plain container control (panels, tab sheets) that signals mouse moves over its own
// area (tracked without a button held) and clicks on it.
#include <QColor>
#include <QFrame>

namespace platform {

class Panel : public QFrame {
    Q_OBJECT
public:
    explicit Panel(QWidget *parent = nullptr);

    int Tag = 0;
    // Fills the panel with a colour (an invalid colour leaves the style's background).
    void setColor(const QColor &color);

signals:
    void mouseMoved();
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace platform
