// Screenshots of the card editor in its three modes, on a study file made and filled through the
// program's own windows.
#include "screenshots/Shots.h"

#include "app/Panta_Inicio.h"
#include "editing/Alta_Fichas.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"
#include "store/Sesion.h"

#include <QColor>
#include <QImage>
#include <QPainter>

using shots::save;

namespace {
QImage sample(int w, int h, QColor back, QColor front)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(back);
    QPainter p(&img);
    p.setBrush(front);
    p.drawEllipse(w / 4, h / 4, w / 2, h / 2);
    return img;
}

// Opens the editor on the current card to modify it, grabs it and leaves it.
bool shootModify(const QString &name, int fromReview)
{
    bool ok = false;
    platform::onNextShow(QStringLiteral("Alta_Fichas_"), [&](QWidget *) {
        Alta_Fichas_->show();
        ok = save(Alta_Fichas_, name);
        Alta_Fichas_->Button1->click();
        Alta_Fichas_->hide();
    });
    Alta_Fichas_->Modificar_Fichas(fromReview);
    return ok;
}
} // namespace

ORV_SCREENSHOTS(40, "card editor")
{
    // A study file with pictures, long answer, key and importance.
    TCrea_Fiche_ *c = Crea_Fiche_;
    c->Edit1->setText(QStringLiteral("Biologia"));
    c->CheckBox1->setChecked(true);
    c->CheckBox2->setChecked(true);
    c->CheckBox3->setChecked(true);
    c->CheckBox5->setChecked(true);
    c->CheckBox7->setChecked(true);
    c->Button1->click();
    platform::FileDialog::queueFileName(shots::programFolder() + QStringLiteral("/dat/Biologia.DB"));
    Panta_Inicio_->Label5Click();
    if (Sesion_->FE_Abierto != 1)
        return false;
    Sesion_->Modificable = 1;

    bool ok = true;
    TAlta_Fichas_ *e = Alta_Fichas_;
    platform::onNextShow(QStringLiteral("Alta_Fichas_"), [&](QWidget *) {
        e->show();
        const struct {
            const char *question, *answer;
            QColor back, front;
        } cards[] = {{"¿Qué orgánulo realiza la fotosíntesis?", "El cloroplasto, gracias a la clorofila.",
                      QColor(40, 120, 60), QColor(120, 220, 90)},
                     {"¿Dónde se produce la respiración celular?", "En las mitocondrias.", QColor(120, 40, 40),
                      QColor(240, 160, 60)}};
        for (const auto &card : cards) {
            e->EditPreg_Text->selectAll();
            e->EditPreg_Text->insert(QString::fromUtf8(card.question));
            e->EditClav_Fich->selectAll();
            e->EditClav_Fich->insert(QStringLiteral("BIO-1"));
            e->EditNive_Impo->selectAll();
            e->EditNive_Impo->insert(QStringLiteral("2"));
            e->Image1->setPictureBytes(platform::encodeJpeg(sample(800, 400, card.back, card.front)));
            TImag_Zoom_::Prepara_Imagen(7);
            e->Image2->setPictureBytes(platform::encodeBmp(sample(300, 200, card.front, card.back)));
            TImag_Zoom_::Prepara_Imagen(8);
            e->RichEdit1->setHtml(QStringLiteral("<p><b>%1</b></p><p>Se estudia en el tema 3.</p>")
                                      .arg(QString::fromUtf8(card.answer).toHtmlEscaped()));
            if (&card == &cards[0])
                ok = save(e, QStringLiteral("card_editor_add.png")) && ok;
            e->Button3->click();
        }
        e->Button1->click();
        e->hide();
    });
    e->Anadir_Fichas();

    D_Module_->Tabla_Activa->first();
    ok = shootModify(QStringLiteral("card_editor_modify_selection.png"), 0) && ok;
    ok = shootModify(QStringLiteral("card_editor_modify_review.png"), 1) && ok;

    Panta_Inicio_->Cierra_Fichero();
    return ok;
}
