// A process killed while it posts loses nothing that was posted and leaves a sound file.
#include <gtest/gtest.h>
#include <signal.h>
#include "engine/SqliteApi.h"
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <set>

#include "support/EngineTables.h"

using namespace testsupport;
using engine::Table;

namespace {

std::string integrityOf(const std::string &path)
{
    sqlite3 *db = nullptr;
    std::string result = "cannot open";
    if (engine::sqlite().open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (engine::sqlite().prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK
            && engine::sqlite().step(st) == SQLITE_ROW)
            result = reinterpret_cast<const char *>(engine::sqlite().column_text(st, 0));
        engine::sqlite().finalize(st);
    }
    engine::sqlite().close(db);
    return result;
}

// The child: appends cards numbered from `start`, and edits earlier ones, reporting each
// number once its post has returned.
[[noreturn]] void postForever(const std::string &path, long start, int report)
{
    Table t;
    openTable(t, path);
    for (long n = start;; ++n) {
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(static_cast<int>(n % 7));
        t.fieldByName("Preg_Text").setAsString(std::to_string(n));
        t.fieldByName("Preg_Imag").setBytes(std::string(200 + n % 300, static_cast<char>(n)));
        t.post();
        if (n % 3 == 0) { // and an edit that moves a card in the order
            t.first();
            t.edit();
            t.fieldByName("Nive_Fich").setAsInteger(static_cast<int>((n + 3) % 7));
            t.post();
        }
        if (write(report, &n, sizeof n) != sizeof n)
            _exit(1);
    }
}

TEST(Durability, KilledWhilePostingLosesNothingPosted)
{
    TempDir dir;
    createCardTable(dir.path().string(), "X");
    const std::string path = dir.file("X.DB");
    std::mt19937 random(12345);
    std::set<long> posted;
    long next = 0;
    for (int round = 0; round < 30; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            postForever(path, next, fds[1]);
        }
        close(fds[1]);
        // Killed at a random instant once it posts (each post waits for the disk).
        long first;
        if (read(fds[0], &first, sizeof first) == sizeof first) {
            posted.insert(first);
            next = std::max(next, first + 1);
        }
        usleep(std::uniform_int_distribution<useconds_t>(1000, 40000)(random));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        long n;
        while (read(fds[0], &n, sizeof n) == sizeof n) {
            posted.insert(n);
            next = std::max(next, n + 1);
        }
        close(fds[0]);
        next += 1000; // numbers of unreported posts are never reused
    }
    ASSERT_GE(posted.size(), 30u);
    EXPECT_EQ(integrityOf(path), "ok");
    Table t;
    openTable(t, path);
    std::set<long> found;
    t.first();
    while (!t.eof()) {
        const long n = std::stol(t.fieldByName("Preg_Text").asString());
        EXPECT_EQ(t.fieldByName("Preg_Imag").asBytes(), std::string(200 + n % 300, static_cast<char>(n)));
        found.insert(n);
        t.next();
    }
    for (long n : posted)
        EXPECT_TRUE(found.count(n)) << "card " << n << " was posted but is missing";
    EXPECT_LE(found.size(), posted.size() + 30); // at most one unreported post per round
}

// Users copy study files with a file manager while the program runs or after it was killed:
// the table file alone must hold every card whose post returned.
TEST(Durability, TheTableFileAloneHoldsEveryPostedCard)
{
    TempDir dir;
    createCardTable(dir.path().string(), "X");
    const std::string path = dir.file("X.DB");
    const std::string whileOpen = dir.file("open.DB"), afterKill = dir.file("killed.DB");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        Table t;
        openTable(t, path);
        addCard(t, card(3));
        addCard(t, card(4));
        std::filesystem::copy_file(path, whileOpen); // the table still open
        raise(SIGKILL);
    }
    waitpid(pid, nullptr, 0);
    std::filesystem::copy_file(path, afterKill);
    for (const std::string &copy : {whileOpen, afterKill}) {
        for (const char *side : {"-wal", "-journal"})
            EXPECT_FALSE(std::filesystem::exists(path + side)) << side;
        Table c;
        openTable(c, copy);
        EXPECT_EQ(c.recordCount(), 2u) << copy;
    }
}

// A table written in write-ahead-log mode (by an earlier version) and left with its log by a
// killed program is folded back into its file.
TEST(Durability, AnOldWriteAheadLogIsFoldedIntoTheTableFile)
{
    TempDir dir;
    createCardTable(dir.path().string(), "X");
    const std::string path = dir.file("X.DB");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        sqlite3 *db = nullptr;
        engine::sqlite().open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        engine::sqlite().exec(db, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0; "
                         "INSERT INTO data(Nive_Fich, Preg_Text) VALUES (1, 'x')",
                     nullptr, nullptr, nullptr);
        raise(SIGKILL);
    }
    waitpid(pid, nullptr, 0);
    ASSERT_TRUE(std::filesystem::exists(path + "-wal"));
    Table t;
    t.setTableName(path);
    t.checkpointFile();
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    const std::string copy = dir.file("copy.DB");
    std::filesystem::copy_file(path, copy);
    Table c;
    openTable(c, copy);
    EXPECT_EQ(c.recordCount(), 1u);
}

} // namespace
