#pragma once
// Writer of RTF as a rich edit writes it: \ansicpg1252, font and colour tables, \pard and
// paragraph properties, character formatting, \'xx for Windows-1252 characters outside
// 7 bits and \uN? for the others.
#include "platform/RtfContent.h"

#include <QByteArray>

namespace platform::rtf {

struct WriteDefaults {
    QString family = QStringLiteral("Arial"); // font 0, for runs without a family
    double pointSize = 10;                     // for runs without a size
};

QByteArray write(const Content &content, const WriteDefaults &defaults = {});

} // namespace platform::rtf
