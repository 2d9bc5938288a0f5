#pragma once
// Colours written as the class library writes them: 0x00BBGGRR (blue in the high byte).
#include <QColor>

class QWidget;

namespace platform {

// Fills the widget's background with the colour (the colour of a form or a panel); an invalid
// colour leaves the style's background.
void setBackgroundColor(QWidget &widget, const QColor &color);

inline QColor tcolor(unsigned value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline unsigned toTColor(const QColor &c)
{
    return unsigned(c.red()) | (unsigned(c.green()) << 8) | (unsigned(c.blue()) << 16);
}

// Named colours of the class library.
namespace colors {
constexpr unsigned Black = 0x000000;
constexpr unsigned Maroon = 0x000080;
constexpr unsigned Navy = 0x800000;
constexpr unsigned Blue = 0xFF0000;
constexpr unsigned Purple = 0x800080;
constexpr unsigned Teal = 0x808000;
constexpr unsigned Silver = 0xC0C0C0;
constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Yellow = 0x00FFFF;
constexpr unsigned Green = 0x008000;
constexpr unsigned Olive = 0x008080;
} // namespace colors

} // namespace platform
