// The card store at 20,000 cards: moving to the next card and filling every card display
// (card editor and review, stand-in controls) in a compressed and enciphered study file whose
// cards carry a JPEG question picture and a bitmap answer picture of about 100 KB each, a
// long answer of about 5 KB and a short answer; and the card grid following the cursor.
//
// The table is built once (a template card doubled by batch moves) in the folder named by
// ORV_BENCH_DIR, else in the system's temporary folder under orv-bench-datamodule, and
// reused by later runs; it takes about 3 GB.
#include "QtBenchMain.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/BatchMove.h"
#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "platform/DBGrid.h"
#include "platform/Files.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

constexpr std::size_t kCards = 20000;
const std::string kKey = "clave de las fichas";
const char *const kTableName = "Fichas20000v1.DB";

std::string pack(const QByteArray &bytes)
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
QImage photo(int w, int h, quint32 seed)
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

QByteArray jpegOfAbout(qsizetype bytes)
{
    for (int w = 200;; w += 20) {
        const QByteArray jpg = platform::encodeJpeg(photo(w, w * 3 / 4, 7), 90);
        if (jpg.size() >= bytes)
            return jpg;
    }
}

QByteArray bitmapOfAbout(qsizetype bytes)
{
    const int w = 200;
    const int h = int(bytes / (w * 3)) + 1;
    return platform::encodeBmp(photo(w, h, 11));
}

QByteArray longAnswerOfAbout(qsizetype bytes)
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

std::filesystem::path benchFolder()
{
    const QByteArray env = qgetenv("ORV_BENCH_DIR");
    std::filesystem::path dir = env.isEmpty() ? std::filesystem::temp_directory_path() / "orv-bench-datamodule"
                                              : std::filesystem::path(env.toStdString());
    std::filesystem::create_directories(dir);
    return dir;
}

std::size_t cardsIn(const std::string &folder, const std::string &name)
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

