// The card editor's save of a new card in the packed and enciphered study file of 20,000 cards
// (CardTable20000.h): a JPEG question picture and a bitmap answer picture of about 100 KB
// each and a long answer of about 5 KB, packed and posted through the real editor. Each new
// card is deleted again outside the timing, so the table keeps its 20,000 cards.
#include "CardTable20000.h"
#include "StartProgram.h"
#include "app/Program.h"
#include "editing/Alta_Fichas.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QTemporaryDir>

#include <memory>

namespace {

using namespace benchcards;

struct Program {
    QTemporaryDir folder;
    QByteArray jpeg = jpegOfAbout(100 * 1024);
    QByteArray bitmap = bitmapOfAbout(100 * 1024);
    QByteArray longAnswer = longAnswerOfAbout(5 * 1024);

    Program()
    {
        startProgramIn(folder.path());
        useTableSettings(0);
        TSesion_ *s = Sesion_;
        s->Modificable = 1;
        s->Con_Clave = 1;
        s->Con_Importancia = 1;
        s->Fecha_Hoy = QStringLiteral("20261205");
        engine::Table *t = D_Module_->Tabla_Activa;
        t->setDatabaseName(cardTable());
        t->setTableName(kTableName);
        t->open();
        t->setFilter(Filtro_Base.toStdString());
        t->setFiltered(true);
        t->setRecNo(kCards / 2);
        s->Modo_Alta = 1;
        s->Edicion_Desde_Repaso = 0;
        Alta_Fichas_->Enlaza_Datos();
    }
    ~Program()
    {
        D_Module_->Tabla_Activa->close();
        app::destroyWindows();
    }
};

std::unique_ptr<Program> g_program;

// A new card typed into the editor as the add mode's activation leaves it: appended, with the
// question, key, both pictures and the long answer.
void fillNewCard(Program &p)
{
    TAlta_Fichas_ *e = Alta_Fichas_;
    D_Module_->Tabla_Activa->append();
    D_Module_->Tabla_ActivaPreg_Text().setAsString("¿Qué transforma la fotosíntesis?");
    D_Module_->Tabla_ActivaClav_Fich().setAsString("BIO");
    e->Image1->setPictureBytes(p.jpeg);
    e->Image2->setPictureBytes(p.bitmap);
    e->RichEdit1->loadFromBytes(p.longAnswer);
}

void BM_SaveNewCard(benchmark::State &state)
{
    Program &p = *g_program;
    engine::Table *t = D_Module_->Tabla_Activa;
    if (t->recordCount() != kCards) {
        state.SkipWithError("the card table does not hold 20,000 cards");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        fillNewCard(p);
        state.ResumeTiming();
        Alta_Fichas_->Guarda_Ficha();
        state.PauseTiming();
        const std::string type = D_Module_->Tabla_ActivaTipo_Preg_Imag().asString();
        const std::size_t stored = D_Module_->Tabla_ActivaPreg_Imag().blobSize();
        t->deleteRecord();
        if (type != "JPG" || stored < 50 * 1024) {
            state.SkipWithError("the card was not stored whole");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["cards"] = double(t->recordCount());
}
BENCHMARK(BM_SaveNewCard)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char **argv)
{
    return runOnCardTable(argc, argv, g_program);
}
