// Screenshots of the study-file windows: message, password, create, text zoom.
#include "screenshots/Shots.h"

#include "platform/ModalShow.h"
#include "platform/RichEdit.h"
#include "store/Crea_Fiche.h"
#include "store/Imag_Zoom.h"
#include "store/Mensaje_.h"
#include "store/Passw_FE.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"

#include <QColor>
#include <QImage>

using shots::save;

ORV_SCREENSHOTS(10, "study files")
{
    bool ok = true;
    Sesion_->Texto_Mensaje = QStringLiteral("El Fichero de Estudio está incompleto.\r"
                                                  "Faltan algunos de sus archivos:\r"
                                                  "Ingles.STU");
    Mensaje->activate();
    Mensaje->show();
    ok = save(Mensaje, QStringLiteral("message_three_lines.png")) && ok;
    Mensaje->hide();

    Passw_FE_->show();
    Passw_FE_->activate();
    ok = save(Passw_FE_, QStringLiteral("password_window.png")) && ok;
    Passw_FE_->hide();

    {
        QImage sample(480, 320, QImage::Format_RGB32);
        sample.fill(QColor(30, 120, 160));
        Crea_Fiche_->Image1->setPicture(sample);
        TImag_Zoom_::Prepara_Imagen(10);
        Crea_Fiche_->Edit1->setText(QStringLiteral("Ingles"));
        Crea_Fiche_->show();
        Crea_Fiche_->activate();
        ok = save(Crea_Fiche_, QStringLiteral("create_study_file.png")) && ok;
        Crea_Fiche_->Button2->click();
    }

    platform::RichEdit sample;
    sample.setHtml(QStringLiteral("<p><b>Fotos&iacute;ntesis</b></p><p>Proceso por el que las plantas verdes "
                                  "transforman la energ&iacute;a de la luz en energ&iacute;a qu&iacute;mica.</p>"));
    for (int editable : {1, 0}) {
        platform::onNextShow(QStringLiteral("Text_Zoom_"), [&, editable](QWidget *) {
            Text_Zoom_->show();
            ok = save(Text_Zoom_, editable ? QStringLiteral("text_zoom_editable.png")
                                                : QStringLiteral("text_zoom_read_only.png")) && ok;
            Text_Zoom_->hide();
        });
        Zoom_Texto(&sample, editable);
    }

    return ok;
}
