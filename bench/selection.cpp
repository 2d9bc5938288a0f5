// Selection and bulk work on the card table through the program's own windows:
//   - a selection of six conditions (level, importance, key prefix, two dates, review count)
//     on 100,000 cards: setting the filter and counting the view;
//   - the global modification of 20,000 cards (level and next review date) in one run, and
//     the same 20,000 updates done in one bare SQLite transaction in the same run;
//   - deleting every card of a selection of 20,000 cards ("Borrar Todas las Fichas").
// Tables are built in a temporary folder at start (about 30 MB).
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
#include <sqlite3.h>

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
    std::string cards100k, cards20k;
};
std::unique_ptr<Bench> bench;

// Cards of levels 1 to 9 (none at level 0 when `noLevel0`), keys from a small set, review
// dates in 2024 to 2026.
void fill(const std::string &folder, const std::string &name, int count, bool noLevel0)
{
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
        testsupport::addCard(t, c);
    }
    tx.commit();
}

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

void BM_SixConditionSelectionOf100000Cards(benchmark::State &state)
{
    openAsStudyFile(bench->cards100k);
    engine::Table &t = *D_Module_->Tabla_Activa;
    std::size_t n = 0;
    for (auto _ : state) {
        t.setFilter(kSixConditions);
        n = t.recordCount();
        state.PauseTiming();
        t.setFilter(kBase);
        state.ResumeTiming();
    }
    state.counters["cards_in_view"] = double(n);
}
BENCHMARK(BM_SixConditionSelectionOf100000Cards)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_GlobalModificationOf20000Cards(benchmark::State &state)
{
    openAsStudyFile(bench->cards20k);
    TModif_glob_ *w = Modif_glob_;
    w->CheckBox1->setChecked(true);
    w->CheckBox4->setChecked(true);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w->MaskEdit1->setText(round % 2 ? QStringLiteral("3") : QStringLiteral("4"));
        w->MaskEdit3->setText(round % 2 ? QStringLiteral("07/03/25") : QStringLiteral("08/03/25"));
        ++round;
        state.ResumeTiming();
        w->Button3Click();
    }
    state.counters["cards"] = double(D_Module_->Tabla_Activa->recordCount());
}
BENCHMARK(BM_GlobalModificationOf20000Cards)->Unit(benchmark::kMillisecond)->Iterations(10);

// The same updates of level and next review date as one bare SQLite transaction, with the
// engine's journal settings.
void BM_BareSqliteTransactionOf20000Updates(benchmark::State &state)
{
    D_Module_->Tabla_Activa->close();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(bench->cards20k.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string settings = std::string("PRAGMA journal_mode = ") + engine::kJournalMode +
                                 "; PRAGMA synchronous = " + engine::kSynchronous +
                                 "; PRAGMA cache_size = -8192; PRAGMA mmap_size = 268435456";
    sqlite3_exec(db, settings.c_str(), nullptr, nullptr, nullptr);
    std::vector<sqlite3_int64> ids;
    {
        sqlite3_stmt *q = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid FROM data WHERE Nive_Fich <> 0", -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW)
            ids.push_back(sqlite3_column_int64(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE data SET Nive_Fich = ?, Fech_Prox_Repa = ? WHERE rowid = ?", -1, &st, nullptr);
    int round = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (sqlite3_int64 id : ids) {
            sqlite3_bind_int(st, 1, round % 2 ? 5 : 6);
            sqlite3_bind_text(st, 2, round % 2 ? "20250307" : "20250308", 8, SQLITE_STATIC);
            sqlite3_bind_int64(st, 3, id);
            if (sqlite3_step(st) != SQLITE_DONE)
                state.SkipWithError("update failed");
            sqlite3_reset(st);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        ++round;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    state.counters["cards"] = double(ids.size());
}
BENCHMARK(BM_BareSqliteTransactionOf20000Updates)->Unit(benchmark::kMillisecond)->Iterations(10);

// "Borrar Todas las Fichas" on a selection of 20,000 cards (level 9) among 20,000 others.
void BM_DeleteSelectionOf20000Cards(benchmark::State &state)
{
    openAsStudyFile(bench->cards20k);
    engine::Table &t = *D_Module_->Tabla_Activa;
    std::size_t deleted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.setFilter(kBase);
        {
            engine::Transaction tx(t);
            for (int i = 0; i < 20000; ++i)
                testsupport::addCard(t, testsupport::card(9, 1));
            tx.commit();
        }
        t.setFilter(" ( Nive_Fich=9 ) and  (Nive_fich <> 0 ) ");
        const std::size_t before = t.recordCount();
        platform::queueDialogAnswer(platform::DialogAnswer::Ok);
        state.ResumeTiming();
        FILTRO_ENV->Button5Click();
        state.PauseTiming();
        deleted = before - t.recordCount();
        state.ResumeTiming();
    }
    state.counters["deleted"] = double(deleted);
}
BENCHMARK(BM_DeleteSelectionOf20000Cards)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(
        argc, argv,
        [] {
            bench = std::make_unique<Bench>();
            const std::string folder = bench->folder.path().toStdString();
            fill(folder, "C100k", 100000, false);
            fill(folder, "C20k", 20000, true);
            bench->cards100k = folder + "/C100k.DB";
            bench->cards20k = folder + "/C20k.DB";
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
