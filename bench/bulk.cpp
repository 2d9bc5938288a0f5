// Adding and moving cards in bulk through the windows that do it, in a program whose card displays (the
// card editor's and the review's, stood in for) follow every move of the card table:
//   BM_GroupEntry98   the group entry creating 98 cards with long answers of about 2 KB in a
//                     compressed study file (each card packed, all committed together);
//   BM_TextImport10k  the text import of a file of 10,000 lines (question, answer, key and
//                     importance) into a plain study file with short answers;
//   BM_Level0To1_999  the level 0 to 1 window moving 999 cards by quantity (one transaction)
//                     in a study file of 20,000 cards.
// Each run works in a program folder of its own under the system's temporary folder.
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "editing/Anade_n_Grupo_.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "exchange/Importar_de_txt.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/ModalShow.h"
#include "platform/RichEdit.h"
#include "review/FreeNiv0a1.h"
#include "store/D_Module.h"
#include "support/StudyFiles.h"

#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Program {
    QTemporaryDir folder;
    QWidget editorHost, reviewHost;

    Program()
    {
        startProgramIn(folder.path());
        Panta_Inicio_->activate();
        D_Module_->attachCardEditorDisplays({new platform::Label(&editorHost), new QLineEdit(&editorHost),
                                             new platform::RichEdit(&editorHost),
                                             new platform::ImageControl(&editorHost),
                                             new platform::ImageControl(&editorHost)});
        D_Module_->attachReviewDisplays({new platform::Label(&reviewHost), new platform::Label(&reviewHost),
                                         new platform::RichEdit(&reviewHost), new platform::ImageControl(&reviewHost),
                                         new platform::ImageControl(&reviewHost)});
    }
    ~Program()
    {
        D_Module_->attachCardEditorDisplays({});
        D_Module_->attachReviewDisplays({});
        D_Module_->Tabla_Activa->close();
        app::destroyWindows();
        platform::setScripted(false);
        platform::setProgramFolder(QString());
    }

    // A new study file of that name in "dat", filled by `fill` (given the table's path) and
    // opened through menu entry 1.
    bool open(const QString &name, const Opciones_FE &options,
              const std::function<void(const std::string &)> &fill = {})
    {
        Panta_Inicio_->Cierra_Fichero(); // a repeated benchmark makes its file anew
        const QString path = testsupport::writeStudyFile(folder.path() + "/dat", name, options);
        if (fill)
            fill(testsupport::fileName(path));
        platform::FileDialog::queueFileName(path);
        Panta_Inicio_->Label5Click();
        return Panta_Inicio_->FE_Abierto == 1;
    }
};

std::unique_ptr<Program> g_program;

void BM_GroupEntry98(benchmark::State &state)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Importancia = true;
    o.Texto_Largo = true;
    o.Tam_Respuesta = 0;
    o.Comprimido = true;
    if (!g_program->open("Grupo", o)) {
        state.SkipWithError("the study file did not open");
        return;
    }
    TAnade_n_Grupo *w = Anade_n_Grupo;
    const QString largo = QStringLiteral("Una respuesta larga con bastante texto, acentos (áéíóú) y números 0123456789. ")
                              .repeated(26); // about 2 KB
    w->activate();
    for (auto _ : state) {
        state.PauseTiming();
        for (int f = 1; f <= TAnade_n_Grupo::Filas; ++f) {
            w->Pon_Celda(0, f, QStringLiteral("Pregunta número %1").arg(f));
            w->Pon_Celda(1, f, largo + QString::number(f));
            w->Pon_Celda(2, f, QStringLiteral("clave%1").arg(f % 7));
            w->Pon_Celda(3, f, QString::number(f % 10));
        }
        state.ResumeTiming();
        w->btnButton10Click();
    }
    state.counters["cards"] = double(D_Module_->Tabla_Activa->recordCount());
}
BENCHMARK(BM_GroupEntry98)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_TextImport10k(benchmark::State &state)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Importancia = true;
    if (!g_program->open("Texto", o)) {
        state.SkipWithError("the study file did not open");
        return;
    }
    QByteArray text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("¿Pregunta número %1?#Respuesta %1 con algo de texto#clave%2#%3\r\n")
                    .arg(i)
                    .arg(i % 13)
                    .arg(i % 10)
                    .toUtf8();
    const QString path = g_program->folder.path() + "/fichas.txt";
    platform::saveFileAtomically(path, text);
    for (auto _ : state) {
        platform::FileDialog::queueFileName(path);
        Importar_de_txt_->Button1Click();
    }
    state.counters["cards"] = double(D_Module_->Tabla_Activa->recordCount());
}
BENCHMARK(BM_TextImport10k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every card of the file back at level 0 (the first 999) or 1, by another holder of the file.
void resetLevels(const std::string &path, bool create)
{
    engine::Table t;
    t.setTableName(path);
    t.open();
    engine::Transaction tr(t);
    if (create) {
        for (int i = 0; i < 20000; ++i) {
            t.append();
            t.fieldByName("Nive_Fich").setAsInteger(i < 999 ? 0 : 1 + i % 9);
            t.fieldByName("Nive_Impo").setAsInteger(i % 10);
            t.fieldByName("Clav_Fich").setAsString("clave" + std::to_string(i % 13));
            t.fieldByName("Preg_Text").setAsString("Pregunta " + std::to_string(i));
            t.fieldByName("Ficha_Comp_Encr").setAsString("N");
            t.post();
        }
    } else {
        t.setFilter("Nive_Fich <> 0 and AutoInc <= 999");
        t.setFiltered(true);
        for (t.first(); !t.eof(); t.first()) {
            t.edit();
            t.fieldByName("Nive_Fich").setAsInteger(0);
            t.post();
        }
    }
    tr.commit();
}

void BM_Level0To1_999(benchmark::State &state)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Importancia = true;
    if (!g_program->open("Niveles", o, [](const std::string &path) { resetLevels(path, true); })) {
        state.SkipWithError("the study file did not open");
        return;
    }
    TFreeNiv0a1_ *w = FreeNiv0a1_;
    engine::Table &cards = *D_Module_->Tabla_Activa;
    for (auto _ : state) {
        state.PauseTiming();
        resetLevels(cards.filePath(), false);
        cards.refresh();
        w->activate();
        w->MaskEdit1->setText("999");
        state.ResumeTiming();
        w->Button2Click();
        state.PauseTiming();
        state.counters["left_at_0"] = double(cards.recordCount());
        w->close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Level0To1_999)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(
        argc, argv, [] { g_program = std::make_unique<Program>(); }, [] { g_program.reset(); });
}
