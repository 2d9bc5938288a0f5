// Screenshots of the options windows: options, break window, blink notice, about box and the
// three exercise pages.
#include "screenshots/Shots.h"

#include "options/AcercaDe.h"
#include "options/Configura_Progr.h"
#include "options/Descanso.h"
#include "options/Parpadeo_Aviso.h"
#include "options/Ver_Pag_Web.h"
#include "platform/ModalShow.h"
#include "store/Sesion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

using shots::save;

ORV_SCREENSHOTS(60, "options")
{
    bool ok = true;

    Configura_Progr_->show();
    Configura_Progr_->activate();
    ok = save(Configura_Progr_, QStringLiteral("options_window.png")) && ok;
    Configura_Progr_->hide();

    Descanso_->show();
    ok = save(Descanso_, QStringLiteral("break_window.png")) && ok;
    Descanso_->hide();

    Parpadeo_Aviso_->show();
    ok = save(Parpadeo_Aviso_, QStringLiteral("blink_notice.png")) && ok;
    Parpadeo_Aviso_->hide();

    AcercaDe_->show();
    ok = save(AcercaDe_, QStringLiteral("about_box.png")) && ok;
    AcercaDe_->hide();

    // The exercise pages that the build puts beside the program.
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString &f : bin.entryList({QStringLiteral("*.htm"), QStringLiteral("*.png")}, QDir::Files))
        QFile::copy(bin.filePath(f), shots::programFolder() + QLatin1Char('/') + f);
    const char *names[] = {"exercise_page_1_shoulders.png", "exercise_page_2_neck.png", "exercise_page_3_eyes.png"};
    for (int n = 1; n <= 3; ++n) {
        Sesion_->Pagina_Ejercicio = n;
        Ver_Pag_Web_->show();
        Ver_Pag_Web_->activate();
        ok = save(Ver_Pag_Web_, QString::fromLatin1(names[n - 1])) && ok;
        Ver_Pag_Web_->hide();
    }
    return ok;
}
