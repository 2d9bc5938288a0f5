// Prints the cards of a study file to a PDF file through the program's own windows, headless:
//   print_pdf --file <study file .DB> --out <file.pdf> [options]
// It starts the program's windows in a program folder, opens the study file as menu entry 1
// does (with its password when given), takes the cards that opening selects, opens the printing
// window through menu entry C, sets the print options and presses the window's print button;
// the print dialog is answered with the PDF file as its printer. Exit status 0 when the PDF
// was written and the program reported no error; otherwise the program's messages go to the
// standard error and the status is 1 (2 for a wrong command line).
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/Table.h"
#include "platform/Application.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "printing/Imprimir.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"
#include "store/Sesion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

#include <cstdio>
#include <map>

namespace {
const char *const Help = R"(usage: print_pdf --file <study file .DB> --out <file.pdf> [options]

Prints the cards of a study file through the printing window, without showing anything.

  --file PATH          the study file's table (X.DB)
  --out PATH           the PDF file to write (replaced)
  --program DIR        the program folder (default: this program's folder); it holds the
                       preferences and the print table IMP.db
  --password TEXT      the study file's password, when it has one
  --side S             preguntas | respuestas (default preguntas)
  --cards N            cards a page: 6, 8, 10 (two columns) or 3, 4, 5 (default 6)
  --question Q         what the question side prints:
                       texto | texto-imagen | imagen (default texto)
  --answer A           what the answer side prints: texto | imagen | texto-largo |
                       texto-imagen | imagen-texto-largo (default texto)
  --paper P            a4 | executive | letter | note (default a4)
  --no-border          cards without a frame
  --stretch            pictures stretched to their box
  --left               short texts left-justified instead of centred
  --help               this text

A choice that the study file's design cannot print falls back as in the window, with its
message on the standard error.
)";

int fail(const QString &text)
{
    std::fprintf(stderr, "print_pdf: %s\n", qPrintable(text));
    return 1;
}

struct Options {
    QString file, out, program, password;
    bool answers = false, border = true, stretch = false, centre = true;
    int cards = 6, question = 0, answer = 0;
    QString paper = QStringLiteral("Din A4");
};

// Returns 0 when the command line is good, 2 otherwise (after saying why), -1 for --help.
int parse(const QStringList &args, Options &o)
{
    const std::map<QString, int> questions{{"texto", 0}, {"texto-imagen", 1}, {"imagen", 2}};
    const std::map<QString, int> answers{
        {"texto", 0}, {"imagen", 1}, {"texto-largo", 2}, {"texto-imagen", 3}, {"imagen-texto-largo", 4}};
    const std::map<QString, QString> papers{
        {"a4", "Din A4"}, {"executive", "Executive"}, {"letter", "Letter"}, {"note", "Note"}};
    auto bad = [](const QString &why) {
        std::fprintf(stderr, "print_pdf: %s (see --help)\n", qPrintable(why));
        return 2;
    };
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == "--help")
            return -1;
        if (a == "--no-border") {
            o.border = false;
            continue;
        }
        if (a == "--stretch") {
            o.stretch = true;
            continue;
        }
        if (a == "--left") {
            o.centre = false;
            continue;
        }
        if (i + 1 >= args.size())
            return bad(QStringLiteral("%1 needs a value, or is unknown").arg(a));
        const QString v = args[++i];
        if (a == "--file")
            o.file = v;
        else if (a == "--out")
            o.out = v;
        else if (a == "--program")
            o.program = v;
        else if (a == "--password")
            o.password = v;
        else if (a == "--side" && (v == "preguntas" || v == "respuestas"))
            o.answers = v == "respuestas";
        else if (a == "--cards" && QStringList{"3", "4", "5", "6", "8", "10"}.contains(v))
            o.cards = v.toInt();
        else if (a == "--question" && questions.count(v))
            o.question = questions.at(v);
        else if (a == "--answer" && answers.count(v))
            o.answer = answers.at(v);
        else if (a == "--paper" && papers.count(v))
            o.paper = papers.at(v);
        else
            return bad(QStringLiteral("bad option or value: %1 %2").arg(a, v));
    }
    if (o.file.isEmpty() || o.out.isEmpty())
        return bad(QStringLiteral("--file and --out are required"));
    return 0;
}

