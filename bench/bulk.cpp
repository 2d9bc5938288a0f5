// Adding cards in bulk through the windows that do it, in a program whose card displays (the
// card editor's and the review's, stood in for) follow every move of the card table:
//   BM_GroupEntry98   the group entry creating 98 cards with long answers of about 2 KB in a
//                     compressed study file (each card packed and written through on its own);
//   BM_TextImport10k  the text import of a file of 10,000 lines (question, answer, key and
//                     importance) into a plain study file with short answers.
// Each run works in a program folder of its own under the system's temporary folder.
#include "QtBenchMain.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "editing/Anade_n_Grupo_.h"
#include "exchange/Importar_de_txt.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/ModalShow.h"
#include "platform/RichEdit.h"
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
        platform::setProgramFolder(folder.path());
        platform::setScripted(true);
        app::prepareApplication();
        app::createWindows();
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

    // A new study file of that name in "dat", opened through menu entry 1.
    bool open(const QString &name, const Opciones_FE &options)
    {
        const QString path = testsupport::writeStudyFile(folder.path() + "/dat", name, options);
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

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(
        argc, argv, [] { g_program = std::make_unique<Program>(); }, [] { g_program.reset(); });
}
