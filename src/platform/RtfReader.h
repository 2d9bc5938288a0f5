#pragma once
// Reader of RTF as rich edits and word processors write it. Keeps the text, the paragraphs
// and the character formatting a rich edit shows; skips what it does not show (document
// information, style sheets, pictures, objects, ignorable destinations). Bounded: nesting
// deeper than kMaxDepth is skipped, numbers are clamped, and the work is linear in the input.
#include "platform/RtfContent.h"

#include <QByteArray>

namespace platform::rtf {

inline constexpr int kMaxDepth = 200;
// The most paragraphs and runs a document is read into, so that what is built from it stays
// in proportion to its text whatever the input: further paragraph marks become soft line
// breaks (U+2028) in the last paragraph, and further changes of character style are not
// followed (the text keeps the style in force). A rich edit's lines are the same either way.
inline constexpr int kMaxParagraphs = 100000;
inline constexpr int kMaxRuns = 200000;
// The most font families, point sizes and character styles a document brings, so that laying
// it out or printing it never meets more fonts than these, whatever the input: text in a
// further family or size takes the document's default one, text in a further style the plain
// style (default font, size and colour). The font table keeps at most kMaxFontTable fonts;
// text in a font it does not keep takes the default family.
inline constexpr int kMaxFamilies = 32;
inline constexpr int kMaxSizes = 16;
inline constexpr int kMaxStyles = 256;
inline constexpr int kMaxFontTable = 1024;

// True when the bytes start as an RTF stream does ("{\rtf").
bool isRtf(const QByteArray &bytes);

// Reads an RTF stream. Malformed input gives what could be read up to the fault: text after
// the closing brace of the document is ignored, a missing closing brace is supplied.
Content read(const QByteArray &bytes);

// How much of a stream a partial reading takes: characters of text, and lines (paragraph
// marks and soft line breaks each end one).
struct Limits {
    qsizetype chars = -1; // -1: no limit
    qsizetype lines = -1;
};
// The start of what read() gives, within the limits: the reading stops there, so that its cost
// follows what is taken. `cut` tells whether anything was left.
Content readPart(const QByteArray &bytes, Limits limits, bool *cut = nullptr);

// The first line of what read() gives, at most `maxChars` characters of it, as one paragraph
// with its formatting: only the bytes up to the line's end are read (a plain text's bytes are
// searched for its end), so that the cost follows the line and not the stream.
Content readFirstLine(const QByteArray &bytes, qsizetype maxChars);

// Plain text as paragraphs: line ends CR LF, LF or CR each end a paragraph.
Content contentFromPlainText(const QString &text);

} // namespace platform::rtf
