#include "platform/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/ModalShow.h"

#include <QMessageBox>

namespace platform {

namespace {
QString applicationTitle;
QStringList reports;

QString textOf(std::exception_ptr error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return QStringLiteral("Error inesperado.");
}
} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    // The class library's own texts (file and print dialogs, their buttons) in Spanish, as the
    // program's; without the translation files they stay as they are.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

void Application::setTitle(const QString &title)
{
    applicationTitle = title;
}

QString Application::title()
{
    return applicationTitle;
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}

void showErrorBox(const QString &text)
{
    if (isScripted()) {
        reports << text;
        return;
    }
    QMessageBox box(QMessageBox::Critical, applicationTitle, text, QMessageBox::Ok);
    box.exec();
}

void reportException(std::exception_ptr error) noexcept
{
    try {
        showErrorBox(textOf(error));
    } catch (...) {
        // Nothing more can be done; the program goes on.
    }
}

QStringList errorReports()
{
    return reports;
}

void clearErrorReports()
{
    reports.clear();
}

} // namespace platform
