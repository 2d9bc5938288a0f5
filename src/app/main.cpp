#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "platform/Application.h"
#include "platform/Help.h"

#include <QTimer>

int main(int argc, char **argv)
{
    platform::Application app(argc, argv);
    app::prepareApplication();
    app::createWindows();

    // Closing the main window ends the program.
    QObject::connect(Panta_Inicio_, &platform::Form::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // For the start-up benchmark only: end as soon as the main window's first activation is done.
    if (qEnvironmentVariableIsSet("ORVENDA_QUIT_AFTER_FIRST_ACTIVATION"))
        QObject::connect(Panta_Inicio_, &platform::Form::activated, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    Panta_Inicio_->show();
    const int result = app.exec();
    app::destroyWindows();
    platform::resetHelp();
    return result;
}
