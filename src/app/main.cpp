#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "platform/Application.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"

#include <QFile>
#include <QTimer>

#include <cstdlib>

namespace {

// For tests of the whole program: ORVENDA_GUION names a file. The program then runs scripted
// (no dialog or modal window is shown; each is answered as a test's would be), types the
// characters of ORVENDA_TECLAS to the main window after its first activation and ends there.
// It appends to the file a line "ventana principal" when the main window is first activated,
// "abierto: <table>" for a study file left open, and at its end, however it ends, one line
// "dialogo: <text>" for each dialog.
QString guion;

void appendToScript(const QString &line)
{
    QFile f(guion);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write((line + QLatin1Char('\n')).toUtf8());
}

void writeDialogs()
{
    for (const QString &text : platform::dialogTexts())
        appendToScript(QStringLiteral("dialogo: ") + text);
}

} // namespace

int main(int argc, char **argv)
{
    platform::Application app(argc, argv);
    guion = qEnvironmentVariable("ORVENDA_GUION");
    if (!guion.isEmpty()) {
        platform::setScripted(true);
        std::atexit(writeDialogs);
    }
    app::prepareApplication();
    app::createWindows();

    // Closing the main window ends the program.
    QObject::connect(Panta_Inicio_, &platform::Form::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    if (!guion.isEmpty()) {
        QObject::connect(
            Panta_Inicio_, &platform::Form::activated, &app,
            [&app] {
                appendToScript(QStringLiteral("ventana principal"));
                for (const QChar c : qEnvironmentVariable("ORVENDA_TECLAS"))
                    Panta_Inicio_->typeCharacter(c);
                if (Panta_Inicio_->FE_Abierto == 1)
                    appendToScript(QStringLiteral("abierto: ") + Panta_Inicio_->Ruta_FE);
                QTimer::singleShot(0, &app, &QCoreApplication::quit);
            },
            Qt::SingleShotConnection);
    }
    // For the start-up benchmark only: end as soon as the main window's first activation is done.
    if (qEnvironmentVariableIsSet("ORVENDA_QUIT_AFTER_FIRST_ACTIVATION"))
        QObject::connect(Panta_Inicio_, &platform::Form::activated, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    Panta_Inicio_->show();
    const int result = app.exec();
    app::destroyWindows();
    platform::resetHelp();
    return result;
}
