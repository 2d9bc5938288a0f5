#pragma once
// Answers of 16 MiB, just within the answer limit, in each shape a crafted study file may give
// them: RTF with one control or character repeated to the end, or plain bytes.
#include <QByteArray>

#include <array>

namespace hostile {

enum class Shape {
    Paragraphs, // \par
    SoftBreaks, // \line
    PlainLines, // plain text, one line end after another
    LongWord,   // one word without a break
    Styles,     // bold and italic groups
    Colours,    // a colour change for every character
    FontSizes,  // a size change for every character
    RightToLeft, // Hebrew words as \u characters
    Unicode,    // \u8364 (the euro sign)
    Groups,     // nested groups around each character
    Control,    // plain NUL bytes with other control bytes among them
};
inline constexpr int kShapes = 11;

inline const char *nameOf(Shape s)
{
    static constexpr std::array<const char *, kShapes> names{
        "paragraphs", "soft breaks", "plain lines", "one long word", "styles", "colours",
        "font sizes", "right-to-left", "unicode", "nested groups", "NUL and control bytes"};
    return names[std::size_t(s)];
}

// `size` bytes (16 MiB unless given) of the shape.
inline QByteArray answerOf(Shape shape, qsizetype size = qsizetype(16) << 20)
{
    QByteArray head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}"
                      "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue200;}\\f0 ";
    QByteArray unit;
    switch (shape) {
    case Shape::Paragraphs: unit = "\\par "; break;
    case Shape::SoftBreaks: unit = "\\line "; break;
    case Shape::PlainLines: head.clear(), unit = "\n"; break;
    case Shape::LongWord: unit = "palabra"; break;
    case Shape::Styles: unit = "{\\b a}{\\i b}"; break;
    case Shape::Colours: unit = "\\cf1 a\\cf2 b"; break;
    case Shape::FontSizes: unit = "\\fs20 a\\fs28 b\\fs36 c"; break;
    case Shape::RightToLeft: unit = "\\u1513?\\u1500?\\u1493?\\u1501? "; break;
    case Shape::Unicode: unit = "\\u8364?"; break;
    case Shape::Groups: unit = "{{{{{{{{x}}}}}}}}"; break;
    case Shape::Control:
        head.clear();
        unit = QByteArray(13, '\0') + "\x01\x07\x1b";
        break;
    }
    QByteArray out = head;
    out.reserve(size);
    while (out.size() + unit.size() + 1 <= size)
        out += unit;
    if (!head.isEmpty())
        out += '}';
    return out;
}

} // namespace hostile
