// Renders the program's windows to PNG files so that a person can look at them:
//   take_screenshots <output folder>
// Runs offscreen on a 1366 x 768 screen, in a program folder of its own holding the program
// picture that the build copies beside this executable; the first activation writes the
// preferences there and shows the first-run message.
#include "app/Mensaje_.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "store/Crea_Fiche.h"
#include "store/Imag_Zoom.h"
#include "store/Passw_FE.h"
#include "store/Text_Zoom.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {
bool save(QWidget *window, const QString &folder, const QString &name)
{
    QCoreApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + name;
    if (!window->grab().save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QTemporaryDir config;
    const QString screens = config.filePath(QStringLiteral("screens.json"));
    {
        QFile f(screens);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(R"({"screens":[{"name":"screen","x":0,"y":0,"width":1366,"height":768,"logicalDpi":96}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));

    platform::Application app(argc, argv);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir programFolder;
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Image.JPG"),
                programFolder.filePath(QStringLiteral("Image.JPG")));
    platform::setProgramFolder(programFolder.path());

    bool ok = true;
    platform::setScripted(true); // nothing may wait for a user here
    app::prepareApplication();
    app::createWindows();
    Panta_Inicio_->show();
    platform::onNextShow(QStringLiteral("Mensaje"), [&](QWidget *) {
        Mensaje->show();
        ok = save(Mensaje, out, QStringLiteral("message_first_run.png")) && ok;
        Mensaje->hide();
    });
    Panta_Inicio_->activate();

    const char *tabs[] = {"main_tab1_principal.png", "main_tab2_utilidades.png", "main_tab3_herramientas.png"};
    for (int i = 0; i < 3; ++i) {
        Panta_Inicio_->PageControl1->setCurrentIndex(i);
        ok = save(Panta_Inicio_, out, QString::fromLatin1(tabs[i])) && ok;
    }

    Panta_Inicio_->Texto_Mensaje = QStringLiteral("El Fichero de Estudio está incompleto.\r"
                                                  "Faltan algunos de sus archivos:\r"
                                                  "Ingles.STU");
    Mensaje->activate();
    Mensaje->show();
    ok = save(Mensaje, out, QStringLiteral("message_three_lines.png")) && ok;
    Mensaje->hide();

    Passw_FE_->show();
    Passw_FE_->activate();
    ok = save(Passw_FE_, out, QStringLiteral("password_window.png")) && ok;
    Passw_FE_->hide();

    {
        QImage sample(480, 320, QImage::Format_RGB32);
        sample.fill(QColor(30, 120, 160));
        Crea_Fiche_->Image1->setPicture(sample);
        TImag_Zoom_::Prepara_Imagen(10);
        Crea_Fiche_->Edit1->setText(QStringLiteral("Ingles"));
        Crea_Fiche_->show();
        Crea_Fiche_->activate();
        ok = save(Crea_Fiche_, out, QStringLiteral("create_study_file.png")) && ok;
        Crea_Fiche_->Button2->click();
    }

    platform::RichEdit sample;
    sample.setHtml(QStringLiteral("<p><b>Fotos&iacute;ntesis</b></p><p>Proceso por el que las plantas verdes "
                                  "transforman la energ&iacute;a de la luz en energ&iacute;a qu&iacute;mica.</p>"));
    for (int editable : {1, 0}) {
        platform::onNextShow(QStringLiteral("Text_Zoom_"), [&, editable](QWidget *) {
            Text_Zoom_->show();
            ok = save(Text_Zoom_, out, editable ? QStringLiteral("text_zoom_editable.png")
                                                : QStringLiteral("text_zoom_read_only.png")) && ok;
            Text_Zoom_->hide();
        });
        Zoom_Texto(&sample, editable);
    }

    app::destroyWindows();
    platform::resetHelp();
    return ok ? 0 : 1;
}
