// A study file used day after day, only through the program's windows: created with the create
// window (question picture, answer picture, long answer, compressed) and protected with a
// password, opened from menu entry 1, three cards added with the card editor from menu entry 4,
// and reviewed on days 1, 2, 9 and 30 (from the 28th of December, so that the dates cross the
// year's end) from menu entries 2 and 3.
#include "ReviewFixture.h"

#include "support/CardFiles.h"

#include "editing/Alta_Fichas.h"
#include "store/Crea_Fiche.h"
#include "store/Opciones_FE.h"

namespace {
const char *const Password = "clave del repaso";

// The closing message of a session whose queue ran out.
QString statistics(const char *duration, int right, int rightPercent, int wrong, int wrongPercent,
                   const char *average)
{
    return QStringLiteral("No hay más fichas seleccionadas que repasar\r\r"
                          "La sesión de repaso ha durado   %1\r\r"
                          "Se han repasado %2 fichas.\r\r"
                          "    *  Correctas: %3 fichas.   ( %4 % )\r\r"
                          "    *  Incorrectas: %5 fichas.   ( %6 % )\r\r"
                          "Tiempo medio dedicado a cada ficha: %7")
        .arg(QString::fromLatin1(duration))
        .arg(right + wrong)
        .arg(right)
        .arg(rightPercent)
        .arg(wrong)
        .arg(wrongPercent)
        .arg(QString::fromLatin1(average));
}

struct Card {
    QString question, answer; // the answer is long: from an RTF file when `fromFile`
    bool fromFile;
    QSize questionPicture;
};
const Card Cards[] = {
    {"¿Cuántos huesos tiene la mano?", "Veintisiete: carpo, metacarpo y falanges.", true, {320, 200}},
    {"¿Dónde está el fémur?", "En el muslo.", false, {330, 200}},
    {"¿Qué une el tendón?", "El músculo con el hueso.", false, {340, 200}},
};
} // namespace

class ReviewDaysTest : public ReviewTest {
protected:
    // Menu entry 8: the create window makes "Anatomia" with both pictures, a long answer of
    // questions of 100 characters, compressed. Returns X.DB's path.
    QString createStudyFile()
    {
        platform::onNextShow("Crea_Fiche_", [](QWidget *) {
            TCrea_Fiche_ &w = *Crea_Fiche_;
            w.Edit1->setText("Anatomia");
            w.CheckBox1->setChecked(true);
            w.CheckBox2->setChecked(true);
            w.CheckBox4->setChecked(false);
            w.CheckBox3->setChecked(true);
            w.RadioButton3->setChecked(true);
            w.CheckBox6->setChecked(true);
            w.Button1_Click();
        });
        pressKey('8');
        EXPECT_EQ(messages(), QStringList{"El Fichero de Estudio\r\rAnatomia\r\rha sido creado."});
        clearMessages();
        return dat("Anatomia.DB");
    }

    // A new file has no password; its author gives it one by exporting it with a password,
    // which rewrites the settings enciphered and marked so. That is done here to the created
    // file's own settings.
    void protectWithPassword(const QString &stu)
    {
        const QStringList lines = testsupport::readSettings(stu);
        ASSERT_EQ(lines.value(0).left(41), "1 1 1 1 0  100   0  Csi Eno Msi EXsi IMsi");
        std::optional<Opciones_FE> o = Lee_Linea_Opciones_FE(lines[0]);
        ASSERT_TRUE(o);
        o->Encriptado = true;
        testsupport::writeSettings(stu, Linea_Opciones_FE(*o), lines.mid(3), Password);
    }

