#include "platform/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "engine/EngineError.h"
#include "packing/PackStreamRoutines.h"
#include "packing/Streams.h"
#include "platform/ModalShow.h"

#include <QMessageBox>
#include <QPalette>

namespace platform {

namespace {
QString applicationTitle;
QStringList reports;
DamagedTableHandler damagedTableHandler;
int depth = 0;

QString textOf(std::exception_ptr error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const ECorruptFile &) {
        // Damaged packed data that no handler caught is told as the data module tells it.
        return QStringLiteral("Los datos de este Fichero de Estudio están dañados.");
    } catch (const packing::EReadError &) {
        return QStringLiteral("Los datos de este Fichero de Estudio están dañados.");
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return QStringLiteral("Error inesperado.");
}
} // namespace

namespace detail {
int handlerDepth() noexcept
{
    return depth;
}

void enterHandler() noexcept
{
    ++depth;
}

void leaveHandler() noexcept
{
    handlerReturned(depth);
    --depth;
}
} // namespace detail

namespace {
// The file dialogs show dates as the system's time locale writes them: a time locale that is
// not Spanish gives way to the Spanish one (the categories that LC_ALL held keep their value).
// Done before the application object exists, which reads the environment once.
char **withSpanishDates(char **argv)
{
    const QByteArray all = qgetenv("LC_ALL");
    QByteArray time = all.isEmpty() ? qgetenv("LC_TIME") : all;
    if (time.isEmpty())
        time = qgetenv("LANG");
    if (time.startsWith("es")) // es, es_ES, es_MX, ...
        return argv;
    if (!all.isEmpty()) {
        qputenv("LANG", all);
        qunsetenv("LC_ALL");
    }
    qputenv("LC_TIME", "es_ES.UTF-8");
    return argv;
}

// Words of the print dialog that the Spanish translation files leave out or leave half in
// English, by context and source text.
struct Translation {
    const char *context;
    const char *source;
    const char *spanish;
};
const Translation printDialogWords[] = {
    {"QPrintSettingsOutput", "Pages", "Páginas"},
    {"QPrintSettingsOutput", "Page Set:", "Conjunto de páginas:"},
    {"QPrintSettingsOutput", "Double Sided Printing", "Impresión a doble cara"},
    {"QPrintSettingsOutput", "Off", "Desactivada"},
    {"QPrintSettingsOutput", "Long side binding", "Encuadernación por el lado largo"},
    {"QPrintSettingsOutput", "Short side binding", "Encuadernación por el lado corto"},
    {"QPrintPropertiesWidget", "Advanced", "Avanzado"},
};

// Words of the class library that its Spanish translation files leave out: the file dialog's
// kinds of entry ("Folder", "Drive", ...) moved to a context of their own that the files do not
// have yet; they are taken from the file dialog's context, where the files have them. The print
// dialog's missing words come from the table above.
class MissingTranslations : public QTranslator {
public:
    MissingTranslations(const QTranslator &library, QObject *parent) : QTranslator(parent), m_library(library) {}

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        if (qstrcmp(context, "QAbstractFileIconProvider") == 0)
            return m_library.translate("QFileDialog", sourceText, nullptr, n);
        if (qstrcmp(context, "QFileDialog") == 0 && qstrcmp(sourceText, "Go to the parent directory") == 0)
            return QStringLiteral("Ir a la carpeta superior");
        for (const Translation &t : printDialogWords)
            if (qstrcmp(context, t.context) == 0 && qstrcmp(sourceText, t.source) == 0)
                return QString::fromUtf8(t.spanish);
        return {};
    }

private:
    const QTranslator &m_library;
};

// Disabled controls are drawn grey, dark enough to read on the program's silver panels and
// light backgrounds (the style's own grey is nearly the panels' silver).
void greyDisabledText(QApplication &app)
{
    QPalette p = QApplication::palette();
    const QColor grey(0x6D, 0x6D, 0x6D);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, grey);
    app.setPalette(p);
}
} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, withSpanishDates(argv))
{
    // The class library's own texts (file and print dialogs, their buttons) in Spanish, as the
    // program's; without the translation files they stay as they are.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
        installTranslator(new MissingTranslations(*translator, this));
    }
    greyDisabledText(*this);
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
    execDialog(box);
}

void setDamagedTableHandler(DamagedTableHandler handler)
{
    damagedTableHandler = std::move(handler);
}

void reportException(std::exception_ptr error) noexcept
{
    try {
        if (damagedTableHandler && error) {
            try {
                std::rethrow_exception(error);
            } catch (const engine::DamagedTableError &e) {
                damagedTableHandler(e.path(), QString::fromUtf8(e.what()));
                return;
            } catch (...) {
            }
        }
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
