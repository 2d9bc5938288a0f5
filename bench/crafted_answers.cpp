// Answers of 16 MiB (the answer limit) in every crafted shape of HostileAnswers.h, and smaller
// ones of the shapes whose cost follows their fonts (argument `KB`, 0 for 16 MiB), met through
// the program's windows as a user meets them. A compressed study file holds two cards with the
// answer (short or long, argument `long`) and a plain one; one benchmark walks it once:
//   file      opening it with menu entry 1 (the first card is shown)
//   review    the review by time (menu entry 3) until its window is shown and painted
//   answer    "Ver la Respuesta", painted
//   next      "Correcta": the next card, with another answer of the shape, painted
//   leave     "Salir", the closing message and the main window's activation after it
//   idle      CPU seconds the program then spends in one second of waiting (work left behind)
//   editor    the card editor on the first card (a card with the answer), shown and painted
//   save      "Guarda y Acaba" after changing the question
//   print     printing the answers side to a PDF file (menu entry 6)
// Each step's elapsed seconds (<step>_s) and the process's peak resident memory during it
// (<step>_MB). The windows are shown on the offscreen platform, so that they lay out and
// paint as on a screen.
#include "HostileAnswers.h"
#include "PeakMemory.h"
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "editing/Alta_Fichas.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "printing/Imprimir.h"
#include "review/Repasar.h"
#include "store/D_Module.h"
#include "store/Sesion.h"
#include "support/StudyFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <ctime>
#include <functional>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> folder;

void setUp()
{
    folder = std::make_unique<QTemporaryDir>();
    startProgramIn(folder->path());
    platform::clock::setNow(QDateTime(QDate(2026, 12, 5), QTime(10, 0)));
    Panta_Inicio_->show();
    Panta_Inicio_->activate(); // the preferences, today's dates
}

void tearDown()
{
    app::destroyWindows();
    folder.reset();
}

void settle()
{
    QCoreApplication::processEvents();
}

// The study file Hostil<n>: two cards with the answer (the second's 64 bytes shorter, so that
// it is another answer to load), then a plain one.
QString writeFile(int n, bool longAnswer, hostile::Shape shape, qsizetype size)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = true;
    o.Texto_Largo = longAnswer;
    o.Tam_Respuesta = longAnswer ? 0 : 100;
    const QString path = testsupport::writeStudyFile(folder->path() + QStringLiteral("/dat"),
                                                     QStringLiteral("Hostil%1").arg(n), o);
    engine::Table t;
    t.setTableName(testsupport::fileName(path));
    t.open();
    const std::string answers[] = {
        testsupport::packItem("1", hostile::answerOf(shape, size)).toStdString(),
        testsupport::packItem("1", hostile::answerOf(shape, size - 64)).toStdString(),
        testsupport::packItem("1", platform::rtf::fromLines({QStringLiteral("bien")})).toStdString()};
    for (int i = 0; i < 3; ++i) {
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(1);
        t.fieldByName("Preg_Text").setAsString("pregunta " + std::to_string(i + 1));
        t.fieldByName(longAnswer ? "Resp_Memo" : "Resp_Text").setBytes(answers[i]);
        t.fieldByName("Fech_Prox_Repa").setAsString("20261205");
        t.fieldByName("Ficha_Comp_Encr").setAsString("S");
        t.post();
    }
    return path;
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

struct Steps {
    benchmark::State &state;
    QElapsedTimer clock;
    double worst = 0;

    void begin()
    {
        resetPeakMemory();
        clock.start();
    }
    void end(const char *step)
    {
        const double s = double(clock.nsecsElapsed()) / 1e9;
        worst = std::max(worst, s);
        state.counters[std::string(step) + "_s"] = s;
        state.counters[std::string(step) + "_MB"] = double(peakMemoryKb()) / 1024;
    }
};

