// Opening a study file through the main window's open routine, up to its first card shown:
// a file of 20,000 cards, compressed and enciphered, whose password is saved in X.CLA (so the
// key comes from there, without the password window). The program's windows are created as
// at start-up, offscreen and scripted; each iteration closes the file (untimed) and opens it
// again through menu entry 9.
//
// BM_ConvertOlderTable20000Cards: a table file of the older format (blobs inside the records)
// with 20,000 cards of two 100 KB pictures each (about 4 GB, written untimed) converted at its
// opening, against copying the same file in the same run (counters copy_s, convert_s, ratio).
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "support/StudyFiles.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "support/EngineTables.cpp"

namespace {

constexpr int Cards = 20000;
const std::string Password = "contraseña de prueba";

// The blob packed as the open file packs it: one item "1", compressed and enciphered.
std::string packed(const QByteArray &bytes)
{
    const QByteArray c = testsupport::packItem("1", bytes, Password);
    return std::string(c.constData(), size_t(c.size()));
}

QString buildStudyFile(const QString &programFolder)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = true;
    o.Encriptado = true;
    o.Texto_Largo = false;
    const QString dat = programFolder + QStringLiteral("/dat");
    const QString path = testsupport::writeStudyFile(dat, QStringLiteral("Grande"), o,
                                                     {QStringLiteral("Veinte mil fichas")}, Password);
    testsupport::writeSavedPassword(dat + QStringLiteral("/Grande.CLA"), QString::fromStdString(Password),
                                    Panta_Inicio_->Serie_Disco.toStdString());

    engine::Table t;
    t.setTableName(testsupport::fileName(path));
    t.open();
    for (int i = 0; i < Cards; ++i) {
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(i % 10); // one card in ten at level 0
        t.fieldByName("Nive_Impo").setAsInteger(i % 3);
        t.fieldByName("Clav_Fich").setAsString("Tema " + std::to_string(i % 50));
        t.fieldByName("Preg_Text").setAsString("¿Cómo se dice la palabra número " + std::to_string(i) + "?");
        const QString answer = QStringLiteral("Respuesta %1").arg(i);
        t.fieldByName("Resp_Text").setBytes(packed(platform::rtf::fromLines({answer})));
        t.fieldByName("Fech_Crea").setAsString("20261205");
        t.fieldByName("Fech_Prox_Repa").setAsString("20261206");
        t.fieldByName("Ficha_Comp_Encr").setAsString("S");
        t.post();
    }
    t.close();
    return path;
}

void BM_OpenStudyFileOf20000Cards(benchmark::State &state)
{
    const ProgramFolder folder;
    const QString program = folder.folder;
    platform::setVolumeSerialForTesting(0x1A2B3C4Du);
    startProgramIn(program);
    const QString path = buildStudyFile(program);
    testsupport::writeBytes(program + QStringLiteral("/ultimo.txt"), path.toUtf8() + '\n');

    TPanta_Inicio_ *p = Panta_Inicio_;
    for (auto _ : state) {
        state.PauseTiming();
        p->Cierra_Fichero();
        state.ResumeTiming();
        p->Label21Click();
        if (p->FE_Abierto != 1 || !D_Module_->Tabla_Activa->active()) {
            state.SkipWithError("the study file did not open");
            break;
        }
    }
    if (p->FE_Abierto == 1) {
        state.counters["cards_in_view"] = double(D_Module_->Tabla_Activa->recordCount());
        // The first card of the view (level 1, importance 0) is card 21.
        state.counters["first_answer_shown"] = p->RE_Resp_Text->line(0) == QStringLiteral("Respuesta 21") ? 1 : 0;
        state.counters["key_from_CLA"] = D_Module_->PKS->Key == Password ? 1 : 0;
    }
    p->Cierra_Fichero();
    app::destroyWindows();
    platform::setScripted(false);
    platform::clearVolumeSerialForTesting();
    platform::setProgramFolder(QString());
}
BENCHMARK(BM_OpenStudyFileOf20000Cards)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ConvertOlderTable20000Cards(benchmark::State &state)
{
    QTemporaryDir root;
    const std::string path = root.filePath(QStringLiteral("Antiguo.DB")).toStdString();
    const std::string copy = root.filePath(QStringLiteral("Copia.DB")).toStdString();
    std::string picture(100 * 1024, '\0');
    std::uint32_t x = 12345;
    for (char &c : picture) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    const auto fields = TD_Module_::Campos_Ficha(60);
    using Clock = std::chrono::steady_clock;
    double copySeconds = 0, convertSeconds = 0;
    std::size_t cards = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        std::filesystem::remove(copy);
        testsupport::writeVersion1Table(path, fields, TD_Module_::Indices_Ficha(), 20000,
                                        [&](std::size_t i, engine::Row &row) {
                                            row[0] = engine::Value::ofInteger(std::int64_t(i % 10));
                                            row[4] = engine::Value::ofBytes("Pregunta " + std::to_string(i));
                                            std::memcpy(picture.data(), &i, sizeof i);
                                            row[5] = engine::Value::ofBytes("JPG");
                                            row[6] = engine::Value::ofBytes(picture);
                                            row[8] = engine::Value::ofBytes("BMP");
                                            row[9] = engine::Value::ofBytes(picture);
                                        });
        ::sync();
        state.ResumeTiming();
        auto t0 = Clock::now();
        std::filesystem::copy_file(path, copy);
        {
            const int fd = ::open(copy.c_str(), O_RDONLY);
            ::fsync(fd);
            ::close(fd);
        }
        copySeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        t0 = Clock::now();
        engine::Table t;
        t.setTableName(path);
        t.open();
        convertSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
        cards = t.recordCount();
    }
    const double n = double(state.iterations());
    state.counters["file_GB"] = double(std::filesystem::file_size(copy)) / 1e9;
    state.counters["copy_s"] = copySeconds / n;
    state.counters["convert_s"] = convertSeconds / n;
    state.counters["ratio"] = convertSeconds / copySeconds;
    state.counters["cards"] = double(cards);
}
BENCHMARK(BM_ConvertOlderTable20000Cards)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv);
}
