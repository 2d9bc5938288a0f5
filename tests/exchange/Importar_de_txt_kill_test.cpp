// A text import killed half way: the program (a child process running the real window) dies
// at a chosen card; the file it leaves holds every card of the import or none.
#include "support/EngineTables.h"
#include "support/KillChild.h"
#include "support/ProgramFixture.h"

#include "engine/Table.h"
#include "exchange/Importar_de_txt.h"
#include "platform/FileDialog.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <signal.h>

#include <cstdlib>
#include <fstream>

namespace {

// The child: imports the file ORV_KILL_TEXT into the table ORV_KILL_TABLE, killing itself at
// card ORV_KILL_AFTER.
class TextImportKill : public ProgramFixture {};

TEST_F(TextImportKill, DISABLED_Child)
{
    const char *table = std::getenv("ORV_KILL_TABLE");
    const char *text = std::getenv("ORV_KILL_TEXT");
    const char *after = std::getenv("ORV_KILL_AFTER");
    ASSERT_TRUE(table && text && after);
    const int killAt = std::atoi(after);
    startProgram();
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.setTableName(table);
    t.open();
    Sesion_->FE_Abierto = 1;
    Sesion_->Con_Importancia = 1;
    Sesion_->Con_Clave = 1;
    Sesion_->Tam_Respuesta = 100;
    Sesion_->Fecha_Hoy = QStringLiteral("20261205");
    int posts = 0;
    t.afterPost = [&](engine::Table &) {
        if (++posts == killAt)
            raise(SIGKILL);
    };
    platform::FileDialog::queueFileName(QString::fromLocal8Bit(text));
    Importar_de_txt_->Button1Click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Se han importado 40 fichas.")});
}

TEST(TextImportKilled, TheFileHoldsEveryCardOfTheImportOrNone)
{
    testsupport::TempDir dir;
    testsupport::createCardTable(dir.path().string(), "X");
    const std::string table = dir.file("X.DB"), text = dir.file("fichas.txt");
    {
        std::ofstream out(text);
        for (int i = 0; i < 40; ++i)
            out << "Q" << i << "#A" << i << "#K#" << i % 5 << "\r\n";
    }
    for (int killAt : {1, 20, 40, 41}) {
        SCOPED_TRACE(killAt);
        const int status = testsupport::runChildTest(
            "TextImportKill.DISABLED_Child",
            {{"ORV_KILL_TABLE", table}, {"ORV_KILL_TEXT", text}, {"ORV_KILL_AFTER", std::to_string(killAt)}});
        const bool finished = killAt > 40;
        ASSERT_TRUE(testsupport::childEnded(status, finished));
        engine::Table r;
        r.setTableName(table);
        r.open();
        EXPECT_EQ(r.recordCount(), finished ? 40u : 0u);
    }
}

} // namespace
