#include "engine/EngineError.h"

#include <climits>

namespace engine {

std::string shortenedText(std::string_view utf8, std::size_t maxChars)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A character starts at every byte that is not a continuation byte (10xxxxxx).
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && chars++ == maxChars)
            return std::string(utf8.substr(0, i)) + "\u2026";
    }
    return std::string(utf8);
}

int strToInt(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const std::size_t start = i;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            break;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            break;
    }
    const long long value = negative ? -v : v;
    if (i == start || i != text.size() || value > INT_MAX || value < INT_MIN)
        throw ConversionError("'" + shortenedText(text) + "' is not a valid integer value");
    return static_cast<int>(value);
}

} // namespace engine
