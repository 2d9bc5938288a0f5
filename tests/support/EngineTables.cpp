#include "EngineTables.h"

#include "store/D_Module.h"

#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

using engine::FieldDef;

std::filesystem::path tempRoot()
{
    static const std::filesystem::path root = [] {
        if (const char *given = getenv("ORV_TEST_TEMP_ROOT"); given && *given)
            return std::filesystem::path(given);
        const std::filesystem::path shm("/dev/shm");
        std::error_code ec;
        if (std::filesystem::is_directory(shm, ec) && access(shm.c_str(), W_OK | X_OK) == 0)
            return shm;
        return std::filesystem::temp_directory_path();
    }();
    return root;
}

TempDir::TempDir()
{
    std::string pattern = (tempRoot() / "orv-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<FieldDef> cardFields(int questionSize)
{
    return TD_Module_::Campos_Ficha(questionSize);
}

std::vector<engine::IndexDef> cardIndexes()
{
    return TD_Module_::Indices_Ficha();
}

void createCardTable(const std::string &folder, const std::string &name, int questionSize)
{
    engine::Table t;
    t.setDatabaseName(folder);
    t.setTableName(name);
    t.createTable(cardFields(questionSize), cardIndexes());
}

void openNewCardTable(engine::Table &table, const std::string &folder, const std::string &name, int questionSize)
{
    createCardTable(folder, name, questionSize);
    table.setDatabaseName(folder);
    table.setTableName(name);
    table.open();
}

Card card(int level, int importance)
{
    Card c;
    c.level = level;
    c.importance = importance;
    return c;
}

long long addCard(engine::Table &table, const Card &card)
{
    table.append();
    table.fieldByName("Nive_Fich").setAsInteger(card.level);
    if (card.importance >= 0)
        table.fieldByName("Nive_Impo").setAsInteger(card.importance);
    table.fieldByName("Clav_Fich").setAsString(card.key);
    table.fieldByName("Preg_Text").setAsString(card.question);
    table.fieldByName("Fech_Ulti_Repa").setAsString(card.lastReview);
    table.fieldByName("Fech_Prox_Repa").setAsString(card.nextReview);
    table.fieldByName("Total_Repa").setAsInteger(card.reviews);
    if (card.flag >= 0)
        table.fieldByName("Camp_Logi").setAsBoolean(card.flag == 1);
    if (!card.blob.empty())
        table.fieldByName("Preg_Imag").setBytes(card.blob);
    table.post();
    return table.fieldByName("AutoInc").asLargeInt();
}

std::vector<long long> viewIds(engine::Table &table)
{
    std::vector<long long> ids;
    table.first();
    while (!table.eof()) {
        ids.push_back(table.fieldByName("AutoInc").asLargeInt());
        table.next();
    }
    return ids;
}

} // namespace testsupport