void BM_Walk(benchmark::State &state)
{
    const bool longAnswer = state.range(0) == 1;
    const auto shape = hostile::Shape(state.range(1));
    const qsizetype size = state.range(2) > 0 ? qsizetype(state.range(2)) << 10 : qsizetype(16) << 20;
    state.SetLabel(std::string(longAnswer ? "long " : "short ") + hostile::nameOf(shape)
                   + (state.range(2) > 0 ? ", " + std::to_string(state.range(2)) + " KB" : std::string()));
    static int files = 0;
    const QString path = writeFile(++files, longAnswer, shape, size);
    TPanta_Inicio_ *p = Panta_Inicio_;
    QStringList messages;
    const int observer = platform::addModalObserver([&](QWidget *, const QString &name) {
        if (name == QLatin1String("Mensaje"))
            messages << Sesion_->Texto_Mensaje;
    });
    Steps steps{state, {}};
    for (auto _ : state) {
        steps.begin();
        platform::FileDialog::queueFileName(path);
        p->typeCharacter(QLatin1Char('1'));
        settle();
        steps.end("file");

        steps.begin();
        platform::onNextShow("Repasar_", [&](QWidget *) {
            TRepasar_ &r = *Repasar_;
            r.show();
            settle();
            steps.end("review");
            steps.begin();
            r.Button1->click();
            settle();
            steps.end("answer");
            steps.begin();
            r.Button6->click();
            settle();
            steps.end("next");
            steps.begin();
            r.Button2->click();
        });
        p->typeCharacter(QLatin1Char('3'));
        settle();
        steps.end("leave");

        const double cpu = cpuSeconds();
        QEventLoop wait;
        QTimer::singleShot(1000, &wait, &QEventLoop::quit);
        wait.exec();
        state.counters["idle_cpu_s"] = cpuSeconds() - cpu;

        steps.begin();
        platform::onNextShow("Alta_Fichas_", [&](QWidget *) {
            TAlta_Fichas_ &e = *Alta_Fichas_;
            e.show();
            settle();
            steps.end("editor");
            steps.begin();
            e.EditPreg_Text->selectAll();
            e.EditPreg_Text->insert(QStringLiteral("pregunta cambiada"));
            e.Button2->click();
            settle();
            steps.end("save");
        });
        Alta_Fichas_->Modificar_Fichas(0);
        settle();

        steps.begin();
        const QString pdf = folder->filePath(QStringLiteral("fichas.pdf"));
        platform::onNextShow(QStringLiteral("Imprimir_"), [&](QWidget *) {
            Imprimir_->Grupo_Resp->setItemIndex(longAnswer ? 2 : 0);
            platform::onNextShow(QStringLiteral("ReportPrintDialog"), [&](QWidget *window) {
                auto *dialog = static_cast<QPrintDialog *>(window);
                dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
                dialog->printer()->setOutputFileName(pdf);
                dialog->setResult(QDialog::Accepted);
            });
            Imprimir_->Button7->click();
        });
        p->Label6Click();
        settle();
        steps.end("print");
        if (!QFileInfo(pdf).isFile())
            state.SkipWithError("nothing was printed");
        QFile::remove(pdf);
    }
    platform::removeModalObserver(observer);
    // Every message is a program's own: a statistics message and no error report.
    const QStringList reports = platform::errorReports();
    platform::clearErrorReports();
    if (!reports.isEmpty())
        state.SkipWithError(("error report: " + reports.join('|')).toStdString().c_str());
    state.counters["messages"] = double(messages.size());
    state.counters["worst_s"] = steps.worst;
}

void walks(benchmark::internal::Benchmark *b)
{
    for (int longAnswer : {0, 1})
        for (int shape = 0; shape < hostile::kShapes; ++shape)
            b->Args({longAnswer, shape, 0});
    // The fonts of an answer cost by their number, whatever its size.
    for (int longAnswer : {0, 1}) {
        b->Args({longAnswer, int(hostile::Shape::Fonts), 567});
        b->Args({longAnswer, int(hostile::Shape::ManySizes), 35});
    }
}
BENCHMARK(BM_Walk)->ArgNames({"long", "shape", "KB"})->Apply(walks)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv, setUp, tearDown);
}
