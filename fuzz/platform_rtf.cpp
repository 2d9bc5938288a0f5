// Fuzz target: the RTF reader, for lines, for a document and for the font style, on any
// bytes. Also checks that what the line writer writes reads back as the same lines.
#include "platform/Rtf.h"
#include "platform/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_platform_rtf";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = platform::rtf::toLines(bytes);
    (void)platform::rtf::toFontStyle(bytes);

    // Lines without line ends or soft breaks survive the writer and the reader exactly.
    QStringList clean;
    for (QString l : lines) {
        l.remove(QChar(0x2028));
        l.remove(u'\r');
        l.remove(u'\n');
        clean << l;
    }
    if (platform::rtf::toLines(platform::rtf::fromLines(clean)) != clean)
        std::abort();

    if (size < 20000) {
        QTextDocument doc;
        platform::rtf::toDocument(bytes, doc);
        QTextDocument again;
        platform::rtf::toDocument(platform::rtf::fromDocument(doc), again);
        if (again.blockCount() != doc.blockCount())
            std::abort();
    }
    return 0;
}
