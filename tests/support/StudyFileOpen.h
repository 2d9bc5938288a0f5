#pragma once
// A window test's study file: written to the program's "dat" folder with the options given,
// filled with cards, and opened through menu entry 1 as a user opens it.
#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "engine/Table.h"
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <functional>
#include <string>

struct CardRow {
    int level = 1;
    int importance = -1; // -1: blank
    QString key;
    QString question;
};

class StudyFileFixture : public ProgramFixture {
protected:
    engine::Table &cards() { return *D_Module_->Tabla_Activa; }

    // Writes dat/<name> with the options and the cards (in this order), then opens it.
    void openStudyFile(const Opciones_FE &options, const std::vector<CardRow> &rows = {},
                       const QString &name = QStringLiteral("Prueba"))
    {
        if (!started())
            startProgram();
        // The first activation reads the preferences and sets today's dates.
        static_cast<platform::Form *>(platform::mainWindow())->activate();
        const QString path = testsupport::writeStudyFile(dat(QString()), name, options);
        {
            engine::Table t;
            testsupport::openTable(t, testsupport::fileName(path));
            for (const CardRow &r : rows) {
                t.append();
                t.fieldByName("Nive_Fich").setAsInteger(r.level);
                if (r.importance >= 0)
                    t.fieldByName("Nive_Impo").setAsInteger(r.importance);
                t.fieldByName("Clav_Fich").setAsString(r.key.toStdString());
                t.fieldByName("Preg_Text").setAsString(r.question.toStdString());
                t.fieldByName("Ficha_Comp_Encr").setAsString("N");
                t.post();
            }
        }
        platform::FileDialog::queueFileName(path);
        pressKey('1');
        ASSERT_EQ(Sesion_->FE_Abierto, 1) << messages().join(" | ").toStdString();
        clearMessages();
    }

    // Every card of the file as stored (no filter), in index order: "question:level".
    QStringList levels()
    {
        engine::Table t;
        testsupport::openTable(t, cards().filePath());
        QStringList out;
        for (t.first(); !t.eof(); t.next())
            out << QString::fromStdString(t.fieldByName("Preg_Text").asString()) + QLatin1Char(':')
                       + QString::number(t.fieldByName("Nive_Fich").asInteger());
        return out;
    }
};
