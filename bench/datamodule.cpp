// The card store at 20,000 cards (CardTable20000.h): moving to the next card and filling every
// card display (card editor and review, stand-in controls), and the card grid following the
// cursor.
#include "CardTable20000.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/BatchMove.h"
#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "platform/DBGrid.h"
#include "platform/Files.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

using namespace benchcards;

// The program with the card editor's and the review's displays stood in for.
struct Program {
    QTemporaryDir folder;
    QWidget editorHost, reviewHost;
    platform::Label *label2, *label15, *label7;
    QLineEdit *editResp;
    platform::RichEdit *editorRich, *reviewRich;
    platform::ImageControl *editorImage1, *editorImage2, *reviewImage1, *reviewImage2;

    Program()
    {
        startProgramIn(folder.path());
        editorHost.resize(1000, 700);
        reviewHost.resize(1000, 700);
        label2 = new platform::Label(&editorHost);
        editResp = new QLineEdit(&editorHost);
        editorRich = new platform::RichEdit(&editorHost);
        editorRich->setGeometry(450, 300, 500, 300);
        editorImage1 = new platform::ImageControl(&editorHost);
        editorImage2 = new platform::ImageControl(&editorHost);
        label15 = new platform::Label(&reviewHost);
        label7 = new platform::Label(&reviewHost);
        reviewRich = new platform::RichEdit(&reviewHost);
        reviewRich->setGeometry(10, 440, 980, 250);
        reviewImage1 = new platform::ImageControl(&reviewHost);
        reviewImage2 = new platform::ImageControl(&reviewHost);
        attach(true);

        useTableSettings(60);
    }
    ~Program()
    {
        D_Module_->Tabla_Activa->close();
        app::destroyWindows();
    }

    void attach(bool on)
    {
        D_Module_->attachCardEditorDisplays(on ? TD_Module_::CardEditorDisplays{label2, editResp, editorRich,
                                                                                editorImage1, editorImage2}
                                               : TD_Module_::CardEditorDisplays{});
        D_Module_->attachReviewDisplays(on ? TD_Module_::ReviewDisplays{label15, label7, reviewRich, reviewImage1,
                                                                        reviewImage2}
                                           : TD_Module_::ReviewDisplays{});
    }

    void open(const std::string &folder)
    {
        engine::Table *t = D_Module_->Tabla_Activa;
        t->close();
        t->setDatabaseName(folder);
        t->setTableName(kTableName);
        t->open();
        t->setFilter(Filtro_Base.toStdString());
        t->setFiltered(true);
    }
};

std::unique_ptr<Program> g_program;

Program &program()
{
    return *g_program;
}

void moves(benchmark::State &state, bool shown)
{
    Program &p = program();
    p.open(cardTable());
    p.editorHost.setVisible(shown);
    p.reviewHost.setVisible(shown);
    engine::Table *t = D_Module_->Tabla_Activa;
    if (t->recordCount() != kCards) {
        state.SkipWithError("the card table does not hold 20,000 cards");
        return;
    }
    t->setRecNo(kCards / 2);
    for (auto _ : state) {
        t->next();
        if (t->eof())
            t->first();
        if (shown)
            QCoreApplication::processEvents();
    }
    if (!p.reviewImage1->hasPicture() || !p.editorImage2->hasPicture() || p.reviewRich->lines().isEmpty()
        || p.label7->caption() != QStringLiteral("La energía luminosa"))
        state.SkipWithError("the displays were not filled");
    state.counters["cards"] = double(t->recordCount());
    p.editorHost.hide();
    p.reviewHost.hide();
}

// The card editor and the review window both hidden, as while a study file is opened.
void BM_NextCardHiddenDisplays(benchmark::State &state)
{
    moves(state, false);
}
BENCHMARK(BM_NextCardHiddenDisplays)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Both shown and painted after every move (offscreen).
void BM_NextCardShownDisplays(benchmark::State &state)
{
    moves(state, true);
}
BENCHMARK(BM_NextCardShownDisplays)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A grid on the card table with the given columns, shown.
void showGrid(platform::DBGrid &grid, const std::vector<platform::DBGridColumn> &columns)
{
    grid.resize(800, 400);
    grid.setDataSource(D_Module_->DSource);
    grid.setColumns(columns);
    grid.show();
}

// A card grid on the 20,000 cards, shown, following the cursor through the whole view in
// steps of 97 cards, painted after every move.
void BM_GridFollowsCursor(benchmark::State &state)
{
    Program &p = program();
    p.open(cardTable());
    platform::DBGrid grid;
    showGrid(grid, {{"Nive_Fich", "Niv. Fich.", 79}, {"Clav_Fich", "Clave", 74}, {"Nive_Impo", "Niv. Imp.", 74},
                    {"Preg_Text", "Pregunta", 587}});
    engine::Table *t = D_Module_->Tabla_Activa;
    p.attach(false); // the grid alone
    std::size_t row = 1;
    for (auto _ : state) {
        row = (row + 97) % kCards + 1;
        t->setRecNo(row);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = double(grid.model()->rowCount());
    p.attach(true);
}
BENCHMARK(BM_GridFollowsCursor)->Unit(benchmark::kMillisecond);

// Re-filtering the 20,000 cards under a shown grid (the grid's model rebuilt).
void BM_GridRefilter(benchmark::State &state)
{
    Program &p = program();
    p.open(cardTable());
    platform::DBGrid grid;
    showGrid(grid, {{"Nive_Fich", "Niv. Fich.", 79}, {"Preg_Text", "Pregunta", 587}});
    p.attach(false);
    engine::Table *t = D_Module_->Tabla_Activa;
    bool all = false;
    for (auto _ : state) {
        t->setFilter(all ? Filtro_Base.toStdString() : std::string("Nive_Fich = 1"));
        all = !all;
        QCoreApplication::processEvents();
    }
    p.attach(true);
}
BENCHMARK(BM_GridRefilter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runOnCardTable(argc, argv, g_program);
}
