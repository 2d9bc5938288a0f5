#pragma once
// Rich-text streaming: what a rich edit writes when it saves its content, and reads back.
//
// A stream's paragraphs map one to one onto the blocks of a QTextDocument: every paragraph
// mark (\par) ends a block, and what follows the last mark is the last block, empty when the
// stream ends with a mark. The lines of a rich edit are its paragraphs, a soft line break
// (\line, U+2028) also starting a line, less an empty last paragraph: so a line buffer is
// written as one paragraph per line, each ended by \par, and reads back with the same lines,
// count and blanks included.
#include "platform/RtfContent.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QStringList>

#include <optional>

class QTextDocument;
class QTextCharFormat;
class QTextBlockFormat;

namespace platform::rtf {

// The document as an RTF stream (\ansicpg1252, \'xx and \uN for characters outside 7 bits).
QByteArray fromDocument(const QTextDocument &doc);

// The content as an RTF stream, as fromDocument writes a document of that default font.
QByteArray fromContent(const Content &content, const QFont &defaultFont);

// Loads an RTF stream into the document, replacing its content. Bytes that are not RTF are
// loaded as plain text (UTF-8, or Windows-1252 when they are not valid UTF-8).
void toDocument(const QByteArray &bytes, QTextDocument &doc);

// Fills the document with the content, replacing what it held.
void contentToDocument(const Content &content, QTextDocument &doc);

// Loads only the first line of an RTF stream (or plain text), with its formatting, at most
// `maxChars` characters of it; the rest of the stream is not read.
void firstLineToDocument(const QByteArray &bytes, QTextDocument &doc, qsizetype maxChars);

// Line buffers: each line one paragraph, blanks kept exactly on the way back.
QByteArray fromLines(const QStringList &lines);
QStringList toLines(const QByteArray &bytes);

// The display font style document: one character carrying a font and a colour.
struct FontStyle {
    QFont font;
    QColor color; // invalid: automatic
};
QByteArray fromFontStyle(const QFont &font, const QColor &color);
// The style of the first character of an RTF stream (of its first paragraph mark when it
// has no text); nothing when the bytes are not RTF.
std::optional<FontStyle> toFontStyle(const QByteArray &bytes);

// Conversions between the stream's styles and Qt's formats and fonts.
QTextCharFormat toCharFormat(const CharStyle &style);
CharStyle fromCharFormat(const QTextCharFormat &format, const QFont &defaultFont);
QTextBlockFormat toBlockFormat(const ParaStyle &style);
ParaStyle fromBlockFormat(const QTextBlockFormat &format);
CharStyle charStyleOf(const QFont &font, const QColor &color);
QFont fontOf(const CharStyle &style, const QFont &base = QFont());

// Points of a font, from its point size or (at 96 pixels an inch) its pixel size.
double pointSizeOf(const QFont &font);

} // namespace platform::rtf
