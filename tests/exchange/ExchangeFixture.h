#pragma once
// The base of the exchange window tests: the program started, study files with cards of every
// kind written into its "dat" folder, and study files opened through the real opening routine.
#include "support/CardFiles.h"
#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"

#include <QDir>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

// One card with its plain content; `packed` stores its blobs packed ("S").
struct TestCard {
    QString question;
    int level = 1;
    int importance = 0;
    QString key;
    QString nextReview;
    std::string shortAnswer, longAnswer, questionPicture, answerPicture;
    QString questionType, answerType;
    bool packed = false;
};

class ExchangeFixture : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        Contrasena_Aceptada = 0;
        Passw_FE_->CheckBox2->setChecked(false);
    }

    // Every part a card may have; the blobs compressed unless said otherwise.
    static Opciones_FE everyPart(bool compressed = true)
    {
        Opciones_FE o;
        o.Imagen_Pregunta = o.Imagen_Respuesta = o.Texto_Largo = o.Clave = o.Importancia = true;
        o.Comprimido = compressed;
        o.Tam_Pregunta = 60;
        o.Tam_Respuesta = 100;
        return o;
    }

    // n cards of every kind: levels 0 to 4, pictures of both types and of different sizes;
    // every eighth card is stored plain in a file that packs.
    static std::vector<TestCard> sampleCards(int n, bool packs)
    {
        std::vector<TestCard> cards;
        for (int i = 0; i < n; ++i) {
            TestCard c;
            c.question = QStringLiteral("Pregunta %1 ñ").arg(i);
            c.level = i % 5;
            c.importance = i % 3;
            c.key = QStringLiteral("K%1").arg(i % 10);
            c.nextReview = QStringLiteral("202612%1").arg(10 + i % 20);
            c.shortAnswer = testsupport::rtfLines({QStringLiteral("Respuesta %1").arg(i)});
            c.longAnswer = testsupport::rtfLines({QStringLiteral("Larga %1").arg(i), QStringLiteral("línea 2")});
            const char *question = i % 2 == 0 ? "BMP" : "JPG";
            const char *answer = i % 4 == 3 ? "NO" : i % 2 == 0 ? "JPG" : "BMP";
            c.questionType = question;
            c.questionPicture = testsupport::pictureBytes(question, 8 + i % 13, 6 + i % 7).toStdString();
            c.answerType = answer;
            if (i % 4 != 3)
                c.answerPicture = testsupport::pictureBytes(answer, 5 + i % 9, 9 + i % 5).toStdString();
            c.packed = packs && i % 8 != 7;
            cards.push_back(c);
        }
        return cards;
    }

    // The study file `name` with the cards; returns X.DB's path.
    QString writeStudy(const QString &name, const Opciones_FE &o, const std::vector<TestCard> &cards,
                       const std::string &password = {}, const QStringList &description = {})
    {
        const QString path = testsupport::writeStudyFile(programPath(QStringLiteral("dat")), name, o, description, password);
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        engine::Transaction transaction(t);
        for (const TestCard &c : cards) {
            auto blob = [&](const char *field, const std::string &bytes) {
                if (bytes.empty())
                    return;
                t.fieldByName(field).setBytes(
                    c.packed ? testsupport::packedBlob(bytes, o.Comprimido, o.Encriptado, password) : bytes);
            };
            const std::pair<const char *, QString> texts[] = {
                {"Clav_Fich", c.key}, {"Preg_Text", c.question}, {"Tipo_Preg_Imag", c.questionType},
                {"Tipo_Resp_Imag", c.answerType}, {"Fech_Crea", "20240101"}, {"Fech_Ulti_Repa", "20261101"},
                {"Fech_Prox_Repa", c.nextReview}, {"Ficha_Comp_Encr", c.packed ? "S" : "N"}};
            t.append();
            t.fieldByName("Nive_Fich").setAsInteger(c.level);
            t.fieldByName("Nive_Impo").setAsInteger(c.importance);
            t.fieldByName("Total_Repa").setAsInteger(4);
            for (const auto &[field, text] : texts)
                t.fieldByName(field).setAsString(text.toStdString());
            blob("Resp_Text", c.shortAnswer);
            blob("Resp_Memo", c.longAnswer);
            blob("Preg_Imag", c.questionPicture);
            blob("Resp_Imag", c.answerPicture);
            t.post();
        }
        transaction.commit();
        return path;
    }

    // Opens the study file through the open entry, typing the password when one is given.
    void openStudy(const QString &path, const QString &password = {})
    {
        if (!password.isEmpty())
            platform::onNextShow("Passw_FE_", [password](QWidget *) {
                Passw_FE_->Edit1->setText(password);
                Passw_FE_->BitBtn1->click();
            });
        platform::FileDialog::queueFileName(path);
        pressKey('1');
    }

    // Every card of the open study file by its question, read through the data module's table
    // (its filter switched off and back on), blobs unpacked with the open file's key.
    std::map<QString, testsupport::StoredCard> openCards()
    {
        engine::Table &t = *D_Module_->Tabla_Activa;
        t.setFiltered(false);
        std::map<QString, testsupport::StoredCard> out;
        const std::string key = D_Module_->PKS->Key;
        for (t.first(); !t.eof(); t.next()) {
            testsupport::StoredCard c = testsupport::readCard(t, key);
            out[c.question] = c;
        }
        t.setFiltered(true);
        return out;
    }

    // The names in the "dat" folder, hidden ones included.
    QStringList datFiles() const
    {
        return QDir(programPath(QStringLiteral("dat"))).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};
