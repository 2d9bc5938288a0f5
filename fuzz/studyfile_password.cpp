// Fuzz target: a saved password's file (X.CLA) read with its disk key, as the key request reads
// it, into the lines of its rich text. The first byte chooses the input's form: the file's bytes
// as they are, or the container's packed payload, which is enciphered here with the key so that
// the fuzzer reaches the decompressor and the rich-text reader behind the cipher.
#include "packing/PackStreamCol.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_studyfile_password";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
    if (size == 0)
        return 0;

    const std::string key = "1A2B-3C4D";
    packing::MemoryStream file;
    if (data[0] & 1) {
        file.writeBuffer(data + 1, size - 1);
    } else {
        packing::MemoryStream payload(data + 1, size - 1);
        EncryptStream(payload, key);
        file.writeBuffer("&*", 2);
        file.writeBuffer(payload.data(), size_t(payload.size()));
    }
    file.setPosition(0);

    TPackStreams pks;
    pks.SizeLimit = Limite_Contenedor_Pequeno;
    QByteArray text;
    try {
        text = Lee_Clave_Guardada(pks, file, key);
    } catch (const std::exception &) {
        return 0;
    }
    if (!pks.itemsForInspection().empty() || pks.Compressed || pks.Encrypted || text.size() > Limite_Contenedor_Pequeno)
        std::abort();
    const QString password = platform::rtf::toLines(text).value(1);
    QTextDocument doc;
    platform::rtf::toDocument(text, doc);
    (void)password;
    return 0;
}
