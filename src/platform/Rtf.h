#pragma once
// Rich-text streaming: what a rich edit writes when it saves its content, and reads back.
#include <QByteArray>
#include <QStringList>

class QTextDocument;

namespace platform::rtf {

// The document as an RTF stream (\ansicpg1252, \uN for characters outside it).
QByteArray fromDocument(const QTextDocument &doc);

// Loads an RTF stream into the document. Bytes that are not RTF are loaded as plain text
// (UTF-8, or Windows-1252 when they are not valid UTF-8).
void toDocument(const QByteArray &bytes, QTextDocument &doc);

// Line buffers: each line one paragraph, blanks kept exactly on the way back.
QByteArray fromLines(const QStringList &lines);
QStringList toLines(const QByteArray &bytes);

} // namespace platform::rtf
