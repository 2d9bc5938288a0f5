#include "exchange/Transporte.h"

#include "engine/EngineError.h"
#include "engine/Table.h"
#include "platform/Files.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Restos_Trabajo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {
const QString Err_Lectura = QStringLiteral("No se puede leer el archivo %1");
const QString Err_Escritura = QStringLiteral("No se puede escribir el archivo %1");
const QString Err_Sin_Espacio = QStringLiteral(
    "No hay espacio libre suficiente en el disco de %1 para descomprimir el Fichero de Estudio de Transporte "
    "(hacen falta unos %2 MB).");
const QString Err_En_Uso = QStringLiteral("El Fichero de Estudio %1 está siendo usado por otro programa.");

// The parts of a study file that a transport file carries, in the order they are added and
// written; the first two are required.
const char *const Partes[] = {"DB", "STU", "MB", "PX", "BMP", "JPG"};
static_assert(std::size(Partes) == Items_Maximos_Transporte);

// Every table of the engine is an SQLite file, which begins so.
constexpr char Cabecera_Tabla[] = "SQLite format 3";

[[noreturn]] void falla(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

QString enCualquierCaso(const QString &path)
{
    const QString found = platform::existingPathAnyCase(path);
    return found.isEmpty() ? path : found;
}

bool existe(const QString &path)
{
    return !platform::existingPathAnyCase(path).isEmpty();
}

// Takes the inflated bytes piece by piece; false when it wants no more.
using Salida = std::function<bool(const std::uint8_t *, std::size_t)>;

// Inflates the zlib stream from the source's position to its end, handing the output on piece
// by piece. When the output is refused, stops there without looking at the rest.
std::uint64_t inflar(packing::Stream &Origen, std::uint64_t Limite, const Salida &salida)
{
    if (Origen.position() >= Origen.size())
        return 0;
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw std::bad_alloc();
    std::unique_ptr<z_stream, int (*)(z_stream *)> fin(&z, inflateEnd);
    std::vector<std::uint8_t> entrada(std::size_t(1) << 18), trozo(std::size_t(1) << 18);
    std::uint64_t total = 0;
    bool agotado = false;
    int ret = Z_OK;
    while (ret != Z_STREAM_END) {
        if (z.avail_in == 0 && !agotado) {
            const std::size_t n = Origen.read(entrada.data(), entrada.size());
            agotado = n == 0 || Origen.position() >= Origen.size();
            z.next_in = entrada.data();
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = trozo.data();
        z.avail_out = static_cast<uInt>(trozo.size());
        ret = inflate(&z, Z_NO_FLUSH);
        if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
            throw EZlibDanado();
        const std::size_t producido = trozo.size() - z.avail_out;
        total += producido;
        if (total > Limite)
            throw EZlibDanado();
        if (producido > 0 && salida && !salida(trozo.data(), producido))
            return total;
        // No input left and no way on: the stream is cut short.
        if (ret == Z_BUF_ERROR && z.avail_in == 0 && agotado)
            throw EZlibDanado();
    }
    if (z.avail_in != 0 || Origen.position() < Origen.size()) // bytes after the stream's end
        throw EZlibDanado();
    return total;
}

// The most bytes a part of that kind may hold: the settings what their opening reads, a
// picture (or a part of an older engine) what a picture may hold, the card table the largest
// part.
std::uint64_t limiteDeParte(const QString &Extension)
{
    if (Extension == QLatin1String("STU"))
        return std::uint64_t(TPackStreams::LargestContainer(Limite_Contenedor_Pequeno));
    if (Extension == QLatin1String("DB"))
        return Tamano_Maximo_Parte;
    return std::uint64_t(Limite_Imagen);
}

std::uint32_t bigEndian(const std::uint8_t *d, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | d[i];
    return v;
}

// The size of the card table an item holds, as the header at its start declares it; nothing
// when the item does not start as a table file of the engine does.
std::optional<std::uint64_t> tamanoDeclaradoDelItem(packing::Stream &Item, std::uint64_t Limite)
{
    std::vector<std::uint8_t> cabecera;
    inflar(Item, Limite, [&](const std::uint8_t *d, std::size_t n) {
        cabecera.insert(cabecera.end(), d, d + std::min(n, Largo_Cabecera_Tabla - cabecera.size()));
        return cabecera.size() < Largo_Cabecera_Tabla;
    });
    return Tamano_Declarado_Tabla(cabecera.data(), cabecera.size());
}

// The items of the container by part, each once; nothing when a required part is missing or
// a part is held twice.
std::optional<std::vector<std::pair<QString, packing::MemoryStream>>> itemsDelTransporte(TPackStreams &PKS3)
{
    const auto items = PKS3.itemsForInspection();
    if (PKS3.ItemsReadOnLoad() > Items_Maximos_Transporte)
        return std::nullopt; // more items than kinds of part
    if (PKS3.ItemsReadOnLoad() != items.size())
        return std::nullopt; // a part held twice
    auto tiene = [&](const char *parte) {
        return std::any_of(items.begin(), items.end(), [&](const auto &item) {
            return QString::fromStdString(item.first).compare(QLatin1String(parte), Qt::CaseInsensitive) == 0;
        });
    };
    if (!tiene("DB") || !tiene("STU"))
        return std::nullopt;
    std::vector<std::pair<QString, packing::MemoryStream>> partes;
    for (const char *p : Partes) {
        if (!tiene(p))
            continue;
        partes.emplace_back(QLatin1String(p), packing::MemoryStream());
        PKS3.GetStream(p, partes.back().second);
    }
    return partes;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// zlib

void Comprime_Stream_Zlib(packing::Stream &Origen, packing::Stream &Destino)
{
    std::vector<std::uint8_t> datos(static_cast<std::size_t>(Origen.size()));
    Origen.setPosition(0);
    Origen.readBuffer(datos.data(), datos.size());
    uLongf largo = compressBound(static_cast<uLong>(datos.size()));
    std::vector<std::uint8_t> salida(largo);
    if (compress2(salida.data(), &largo, datos.data(), static_cast<uLong>(datos.size()), 9) != Z_OK)
        throw std::bad_alloc();
    Destino.writeBuffer(salida.data(), largo);
}

std::uint64_t Descomprime_Stream_Zlib(packing::Stream &Origen, packing::Stream *Destino, std::uint64_t Limite)
{
    return inflar(Origen, Limite, Destino ? Salida([Destino](const std::uint8_t *d, std::size_t n) {
                                      Destino->writeBuffer(d, n);
                                      return true;
                                  })
                                          : Salida());
}

std::optional<std::uint64_t> Tamano_Declarado_Tabla(const std::uint8_t *Cabecera, std::size_t Largo)
{
    if (Largo < Largo_Cabecera_Tabla || std::memcmp(Cabecera, Cabecera_Tabla, sizeof Cabecera_Tabla) != 0)
        return std::nullopt;
    std::uint32_t pagina = bigEndian(Cabecera + 16, 2);
    if (pagina == 1)
        pagina = 65536;
    if (pagina < 512 || pagina > 65536 || (pagina & (pagina - 1)) != 0)
        return std::nullopt;
    // The page count holds only while the change counter and the number it was written at agree.
    const std::uint32_t paginas = bigEndian(Cabecera + 28, 4);
    if (paginas == 0 || bigEndian(Cabecera + 24, 4) != bigEndian(Cabecera + 92, 4))
        return std::nullopt;
    return std::uint64_t(pagina) * paginas;
}

void Extrae_Fichero_del_Transporte(packing::Stream &Item, const QString &Extension, packing::Stream &Fichero,
                                   std::uint64_t Limite)
{
    Limite = std::min(Limite, limiteDeParte(Extension));
    if (Extension != QLatin1String("DB")) {
        if (Descomprime_Stream_Zlib(Item, &Fichero, Limite) == 0)
            throw ETransporteDanado("empty part");
        return;
    }
    // The card table: nothing is written before its header says how long it is, and it stops
    // as soon as it runs past that.
    std::vector<std::uint8_t> cabecera;
    std::optional<std::uint64_t> declarado;
    std::uint64_t escritos = 0;
    inflar(Item, Limite, [&](const std::uint8_t *d, std::size_t n) {
        if (!declarado) {
            cabecera.insert(cabecera.end(), d, d + n);
            if (cabecera.size() < Largo_Cabecera_Tabla)
                return true;
            declarado = Tamano_Declarado_Tabla(cabecera.data(), cabecera.size());
            if (!declarado || *declarado > Limite)
                throw ETransporteDanado("not a table file");
            d = cabecera.data();
            n = cabecera.size();
        }
        escritos += n;
        if (escritos > *declarado)
            throw ETransporteDanado("a table file longer than it says");
        Fichero.writeBuffer(d, n);
        return true;
    });
    if (!declarado || escritos != *declarado)
        throw ETransporteDanado("a table file shorter than it says");
}

bool Es_Tabla_De_Fichas(const QString &Ruta, QString *Razon)
{
    try {
        engine::Table tabla;
        tabla.setTableName(QFile::encodeName(Ruta).toStdString());
        tabla.open();
        const std::vector<engine::FieldDef> &campos = tabla.fieldDefinitions();
        for (const ficha::Campo &f : ficha::Campos) {
            const bool hay = std::any_of(campos.begin(), campos.end(), [&](const engine::FieldDef &c) {
                return QString::fromStdString(c.name).compare(QLatin1String(f.nombre), Qt::CaseInsensitive) == 0
                       && c.type == f.tipo;
            });
            if (!hay)
                return false;
        }
        return true;
    } catch (const engine::NewerFormatError &e) {
        if (Razon)
            *Razon = QString::fromUtf8(e.what());
        return false;
    } catch (const engine::EngineError &) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Packing

void Anade_Fichero_al_Transporte(TPackStreams &PKS3, const QString &Base, const QString &Extension)
{
    const QString path = enCualquierCaso(Base + Extension);
    const std::optional<QByteArray> bytes = platform::readWholeFile(path);
    if (!bytes)
        falla(Err_Lectura.arg(path));
    packing::MemoryStream fichero(bytes->constData(), std::size_t(bytes->size())), comprimido;
    Comprime_Stream_Zlib(fichero, comprimido);
    PKS3.AddStream(Extension.toStdString(), comprimido);
}

void Consolida_Tabla(const QString &N)
{
    if (!QFileInfo(N).isFile())
        return; // a journal without its table belongs to nothing
    // A journal or log left beside the table by a killed program belongs to it: the table is
    // made whole on its own (the change cut short rolled back, the log folded in).
    try {
        engine::Table tabla;
        tabla.setTableName(QFile::encodeName(N).toStdString());
        tabla.checkpointFile();
    } catch (const engine::EngineError &) {
        if (QFileInfo::exists(N + QStringLiteral("-wal")) || QFileInfo::exists(N + QStringLiteral("-journal")))
            falla(Err_En_Uso.arg(N));
    }
}

bool FE_Transportable(const QString &N)
{
    return QFileInfo(N).isFile() && existe(N.left(N.size() - 2) + QStringLiteral("STU"));
}

void Empaqueta_Transporte(TPackStreams &PKS3, const QString &N)
{
    const QString B = N.left(N.size() - 2);
    Consolida_Tabla(N);
    PKS3.ClearStreams();
    PKS3.Compressed = false;
    PKS3.Encrypted = false;
    try {
        Anade_Fichero_al_Transporte(PKS3, B, QStringLiteral("DB"));
        for (const char *parte : {"MB", "PX", "STU", "BMP", "JPG"}) {
            const QString ext = QLatin1String(parte);
            if (ext == QLatin1String("STU") || existe(B + ext))
                Anade_Fichero_al_Transporte(PKS3, B, ext);
        }
        PKS3.SaveToFile(QFile::encodeName(B + QStringLiteral("SZP")).toStdString());
    } catch (...) {
        PKS3.ClearStreams();
        throw;
    }
    PKS3.ClearStreams();
}

// ---------------------------------------------------------------------------------------------
// Unpacking

bool Desempaqueta_Transporte(TPackStreams &PKS3, const QString &Carpeta, const QString &M, QStringList &Escritos,
                             std::uint64_t Limite, QString *Razon)
{
    Escritos.clear();
    PKS3.Compressed = false;
    PKS3.Encrypted = false;
    auto leidas = itemsDelTransporte(PKS3);
    PKS3.ClearStreams();
    if (!leidas)
        return false;
    auto &partes = *leidas;
    // Every part is bounded before anything is written: each one but the card table is
    // inflated once without being kept, the card table's size read from its header.
    std::uint64_t necesario = 0;
    for (auto &[ext, datos] : partes) {
        const std::uint64_t limite = std::min(Limite, limiteDeParte(ext));
        try {
            datos.setPosition(0);
            const std::optional<std::uint64_t> largo = ext == QLatin1String("DB")
                                                           ? tamanoDeclaradoDelItem(datos, limite)
                                                           : Descomprime_Stream_Zlib(datos, nullptr, limite);
            if (!largo || *largo == 0 || *largo > limite)
                return false;
            necesario += *largo;
        } catch (const EZlibDanado &) {
            return false;
        }
    }
    QDir().mkpath(Carpeta);
    // Room for the parts, and for the engine's work while it checks the card table.
    const std::uint64_t holgura = std::uint64_t(1) << 20;
    if (const std::optional<std::uint64_t> libre = platform::freeSpace(Carpeta); libre && *libre < necesario + holgura)
        falla(Err_Sin_Espacio.arg(Carpeta).arg((necesario + holgura) / (1024 * 1024) + 1));

    // The card table is inflated under a work name and opened there; the other parts are
    // written whole under work names beside their places (a failure takes every work part
    // with it). Only then do they all take their places, as one replacement.
    Quita_Restos_Abandonados(Carpeta);
    const QString tipo = QStringLiteral("transporte");
    const Trabajo_En_Carpeta enCarpeta(Carpeta, tipo); // until every work part is gone
    QStringList trabajos;
    bool conservaTrabajos = false;
    struct QuitaTrabajos {
        const QStringList &rutas;
        const bool &conserva;
        ~QuitaTrabajos()
        {
            if (!conserva)
                for (const QString &ruta : rutas)
                    Quita_Tabla(ruta);
        }
    } quitaTrabajos{trabajos, conservaTrabajos};
    std::vector<Paso_Reemplazo> pasos;
    QStringList llevadas;
    for (auto &[ext, datos] : partes) {
        const QString destino = enCualquierCaso(Carpeta + QLatin1Char('/') + M + ext);
        const QString trabajo = Parte_De_Trabajo(Carpeta, tipo, ::getpid(), ext);
        trabajos << trabajo;
        Quita_Tabla(trabajo);
        datos.setPosition(0);
        try {
            {
                packing::FileStream archivo(QFile::encodeName(trabajo).toStdString(), packing::FileStream::Create);
                Extrae_Fichero_del_Transporte(datos, ext, archivo, Limite);
                archivo.close(true);
            }
            if (QString razon; ext == QLatin1String("DB") && !Es_Tabla_De_Fichas(trabajo, &razon)) {
                // The engine names the work file; the user knows the transport file.
                if (Razon && !razon.isEmpty())
                    *Razon = razon.replace(trabajo, M + QStringLiteral("SZP"));
                return false;
            }
        } catch (const ETransporteDanado &) {
            return false;
        } catch (const packing::EStreamError &) {
            falla(Err_Escritura.arg(destino));
        }
        datos.clear();
        pasos.push_back({QFileInfo(trabajo).fileName(), QFileInfo(destino).fileName()});
        llevadas << ext;
    }

    // A study file replaced goes whole: the parts the transport file does not carry and its
    // saved password go with it.
    const QString base = Carpeta + QLatin1Char('/') + M;
    if (existe(base + QStringLiteral("DB")) || existe(base + QStringLiteral("STU")))
        for (const char *parte : {"MB", "PX", "BMP", "JPG", "JPEG", "CLA"})
            if (const QString viejo = platform::existingPathAnyCase(base + QLatin1String(parte));
                !viejo.isEmpty() && !llevadas.contains(QLatin1String(parte)))
                pasos.push_back({QString(), QFileInfo(viejo).fileName()});

    // A journal left on the table replaced by a killed program is rolled back first, so that
    // the old table stays whole whenever its replacement is cut short.
    const QString db = enCualquierCaso(base + QStringLiteral("DB"));
    Consolida_Tabla(db);

    switch (Reemplaza_Conjunto(Carpeta, tipo, pasos)) {
    case Reemplazo::Hecho:
        trabajos.clear(); // in their places
        break;
    case Reemplazo::Nada_Hecho:
        falla(Err_Escritura.arg(db));
    case Reemplazo::A_Medias:
        conservaTrabajos = true; // what is not in place yet the next run puts there
        falla(Err_Escritura.arg(db));
    }
    Escritos = llevadas;
    return true;
}
