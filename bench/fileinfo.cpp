// The file information window and the repair of a study file, through the main window's menu
// entries, with the program's windows created as at start-up (offscreen, scripted).
//
// BM_FileInformation: entry 6 on an open file of 20,000 or 100,000 cards, without pictures or
// with two pictures of 8 KB or 100 KB each (100 KB at 20,000 cards only: 100,000 such cards
// would take 20 GB), from the click to the window filled (counts, level lines, review total);
// counter vs_no_pictures: against the same number of cards without pictures, same run.
// BM_Repair20000CardsWithPictures: entry F on a healthy file of 20,000 cards with two 4,000-byte
// pictures each, against a bare SQLite VACUUM of the same file in the same run (counters vacuum_ms,
// repair_ms and ratio); each iteration works on a fresh copy of the file (copied untimed).
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/Sqlite.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Ver_Info.h"
#include "support/StudyFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace {

// The program's windows in a temporary program folder, for the life of the object.
class Program {
public:
    Program()
    {
        folder = root.path() + QStringLiteral("/program");
        QDir().mkpath(folder + QStringLiteral("/dat"));
        QDir::setCurrent(folder);
        platform::setVolumeSerialForTesting(0x1A2B3C4Du);
        startProgramIn(folder);
    }
    ~Program()
    {
        Panta_Inicio_->Cierra_Fichero();
        app::destroyWindows();
        platform::setScripted(false);
        platform::clearVolumeSerialForTesting();
        platform::setProgramFolder(QString());
    }
    QString dat(const QString &name) const { return folder + QStringLiteral("/dat/") + name; }

    QTemporaryDir root;
    QString folder;
};

std::string bytes(int size, std::uint32_t seed)
{
    std::string b(std::size_t(size), '\0');
    for (char &c : b) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    return b;
}

// A study file X whose cards are written in one transaction (a quick set-up; the cards are
// what the program would post): levels 0 to 9, 32767 reviews each, two pictures of the given
// size when above 0.
QString buildStudyFile(const Program &program, int cards, int pictureSize)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Imagen_Pregunta = pictureSize > 0;
    o.Imagen_Respuesta = pictureSize > 0;
    const QString path = testsupport::writeStudyFile(program.folder + QStringLiteral("/dat"), QStringLiteral("X"), o,
                                                     {QStringLiteral("Fichero de prueba")});
    engine::Table t;
    t.setTableName(testsupport::fileName(path));
    t.open();
    engine::Transaction tx(t);
    for (int i = 0; i < cards; ++i) {
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(i % 10);
        t.fieldByName("Nive_Impo").setAsInteger(0);
        t.fieldByName("Clav_Fich").setAsString("Tema");
        t.fieldByName("Preg_Text").setAsString("¿Cómo se dice la palabra número " + std::to_string(i) + "?");
        t.fieldByName("Fech_Crea").setAsString("20261205");
        t.fieldByName("Total_Repa").setAsInteger(32767);
        t.fieldByName("Fech_Prox_Repa").setAsString("20261206");
        t.fieldByName("Ficha_Comp_Encr").setAsString("N");
        t.fieldByName("Tipo_Preg_Imag").setAsString(pictureSize > 0 ? "JPG" : "NO");
        t.fieldByName("Tipo_Resp_Imag").setAsString(pictureSize > 0 ? "JPG" : "NO");
        if (pictureSize > 0) {
            t.fieldByName("Preg_Imag").setBytes(bytes(pictureSize, std::uint32_t(i)));
            t.fieldByName("Resp_Imag").setBytes(bytes(pictureSize, ~std::uint32_t(i)));
        }
        t.post();
    }
    tx.commit();
    return path;
}

void openThroughTheMenu(const QString &path)
{
    platform::FileDialog::queueFileName(path);
    Panta_Inicio_->Label5Click();
}

std::map<int, double> g_withoutPictures; // ms by number of cards

void BM_FileInformation(benchmark::State &state)
{
    Program program;
    const int cards = int(state.range(0)), kb = int(state.range(1));
    const QString path = buildStudyFile(program, cards, kb * 1024);
    openThroughTheMenu(path);
    if (Panta_Inicio_->FE_Abierto != 1) {
        state.SkipWithError("the study file did not open");
        return;
    }
    // The window is put on screen as a modal show would (the scripted show does not), so
    // that its progress label is really painted.
    using Clock = std::chrono::steady_clock;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        Ver_Info_->show();
        Panta_Inicio_->Label13Click();
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    const double ms = seconds * 1000 / double(state.iterations());
    state.counters["ms"] = ms;
    if (kb == 0)
        g_withoutPictures[cards] = ms;
    else if (g_withoutPictures[cards] > 0)
        state.counters["vs_no_pictures"] = ms / g_withoutPictures[cards];
    state.counters["cards"] = Ver_Info_->SG->item(16, 1)->text().trimmed().toDouble();
    // cards of 32767 reviews: a total beyond 32 bits at 100,000.
    state.counters["review_total_right"] =
        Ver_Info_->Label7->caption().contains(QStringLiteral(" %1 ").arg(qint64(cards) * 32767)) ? 1 : 0;
    state.counters["level_lines_right"] =
        Ver_Info_->Label6->caption().endsWith(QStringLiteral("(10 %)")) ? 1 : 0;
}
BENCHMARK(BM_FileInformation)
    ->ArgNames({"cards", "picture_kb"})
    ->Args({20000, 0})->Args({20000, 8})->Args({20000, 100})
    ->Args({100000, 0})->Args({100000, 8})
    ->Unit(benchmark::kMillisecond)->Iterations(10);

void copyOver(const QString &from, const QString &to)
{
    QFile::remove(to);
    QFile::copy(from, to);
}

void BM_Repair20000CardsWithPictures(benchmark::State &state)
{
    Program program;
    const QString built = buildStudyFile(program, 20000, 4000);
    const QString pristine = program.dat(QStringLiteral("pristine.bin"));
    QFile::rename(built, pristine);
    const QString path = program.dat(QStringLiteral("X.DB"));
    using Clock = std::chrono::steady_clock;
    double vacuum = 0, repair = 0;
    bool repaired = true;
    for (auto _ : state) {
        copyOver(pristine, path);
        auto t0 = Clock::now();
        {
            engine::Database db;
            db.open(testsupport::fileName(path), false);
            db.exec("VACUUM");
        }
        vacuum += std::chrono::duration<double>(Clock::now() - t0).count();

        copyOver(pristine, path);
        platform::FileDialog::queueFileName(path);
        t0 = Clock::now();
        Panta_Inicio_->Label4Click();
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        repair += seconds;
        state.SetIterationTime(seconds);
        repaired = repaired && Panta_Inicio_->Error_Reparacion == 0;
    }
    const double n = double(state.iterations());
    state.counters["file_MB"] = double(QFile(pristine).size()) / 1e6;
    state.counters["vacuum_ms"] = vacuum / n * 1000;
    state.counters["repair_ms"] = repair / n * 1000;
    state.counters["ratio"] = repair / vacuum;
    state.counters["repaired"] = repaired ? 1 : 0;
}
BENCHMARK(BM_Repair20000CardsWithPictures)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv);
}
