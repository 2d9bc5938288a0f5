// Fuzz target: a transport file unpacked as a whole into a folder of its own: the container,
// its items, their inflating and the check of the card table. Whatever the bytes, the
// unpacking either refuses and leaves the folder empty, or writes exactly the parts it names,
// none of them empty, with a card table that opens and is exactly as long as its header says.
#include "exchange/Transporte.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Removed when the fuzzer ends.
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/fuzz_exchange_transport-XXXXXX"));
    const QString dat = folder.path() + QStringLiteral("/dat");
    QDir(dat).removeRecursively();

    TPackStreams pks3;
    pks3.Key = "clave"; // an enciphered container is tried with this key
    packing::MemoryStream in(data, size);
    try {
        pks3.LoadFromStream(in);
    } catch (const std::exception &) {
        return 0; // not a container: refused before the unpacking
    }
    QStringList written;
    const bool ok = Desempaqueta_Transporte(pks3, dat, QStringLiteral("F."), written, std::uint64_t(64) << 20);
    QStringList files = QDir(dat).entryList(QDir::Files | QDir::Hidden | QDir::System);
    if (!pks3.itemsForInspection().empty() || (!ok && !files.isEmpty()))
        std::abort();
    if (!ok)
        return 0;
    QStringList expected;
    for (const QString &kind : written)
        expected << QStringLiteral("F.") + kind;
    files.sort();
    expected.sort();
    if (files != expected || !written.contains(QStringLiteral("DB")) || !written.contains(QStringLiteral("STU"))
        || !Es_Tabla_De_Fichas(dat + QStringLiteral("/F.DB")))
        std::abort();
    for (const QString &file : files)
        if (QFileInfo(dat + QLatin1Char('/') + file).size() == 0)
            std::abort();
    QFile table(dat + QStringLiteral("/F.DB"));
    const QByteArray header = table.open(QIODevice::ReadOnly) ? table.read(Largo_Cabecera_Tabla) : QByteArray();
    const auto declared = Tamano_Declarado_Tabla(reinterpret_cast<const std::uint8_t *>(header.constData()),
                                                 std::size_t(header.size()));
    if (!declared || *declared != std::uint64_t(table.size()))
        std::abort();
    return 0;
}
