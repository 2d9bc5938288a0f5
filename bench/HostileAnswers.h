#pragma once
// Answers of 16 MiB, just within the answer limit, in each shape a crafted study file may give
// them: RTF with one control or character repeated to the end, or plain bytes; or a font table
// of one font for each character that follows.
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
    Fonts,      // a font of its own for every character (as many fonts in the table)
    ManySizes,  // a size for every character, through every size there is (1 to 4000 half-points)
};
inline constexpr int kShapes = 13;

inline const char *nameOf(Shape s)
{
    static constexpr std::array<const char *, kShapes> names{
        "paragraphs", "soft breaks", "plain lines", "one long word", "styles", "colours",
        "font sizes", "right-to-left", "unicode", "nested groups", "NUL and control bytes",
        "a font per character", "every font size"};
    return names[std::size_t(s)];
}

// About `size` bytes of fonts, each of a family of its own, the text one character in each.
inline QByteArray fontPerCharacter(qsizetype size)
{
    QByteArray table = "{\\rtf1\\ansi\\deff0{\\fonttbl", text;
    table.reserve(size);
    text.reserve(size / 3);
    for (int n = 0;; ++n) {
        const QByteArray f = "\\f" + QByteArray::number(n);
        const QByteArray font = "{" + f + "\\fnil Fuente" + QByteArray::number(n) + ";}";
        const QByteArray character = f + (n % 5 == 4 ? " b " : " a");
        if (table.size() + text.size() + font.size() + character.size() + 2 > size)
            break;
        table += font;
        text += character;
    }
    return table + "}" + text + "}";
}

// `size` bytes (16 MiB unless given) of the shape.
inline QByteArray answerOf(Shape shape, qsizetype size = qsizetype(16) << 20)
{
    QByteArray head = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}"
                      "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue200;}\\f0 ";
    QByteArray unit;
    if (shape == Shape::Fonts)
        return fontPerCharacter(size);
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
    case Shape::Fonts: break;
    case Shape::ManySizes: break;
    }
    QByteArray out = head;
    out.reserve(size);
    if (shape == Shape::ManySizes) {
        for (int n = 0; out.size() + 12 <= size; n = (n + 1) % 4000)
            out += "\\fs" + QByteArray::number(n + 1) + " a";
        out += '}';
        return out;
    }
    while (out.size() + unit.size() + 1 <= size)
        out += unit;
    if (!head.isEmpty())
        out += '}';
    return out;
}

} // namespace hostile
