// A move from level 0 killed half way: the program (a child process running the real window)
// dies at a chosen card; the file it leaves has every card of the move at level 1 or none.
#include "support/EngineTables.h"
#include "support/KillChild.h"
#include "support/ProgramFixture.h"

#include "engine/Table.h"
#include "review/FreeNiv0a1.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <signal.h>

#include <cstdlib>

namespace {

// The child: moves 30 cards of the table ORV_KILL_TABLE by quantity, killing itself at the
// post ORV_KILL_AFTER.
class LevelMoveKill : public ProgramFixture {};

TEST_F(LevelMoveKill, DISABLED_Child)
{
    const char *table = std::getenv("ORV_KILL_TABLE");
    const char *after = std::getenv("ORV_KILL_AFTER");
    ASSERT_TRUE(table && after);
    const int killAt = std::atoi(after);
    startProgram();
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.setTableName(table);
    t.setFilter(Filtro_Base.toStdString());
    t.setFiltered(true);
    t.open();
    Sesion_->FE_Abierto = 1;
    int posts = 0;
    t.afterPost = [&](engine::Table &) {
        if (++posts == killAt)
            raise(SIGKILL);
    };
    FreeNiv0a1_->activate();
    FreeNiv0a1_->MaskEdit1->setText(QStringLiteral("30"));
    FreeNiv0a1_->Button2Click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("30  Fichas han pasado al Nivel 1.")});
}

TEST(LevelMoveKilled, EveryCardOfTheMoveAtLevel1OrNone)
{
    testsupport::TempDir dir;
    {
        engine::Table t;
        testsupport::openNewCardTable(t, dir.path().string(), "X");
        for (int i = 0; i < 50; ++i)
            testsupport::addCard(t, testsupport::card(0, i % 3));
    }
    const std::string table = dir.file("X.DB");
    for (int killAt : {1, 15, 30, 31}) {
        SCOPED_TRACE(killAt);
        const int status = testsupport::runChildTest("LevelMoveKill.DISABLED_Child",
                                                     {{"ORV_KILL_TABLE", table}, {"ORV_KILL_AFTER", std::to_string(killAt)}});
        const bool finished = killAt > 30;
        ASSERT_TRUE(testsupport::childEnded(status, finished));
        engine::Table r;
        r.setTableName(table);
        r.setFilter("Nive_Fich = 1");
        r.setFiltered(true);
        r.open();
        EXPECT_EQ(r.recordCount(), finished ? 30u : 0u);
    }
}

} // namespace
