#pragma once
// Windows-1252, the code page of text files and rich text written on Western Windows systems.
#include <QByteArray>
#include <QString>

namespace platform::cp1252 {

// The character of a byte; U+FFFD for the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D).
char16_t toUnicode(unsigned char byte);

// The byte of a character, or -1 when the code page has none for it.
int fromUnicode(char16_t ch);

QString decode(const QByteArray &bytes);

// Bytes read from a text file: UTF-8 when they are valid UTF-8 (a leading byte-order mark
// is dropped), Windows-1252 otherwise.
QString decodeText(const QByteArray &bytes);

} // namespace platform::cp1252
