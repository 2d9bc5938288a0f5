#pragma once
// Transport files apart from their window: packing a study file's parts into a transport file
// and unpacking one into a folder, with the zlib routines of its items.
//
// A transport file is a stream container with both flag bytes blank (not compressed, not
// enciphered). Its items are named after the parts they hold, "BMP", "DB", "JPG", "MB", "PX",
// "STU" (the container keeps them in that order), and each holds one whole file as one zlib
// stream compressed at level 9. "DB" and "STU" are required; "MB" and "PX" are carried only
// when such files lie beside the study file (the engine keeps everything in X.DB); the
// pictures X.BMP and X.JPG when they exist.
//
// Unpacking is all or nothing. The names written come from the transport file's own name and
// the part's kind, never from the item's name; items of other names are ignored, but a
// container says at most Items_Maximos_Transporte items (one per kind): one that says more is
// refused from its count, before any item is read, so that its cost never follows a count
// that the file itself gives. Before
// anything is written every item is checked (zlib stream, checksum, not empty) and bounded:
// "STU" by what the opening of a study file reads as its settings, a picture ("MB" and "PX"
// too) by the picture limit, "DB" by the size that its own table header declares (never over
// Tamano_Maximo_Parte), which it must inflate to exactly; then the free disk space is checked
// for them all. The "DB" item must inflate to a card table of the engine, which opens it: a
// container that can't be read, a missing "DB" or "STU", an item held twice, a damaged, empty
// or oversized item or a "DB" that is foreign or damaged is refused and writes nothing. The
// card table is checked under a work name in the folder, the other parts are written whole
// under work names; all take their places only when every one is complete, as one
// replacement (Reemplaza_Conjunto) that also takes away the replaced file's parts not carried
// and its saved password, so that a kill at any step leaves the old study file or the new one
// once the next run in the folder has finished what was cut short.
#include "packing/PackStreamCol.h"
#include "packing/Streams.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <stdexcept>

// The most items a transport file holds: one per kind of part.
inline constexpr std::uint32_t Items_Maximos_Transporte = 6;

// The largest part of a study file that an item may inflate to.
inline constexpr std::uint64_t Tamano_Maximo_Parte = std::uint64_t(2) << 30;

// A transport file, or one of its items, that can't be what it claims.
class ETransporteDanado : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A zlib stream that is damaged, truncated, followed by other bytes, or inflates past the bound.
class EZlibDanado : public ETransporteDanado {
public:
    EZlibDanado() : ETransporteDanado("zlib data damaged") {}
};

// The whole source, from position 0, compressed with zlib at level 9 in one call (one zlib
// stream, default window and memory settings), written to the destination at its position.
void Comprime_Stream_Zlib(packing::Stream &Origen, packing::Stream &Destino);
// Inflates the zlib stream that runs from the source's position to its end into the
// destination at its position (no destination: only checks); returns the inflated size.
// EZlibDanado when those bytes are not exactly one sound zlib stream or it would inflate to
// more than Limite bytes. An empty source gives nothing.
std::uint64_t Descomprime_Stream_Zlib(packing::Stream &Origen, packing::Stream *Destino, std::uint64_t Limite);

// Adds the file Base + Extension, zlib-compressed, to the container as the item Extension.
void Anade_Fichero_al_Transporte(TPackStreams &PKS3, const QString &Base, const QString &Extension);
// Writes the part that the item of that extension holds into the file stream: inflated, not
// empty, within its kind's bound and at most Limite bytes. The card table ("DB") must start
// with a table header of the engine, read before its first byte is written, and be exactly as
// long as that header says. ETransporteDanado otherwise.
void Extrae_Fichero_del_Transporte(packing::Stream &Item, const QString &Extension, packing::Stream &Fichero,
                                   std::uint64_t Limite = Tamano_Maximo_Parte);

// The length of a table header of the engine, and the size of the table file that the header
// declares (page size times page count); nothing when the bytes are not such a header or the
// page count it holds is not valid.
inline constexpr std::size_t Largo_Cabecera_Tabla = 100;
std::optional<std::uint64_t> Tamano_Declarado_Tabla(const std::uint8_t *Cabecera, std::size_t Largo);

// Whether N (a chosen X.DB) and its settings X.STU exist, so that it can be packed.
bool FE_Transportable(const QString &N);
// Packs the study file whose card table is N into B + "SZP" beside it (B: N less its last two
// characters) through the container, which is left without items. A log left beside the table
// by a killed program is first folded into it. Throws with the failure's text.
void Empaqueta_Transporte(TPackStreams &PKS3, const QString &N);

// Unpacks the transport file loaded in the container into Carpeta as M + kind (M: the
// transport file's name less "SZP"). False, with nothing written, when the transport file is
// damaged or its card table is of a newer format than this version reads (Razon, when given,
// then says so, naming the transport file); a part that can't be written throws, leaving the
// folder as it was (or, when a step of the replacement itself fails, for the next run to
// finish). The container is left without items. Escritos: the kinds written. Limite: the
// largest part, whatever its kind. Too little free disk space for the parts throws before
// anything is written.
bool Desempaqueta_Transporte(TPackStreams &PKS3, const QString &Carpeta, const QString &M, QStringList &Escritos,
                             std::uint64_t Limite = Tamano_Maximo_Parte, QString *Razon = nullptr);
// Makes the table file N whole on its own: a journal left beside it by a killed program is
// rolled back, a log folded in. Throws with the failure's text when a journal or log stays
// (another program is writing the table). Nothing is done without them.
void Consolida_Tabla(const QString &N);
// Whether the table file at Ruta opens as a card table of the engine: its header and its
// definitions (every field of the card record, of its type). Razon, when given, gets the
// engine's text when the table is of a newer format than this version reads.
bool Es_Tabla_De_Fichas(const QString &Ruta, QString *Razon = nullptr);
