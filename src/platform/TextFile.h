#pragma once
// Plain-text files as lists of lines, as the class library's string lists load them.
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// The lines of a text: a line ends at CR LF, LF or CR; a last line without an ending counts,
// an ending after the last line adds no empty line. An empty text has no line.
QStringList textLines(const QString &text);

// The lines of a text file read as UTF-8, or as Windows-1252 when it is not valid UTF-8;
// nothing when the file cannot be read.
std::optional<QStringList> readTextLines(const QString &path);

// Writes the lines as UTF-8, each ended by CR LF, through a temporary file renamed over the
// target (see saveFileAtomically); false when it could not be written.
bool saveTextLines(const QString &path, const QStringList &lines);

} // namespace platform
