// The review at 20,000 cards (the packed and enciphered file of CardTable20000.h, every card
// in the queue): building the session queue from the whole view, and one answer "&Correcta"
// from the click to the next card shown in the review window with every display filled and
// painted, with the queue's head at the start, the middle and the end of the view. Each runs
// on cards with two pictures of about 100 KB, of about 8 KB, and without pictures (argument
// picture_kb); Time is the elapsed time, CPU the process's. Cards with 100 KB pictures are
// benchmarked at 20,000 cards only (100,000 of them would take 20 GB).
//
// Answers write cards; they are put back (level 1, the dates of the table) before and after
// each benchmark, through a table object of their own.
#include "CardTable20000.h"
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Program.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "review/Repasar.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace benchcards;

std::string g_folder;
std::string g_table = kTableName;

// The open study file's settings of the table, in the session and the card store; the table
// open as the card table under the base filter.
void openCards(benchmark::State &state)
{
    g_table = tableName(int(state.range(0)));
    useTableSettings(0); // a file with a long answer shows no short one
    engine::Table *t = D_Module_->Tabla_Activa;
    t->close();
    t->setDatabaseName(g_folder);
    t->setTableName(g_table);
    t->open();
    t->setFilter(Filtro_Base.toStdString());
    t->setFiltered(true);
}

// Every card answered by a benchmark back at level 1 with the table's dates.
void putCardsBack()
{
    engine::Table t;
    t.setDatabaseName(g_folder);
    t.setTableName(g_table);
    t.setFilter("Nive_Fich <> 1");
    t.setFiltered(true);
    t.open();
    while (!t.isEmpty()) {
        t.edit();
        t.fieldByName("Nive_Fich").setAsInteger(1);
        t.fieldByName("Fech_Ulti_Repa").setAsString("20261203");
        t.fieldByName("Fech_Prox_Repa").setAsString("20261205");
        t.fieldByName("Total_Repa").clear();
        t.post(); // the card leaves the view; the next one becomes current
    }
}

struct Program {
    QTemporaryDir folder;
    Program()
    {
        startProgramIn(folder.path());
        TSesion_ *p = Sesion_;
        platform::clock::setNow(QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
        p->Fecha_Hoy = QStringLiteral("20261205");
        p->Dias_Repaso = {0, 0, 1, 7, 21, 45, 90, 120, 150, 180};
        D_Module_->Lee_Estilo_Fuente();
    }
    ~Program()
    {
        D_Module_->Tabla_Activa->close();
        app::destroyWindows();
    }
};
std::unique_ptr<Program> g_program;

void BM_QueueOfTheWholeView(benchmark::State &state)
{
    openCards(state);
    engine::Table *t = D_Module_->Tabla_Activa;
    for (auto _ : state)
        D_Module_->Valores_a_NumFich();
    if (Sesion_->NumFich->size() != qsizetype(kCards) || t->recordCount() != kCards)
        state.SkipWithError("the queue does not hold the 20,000 cards");
    state.counters["cards"] = double(Sesion_->NumFich->size());
}
BENCHMARK(BM_QueueOfTheWholeView)->ArgName("picture_kb")->Arg(0)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond);

// One answer per iteration, the session's queue starting at the given fraction of the view.
void answers(benchmark::State &state, double head)
{
    g_table = tableName(int(state.range(0)));
    putCardsBack();
    openCards(state);
    TSesion_ *p = Sesion_;
    TRepasar_ *r = Repasar_;
    D_Module_->Valores_a_NumFich();
    const qsizetype skip = qsizetype(double(kCards) * head);
    p->NumFich->remove(0, std::min(skip, p->NumFich->size() - qsizetype(state.max_iterations) - 1));
    p->NumFich_Agotada = 0;
    D_Module_->Siguiente_Registro();
    p->Tiempo_Pausas = 0;
    p->Inicio_Sesion = 0;
    const std::size_t position = D_Module_->Tabla_Activa->recNo();
    r->show();
    r->activate();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        r->Button1->click(); // the answer page
        QCoreApplication::processEvents();
        state.ResumeTiming();
        r->Button6->click();
        QCoreApplication::processEvents();
    }
    const bool pictures = state.range(0) > 0;
    if (r->Image1->hasPicture() != pictures || r->Image2->hasPicture() != pictures || r->RichEdit1->toPlainText().isEmpty()
        || r->Fichas_Repasadas != int(state.iterations()))
        state.SkipWithError("the displays were not filled or the answers not counted");
    state.counters["head"] = double(position);
    // Leaves without the closing message (the window is not modal here).
    r->hide();
    p->NumFich.reset();
    putCardsBack();
}

void BM_AnswerHeadAtStart(benchmark::State &state)
{
    answers(state, 0.0);
}
BENCHMARK(BM_AnswerHeadAtStart)->ArgName("picture_kb")->Arg(0)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_AnswerHeadAtMiddle(benchmark::State &state)
{
    answers(state, 0.5);
}
BENCHMARK(BM_AnswerHeadAtMiddle)->ArgName("picture_kb")->Arg(0)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_AnswerHeadAtEnd(benchmark::State &state)
{
    answers(state, 1.0);
}
BENCHMARK(BM_AnswerHeadAtEnd)->ArgName("picture_kb")->Arg(0)->Arg(8)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(
        argc, argv,
        [] {
            for (int kb : {0, 8})
                cardTable(kb); // built before any timing
            g_folder = cardTable();
            for (int kb : {0, 8, 100}) {
                g_table = tableName(kb);
                putCardsBack();
            }
            g_program = std::make_unique<Program>();
        },
        [] { g_program.reset(); });
}
