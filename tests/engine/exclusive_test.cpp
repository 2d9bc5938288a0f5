// Exclusive opening and packing, against holders in this process and in another one.
#include <csignal>
#include <gtest/gtest.h>
#include "engine/SqliteApi.h"
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "support/EngineTables.h"

using namespace testsupport;
using engine::EngineError;
using engine::Table;

namespace {

// A child process that holds a table open until told to let go.
class OtherProcess {
public:
    OtherProcess(const std::string &path, bool exclusive)
    {
        int ready[2], go[2];
        if (pipe(ready) != 0 || pipe(go) != 0)
            throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(go[1]);
            char c = 'n';
            try {
                Table t;
                t.setTableName(path);
                t.setExclusive(exclusive);
                t.open();
                c = 'y';
                (void)!write(ready[1], &c, 1);
                (void)!read(go[0], &c, 1);
            } catch (...) {
                (void)!write(ready[1], &c, 1);
            }
            _exit(0);
        }
        close(ready[1]);
        close(go[0]);
        go_ = go[1];
        char c = 0;
        (void)!read(ready[0], &c, 1);
        close(ready[0]);
        holding_ = c == 'y';
    }
    ~OtherProcess() { letGo(); }
    bool holding() const { return holding_; }
    void letGo()
    {
        if (pid_ > 0) {
            // A holder that could not open has already gone: the write must not kill the test.
            signal(SIGPIPE, SIG_IGN);
            char c = 'g';
            (void)!write(go_, &c, 1);
            close(go_);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    bool holding_ = false;
};

class Exclusive : public ::testing::Test {
protected:
    void SetUp() override
    {
        createCardTable(dir.path().string(), "X");
        path = dir.file("X.DB");
    }
    std::string errorOf(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const EngineError &e) {
            return e.what();
        }
        return "";
    }
    TempDir dir;
    std::string path;
};

TEST_F(Exclusive, RefusedWhileAnotherObjectOfThisProcessHoldsTheTable)
{
    Table a, b;
    a.setTableName(path);
    b.setTableName(path);
    b.setExclusive(true);
    a.open();
    EXPECT_NE(errorOf([&] { b.open(); }).find("no se puede abrir en exclusiva"), std::string::npos);
    EXPECT_FALSE(b.active());
    EXPECT_NE(errorOf([&] { a.pack(); }).find("exclusiva"), std::string::npos); // pack needs it to itself
    a.close();
    b.open();
    addCard(b, card(1));
    b.pack(); // open exclusively: packs in place and keeps the view
    EXPECT_EQ(b.recordCount(), 1u);
    EXPECT_NE(errorOf([&] { a.open(); }).find("abierta en exclusiva"), std::string::npos);
    b.close();
    a.open();
    EXPECT_TRUE(a.active());
}

// The other process is started while this one holds nothing, so that only the file lock
// stands between them.
TEST_F(Exclusive, RefusedWhileAnotherProcessHoldsTheTable)
{
    Table t;
    t.setTableName(path);
    {
        OtherProcess other(path, false);
        ASSERT_TRUE(other.holding());
        t.setExclusive(true);
        EXPECT_NE(errorOf([&] { t.open(); }).find("no se puede abrir en exclusiva"), std::string::npos);
        EXPECT_THROW(t.pack(), EngineError);
        EXPECT_THROW(createCardTable(dir.path().string(), "X"), EngineError);
        t.setExclusive(false);
        t.open(); // sharing is fine
        t.close();
        other.letGo();
        t.setExclusive(true);
        t.open();
        EXPECT_TRUE(t.active());
        t.close();
    }
    OtherProcess exclusiveHolder(path, true);
    ASSERT_TRUE(exclusiveHolder.holding());
    t.setExclusive(false);
    EXPECT_NE(errorOf([&] { t.open(); }).find("abierta en exclusiva"), std::string::npos);
    exclusiveHolder.letGo();
    t.open();
    EXPECT_TRUE(t.active());
}

TEST_F(Exclusive, PackCompactsAndKeepsRecordsAndNumbering)
{
    long long last = 0;
    {
        Table t;
        openTable(t, path);
        for (int i = 0; i < 300; ++i)
            last = addCard(t, {1, i % 4, "", "q", "", "", 0, -1, std::string(2000, 'x')});
        t.first();
        for (int i = 0; i < 250; ++i)
            t.deleteRecord();
    }
    const auto before = std::filesystem::file_size(path);
    Table t;
    t.setTableName(path);
    t.pack();
    EXPECT_LT(std::filesystem::file_size(path), before / 2);
    t.open();
    EXPECT_EQ(t.recordCount(), 50u);
    EXPECT_EQ(addCard(t, card(1)), last + 1);
}

TEST_F(Exclusive, PackRecoversTheReadableRecordsOfADamagedTable)
{
    {
        Table t;
        openTable(t, path);
        for (int i = 0; i < 2000; ++i)
            addCard(t, {1, 0, "", "q" + std::to_string(i), "", "", 0, -1, std::string(300, static_cast<char>('a' + i % 26))});
    }
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 * 60);
        const std::string junk(4096, '\x55');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    Table t;
    t.setTableName(path);
    t.pack();
    sqlite3 *db;
    ASSERT_EQ(engine::sqlite().open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt *st;
    engine::sqlite().prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
    ASSERT_EQ(engine::sqlite().step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(engine::sqlite().column_text(st, 0)), "ok");
    engine::sqlite().finalize(st);
    engine::sqlite().close(db);
    t.open();
    EXPECT_GT(t.recordCount(), 1000u);
    // What the damaged page held is gone: records, or the pictures of records that stay.
    std::size_t whole = 0;
    t.first();
    while (!t.eof()) {
        const int n = std::stoi(t.fieldByName("Preg_Text").asString().substr(1));
        const std::string picture = t.fieldByName("Preg_Imag").asBytes();
        if (!picture.empty()) {
            ASSERT_EQ(picture, std::string(300, static_cast<char>('a' + n % 26)));
            ++whole;
        }
        t.next();
    }
    EXPECT_LT(whole, 2000u);
}

// A damaged table of which no record can be read is never replaced by an empty one; an intact
// table is not touched by a salvage.
TEST_F(Exclusive, AnUnreadableTableIsLeftAsItWasAndAnIntactOneUntouched)
{
    {
        Table t;
        openTable(t, path);
        for (int i = 0; i < 20; ++i)
            addCard(t, card(i % 3));
    }
    auto bytes = [&] {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    const std::string keep = path + " (copia)";
    Table t;
    t.setTableName(path);
    const std::string intact = bytes();
    const engine::SalvageReport none = t.salvage(keep);
    EXPECT_FALSE(none.damaged);
    EXPECT_EQ(bytes(), intact);
    // The single page of the records overwritten.
    long long root = 0;
    {
        sqlite3 *db;
        ASSERT_EQ(engine::sqlite().open(path.c_str(), &db), SQLITE_OK);
        sqlite3_stmt *st;
        engine::sqlite().prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = 'data'", -1, &st, nullptr);
        ASSERT_EQ(engine::sqlite().step(st), SQLITE_ROW);
        root = engine::sqlite().column_int64(st, 0);
        engine::sqlite().finalize(st);
        engine::sqlite().close(db);
    }
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp((root - 1) * 4096);
        const std::string junk(4096, '\x55');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    const std::string damaged = bytes();
    EXPECT_THROW(t.pack(), engine::UnreadableError);
    EXPECT_EQ(bytes(), damaged);
    EXPECT_THROW(t.salvage(keep), engine::UnreadableError);
    EXPECT_EQ(bytes(), damaged);
    EXPECT_FALSE(std::filesystem::exists(keep));
}

} // namespace