    // Menu entry 4: the three cards, pictures from files, "&Guarda y Continua" twice, then
    // "Guarda y A&caba".
    void addCards()
    {
        const QString answerPicture = putPicture("respuesta.bmp", 120, 90);
        std::vector<QString> questionPictures;
        for (const Card &c : Cards)
            questionPictures.push_back(
                putPicture(QStringLiteral("pregunta%1.jpg").arg(c.questionPicture.width()), c.questionPicture.width(),
                           c.questionPicture.height()));
        putFile("dat/mano.rtf", QByteArray::fromStdString(testsupport::rtfLines({Cards[0].answer})));
        platform::onNextShow("Alta_Fichas_", [&](QWidget *) {
            TAlta_Fichas_ &e = *Alta_Fichas_;
            for (std::size_t i = 0; i < std::size(Cards); ++i) {
                e.EditPreg_Text->selectAll();
                e.EditPreg_Text->insert(Cards[i].question);
                platform::FileDialog::queueFileName(questionPictures[i]);
                e.BitBtn2->click();
                platform::FileDialog::queueFileName(answerPicture);
                e.BitBtn4->click();
                if (Cards[i].fromFile) {
                    platform::FileDialog::queueFileName(dat("mano.rtf"));
                    e.BitBtn3->click();
                } else {
                    e.RichEdit1->setPlainText(Cards[i].answer);
                }
                (i + 1 < std::size(Cards) ? e.Button3 : e.Button2)->click();
            }
        });
        pressKey('4');
        engine::Table t;
        t.setTableName(testsupport::fileName(p->Ruta_FE));
        t.open();
        ids.clear();
        for (t.first(); !t.eof(); t.next())
            ids.push_back(t.fieldByName("AutoInc").asLargeInt());
        ASSERT_EQ(ids.size(), 3u);
        // Stored packed under the password: the question picture is the file's JPEG bytes.
        t.gotoBookmark(ids[0]);
        EXPECT_EQ(t.fieldByName("Ficha_Comp_Encr").asString(), "S");
        EXPECT_EQ(t.fieldByName("Tipo_Preg_Imag").asString(), "JPG");
        EXPECT_EQ(t.fieldByName("Tipo_Resp_Imag").asString(), "BMP");
        QFile jpeg(questionPictures[0]);
        ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
        EXPECT_EQ(testsupport::unpackedBlob(t.fieldByName("Preg_Imag").asBytes(), Password), jpeg.readAll().toStdString());
    }

    void expectCards(const std::vector<CardState> &expected)
    {
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(stored(ids[i]), expected[i]) << "card " << char('A' + i);
    }

    struct Session {
        QString message, aciertos, errores; // the closing message, Label16 and Label17 at the end
    };
    // Answers the cards of a session in the order expected; `minutes` and `seconds` of study
    // pass before the last answer.
    Session answerAll(TRepasar_ &r, const std::vector<long long> &order, const std::vector<bool> &answers,
                      int minutes = 0, int seconds = 0)
    {
        Session s;
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(current(), order[i]) << i;
            if (i + 1 == order.size())
                platform::clock::setNow(platform::clock::now().addSecs(minutes * 60 + seconds));
            answer(r, {answers[i]});
        }
        s.aciertos = r.Label16->caption();
        s.errores = r.Label17->caption();
        return s;
    }
    // A session by time from menu entry 3.
    Session reviewByTime(const std::vector<long long> &order, const std::vector<bool> &answers, int minutes = 0,
                         int seconds = 0)
    {
        clearMessages();
        Session s;
        duringReview([&](TRepasar_ &r) { s = answerAll(r, order, answers, minutes, seconds); });
        pressKey('3');
        EXPECT_EQ(messages().size(), 1);
        s.message = messages().value(0);
        return s;
    }
};