void setOptions(TImprimir_ *w, const Options &o)
{
    w->Grupo_Preg->setItemIndex(o.question);
    w->Grupo_Resp->setItemIndex(o.answer);
    const std::map<int, QRadioButton *> cards{{3, w->FichxPag_3}, {4, w->FichxPag_4}, {5, w->FichxPag_5},
                                              {6, w->FichxPag_6}, {8, w->FichxPag_8}, {10, w->FichxPag_10}};
    cards.at(o.cards)->setChecked(true);
    w->Grupo_PregClick(); // a choice that the options rule out moves as in the window
    w->ComboBox1->setCurrentText(o.paper);
    w->CheckBox1->setChecked(o.border);
    w->CheckBox2->setChecked(o.stretch);
    w->CheckBox3->setChecked(o.centre);
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::Application app(argc, argv);
    Options o;
    const int parsed = parse(QCoreApplication::arguments(), o);
    if (parsed == -1) {
        std::fputs(Help, stdout);
        return 0;
    }
    if (parsed != 0)
        return parsed;

    const QString program = o.program.isEmpty() ? QCoreApplication::applicationDirPath() : o.program;
    if (!QFileInfo(program).isDir())
        return fail(QStringLiteral("no program folder %1").arg(program));
    const QString out = QFileInfo(o.out).absoluteFilePath();
    QFile::remove(out);
    platform::setProgramFolder(QDir(program).absolutePath());
    platform::setScripted(true); // nothing may wait for a user

    QStringList messages;
    platform::addModalObserver([&](QWidget *, const QString &name) {
        if (name == QLatin1String("Mensaje") && Sesion_)
            messages << Sesion_->Texto_Mensaje;
    });
    app::prepareApplication();
    app::createWindows();
    Panta_Inicio_->activate(); // reads (or first writes) the preferences
    messages.clear();

    platform::FileDialog::queueFileName(QFileInfo(o.file).absoluteFilePath());
    if (!o.password.isEmpty())
        platform::onNextShow(QStringLiteral("Passw_FE_"), [&](QWidget *) {
            Passw_FE_->Edit1->setText(o.password);
            Passw_FE_->BitBtn1->click();
        });
    Panta_Inicio_->Label5Click();
    int status = 0;
    if (Sesion_->FE_Abierto != 1) {
        status = fail(QStringLiteral("could not open %1").arg(o.file));
    } else {
        bool printed = false;
        platform::onNextShow(QStringLiteral("Imprimir_"), [&](QWidget *) {
            setOptions(Imprimir_, o);
            platform::onNextShow(QStringLiteral("ReportPrintDialog"), [&](QWidget *window) {
                auto *dialog = static_cast<QPrintDialog *>(window);
                dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
                dialog->printer()->setOutputFileName(out);
                dialog->setResult(QDialog::Accepted);
                printed = true;
            });
            (o.answers ? Imprimir_->Button7 : Imprimir_->Button2)->click();
        });
        Panta_Inicio_->Label6Click();
        const bool failed = messages.contains(Msg_Error_Impresion) || messages.contains(Aviso_Impresion_Desconectada)
                            || !platform::errorReports().isEmpty() || !printed || !QFileInfo(out).isFile();
        if (failed)
            status = fail(QStringLiteral("the cards were not printed"));
        else
            std::printf("%s: %d cards, %d pages\n", qPrintable(out),
                        int(D_Module_->Tabla_Activa->recordCount()), Imprimir_->Hoja1.pagesDrawn());
    }
    for (const QString &m : messages + platform::errorReports())
        std::fprintf(stderr, "%s\n", qPrintable(QString(m).replace(QLatin1Char('\r'), QLatin1Char(' '))));
    app::destroyWindows();
    return status;
}
