// Figures of the table engine on card tables of 20,000 cards with 200-byte blobs (and one of
// 100,000 cards for the memory figure), and the refusal of a table whose definitions no
// table of the program can have.
//
//   bench_engine                 runs the benchmarks
//   bench_engine --walk <table>  (used by the memory benchmark) opens and walks a table in
//                                a fresh process and prints its peak memory
//   bench_engine --open <table>  (used by the refusal benchmark) opens a table in a fresh
//                                process and prints its peak memory and the time taken
#include <benchmark/benchmark.h>
#include <spawn.h>
#include "engine/SqliteApi.h"
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "engine/BatchMove.h"
#include "engine/Schema.h"
#include "engine/Sqlite.h"
#include "engine/Table.h"
#include "support/EngineTables.h"
// The test helpers are plain C++; the benchmark builds them in.
#include "support/EngineTables.cpp"

extern char **environ;

namespace {

using engine::Table;
using Clock = std::chrono::steady_clock;

const char *kBaseFilter = " (Nive_fich <> 0 ) ";

struct Tables {
    testsupport::TempDir dir;
    std::string c20;  // 20,000 cards
    std::string c100; // 100,000 cards

    Tables()
    {
        testsupport::createCardTable(dir.path().string(), "C20");
        c20 = dir.file("C20.DB");
        Table t;
        t.setTableName(c20);
        t.open();
        const std::string blob(200, 'b');
        for (int i = 0; i < 20000; ++i) {
            testsupport::Card c;
            c.level = i % 9;
            c.importance = i % 5;
            c.key = "k" + std::to_string(i % 50);
            c.question = "Pregunta número " + std::to_string(i);
            c.lastReview = "2026" + std::to_string(1001 + i % 300);
            c.nextReview = "2026" + std::to_string(1101 + i % 300);
            c.reviews = i % 10;
            c.blob = blob;
            testsupport::addCard(t, c);
            t.edit();
            t.fieldByName("Resp_Text").setBytes(blob);
            t.post();
        }
        t.close();
        testsupport::createCardTable(dir.path().string(), "C100");
        c100 = dir.file("C100.DB");
        Table big;
        big.setTableName(c100);
        Table src;
        src.setTableName(c20);
        for (int i = 0; i < 5; ++i) {
            engine::BatchMove m;
            m.setSource(&src);
            m.setDestination(&big);
            m.execute();
        }
    }
};

Tables &tables()
{
    static Tables t;
    return t;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double us(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void BM_OpenAndStandOnFirstCard(benchmark::State &state)
{
    const std::string path = tables().c20;
    for (auto _ : state) {
        Table t;
        t.setTableName(path);
        t.setFilter(kBaseFilter);
        t.setFiltered(true);
        t.open();
        benchmark::DoNotOptimize(t.fieldByName("Preg_Text").asString());
        state.PauseTiming();
        t.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndStandOnFirstCard)->Unit(benchmark::kMillisecond);

void BM_SetFilterAndCount(benchmark::State &state)
{
    Table t;
    t.setTableName(tables().c20);
    t.setFilter(kBaseFilter);
    t.setFiltered(true);
    t.open();
    const std::string filters[] = {
        " ( Nive_Fich = 1 or Nive_Fich = 2 ) and  (Nive_fich <> 0 ) and (Fech_Ulti_Repa <> 20261205)",
        "Fech_Prox_Repa <= '20261205' and  (Nive_fich <> 0 ) ",
        " ( Clav_Fich='k1*' AND Nive_Impo>=2 ) and  (Nive_fich <> 0 ) ",
    };
    std::size_t i = 0, count = 0;
    for (auto _ : state) {
        t.setFilter(filters[i++ % 3]);
        count += t.recordCount();
    }
    benchmark::DoNotOptimize(count);
}
BENCHMARK(BM_SetFilterAndCount)->Unit(benchmark::kMillisecond);

void BM_WalkViewReadingTwoFields(benchmark::State &state)
{
    Table t;
    t.setTableName(tables().c20);
    t.setFilter(kBaseFilter);
    t.setFiltered(true);
    t.open();
    const bool cold = state.range(0) != 0;
    std::size_t sum = 0;
    for (auto _ : state) {
        if (cold) { // nothing of the records in the engine's memory
            state.PauseTiming();
            t.refresh();
            state.ResumeTiming();
        }
        for (t.first(); !t.eof(); t.next())
            sum += t.fieldByName("AutoInc").asInteger() + t.fieldByName("Preg_Text").asString().size();
    }
    state.counters["cards"] = static_cast<double>(t.recordCount());
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_WalkViewReadingTwoFields)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Edit + Post of one card through the engine (written through, on the base-filtered view)
// against a bare SQLite autocommit UPDATE of another card with the engine's journal
// settings, taken in turn in each iteration so that both meet the same disk; arg 1 also
// changes the level (a field of the primary index), so that the card moves in the order.
void BM_EditPostAgainstBareSqlite(benchmark::State &state)
{
    Table t;
    t.setTableName(tables().c20);
    t.setFilter(kBaseFilter);
    t.setFiltered(true);
    t.open();
    if (!t.gotoBookmark(10007))
        state.SkipWithError("card not in view");
    sqlite3 *db = nullptr;
    engine::sqlite().open_v2(tables().c20.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string settings = std::string("PRAGMA journal_mode = ") + engine::kJournalMode +
                                 "; PRAGMA synchronous = " + engine::kSynchronous +
                                 "; PRAGMA cache_size = -8192; PRAGMA mmap_size = 268435456";
    engine::sqlite().exec(db, settings.c_str(), nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    const bool moveIt = state.range(0) != 0;
    engine::sqlite().prepare_v2(db,
                       moveIt ? "UPDATE data SET Fech_Ulti_Repa = ?, Nive_Fich = ? WHERE rowid = ?"
                              : "UPDATE data SET Fech_Ulti_Repa = ? WHERE rowid = ?",
                       -1, &st, nullptr);
    std::vector<double> post, bare;
    int n = 0;
    for (auto _ : state) {
        const char *date = (n % 2) ? "20261205" : "20261206";
        auto t0 = Clock::now();
        t.edit();
        t.fieldByName("Fech_Ulti_Repa").setAsString(date);
        if (moveIt)
            t.fieldByName("Nive_Fich").setAsInteger(1 + n % 8);
        t.post();
        post.push_back(us(Clock::now() - t0));
        t0 = Clock::now();
        engine::sqlite().bind_text(st, 1, date, 8, SQLITE_STATIC);
        if (moveIt)
            engine::sqlite().bind_int(st, 2, 1 + n % 8);
        engine::sqlite().bind_int64(st, moveIt ? 3 : 2, 10009);
        if (engine::sqlite().step(st) != SQLITE_DONE)
            state.SkipWithError("update failed");
        engine::sqlite().reset(st);
        bare.push_back(us(Clock::now() - t0));
        ++n;
    }
    engine::sqlite().finalize(st);
    engine::sqlite().close(db);
    state.counters["post_median_us"] = median(post);
    state.counters["bare_median_us"] = median(bare);
    state.counters["ratio_to_bare"] = median(post) / median(bare);
}
BENCHMARK(BM_EditPostAgainstBareSqlite)->Arg(0)->Arg(1);

void BM_BatchAppend20000(benchmark::State &state)
{
    Table src;
    src.setTableName(tables().c20);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = "dest" + std::to_string(round++);
        testsupport::createCardTable(tables().dir.path().string(), name);
        Table dst;
        dst.setTableName(tables().dir.file(name + ".DB"));
        state.ResumeTiming();
        engine::BatchMove m;
        m.setSource(&src);
        m.setDestination(&dst);
        if (m.execute() != 20000)
            state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_BatchAppend20000)->Unit(benchmark::kMillisecond);

long statusKb(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return 0;
}

long peakKb() { return statusKb("VmHWM:"); }

// Opens a table that is to be refused; prints the peak memory before and after, the time taken
// in microseconds and whether it was refused as damaged.
int openForRefusal(const char *path)
{
    const long before = peakKb();
    const auto t0 = Clock::now();
    bool refused = false;
    try {
        Table t;
        t.setTableName(path);
        t.open();
    } catch (const engine::EngineError &e) {
        refused = std::string(e.what()).find("dañada") != std::string::npos;
    }
    std::printf("%ld %ld %.0f %d\n", before, peakKb(), us(Clock::now() - t0), refused ? 1 : 0);
    return 0;
}

int walkForMemory(const char *path)
{
    const long before = peakKb();
    {
        Table t;
        t.setTableName(path);
        t.setFilter(kBaseFilter);
        t.setFiltered(true);
        t.open();
        std::size_t sum = 0;
        for (t.first(); !t.eof(); t.next())
            sum += t.fieldByName("Preg_Text").asString().size() + t.fieldByName("Resp_Text").blobSize();
        // Resident memory of the process's own (anonymous) pages and of the mapped table file.
        std::printf("%ld %ld %zu %ld %ld\n", before, peakKb(), t.recordCount() + sum * 0, statusKb("RssAnon:"),
                    statusKb("RssFile:"));
    }
    return 0;
}

// Runs this program with a flag and a table path in a fresh process; returns what it prints.
std::string runSelf(const char *flag, const std::string &path)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string f = flag;
    char *argv[] = {self.data(), f.data(), const_cast<char *>(path.c_str()), nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, self.c_str(), &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    char buf[256] = {};
    const ssize_t got = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return got > 0 ? std::string(buf, std::size_t(got)) : std::string();
}

// Peak memory of a fresh process that opens the 100,000-card table and walks its view
// (reading a text and a blob of each card): the peak, and the rise over the process's start.
void BM_PeakMemory100000(benchmark::State &state)
{
    const std::string path = tables().c100;
    long before = 0, after = 0, anon = 0, file = 0;
    std::size_t cards = 0;
    for (auto _ : state) {
        const std::string out = runSelf("--walk", path);
        if (std::sscanf(out.c_str(), "%ld %ld %zu %ld %ld", &before, &after, &cards, &anon, &file) != 5)
            state.SkipWithError("child failed");
    }
    state.counters["peak_MB"] = after / 1024.0;
    state.counters["rise_MB"] = (after - before) / 1024.0;
    state.counters["cards"] = static_cast<double>(cards);
    state.counters["anon_MB"] = anon / 1024.0;
    state.counters["file_MB"] = file / 1024.0;
    state.counters["table_file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_PeakMemory100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A table file whose field-definition table holds 200,000 rows (about 4 MB) opened in a fresh
// process: the time until it is refused as damaged, and the peak memory.
void BM_RefuseTableOf200000FieldDefinitions(benchmark::State &state)
{
    const std::string path = tables().dir.file("Definiciones.DB");
    if (!std::filesystem::exists(path)) {
        testsupport::createCardTable(tables().dir.path().string(), "Definiciones");
        engine::Database db;
        db.open(path, false);
        db.exec("WITH RECURSIVE n(i) AS (SELECT 17 UNION ALL SELECT i + 1 FROM n WHERE i < 200016) "
                "INSERT INTO orv_fields SELECT i, 'Campo' || i, 'SmallInt', 0 FROM n");
    }
    long before = 0, after = 0;
    double micros = 0;
    int refused = 0;
    for (auto _ : state) {
        const std::string out = runSelf("--open", path);
        if (std::sscanf(out.c_str(), "%ld %ld %lf %d", &before, &after, &micros, &refused) != 4)
            state.SkipWithError("child failed");
    }
    state.counters["refusal_ms"] = micros / 1000;
    state.counters["peak_MB"] = after / 1024.0;
    state.counters["rise_MB"] = (after - before) / 1024.0;
    state.counters["refused_as_damaged"] = refused;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_RefuseTableOf200000FieldDefinitions)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--walk")
        return walkForMemory(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--open")
        return openForRefusal(argv[2]);
    tables(); // build the tables before any timing
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
