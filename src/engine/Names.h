#pragma once
// Small text helpers of the engine: names compared without regard to case, UTF-8 widths.
#include <string>
#include <string_view>

namespace engine {

// ASCII letters compared without regard to case; other bytes exactly.
bool equalsNoCase(std::string_view a, std::string_view b);

// The number of characters (code points) of a UTF-8 text: the bytes that do not continue a
// character, so a stray continuation byte belongs to the character before it.
std::size_t utf8Length(std::string_view text);

// The first `width` characters of a UTF-8 text (the whole text when it is shorter).
std::string_view utf8Left(std::string_view text, std::size_t width);

// A name quoted as an SQL identifier ("a""b").
std::string quoteIdentifier(std::string_view name);

} // namespace engine
