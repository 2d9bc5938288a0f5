// Selection and bulk work on the card table through the program's own windows, on cards
// without pictures and on cards with two pictures (a question and an answer picture) of 8 KB
// or 100 KB each (the second argument, in KB):
//   - a selection of six conditions (level, importance, key prefix, two dates, review count)
//     on 20,000 and 100,000 cards: setting the filter and counting the view;
//   - the global modification of 20,000 cards (level and next review date) in one run, and
//     the same 20,000 updates done in one bare SQLite transaction in the same run;
//   - deleting every card of a selection of 20,000 cards ("Borrar Todas las Fichas").
// Each variant with pictures reports its time against the same work without pictures
// (counter vs_no_pictures), measured in the same run. Cards with 100 KB pictures are built
// at 20,000 cards only (100,000 of them would take 20 GB), and the deletion, which adds its
// 20,000 cards again at every iteration, runs without pictures and with 8 KB ones.
// Tables are built in a temporary folder at start (about 6 GB, a minute or two).
#include "QtBenchMain.h"
#include "app/Program.h"
#include "editing/FILTRO_ENV_.h"
#include "editing/Modif_Glob.h"
#include "engine/Schema.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Sesion.h"
#include "support/EngineTables.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include "engine/SqliteApi.h"

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <random>

#include "support/EngineTables.cpp"

namespace {

const char *const kSixConditions =
    " ( Nive_Fich>=2 AND Nive_Impo<=4 AND Clav_Fich='ab*' AND Fech_Ulti_Repa>='20250101' AND "
    "Fech_Ulti_Repa<'20260101' AND Total_Repa<>3 ) and  (Nive_fich <> 0 ) ";
const char *const kBase = " (Nive_fich <> 0 ) ";

struct Bench {
    QTemporaryDir folder;
    // By number of cards and picture size in KB.
    std::map<std::pair<long, long>, std::string> tables;
    // The time of each work without pictures, by work and number of cards.
    std::map<std::pair<std::string, long>, double> withoutPictures;
};
std::unique_ptr<Bench> bench;

// Picture bytes of the given size, different for each card (little compressible).
std::string picture(std::size_t kb, int card)
{
    static std::map<std::size_t, std::string> base;
    std::string &b = base[kb];
    if (b.empty()) {
        std::mt19937 random(kb);
        b.resize(kb * 1024);
        for (char &c : b)
            c = char(random());
    }
    std::string p = b;
    std::memcpy(p.data(), &card, std::min(sizeof card, p.size()));
    return p;
}

// Appends one card with two pictures of the given size (none when 0).
void addCard(engine::Table &t, const testsupport::Card &c, std::size_t pictureKb, int n)
{
    testsupport::addCard(t, c);
    if (pictureKb == 0)
        return;
    t.edit();
    t.fieldByName("Preg_Imag").setBytes(picture(pictureKb, n));
    t.fieldByName("Resp_Imag").setBytes(picture(pictureKb, -n));
    t.post();
}

// Cards of levels 1 to 9 (none at level 0 when `noLevel0`), keys from a small set, review
// dates in 2024 to 2026, two pictures of the given size each.
std::string fill(long count, long pictureKb, bool noLevel0)
{
    const std::string folder = bench->folder.path().toStdString();
    const std::string name = "C" + std::to_string(count) + "_" + std::to_string(pictureKb);
    engine::Table t;
    testsupport::openNewCardTable(t, folder, name);
    std::mt19937 random(7);
    const char *keys[] = {"ab", "abc", "b", "ba", "c", "abz"};
    engine::Transaction tx(t);
    for (int i = 0; i < count; ++i) {
        testsupport::Card c = testsupport::card(noLevel0 ? 1 + int(random() % 9) : int(random() % 10), int(random() % 6));
        c.key = keys[random() % 6];
        c.question = "Pregunta " + std::to_string(i);
        c.lastReview = "202" + std::to_string(4 + random() % 3) + "0" + std::to_string(1 + random() % 9) + "15";
        c.nextReview = "20261205";
        c.reviews = int(random() % 8);
        addCard(t, c, std::size_t(pictureKb), i);
    }
    tx.commit();
    return bench->tables[{count, pictureKb}] = folder + "/" + name + ".DB";
}

// The work's mean time per iteration in ms and, with pictures, against the same work without.
void report(benchmark::State &state, const std::string &work, double seconds)
{
    const double ms = seconds * 1000 / double(state.iterations());
    const long cards = long(state.range(0)), kb = long(state.range(1));
    state.counters["ms"] = ms;
    if (kb == 0)
        bench->withoutPictures[{work, cards}] = ms;
    else if (double base = bench->withoutPictures[{work, cards}]; base > 0)
        state.counters["vs_no_pictures"] = ms / base;
}

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void openAsStudyFile(const std::string &path)
{
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.close();
    t.setTableName(path);
    t.setFilter(kBase);
    t.setFiltered(true);
    t.open();
    Sesion_->FE_Abierto = 1;
    Sesion_->Filtro_Actual = QString::fromLatin1(kBase);
    Sesion_->Modificable = 1;
    Sesion_->Formato_Fecha = 1;
}

void BM_SixConditionSelection(benchmark::State &state)
{
    openAsStudyFile(bench->tables[{state.range(0), state.range(1)}]);
    engine::Table &t = *D_Module_->Tabla_Activa;
    std::size_t n = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        t.setFilter(kSixConditions);
        n = t.recordCount();
        seconds += since(t0);
        state.PauseTiming();
        t.setFilter(kBase);
        state.ResumeTiming();
    }
    state.counters["cards_in_view"] = double(n);
    report(state, "six", seconds);
}
BENCHMARK(BM_SixConditionSelection)
    ->ArgNames({"cards", "picture_kb"})
    ->Args({20000, 0})->Args({20000, 8})->Args({20000, 100})
    ->Args({100000, 0})->Args({100000, 8})
    ->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_GlobalModification(benchmark::State &state)
{
    openAsStudyFile(bench->tables[{state.range(0), state.range(1)}]);
    TModif_glob_ *w = Modif_glob_;
    w->CheckBox1->setChecked(true);
    w->CheckBox4->setChecked(true);
    int round = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w->MaskEdit1->setText(round % 2 ? QStringLiteral("3") : QStringLiteral("4"));
        w->MaskEdit3->setText(round % 2 ? QStringLiteral("07/03/25") : QStringLiteral("08/03/25"));
        ++round;
        state.ResumeTiming();
        const auto t0 = Clock::now();
        w->Button3Click();
        seconds += since(t0);
    }
    state.counters["cards"] = double(D_Module_->Tabla_Activa->recordCount());
    report(state, "global", seconds);
}
BENCHMARK(BM_GlobalModification)
    ->ArgNames({"cards", "picture_kb"})
    ->Args({20000, 0})->Args({20000, 8})->Args({20000, 100})
    ->Unit(benchmark::kMillisecond)->Iterations(10);

