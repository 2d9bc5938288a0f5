#pragma once
// The benchmarks' study file of 20,000 cards: a compressed and enciphered card table whose
// cards carry a JPEG question picture and a bitmap answer picture of about 100 KB each, a long
// answer of about 5 KB and a short answer, all packed with kKey. The same table with pictures
// of about 8 KB, or with none, is there for comparison (tableName, cardTable).
//
// The table is built once (a template card doubled by batch moves) in the folder named by
// ORV_BENCH_DIR, else in the system's temporary folder under orv-bench-datamodule, and reused
// by later runs; it takes about 3 GB (the one with 8 KB pictures about 300 MB). A benchmark that adds cards removes them again, so that
// the table keeps its 20,000 cards.
#include "QtBenchMain.h"
#include "engine/BatchMove.h"
#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRandomGenerator>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace benchcards {

inline constexpr std::size_t kCards = 20000;
inline const std::string kKey = "clave de las fichas";
inline const char *const kTableName = "Fichas20000.DB";

// The table whose pictures have about that many KB (none for 0).
inline std::string tableName(int pictureKb)
{
    return pictureKb == 100 ? std::string(kTableName) : "Fichas20000_" + std::to_string(pictureKb) + "KB.DB";
}

inline std::string pack(const QByteArray &bytes)
{
    TPackStreams pks;
    pks.Compressed = true;
    pks.Encrypted = true;
    pks.Key = kKey;
    packing::MemoryStream s(bytes.constData(), size_t(bytes.size()));
    pks.AddStream("1", s);
    s.clear();
    pks.SaveToStream(s);
    return s.toString();
}

// A photograph-like picture: smooth shading with fine noise.
inline QImage photo(int w, int h, quint32 seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(24));
            line[x] = qRgb((x * 255 / w + n) & 255, (y * 255 / h + n) & 255, ((x + y) * 127 / (w + h) + 2 * n) & 255);
        }
    }
    return img;
}

inline QByteArray jpegOfAbout(qsizetype bytes)
{
    for (int w = 200;; w += 20) {
        const QByteArray jpg = platform::encodeJpeg(photo(w, w * 3 / 4, 7), 90);
        if (jpg.size() >= bytes)
            return jpg;
    }
}

inline QByteArray bitmapOfAbout(qsizetype bytes)
{
    const int w = 200;
    const int h = int(bytes / (w * 3)) + 1;
    return platform::encodeBmp(photo(w, h, 11));
}

inline QByteArray longAnswerOfAbout(qsizetype bytes)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    const QString words[] = {QStringLiteral("La fotosíntesis "), QStringLiteral("transforma "),
                             QStringLiteral("la energía luminosa "), QStringLiteral("en energía química; "),
                             QStringLiteral("¿por qué? "), QStringLiteral("el niño comió piña. ")};
    for (int i = 0; platform::rtf::fromDocument(doc).size() < bytes; ++i) {
        QTextCharFormat f;
        f.setFontPointSize(i % 5 == 0 ? 14 : 11);
        f.setFontWeight(i % 3 == 0 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(i % 4 == 0);
        if (i % 6 == 0)
            f.setForeground(QColor(0, 0, 128));
        c.insertText(words[i % 6], f);
        if (i % 9 == 8)
            c.insertBlock();
    }
    return platform::rtf::fromDocument(doc);
}