TEST_F(ReviewDaysTest, ThreeCardsMadeWithTheWindowsReviewedOnDaysOneTwoNineAndThirty)
{
    setDay({2026, 12, 28});
    const QString path = createStudyFile();
    protectWithPassword(dat("Anatomia.STU"));
    open(path, Password);
    ASSERT_EQ(p->Fichero_Empaquetado, 1);
    ASSERT_EQ(p->Encriptado, 1);
    addCards();
    const long long A = ids[0], B = ids[1], C = ids[2];
    expectCards({{1, "", "20261228", 0}, {1, "", "20261228", 0}, {1, "", "20261228", 0}});

    // Day 1, from menu entry 2 in quick mode, same-day review off: right, wrong, right; every
    // display filled, and the counters on the way.
    Session s;
    inSelection([&](TSelecc_Repaso_ &w) {
        EXPECT_TRUE(w.RadioButton2->isChecked());
        w.CheckBox9->setChecked(false);
        duringReview([&](TRepasar_ &r) {
            EXPECT_EQ(r.Label2->caption(), "Fichas Seleccionadas: 3");
            EXPECT_EQ(r.DBText1->caption(), Cards[0].question);
            EXPECT_EQ(r.Image1->picture().size(), QSize(320, 200));
            EXPECT_EQ(r.Image2->picture().size(), QSize(120, 90));
            EXPECT_EQ(r.RichEdit1->toPlainText().trimmed(), Cards[0].answer);
            EXPECT_EQ(r.Label15->caption(), "//");
            EXPECT_FALSE(r.Label7->isVisibleTo(r.Respuesta)) << "a file with a long answer has no short one";
            EXPECT_EQ(p->NumFich_Agotada, 0);
            answer(r, {true});
            EXPECT_EQ(r.Image1->picture().size(), QSize(330, 200)) << "B's picture follows";
            EXPECT_EQ(r.Label1->caption(), "Fichas ya Repasadas: 1");
            EXPECT_EQ(r.Label13->caption(), "Fichas pendientes: 2");
            EXPECT_EQ(r.Label16->caption(), "Aciertos: 1 ( 100% ) ");
            s = answerAll(r, {B, C}, {false, true}, 1, 30);
        });
        w.Button1->click();
    });
    pressKey('2');
    EXPECT_EQ(messages(), QStringList{statistics("00:01:30", 2, 66, 1, 33, "30 segundos.")});
    EXPECT_EQ(s.aciertos, "Aciertos: 2 ( 66% ) ");
    EXPECT_EQ(s.errores, "Errores: 1 ( 33% ) ");
    expectCards({{2, "20261228", "20261229", 1}, {1, "20261228", "20261229", 1}, {2, "20261228", "20261229", 1}});
    EXPECT_EQ(filter(), Filtro_Base.toStdString()) << "no selection in force: the base filter again";

    // Day 2: all due; the level-1 card comes first. 3 min 48 s for three cards.
    setDay({2026, 12, 29});
    s = reviewByTime({B, A, C}, {true, true, true}, 3, 48);
    EXPECT_EQ(s.message, statistics("00:03:48", 3, 100, 0, 0, "1 minuto/s  16 segundos."));
    EXPECT_EQ(s.errores, "Errores: 0 ( 0% ) ");
    expectCards({{3, "20261229", "20270105", 2}, {2, "20261229", "20261230", 2}, {3, "20261229", "20270105", 2}});

    // Day 9: a session left before any answer, then right, right, wrong.
    setDay({2027, 1, 5});
    clearMessages();
    duringReview([&](TRepasar_ &r) {
        EXPECT_EQ(r.Label15->caption(), "29/12/2026");
        r.Button4->click();
    });
    pressKey('3');
    EXPECT_EQ(messages(), QStringList{"La sesión de repaso ha durado   00:00:00\r\rNo se han repasado fichas."});
    s = reviewByTime({B, A, C}, {true, true, false}, 0, 37);
    EXPECT_EQ(s.message, statistics("00:00:37", 2, 66, 1, 33, "12 segundos."));
    expectCards({{4, "20270105", "20270126", 3}, {3, "20270105", "20270112", 3}, {1, "20270105", "20270106", 3}});

    // Day 30: all right; then again the same day from menu entry 2 with the same-day option:
    // the answers count, the cards do not change.
    setDay({2027, 1, 26});
    s = reviewByTime({C, B, A}, {true, true, true});
    EXPECT_EQ(s.message, statistics("00:00:00", 3, 100, 0, 0, "0 segundos."));
    const std::vector<CardState> day30{
        {5, "20270126", "20270312", 4}, {4, "20270126", "20270216", 4}, {2, "20270126", "20270127", 4}};
    expectCards(day30);
    clearMessages();
    inSelection([&](TSelecc_Repaso_ &w) {
        EXPECT_TRUE(w.CheckBox9->isChecked()) << "the preferences' same-day option, back at the next opening";
        duringReview([&](TRepasar_ &r) { s = answerAll(r, {C, B, A}, {true, false, true}); });
        w.Button1->click();
    });
    pressKey('2');
    EXPECT_EQ(messages(), QStringList{statistics("00:00:00", 2, 66, 1, 33, "0 segundos.")});
    expectCards(day30);

    // The file reopens, asking for its password, with the same values, and its cards unpack.
    p->Cierra_Fichero();
    open(path, Password);
    expectCards(day30);
    table().gotoBookmark(C);
    EXPECT_EQ(Repasar_->Image1->picture().size(), QSize(340, 200));
    EXPECT_EQ(Repasar_->Image2->picture().size(), QSize(120, 90));
    EXPECT_EQ(Repasar_->RichEdit1->toPlainText().trimmed(), Cards[2].answer);
    EXPECT_EQ(Repasar_->Label15->caption(), "26/01/2027");
}
