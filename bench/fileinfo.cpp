// The file information window and the repair of a study file, through the main window's menu
// entries, with the program's windows created as at start-up (offscreen, scripted).
//
// BM_FileInformation100000Cards: entry 6 on an open file of 100,000 cards, from the click to
// the window filled (counts, level lines, review total).
// BM_Repair20000CardsWithPictures: entry F on a healthy file of 20,000 cards with a picture
// each, against a bare SQLite VACUUM of the same file in the same run (counters vacuum_ms,
// repair_ms and ratio); each iteration works on a fresh copy of the file (copied untimed).
#include "QtBenchMain.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/Sqlite.h"
#include "engine/Table.h"
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
        platform::setProgramFolder(folder);
        platform::setVolumeSerialForTesting(0x1A2B3C4Du);
        platform::setScripted(true);
        app::prepareApplication();
        app::createWindows();
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
// what the program would post): levels 0 to 9, 32767 reviews each, a picture of the given
// size when above 0.
QString buildStudyFile(const Program &program, int cards, int pictureSize)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Imagen_Pregunta = pictureSize > 0;
    const QString path = testsupport::writeStudyFile(program.folder + QStringLiteral("/dat"), QStringLiteral("X"), o,
                                                     {QStringLiteral("Fichero de prueba")});
    engine::Database db;
    db.open(testsupport::fileName(path), false);
    db.exec("BEGIN");
    engine::Statement ins = db.prepare(
        "INSERT INTO data(Nive_Fich, Nive_Impo, Clav_Fich, Preg_Text, Tipo_Preg_Imag, Preg_Imag, Fech_Crea, "
        "Total_Repa, Fech_Prox_Repa, Ficha_Comp_Encr) VALUES(?, 0, 'Tema', ?, ?, ?, '20261205', 32767, '20261206', 'N')");
    for (int i = 0; i < cards; ++i) {
        ins.bindInt(1, i % 10);
        ins.bindText(2, "¿Cómo se dice la palabra número " + std::to_string(i) + "?");
        if (pictureSize > 0) {
            ins.bindText(3, "JPG");
            ins.bindBlob(4, bytes(pictureSize, std::uint32_t(i)));
        } else {
            ins.bindText(3, "NO");
            ins.bindNull(4);
        }
        ins.execute();
    }
    db.exec("COMMIT");
    return path;
}

void openThroughTheMenu(const QString &path)
{
    platform::FileDialog::queueFileName(path);
    Panta_Inicio_->Label5Click();
}

void BM_FileInformation100000Cards(benchmark::State &state)
{
    Program program;
    const QString path = buildStudyFile(program, 100000, 0);
    openThroughTheMenu(path);
    if (Panta_Inicio_->FE_Abierto != 1) {
        state.SkipWithError("the study file did not open");
        return;
    }
    // The window is put on screen as a modal show would (the scripted show does not), so
    // that its progress label is really painted.
    for (auto _ : state) {
        Ver_Info_->show();
        Panta_Inicio_->Label13Click();
    }
    state.counters["cards"] = Ver_Info_->SG->item(16, 1)->text().trimmed().toDouble();
    // 100,000 cards of 32767 reviews: a total beyond 32 bits.
    state.counters["review_total_right"] =
        Ver_Info_->Label7->caption().contains(QStringLiteral(" 3276700000 ")) ? 1 : 0;
    state.counters["level_lines_right"] =
        Ver_Info_->Label6->caption().endsWith(QStringLiteral("   10000      (10 %)")) ? 1 : 0;
}
BENCHMARK(BM_FileInformation100000Cards)->Unit(benchmark::kMillisecond)->Iterations(10);

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
