#pragma once
// Test helpers for engine tables: a temporary folder and a card table like the study files'.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/Table.h"

namespace testsupport {

// The folder that tests make their temporary folders in: a memory file system when the machine
// has one (/dev/shm), else the system's temporary folder; a child test's is given by its
// parent (ORV_TEST_TEMP_ROOT). The engine synchronises every post
// to disk; on a disk those waits take most of a window test's time, on memory next to none.
std::filesystem::path tempRoot();

// A fresh folder under tempRoot(), removed with its content at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The fields of a card (the study files', from store/Ficha.h) with the given question width.
std::vector<engine::FieldDef> cardFields(int questionSize = 60);
// The primary index "NiveFich" on "Nive_Fich;Nive_Impo;AutoInc".
std::vector<engine::IndexDef> cardIndexes();

// Writes a table file in the layout of format 1, which kept the blobs as the last columns of
// the records' table: the definitions, the records (AutoInc taken from the row when set, else
// given) and the AutoInc counter raised to `sequence`.
void writeVersion1Table(const std::string &path, const std::vector<engine::FieldDef> &fields,
                        const std::vector<engine::IndexDef> &indexes, const std::vector<engine::Row> &rows,
                        long long sequence = 0);
// The same with `count` records made one by one by `make` (for large tables).
void writeVersion1Table(const std::string &path, const std::vector<engine::FieldDef> &fields,
                        const std::vector<engine::IndexDef> &indexes, std::size_t count,
                        const std::function<void(std::size_t i, engine::Row &row)> &make);
// The format version of a table file (its user_version).
int formatVersionOfFile(const std::string &path);
// The text of what work raises; "(no error)" when it raises nothing.
std::string messageOf(const std::function<void()> &work);
// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::filesystem::path &folder);

// Creates the card table X.DB in `folder` (replacing one of that name).
void createCardTable(const std::string &folder, const std::string &name, int questionSize = 60);
// Opens the table file at `path` in `table`.
void openTable(engine::Table &table, const std::string &path);
// The level of every card of the table file, in its order, as another holder reads them.
std::vector<int> levelsInFile(const std::string &path);
// The same, then opens it in `table`.
void openNewCardTable(engine::Table &table, const std::string &folder, const std::string &name,
                      int questionSize = 60);

struct Card {
    int level = 1;
    int importance = -1;          // -1: left blank
    std::string key;
    std::string question;
    std::string lastReview;       // Fech_Ulti_Repa
    std::string nextReview;       // Fech_Prox_Repa
    int reviews = 0;              // Total_Repa
    int flag = -1;                // Camp_Logi: -1 blank, 0 false, 1 true
    std::string blob;             // Preg_Imag
};

// A card of the given level and importance (-1: blank), everything else left empty.
Card card(int level, int importance = -1);

// Appends and posts a card on an open table; returns its AutoInc (as the current record, so
// the card must pass the table's filter).
long long addCard(engine::Table &table, const Card &card);

// The AutoInc of every record of the view, in order (moves the cursor; restores nothing).
std::vector<long long> viewIds(engine::Table &table);

} // namespace testsupport
