// Screenshots of the printing window and of one preview page of each side, for a study file
// of 13 cards with a short answer and an answer picture, 6 cards a page.
#include "screenshots/Shots.h"

#include "engine/Table.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "printing/Imprimir.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

using shots::save;

namespace {
QByteArray samplePicture(int i)
{
    QImage image(160, 110, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(i * 29 % 360, 120, 230));
    QPainter p(&image);
    p.setPen(Qt::darkBlue);
    p.drawEllipse(20, 15, 120, 80);
    p.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
    p.end();
    return platform::encodeJpeg(image);
}
} // namespace

ORV_SCREENSHOTS(60, "printing")
{
    bool ok = true;
    TSesion_ *s = Sesion_;
    TD_Module_ &dm = *D_Module_;
    const QString dat = shots::programFolder() + QStringLiteral("/dat");
    QDir().mkpath(dat);
    engine::Table &T = *dm.Tabla_Activa;
    T.close();
    T.setDatabaseName(QFile::encodeName(dat).toStdString());
    T.setTableName("Imprimir.DB");
    T.createTable(TD_Module_::Campos_Ficha(60), TD_Module_::Indices_Ficha());
    T.open();
    const char *words[] = {"casa", "perro", "gato", "árbol", "libro", "mesa", "silla",
                           "ventana", "puerta", "coche", "río", "montaña", "ciudad"};
    const char *palabras[] = {"house", "dog", "cat", "tree", "book", "table", "chair",
                              "window", "door", "car", "river", "mountain", "city"};
    for (int i = 0; i < 13; ++i) {
        T.append();
        T.fieldByName("Nive_Fich").setAsInteger(1);
        T.fieldByName("Preg_Text").setAsString(std::to_string(i + 1) + ". " + words[i]);
        T.fieldByName("Resp_Text").setBytes(platform::rtf::fromLines({QString::number(i + 1) + QStringLiteral(". ")
                                                                      + QString::fromUtf8(palabras[i])})
                                                .toStdString());
        T.fieldByName("Tipo_Resp_Imag").setAsString("JPG");
        T.fieldByName("Resp_Imag").setBytes(samplePicture(i + 1).toStdString());
        T.fieldByName("Ficha_Comp_Encr").setAsString("N");
        T.post();
    }
    s->Tam_Pregunta = 60;
    s->Tam_Respuesta = 60;
    s->Con_Imagen_Pregunta = 0;
    s->Con_Imagen_Respuesta = 1;
    s->Con_Texto_Largo = 0;
    s->Imprimible = 1;
    s->Fichero_Empaquetado = 0;
    s->FE_Abierto = 1;
    s->Crear_Tabla_Impresion = 1;
    Crea_Fiche_->Button2->click();
    s->Crear_Tabla_Impresion = 0;

    TImprimir_ *w = Imprimir_;
    w->Grupo_Resp->setItemIndex(3);
    w->FichxPag_6->setChecked(true);
    w->show();
    w->activate();
    ok = save(w, QStringLiteral("printing_window.png")) && ok;

    for (auto [button, name] : {std::pair{w->Button3, "printing_preview_questions.png"},
                                std::pair{w->Button6, "printing_preview_answers.png"}}) {
        const QString file = QString::fromLatin1(name);
        platform::onNextShow(QStringLiteral("ReportPreview"), [&ok, file](QWidget *preview) {
            preview->resize(900, 740);
            preview->show();
            ok = save(preview, file) && ok;
            preview->hide();
        });
        button->click();
    }
    w->Button1->click();
    w->hide();
    T.close();
    s->FE_Abierto = 0;
    return ok;
}
