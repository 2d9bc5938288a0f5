#pragma once
// The printing window's tests: a study file of numbered cards opened as the card table, the
// print table re-created as the print menu entry does, and readers of what was filled and
// drawn. Card i has the question "P<i>", the short answer "R<i>" and, when asked, the long
// answer "L<i>" and pictures.
#include "support/CardFiles.h"
#include "support/ProgramFixture.h"

#include "engine/Table.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "printing/Imprimir.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrinter>

struct CardsDesign {
    int questionSize = 60;
    int answerSize = 100;
    bool questionPicture = false;
    bool answerPicture = false;
    bool longAnswer = false;
    bool packed = false; // compressed and enciphered under "clave"
};

class PrintingFixture : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        s = Sesion_;
        w = Imprimir_;
    }
    void TearDown() override
    {
        if (D_Module_ && D_Module_->Tabla_Activa->active())
            D_Module_->Tabla_Activa->close();
        ProgramFixture::TearDown();
    }

    static std::string pack(const std::string &bytes) { return testsupport::packedBlob(bytes, true, true, "clave"); }

    // A study file of n cards, open as the card table, with the session set for its design;
    // the print table re-created.
    void openCards(int n, const CardsDesign &d = {})
    {
        s->Tam_Pregunta = d.questionSize;
        s->Tam_Respuesta = d.answerSize;
        s->Con_Imagen_Pregunta = d.questionPicture;
        s->Con_Imagen_Respuesta = d.answerPicture;
        s->Con_Texto_Largo = d.longAnswer;
        s->Imprimible = 1;
        s->FE_Abierto = 1;
        s->Fichero_Empaquetado = d.packed;
        D_Module_->PKS->Compressed = d.packed;
        D_Module_->PKS->Encrypted = d.packed;
        D_Module_->PKS->Key = d.packed ? "clave" : "";
        const QString dat = programPath(QStringLiteral("dat"));
        testsupport::createCards(dat, QStringLiteral("Prueba"), d.questionSize > 0 ? d.questionSize : 1);
        engine::Table t;
        t.setDatabaseName(dat.toStdString());
        t.setTableName("Prueba.DB");
        t.open();
        auto blob = [&](const std::string &bytes) { return d.packed ? pack(bytes) : bytes; };
        const QByteArray jpg = testsupport::pictureBytes("JPG", 40, 30);
        for (int i = 1; i <= n; ++i) {
            testsupport::CardContent c;
            c.question = QStringLiteral("P%1").arg(i);
            if (d.answerSize > 0)
                c.shortAnswer = blob(testsupport::rtfLines({QStringLiteral("R%1").arg(i), QStringLiteral("segunda")}));
            if (d.longAnswer)
                c.longAnswer = blob(testsupport::rtfLines({QStringLiteral("L%1").arg(i)}));
            if (d.questionPicture) {
                c.questionType = QStringLiteral("JPG");
                c.questionPicture = blob(jpg.toStdString());
            }
            if (d.answerPicture) {
                c.answerType = QStringLiteral("JPG");
                c.answerPicture = blob(jpg.toStdString());
            }
            c.packedFlag = d.packed ? QStringLiteral("S") : QStringLiteral("N");
            testsupport::appendCard(t, c);
        }
        t.close();
        D_Module_->Tabla_Activa->setDatabaseName(dat.toStdString());
        D_Module_->Tabla_Activa->setTableName("Prueba.DB");
        D_Module_->Tabla_Activa->open();
        recreatePrintTable();
    }

    // As the print menu entry does.
    static void recreatePrintTable()
    {
        Sesion_->Crear_Tabla_Impresion = 1;
        Crea_Fiche_->Button2->click();
        Sesion_->Crear_Tabla_Impresion = 0;
    }

    void cardsAPage(int n)
    {
        QRadioButton *b = n == 3 ? w->FichxPag_3 : n == 4 ? w->FichxPag_4 : n == 5 ? w->FichxPag_5
                          : n == 8 ? w->FichxPag_8 : n == 10 ? w->FichxPag_10 : w->FichxPag_6;
        b->setChecked(true);
    }

    // The cards of the print table's rows: "3" for card 3, "" for a blank row. Questions are
    // told by TEXT, answers by the first line of their short answer as stored.
    static QStringList rows()
    {
        QStringList out;
        engine::Table &I = *D_Module_->Imprime;
        for (I.first(); !I.eof(); I.next()) {
            QString id = QString::fromStdString(I.fieldByName("TEXT").asString());
            const std::string memo2 = I.fieldByName("Memo2").asBytes();
            if (id.isEmpty() && !memo2.empty()) {
                const bool packed = I.fieldByName("Comp_Encr").asString() == "Fs";
                const std::string rtf = packed ? testsupport::unpackedBlob(memo2, "clave") : memo2;
                id = platform::rtf::toLines(QByteArray::fromStdString(rtf)).value(0);
            }
            out << id.mid(1);
        }
        return out;
    }

    // The next print dialog is confirmed with a PDF file as its printer.
    static void printTo(const QString &pdf)
    {
        platform::onNextShow(QStringLiteral("ReportPrintDialog"), [pdf](QWidget *window) {
            auto *dialog = static_cast<QPrintDialog *>(window);
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(pdf);
            dialog->setResult(QDialog::Accepted);
        });
    }

    // The bytes of the print table's files on disk (the table and its log).
    QByteArray printTableBytes() const
    {
        QByteArray all;
        for (const QString &name : {QStringLiteral("IMP.db"), QStringLiteral("IMP.db-wal")}) {
            QFile f(programPath(name));
            if (f.open(QIODevice::ReadOnly))
                all += f.readAll();
        }
        return all;
    }

    TSesion_ *s = nullptr;
    TImprimir_ *w = nullptr;
};