// The same updates of level and next review date as one bare SQLite transaction, with the
// engine's journal settings.
void BM_BareSqliteTransactionOf20000Updates(benchmark::State &state)
{
    D_Module_->Tabla_Activa->close();
    sqlite3 *db = nullptr;
    engine::sqlite().open_v2(bench->tables[{20000, 0}].c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string settings = std::string("PRAGMA journal_mode = ") + engine::kJournalMode +
                                 "; PRAGMA synchronous = " + engine::kSynchronous +
                                 "; PRAGMA cache_size = -8192; PRAGMA mmap_size = 268435456";
    engine::sqlite().exec(db, settings.c_str(), nullptr, nullptr, nullptr);
    std::vector<sqlite3_int64> ids;
    {
        sqlite3_stmt *q = nullptr;
        engine::sqlite().prepare_v2(db, "SELECT rowid FROM data WHERE Nive_Fich <> 0", -1, &q, nullptr);
        while (engine::sqlite().step(q) == SQLITE_ROW)
            ids.push_back(engine::sqlite().column_int64(q, 0));
        engine::sqlite().finalize(q);
    }
    sqlite3_stmt *st = nullptr;
    engine::sqlite().prepare_v2(db, "UPDATE data SET Nive_Fich = ?, Fech_Prox_Repa = ? WHERE rowid = ?", -1, &st, nullptr);
    int round = 0;
    for (auto _ : state) {
        engine::sqlite().exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (sqlite3_int64 id : ids) {
            engine::sqlite().bind_int(st, 1, round % 2 ? 5 : 6);
            engine::sqlite().bind_text(st, 2, round % 2 ? "20250307" : "20250308", 8, SQLITE_STATIC);
            engine::sqlite().bind_int64(st, 3, id);
            if (engine::sqlite().step(st) != SQLITE_DONE)
                state.SkipWithError("update failed");
            engine::sqlite().reset(st);
        }
        engine::sqlite().exec(db, "COMMIT", nullptr, nullptr, nullptr);
        ++round;
    }
    engine::sqlite().finalize(st);
    engine::sqlite().close(db);
    state.counters["cards"] = double(ids.size());
}
BENCHMARK(BM_BareSqliteTransactionOf20000Updates)->Unit(benchmark::kMillisecond)->Iterations(10);

// "Borrar Todas las Fichas" on a selection of 20,000 cards (level 9) among 20,000 others.
void BM_DeleteSelectionOf20000Cards(benchmark::State &state)
{
    openAsStudyFile(bench->tables[{state.range(0), state.range(1)}]);
    engine::Table &t = *D_Module_->Tabla_Activa;
    std::size_t deleted = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.setFilter(kBase);
        {
            engine::Transaction tx(t);
            for (int i = 0; i < 20000; ++i)
                addCard(t, testsupport::card(9, 1), std::size_t(state.range(1)), i);
            tx.commit();
        }
        t.setFilter(" ( Nive_Fich=9 ) and  (Nive_fich <> 0 ) ");
        const std::size_t before = t.recordCount();
        platform::queueDialogAnswer(platform::DialogAnswer::Ok);
        state.ResumeTiming();
        const auto t0 = Clock::now();
        FILTRO_ENV->Button5Click();
        seconds += since(t0);
        state.PauseTiming();
        deleted = before - t.recordCount();
        state.ResumeTiming();
    }
    state.counters["deleted"] = double(deleted);
    report(state, "delete", seconds);
}
BENCHMARK(BM_DeleteSelectionOf20000Cards)
    ->ArgNames({"cards", "picture_kb"})
    ->Args({20000, 0})->Args({20000, 8})
    ->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(
        argc, argv,
        [] {
            bench = std::make_unique<Bench>();
            for (long kb : {0, 8, 100})
                fill(20000, kb, true);
            for (long kb : {0, 8})
                fill(100000, kb, false);
            platform::setScripted(true);
            app::prepareApplication();
            app::createWindows();
        },
        [] {
            D_Module_->Tabla_Activa->close();
            app::destroyWindows();
            platform::setScripted(false);
            bench.reset();
        });
}
