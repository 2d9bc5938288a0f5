// The text imports and group entry on large inputs, with the program's windows created as at
// start-up, offscreen and scripted, into a study file with short answers, keys and importance:
//
// - text import of 10,000, 1 million and 10 million short lines, one card a line, and the
//   import with pictures of as many lines (two a card, no files named): the time, and the
//   rise of the peak resident memory over the memory in use before it ("rise_MB");
// - group entry reading a file of 98 lines of 1 MiB each (the most it reads);
// - a text import stopped at its second line, whose importance is a 1 MiB word: the stop
//   message quotes it and the message window shows it;
// - wrapping a 1 MiB word to the message window's width.
#include "PeakMemory.h"
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "editing/Anade_n_Grupo_.h"
#include "engine/Table.h"
#include "exchange/Importar_de_txt.h"
#include "exchange/Importar_de_txt_e_Imag.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/Label.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "support/StudyFiles.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<ProgramFolder> program;

void setUp()
{
    program = std::make_unique<ProgramFolder>();
    startProgramIn(program->folder);
    Panta_Inicio_->activate();
}

void tearDown()
{
    Panta_Inicio_->Cierra_Fichero();
    app::destroyWindows();
    platform::setScripted(false);
    platform::setProgramFolder(QString());
    program.reset();
}

// An empty study file "Texto" with short answers, keys and importance, opened as the last file.
QString openEmptyStudy()
{
    Panta_Inicio_->Cierra_Fichero();
    for (const char *ext : {".DB", ".STU"})
        QFile::remove(program->dat + QStringLiteral("/Texto") + QLatin1String(ext));
    Opciones_FE o = testsupport::defaultOptions();
    o.Importancia = true;
    const QString study = testsupport::writeStudyFile(program->dat, QStringLiteral("Texto"), o);
    testsupport::writeBytes(program->folder + QStringLiteral("/ultimo.txt"), study.toUtf8() + '\n');
    Panta_Inicio_->Label21Click();
    return Panta_Inicio_->FE_Abierto == 1 ? study : QString();
}

std::size_t cardsIn(const QString &study)
{
    Panta_Inicio_->Cierra_Fichero();
    engine::Table t;
    t.setTableName(testsupport::fileName(study));
    t.open();
    return t.recordCount();
}

// A text file of `lines` lines written by `line(i)`, without holding it in memory.
template <class Line>
QString writeLines(const QString &name, long lines, Line line)
{
    const QString path = program->folder + QLatin1Char('/') + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray chunk;
    for (long i = 0; i < lines; ++i) {
        chunk += line(i);
        if (chunk.size() > (1 << 20) || i + 1 == lines) {
            f.write(chunk);
            chunk.clear();
        }
    }
    return path;
}

void importText(benchmark::State &state, TImportar_Base_ *window, int linesACard)
{
    const long lines = state.range(0);
    const QString file = writeLines(QStringLiteral("fichas.txt"), lines, [linesACard](long i) {
        return linesACard == 2 && i % 2 ? QByteArray("##\r\n")
                                        : QByteArray("P") + QByteArray::number(qlonglong(i)) + "#R#T" +
                                              QByteArray::number(qlonglong(i % 50)) + "#" +
                                              QByteArray::number(qlonglong(i % 5)) + "\r\n";
    });
    state.counters["file_MB"] = double(QFileInfo(file).size()) / (1 << 20);
    QString study;
    long anonBefore = 0;
    measurePeak(state, [&] {
        state.PauseTiming();
        study = openEmptyStudy();
        platform::FileDialog::queueFileName(file);
        anonBefore = statusKb("RssAnon:");
        state.ResumeTiming();
        window->Button1Click();
    });
    // What stays: the open table's view of its cards and the file's pages mapped by SQLite.
    state.counters["anon_after_MB"] = double(statusKb("RssAnon:") - anonBefore) / 1024;
    state.counters["file_mapped_MB"] = double(statusKb("RssFile:")) / 1024;
    state.counters["cards"] = double(cardsIn(study));
    QFile::remove(file);
}

void BM_TextImport(benchmark::State &state)
{
    importText(state, Importar_de_txt_, 1);
}
BENCHMARK(BM_TextImport)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kSecond)->Iterations(1);

void BM_TextImportWithPictures(benchmark::State &state)
{
    importText(state, Importar_de_txt_e_Imag_, 2);
}
BENCHMARK(BM_TextImportWithPictures)
    ->Arg(10'000)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

void BM_GroupEntryReads98LinesOf1MiB(benchmark::State &state)
{
    const QByteArray half(1 << 19, 'x');
    const QString file = writeLines(QStringLiteral("grupo.txt"), 98,
                                    [&](long) { return half + "&" + half.left((1 << 19) - 10) + "&T&1\r\n"; });
    openEmptyStudy();
    measurePeak(state, [&] {
        platform::FileDialog::queueFileName(file);
        Anade_n_Grupo->buttonbtn2Click();
    });
    Anade_n_Grupo->button4Click();
    QFile::remove(file);
}
BENCHMARK(BM_GroupEntryReads98LinesOf1MiB)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TextImportStopsAtA1MiBImportance(benchmark::State &state)
{
    const QString file = writeLines(QStringLiteral("importancia.txt"), 2, [](long i) {
        return i == 0 ? QByteArray("P#R#T#1\r\n") : "P#R#T#" + QByteArray((1 << 20) - 6, '7') + "x\r\n";
    });
    openEmptyStudy();
    measurePeak(state, [&] {
        platform::FileDialog::queueFileName(file);
        Importar_de_txt_->Button1Click();
    });
    QFile::remove(file);
}
BENCHMARK(BM_TextImportStopsAtA1MiBImportance)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WrapA1MiBWord(benchmark::State &state)
{
    const QString word(1 << 20, QLatin1Char('x'));
    const QFont font;
    qsizetype lines = 0;
    for (auto _ : state)
        lines = platform::wrapToWidth(word, font, 1200).count(QLatin1Char('\r')) + 1;
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_WrapA1MiBWord)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv, setUp, tearDown);
}
