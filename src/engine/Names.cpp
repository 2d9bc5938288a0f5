#include "engine/Names.h"

namespace engine {

namespace {
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
} // namespace

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::size_t utf8Length(std::string_view text)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!isContinuation(static_cast<unsigned char>(text[i])) || i == 0)
            ++n;
    return n;
}

std::string_view utf8Left(std::string_view text, std::size_t width)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && isContinuation(static_cast<unsigned char>(text[i])))
            continue;
        if (chars == width)
            return text.substr(0, i);
        ++chars;
    }
    return text;
}

std::string quoteIdentifier(std::string_view name)
{
    std::string r = "\"";
    for (char c : name) {
        if (c == '"')
            r += '"';
        r += c;
    }
    r += '"';
    return r;
}

} // namespace engine