// The 20,000-card table, built when it is not there yet.
std::string cardTable()
{
    const std::string folder = benchFolder().string();
    if (cardsIn(folder, kTableName) == kCards)
        return folder;
    std::fprintf(stderr, "Building %zu cards in %s ...\n", kCards, folder.c_str());
    engine::Table main;
    main.setDatabaseName(folder);
    main.setTableName(kTableName);
    main.createTable(TD_Module_::Campos_Ficha(100), TD_Module_::Indices_Ficha());
    main.open();
    main.append();
    main.fieldByName("Nive_Fich").setAsInteger(1);
    main.fieldByName("Nive_Impo").setAsInteger(0);
    main.fieldByName("Preg_Text").setAsString("¿Qué transforma la fotosíntesis?");
    main.fieldByName("Tipo_Preg_Imag").setAsString("JPG");
    main.fieldByName("Preg_Imag").setBytes(pack(jpegOfAbout(100 * 1024)));
    main.fieldByName("Resp_Text").setBytes(pack(platform::rtf::fromLines({QStringLiteral("La energía luminosa")})));
    main.fieldByName("Tipo_Resp_Imag").setAsString("BMP");
    main.fieldByName("Resp_Imag").setBytes(pack(bitmapOfAbout(100 * 1024)));
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

// The program with the card editor's and the review's displays stood in for.
struct Program {
    QTemporaryDir folder;
    QWidget editorHost, reviewHost;
    platform::Label *label2, *label15, *label7;
    QLineEdit *editResp;
    platform::RichEdit *editorRich, *reviewRich;
    platform::ImageControl *editorImage1, *editorImage2, *reviewImage1, *reviewImage2;

    Program()
    {
        platform::setProgramFolder(folder.path());
        platform::setScripted(true);
        app::prepareApplication();
        app::createWindows();
        editorHost.resize(1000, 700);
        reviewHost.resize(1000, 700);
        label2 = new platform::Label(&editorHost);
        editResp = new QLineEdit(&editorHost);
        editorRich = new platform::RichEdit(&editorHost);
        editorRich->setGeometry(450, 300, 500, 300);
        editorImage1 = new platform::ImageControl(&editorHost);
        editorImage2 = new platform::ImageControl(&editorHost);
        label15 = new platform::Label(&reviewHost);
        label7 = new platform::Label(&reviewHost);
        reviewRich = new platform::RichEdit(&reviewHost);
        reviewRich->setGeometry(10, 440, 980, 250);
        reviewImage1 = new platform::ImageControl(&reviewHost);
        reviewImage2 = new platform::ImageControl(&reviewHost);
        attach(true);

        TPanta_Inicio_ *p = Panta_Inicio_;
        p->Fichero_Empaquetado = 1;
        p->Comprimido = 1;
        p->Encriptado = 1;
        p->Tam_Pregunta = 100;
        p->Tam_Respuesta = 60;
        p->Con_Imagen_Pregunta = 1;
        p->Con_Imagen_Respuesta = 1;
        p->Con_Texto_Largo = 1;
        D_Module_->PKS->Compressed = true;
        D_Module_->PKS->Encrypted = true;
        D_Module_->PKS->Key = kKey;
    }
    ~Program()
    {
        D_Module_->Tabla_Activa->close();
        app::destroyWindows();
    }

    void attach(bool on)
    {
        D_Module_->attachCardEditorDisplays(on ? TD_Module_::CardEditorDisplays{label2, editResp, editorRich,
                                                                                editorImage1, editorImage2}
                                               : TD_Module_::CardEditorDisplays{});
        D_Module_->attachReviewDisplays(on ? TD_Module_::ReviewDisplays{label15, label7, reviewRich, reviewImage1,
                                                                        reviewImage2}
                                           : TD_Module_::ReviewDisplays{});
    }

    void open(const std::string &folder)
    {
        engine::Table *t = D_Module_->Tabla_Activa;
        t->close();
        t->setDatabaseName(folder);
        t->setTableName(kTableName);
        t->open();
        t->setFilter(Filtro_Base.toStdString());
        t->setFiltered(true);
    }
};

std::unique_ptr<Program> g_program;

Program &program()
{
    return *g_program;
}

void moves(benchmark::State &state, bool shown)
{
    Program &p = program();
    p.open(cardTable());
    p.editorHost.setVisible(shown);
    p.reviewHost.setVisible(shown);
    engine::Table *t = D_Module_->Tabla_Activa;
    if (t->recordCount() != kCards) {
        state.SkipWithError("the card table does not hold 20,000 cards");
        return;
    }
    t->setRecNo(kCards / 2);
    for (auto _ : state) {
        t->next();
        if (t->eof())
            t->first();
        if (shown)
            QCoreApplication::processEvents();
    }
    if (!p.reviewImage1->hasPicture() || !p.editorImage2->hasPicture() || p.reviewRich->lines().isEmpty()
        || p.label7->caption() != QStringLiteral("La energía luminosa"))
        state.SkipWithError("the displays were not filled");
    state.counters["cards"] = double(t->recordCount());
    p.editorHost.hide();
    p.reviewHost.hide();
}

// The card editor and the review window both hidden, as while a study file is opened.
void BM_NextCardHiddenDisplays(benchmark::State &state)
{
    moves(state, false);
}
BENCHMARK(BM_NextCardHiddenDisplays)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Both shown and painted after every move (offscreen).
void BM_NextCardShownDisplays(benchmark::State &state)
{
    moves(state, true);
}
BENCHMARK(BM_NextCardShownDisplays)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A grid on the card table with the given columns, shown.
void showGrid(platform::DBGrid &grid, const std::vector<platform::DBGridColumn> &columns)
{
    grid.resize(800, 400);
    grid.setDataSource(D_Module_->DSource);
    grid.setColumns(columns);
    grid.show();
}

// A card grid on the 20,000 cards, shown, following the cursor through the whole view in
// steps of 97 cards, painted after every move.
void BM_GridFollowsCursor(benchmark::State &state)
{
    Program &p = program();
    p.open(cardTable());
    platform::DBGrid grid;
    showGrid(grid, {{"Nive_Fich", "Niv. Fich.", 79}, {"Clav_Fich", "Clave", 74}, {"Nive_Impo", "Niv. Imp.", 74},
                    {"Preg_Text", "Pregunta", 587}});
    engine::Table *t = D_Module_->Tabla_Activa;
    p.attach(false); // the grid alone
    std::size_t row = 1;
    for (auto _ : state) {
        row = (row + 97) % kCards + 1;
        t->setRecNo(row);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = double(grid.model()->rowCount());
    p.attach(true);
}
BENCHMARK(BM_GridFollowsCursor)->Unit(benchmark::kMillisecond);

// Re-filtering the 20,000 cards under a shown grid (the grid's model rebuilt).
void BM_GridRefilter(benchmark::State &state)
{
    Program &p = program();
    p.open(cardTable());
    platform::DBGrid grid;
    showGrid(grid, {{"Nive_Fich", "Niv. Fich.", 79}, {"Preg_Text", "Pregunta", 587}});
    p.attach(false);
    engine::Table *t = D_Module_->Tabla_Activa;
    bool all = false;
    for (auto _ : state) {
        t->setFilter(all ? Filtro_Base.toStdString() : std::string("Nive_Fich = 1"));
        all = !all;
        QCoreApplication::processEvents();
    }
    p.attach(true);
}
BENCHMARK(BM_GridRefilter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(
        argc, argv,
        [] {
            cardTable(); // built before any timing
            g_program = std::make_unique<Program>();
        },
        [] { g_program.reset(); });
}
