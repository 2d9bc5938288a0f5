// Screenshots of the file information window (a file with cards on every level) and of the
// repair's progress bar along the bottom of the main window.
#include "screenshots/Shots.h"

#include "app/Panta_Inicio.h"
#include "engine/Table.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/RichEdit.h"
#include "store/Crea_Fiche.h"
#include "store/Sesion.h"
#include "store/Ver_Info.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>

#include <string>

using shots::save;

ORV_SCREENSHOTS(30, "file information and repair")
{
    bool ok = true;

    // A study file made by the create window, with a description and a picture.
    QImage sample(480, 320, QImage::Format_RGB32);
    sample.fill(QColor(40, 110, 60));
    {
        QPainter painter(&sample);
        painter.setPen(Qt::white);
        QFont f = painter.font();
        f.setPixelSize(48);
        painter.setFont(f);
        painter.drawText(sample.rect(), Qt::AlignCenter, QStringLiteral("Inglés"));
    }
    Crea_Fiche_->Edit1->setText(QStringLiteral("Ingles"));
    Crea_Fiche_->RichEdit1->setLines({QStringLiteral("Vocabulario de viaje: aeropuerto, hotel y restaurante."),
                                      QStringLiteral("Fichas con la palabra en español y su traducción.")});
    Crea_Fiche_->Image1->setPicture(sample, platform::PictureKind::Jpeg);
    Crea_Fiche_->Button1->click();
    const QString path = shots::programFolder() + QStringLiteral("/dat/Ingles.DB");
    if (!QFile::exists(path))
        return false;

    // Cards on every level, 0 to 8, with their reviews.
    {
        engine::Table t;
        t.setTableName(QFile::encodeName(path).toStdString());
        t.open();
        const int perLevel[] = {12, 40, 30, 22, 15, 9, 6, 4, 2};
        int n = 0;
        for (int level = 0; level < 9; ++level)
            for (int i = 0; i < perLevel[level]; ++i, ++n) {
                t.append();
                t.fieldByName("Nive_Fich").setAsInteger(level);
                t.fieldByName("Preg_Text").setAsString("palabra " + std::to_string(n));
                t.fieldByName("Total_Repa").setAsInteger(level * 2 + n % 3);
                t.fieldByName("Ficha_Comp_Encr").setAsString("N");
                t.post();
            }
    }
    platform::FileDialog::queueFileName(path);
    Panta_Inicio_->Label5Click();

    platform::onNextShow(QStringLiteral("Ver_Info_"), [&](QWidget *) {
        Ver_Info_->show();
        ok = save(Ver_Info_, QStringLiteral("file_information.png")) && ok;
        Ver_Info_->hide();
    });
    Panta_Inicio_->Label13Click();

    // The repair: the main window is taken while its progress bar has moved on.
    Panta_Inicio_->PageControl1->setCurrentIndex(2);
    bool taken = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *bar = Panta_Inicio_->findChild<QProgressBar *>();
        if (taken || !bar || bar->value() < 1)
            return;
        taken = true;
        ok = save(Panta_Inicio_, QStringLiteral("repair_progress.png")) && ok;
    });
    watch.start();
    platform::FileDialog::queueFileName(path);
    Panta_Inicio_->Label4Click();
    watch.stop();
    Panta_Inicio_->PageControl1->setCurrentIndex(0);
    return ok && taken;
}
