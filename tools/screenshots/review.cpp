// Screenshots of the review: the review selection window and both pages of the review window
// on a card with a question picture, an answer picture and a long answer.
#include "screenshots/Shots.h"

#include "engine/Table.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "review/Repasar.h"
#include "review/Selecc_Repaso.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>

using shots::save;

namespace {
QByteArray samplePicture(int w, int h, QColor a, QColor b, bool jpeg)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter painter(&img);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    painter.fillRect(img.rect(), g);
    painter.setPen(Qt::white);
    painter.drawEllipse(QRect(w / 4, h / 4, w / 2, h / 2));
    painter.end();
    return jpeg ? platform::encodeJpeg(img) : platform::encodeBmp(img);
}

// A study file of two cards in "dat", opened as the card table with its options set.
bool openSampleFile()
{
    const QString folder = shots::programFolder() + QStringLiteral("/dat");
    QDir().mkpath(folder);
    engine::Table *t = D_Module_->Tabla_Activa;
    t->close();
    t->setDatabaseName(QFile::encodeName(folder).toStdString());
    t->setTableName("Repaso_Muestra.DB");
    t->createTable(TD_Module_::Campos_Ficha(100), TD_Module_::Indices_Ficha());
    t->open();
    for (int i = 0; i < 2; ++i) {
        t->append();
        t->fieldByName("Nive_Fich").setAsInteger(3);
        t->fieldByName("Nive_Impo").setAsInteger(2);
        t->fieldByName("Clav_Fich").setAsString("Anatomía");
        t->fieldByName("Preg_Text").setAsString(i == 0 ? "¿Cuántos huesos tiene la mano humana?"
                                                       : "¿Dónde está el fémur?");
        t->fieldByName("Tipo_Preg_Imag").setAsString("JPG");
        t->fieldByName("Preg_Imag").setBytes(samplePicture(640, 400, QColor(30, 90, 160), QColor(200, 220, 240), true)
                                                  .toStdString());
        t->fieldByName("Tipo_Resp_Imag").setAsString("BMP");
        t->fieldByName("Resp_Imag").setBytes(samplePicture(300, 300, QColor(120, 40, 40), QColor(240, 200, 120), false)
                                                  .toStdString());
        t->fieldByName("Resp_Memo")
            .setBytes(platform::rtf::fromLines(
                          {QStringLiteral("Veintisiete huesos:"), QStringLiteral("  - 8 del carpo"),
                           QStringLiteral("  - 5 del metacarpo"), QStringLiteral("  - 14 falanges"), QString(),
                           QStringLiteral("Los huesos del carpo forman dos filas de cuatro y se articulan con el radio "
                                          "por arriba y con los metacarpianos por abajo; cada dedo tiene tres "
                                          "falanges salvo el pulgar, que solo tiene dos, de modo que una línea tan "
                                          "larga como esta se lee entera dentro de la caja.")})
                          .toStdString());
        t->fieldByName("Fech_Crea").setAsString("20261120");
        t->fieldByName("Fech_Ulti_Repa").setAsString("20261128");
        t->fieldByName("Fech_Prox_Repa").setAsString("20261205");
        t->fieldByName("Total_Repa").setAsInteger(4);
        t->fieldByName("Ficha_Comp_Encr").setAsString("N");
        t->post();
    }
    TSesion_ *p = Sesion_;
    p->FE_Abierto = 1;
    p->Con_Imagen_Pregunta = 1;
    p->Con_Imagen_Respuesta = 1;
    p->Con_Texto_Largo = 1;
    p->Tam_Respuesta = 0;
    p->Fichero_Empaquetado = 0;
    p->Avisar_Descansos = 1;
    t->setFilter(Filtro_Base.toStdString());
    t->setFiltered(true);
    return t->recordCount() == 2;
}
} // namespace

ORV_SCREENSHOTS(30, "review")
{
    if (!openSampleFile())
        return false;
    bool ok = true;

    Selecc_Repaso_->show();
    Selecc_Repaso_->activate();
    Selecc_Repaso_->CheckBoxNivel[1]->setChecked(true);
    Selecc_Repaso_->CheckBoxNivel[3]->setChecked(true);
    ok = save(Selecc_Repaso_, QStringLiteral("review_selection.png")) && ok;

    platform::onNextShow(QStringLiteral("Repasar_"), [&ok](QWidget *) {
        TRepasar_ *r = Repasar_;
        r->show();
        r->Label12->setCaption(QStringLiteral("00:04:12"));
        ok = save(r, QStringLiteral("review_question.png")) && ok;
        r->Button1->click();
        ok = save(r, QStringLiteral("review_answer.png")) && ok;
        r->Button6->click(); // the next card
        r->Button1->click();
        ok = save(r, QStringLiteral("review_answer_after_one.png")) && ok;
        r->Button4->click();
    });
    Selecc_Repaso_->Button1->click();
    Selecc_Repaso_->hide();
    D_Module_->Tabla_Activa->close();
    Sesion_->FE_Abierto = 0;
    return ok;
}
