// A global modification killed half way: the program (a child process running the real
// window) dies at a chosen post; the file it leaves shows every card of the view changed or
// none, and no card flagged.
#include "selection_fixture.h"

#include "support/KillChild.h"

#include <cstdlib>

namespace {

const char *const Seleccion = " ( Nive_Fich>=2 ) and  (Nive_fich <> 0 ) ";

// The child: opens the table named by ORV_KILL_TABLE under the selection and runs the
// modification (level 7, next review 07/03/25), killing itself at post ORV_KILL_AFTER.
class ModifGlobKill : public SelectionFixture {};

TEST_F(ModifGlobKill, DISABLED_Child)
{
    const char *table = std::getenv("ORV_KILL_TABLE");
    const char *after = std::getenv("ORV_KILL_AFTER");
    ASSERT_TRUE(table && after);
    const int killAt = std::atoi(after);
    startProgram();
    tabla().setTableName(table);
    tabla().setFilter(Seleccion);
    tabla().setFiltered(true);
    tabla().open();
    Sesion_->FE_Abierto = 1;
    Sesion_->Filtro_Actual = QString::fromLatin1(Seleccion);
    Sesion_->Formato_Fecha = 1;
    int posts = 0;
    tabla().afterPost = [&](engine::Table &) {
        if (++posts == killAt)
            raise(SIGKILL);
    };
    Modif_glob_->CheckBox1->setChecked(true);
    Modif_glob_->MaskEdit1->setText(QStringLiteral("7"));
    Modif_glob_->CheckBox4->setChecked(true);
    Modif_glob_->MaskEdit3->setText(QStringLiteral("07/03/25"));
    Modif_glob_->Button3Click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral(" LA MODIFICACIÓN GLOBAL SE HA COMPLETADO ")});
}

TEST(ModifGlobKilled, EveryCardOfTheViewChangedOrNoneAndNoneFlagged)
{
    testsupport::TempDir dir;
    engine::Table t;
    testsupport::openNewCardTable(t, dir.path().string(), "X");
    std::size_t n = 0;
    for (int i = 0; i < 60; ++i) {
        testsupport::Card c = testsupport::card(i % 6, i % 4);
        c.nextReview = "20260101";
        testsupport::addCard(t, c);
        n += i % 6 >= 2;
    }
    t.close();
    const std::string path = dir.file("X.DB");
    const int posts = int(n); // one per card of the view, in the writing pass
    for (int killAt : {1, posts / 2, posts - 1, posts, posts + 1000}) {
        SCOPED_TRACE(killAt);
        const int status = testsupport::runChildTest("ModifGlobKill.DISABLED_Child",
                                                     {{"ORV_KILL_TABLE", path}, {"ORV_KILL_AFTER", std::to_string(killAt)}});
        const bool finished = killAt > posts;
        ASSERT_TRUE(testsupport::childEnded(status, finished));

        engine::Table r;
        r.setTableName(path);
        r.open();
        std::size_t changed = 0, untouched = 0, seen = 0;
        for (r.first(); !r.eof(); r.next()) {
            ++seen;
            EXPECT_FALSE(r.fieldByName("Camp_Logi").asBoolean());
            const int level = r.fieldByName("Nive_Fich").asInteger();
            if (level == 7 && r.fieldByName("Fech_Prox_Repa").asString() == "20250307")
                ++changed;
            else if (level >= 2 && r.fieldByName("Fech_Prox_Repa").asString() == "20260101")
                ++untouched;
        }
        EXPECT_EQ(seen, 60u);
        EXPECT_EQ(changed, finished ? n : 0u);
        EXPECT_EQ(untouched, finished ? 0u : n);
        if (finished)
            break;
    }
}

} // namespace