inline std::filesystem::path benchFolder()
{
    const QByteArray env = qgetenv("ORV_BENCH_DIR");
    std::filesystem::path dir = env.isEmpty() ? std::filesystem::temp_directory_path() / "orv-bench-datamodule"
                                              : std::filesystem::path(env.toStdString());
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::size_t cardsIn(const std::string &folder, const std::string &name)
{
    try {
        engine::Table t;
        t.setDatabaseName(folder);
        t.setTableName(name);
        if (!t.exists())
            return 0;
        t.open();
        return t.recordCount();
    } catch (const std::exception &) {
        return 0;
    }
}

// The 20,000-card table, built when it is not there yet; returns its folder.
inline std::string cardTable(int pictureKb = 100)
{
    const std::string folder = benchFolder().string();
    const std::string name = tableName(pictureKb);
    if (cardsIn(folder, name) == kCards)
        return folder;
    std::fprintf(stderr, "Building %zu cards in %s ...\n", kCards, folder.c_str());
    engine::Table main;
    main.setDatabaseName(folder);
    main.setTableName(name);
    main.createTable(TD_Module_::Campos_Ficha(100), TD_Module_::Indices_Ficha());
    main.open();
    main.append();
    main.fieldByName("Nive_Fich").setAsInteger(1);
    main.fieldByName("Nive_Impo").setAsInteger(0);
    main.fieldByName("Preg_Text").setAsString("¿Qué transforma la fotosíntesis?");
    main.fieldByName("Tipo_Preg_Imag").setAsString(pictureKb > 0 ? "JPG" : "NO");
    if (pictureKb > 0)
        main.fieldByName("Preg_Imag").setBytes(pack(jpegOfAbout(pictureKb * 1024)));
    main.fieldByName("Resp_Text").setBytes(pack(platform::rtf::fromLines({QStringLiteral("La energía luminosa")})));
    main.fieldByName("Tipo_Resp_Imag").setAsString(pictureKb > 0 ? "BMP" : "NO");
    if (pictureKb > 0)
        main.fieldByName("Resp_Imag").setBytes(pack(bitmapOfAbout(pictureKb * 1024)));
    main.fieldByName("Resp_Memo").setBytes(pack(longAnswerOfAbout(5 * 1024)));
    main.fieldByName("Fech_Crea").setAsString("20261201");
    main.fieldByName("Fech_Ulti_Repa").setAsString("20261203");
    main.fieldByName("Fech_Prox_Repa").setAsString("20261205");
    main.fieldByName("Ficha_Comp_Encr").setAsString("S");
    main.post();
    main.close();

    engine::Table copy;
    copy.setDatabaseName(folder);
    copy.setTableName("Fichas_copia.DB");
    for (std::size_t have = 1; have < kCards;) {
        engine::BatchMove toCopy;
        toCopy.setMode(engine::BatchMove::Mode::Copy);
        toCopy.setSource(&main);
        toCopy.setDestination(&copy);
        toCopy.execute();
        engine::BatchMove back;
        back.setMode(engine::BatchMove::Mode::Append);
        back.setSource(&copy);
        back.setDestination(&main);
        back.setRecordCount(std::min(have, kCards - have));
        have += back.execute();
    }
    std::filesystem::remove(std::filesystem::path(copy.filePath()));
    return folder;
}

// The main of a benchmark on the table: the table is built (when missing) before any timing,
// then the benchmark's program is made; it is destroyed after the last benchmark.
template <class Program>
int runOnCardTable(int argc, char **argv, std::unique_ptr<Program> &program)
{
    return runQtBenchmarks(
        argc, argv,
        [&program] {
            cardTable();
            program = std::make_unique<Program>();
        },
        [&program] { program.reset(); });
}

// The session and card store set for this table's study file: compressed and enciphered with
// kKey, questions of 100 characters, both pictures and a long answer, the short answer of the
// given size.
inline void useTableSettings(int tamRespuesta)
{
    TSesion_ *s = Sesion_;
    s->Fichero_Empaquetado = 1;
    s->Comprimido = 1;
    s->Encriptado = 1;
    s->Tam_Pregunta = 100;
    s->Tam_Respuesta = tamRespuesta;
    s->Con_Imagen_Pregunta = 1;
    s->Con_Imagen_Respuesta = 1;
    s->Con_Texto_Largo = 1;
    D_Module_->PKS->Compressed = true;
    D_Module_->PKS->Encrypted = true;
    D_Module_->PKS->Key = kKey;
}

} // namespace benchcards
