// Many posts as one commit: kept together, undone together (also when the process dies).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/Sqlite.h"
#include "engine/Transaction.h"
#include "support/EngineTables.h"

using namespace testsupport;
using engine::Table;

TEST(Transaction, CommitKeepsEveryChangeAndLeavingWithoutItUndoesThemAll)
{
    TempDir dir;
    Table t;
    openNewCardTable(t, dir.path().string(), "X");
    for (int i = 0; i < 5; ++i)
        addCard(t, card(0, i));
    t.setFilter("Nive_Fich = 0");
    t.setFiltered(true);

    auto promote = [&](int n) { // the first n cards of the level-0 view to level 1
        for (int i = 0; i < n; ++i) {
            t.first();
            t.edit();
            t.fieldByName("Nive_Fich").setAsInteger(1);
            t.post();
        }
    };
    // Undone: an exception half way through, with an edit left open.
    try {
        engine::Transaction tr(t);
        promote(3);
        t.edit();
        t.fieldByName("Nive_Fich").setAsString("x"); // not a number
        FAIL();
    } catch (const engine::ConversionError &) {
    }
    EXPECT_EQ(t.state(), Table::State::Browse);
    EXPECT_EQ(t.recordCount(), 5u) << "the view shows the cards as stored again";
    EXPECT_EQ(levelsInFile(t.filePath()), std::vector<int>(5, 0));

    // Kept.
    {
        engine::Transaction tr(t);
        EXPECT_THROW(engine::Transaction{t}, engine::EngineError) << "no nesting";
        promote(2);
        tr.commit();
    }
    EXPECT_EQ(t.recordCount(), 3u);
    EXPECT_EQ(levelsInFile(t.filePath()), (std::vector<int>{0, 0, 0, 1, 1}));
    // After a commit every post is its own commit again.
    addCard(t, card(3));
    EXPECT_EQ(levelsInFile(t.filePath()), (std::vector<int>{0, 0, 0, 1, 1, 3}));
}

TEST(Transaction, AProcessKilledBeforeTheCommitLeavesTheFileAsBefore)
{
    TempDir dir;
    createCardTable(dir.path().string(), "X");
    const std::string path = dir.file("X.DB");
    {
        Table t;
        openTable(t, path);
        for (int i = 0; i < 200; ++i)
            addCard(t, card(0));
    }
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipefd[0]);
        Table t;
        openTable(t, path);
        engine::Transaction tr(t);
        t.first();
        for (int n = 0; !t.eof(); ++n) {
            t.edit();
            t.fieldByName("Nive_Fich").setAsInteger(1);
            t.post();
            t.first();
            if (n == 150 && write(pipefd[1], &n, sizeof n) != sizeof n)
                _exit(1);
        }
        pause(); // killed before it commits
        _exit(0);
    }
    close(pipefd[1]);
    int n = 0;
    ASSERT_EQ(read(pipefd[0], &n, sizeof n), ssize_t(sizeof n));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipefd[0]);

    EXPECT_EQ(levelsInFile(path), std::vector<int>(200, 0));
}

// Appends with the view deferred: each post writes its record but leaves the view and the
// cursor as they were; ending the deferral puts every new record in its place at once, the
// cursor on the last one posted. A rollback leaves the view as stored.
TEST(Transaction, AppendsWithTheViewDeferredEnterItOnceAtTheEnd)
{
    TempDir dir;
    Table t;
    openNewCardTable(t, dir.path().string(), "X");
    addCard(t, card(2, 5));
    addCard(t, card(2, 1));
    auto levelsAndImportances = [&] {
        std::vector<std::pair<int, int>> out;
        for (t.first(); !t.eof(); t.next())
            out.emplace_back(t.fieldByName("Nive_Fich").asInteger(), t.fieldByName("Nive_Impo").asInteger());
        return out;
    };
    for (bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "committed" : "rolled back");
        t.last();
        const std::int64_t before = t.bookmark();
        {
            engine::Transaction tr(t);
            t.setViewDeferred(true);
            for (int i : {3, 1, 2})
                EXPECT_EQ(addCard(t, card(i, 4 - i)), before) << "the cursor stays";
            EXPECT_EQ(t.recordCount(), 2u);
            if (keep) {
                tr.commit();
                t.setViewDeferred(false);
                EXPECT_EQ(std::pair(t.fieldByName("Nive_Fich").asInteger(), t.fieldByName("Nive_Impo").asInteger()),
                          std::pair(2, 2)) << "on the last card posted";
            }
        }
        t.setViewDeferred(false);
        if (!keep) {
            EXPECT_EQ(t.recordCount(), 2u);
            EXPECT_EQ(levelsInFile(t.filePath()), (std::vector<int>{2, 2}));
        }
    }
    EXPECT_EQ(levelsAndImportances(),
              (std::vector<std::pair<int, int>>{{1, 3}, {2, 1}, {2, 2}, {2, 5}, {3, 1}}));
    // Without the deferral a post enters the view at once again.
    addCard(t, card(0));
    EXPECT_EQ(t.recordCount(), 6u);
}

// Work inside a transaction is taken back alone when it fails, however often it runs, and the
// connection closes and opens again after it.
TEST(Transaction, AtomicWorkInsideATransactionIsUndoneAloneEachTime)
{
    TempDir dir;
    const std::string path = (dir.path() / "a.db").string();
    engine::Database db;
    db.open(path, true);
    db.exec("CREATE TABLE t(v INTEGER)");
    auto add = [&](int v, bool fail) {
        try {
            db.atomically([&] {
                db.exec("INSERT INTO t VALUES(" + std::to_string(v) + ")");
                if (fail)
                    throw std::runtime_error("falla");
            });
        } catch (const std::runtime_error &) {
            EXPECT_TRUE(fail);
        }
    };
    for (int round = 0; round < 2; ++round) {
        db.exec("BEGIN");
        for (int v = 0; v < 6; ++v)
            add(v, v % 3 == 1);
        db.exec("COMMIT");
        add(10 + round, round == 1); // outside a transaction: its own
        EXPECT_EQ(db.queryText("SELECT group_concat(v, ',') FROM (SELECT v FROM t ORDER BY rowid)"),
                  round == 0 ? "0,2,3,5,10" : "0,2,3,5,10,0,2,3,5");
        db.close();
        db.open(path, false);
    }
}
