// A study file used day after day: created packed under a password, three cards added, and
// reviewed through the windows on days 1, 2, 9 and 30 (from the 28th of December, so that the
// dates cross the year's end).
#include "ReviewFixture.h"

#include "support/CardFiles.h"

namespace {
const char *const Password = "clave del repaso";

QString dd(const char *yyyymmdd)
{
    const QString s = QString::fromLatin1(yyyymmdd);
    return s.mid(6, 2) + "/" + s.mid(4, 2) + "/" + s.mid(0, 4);
}
} // namespace

class ReviewDaysTest : public ReviewTest {
protected:
    void addCard(const QString &question, const QString &longAnswer)
    {
        engine::Table &t = table();
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(1);
        t.fieldByName("Nive_Impo").setAsInteger(0);
        t.fieldByName("Preg_Text").setAsString(question.toStdString());
        t.fieldByName("Tipo_Preg_Imag").setAsString("JPG");
        t.fieldByName("Tipo_Resp_Imag").setAsString("BMP");
        struct Blob {
            const char *field;
            QByteArray bytes;
        };
        for (const Blob &b : {Blob{"Preg_Imag", testsupport::pictureBytes("JPG", 320, 200)},
                              Blob{"Resp_Imag", testsupport::pictureBytes("BMP", 120, 90)},
                              Blob{"Resp_Memo", QByteArray::fromStdString(testsupport::rtfLines({longAnswer}))}}) {
            packing::MemoryStream s = toMemoryStream(b.bytes);
            D_Module_->Comprime_Codifica_Stream_con_PKS(s);
            loadBlob(t.fieldByName(b.field), s);
        }
        t.fieldByName("Fech_Crea").setAsString(p->Fecha_Hoy.toStdString());
        t.fieldByName("Fech_Prox_Repa").setAsString(p->Fecha_Hoy.toStdString());
        t.fieldByName("Total_Repa").setAsInteger(0);
        D_Module_->Si_Ficha_Usa_Comp_Encr_o_no();
        t.post();
        ids.push_back(t.fieldByName("AutoInc").asLargeInt());
    }

    void expectCards(const std::vector<CardState> &expected)
    {
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(stored(ids[i]), expected[i]) << "card " << char('A' + i);
    }

    // A session by time from the main menu, the cards expected in this order, answered so.
    QString reviewByTime(const std::vector<long long> &order, const std::vector<bool> &answers)
    {
        clearMessages();
        duringReview([&](TRepasar_ &r) {
            for (std::size_t i = 0; i < order.size(); ++i) {
                EXPECT_EQ(current(), order[i]) << i;
                answer(r, {answers[i]});
            }
        });
        pressKey('3');
        EXPECT_EQ(messages().size(), 1);
        return messages().value(0);
    }
};

TEST_F(ReviewDaysTest, ThreeCardsReviewedOnDaysOneTwoNineAndThirty)
{
    Opciones_FE o;
    o.Imagen_Pregunta = o.Imagen_Respuesta = o.Texto_Largo = true;
    o.Tam_Pregunta = 100;
    o.Tam_Respuesta = 0;
    o.Comprimido = o.Encriptado = true;
    setDay({2026, 12, 28});
    open(writeStudy({}, o, "Anatomia", Password), Password);
    ASSERT_EQ(p->Fichero_Empaquetado, 1);
    ids.clear();
    addCard("¿Cuántos huesos tiene la mano?", "Veintisiete: carpo, metacarpo y falanges.");
    addCard("¿Dónde está el fémur?", "En el muslo.");
    addCard("¿Qué une el tendón?", "El músculo con el hueso.");
    const long long A = ids[0], B = ids[1], C = ids[2];
    table().setFilter(Filtro_Base.toStdString());

    // Day 1, from menu entry 2, same-day review off: right, wrong, right; every display filled.
    inSelection([&](TSelecc_Repaso_ &w) {
        w.CheckBox9->setChecked(false);
        duringReview([&](TRepasar_ &r) {
            EXPECT_EQ(r.DBText1->caption(), "¿Cuántos huesos tiene la mano?");
            EXPECT_EQ(r.Image1->picture().size(), QSize(320, 200));
            EXPECT_EQ(r.Image2->picture().size(), QSize(120, 90));
            EXPECT_EQ(r.RichEdit1->toPlainText().trimmed(), "Veintisiete: carpo, metacarpo y falanges.");
            EXPECT_EQ(r.Label15->caption(), "//");
            EXPECT_FALSE(r.Label7->isVisibleTo(r.Respuesta)) << "a file with a long answer has no short one";
            EXPECT_EQ(p->NumFich_Agotada, 0);
            answer(r, {true, false});
            EXPECT_EQ(current(), C);
            EXPECT_EQ(r.RichEdit1->toPlainText().trimmed(), "El músculo con el hueso.");
            platform::clock::setNow(QDateTime(QDate(2026, 12, 28), QTime(10, 1, 30)));
            answer(r, {true});
        });
        w.Button1->click();
    });
    pressKey('2');
    EXPECT_EQ(messages(), QStringList{"No hay más fichas seleccionadas que repasar\r\r"
                                      "La sesión de repaso ha durado   00:01:30\r\r"
                                      "Se han repasado 3 fichas.\r\r"
                                      "    *  Correctas: 2 fichas.   ( 66 % )\r\r"
                                      "    *  Incorrectas: 1 fichas.   ( 33 % )\r\r"
                                      "Tiempo medio dedicado a cada ficha: 30 segundos."});
    expectCards({{2, "20261228", "20261229", 1}, {1, "20261228", "20261229", 1}, {2, "20261228", "20261229", 1}});

    // Day 2: all due; the level-1 card comes first.
    setDay({2026, 12, 29});
    EXPECT_TRUE(reviewByTime({B, A, C}, {true, true, true}).contains("( 100 % )"));
    expectCards({{3, "20261229", "20270105", 2}, {2, "20261229", "20261230", 2}, {3, "20261229", "20270105", 2}});

    // Day 9: right, right, wrong.
    setDay({2027, 1, 5});
    duringReview([&](TRepasar_ &r) { EXPECT_EQ(r.Label15->caption(), dd("20261229")); });
    pressKey('3');
    EXPECT_TRUE(reviewByTime({B, A, C}, {true, true, false}).contains("    *  Incorrectas: 1 fichas.   ( 33 % )"));
    expectCards({{4, "20270105", "20270126", 3}, {3, "20270105", "20270112", 3}, {1, "20270105", "20270106", 3}});

    // Day 30: all right; then again the same day with the same-day option: nothing changes.
    setDay({2027, 1, 26});
    reviewByTime({C, B, A}, {true, true, true});
    const std::vector<CardState> day30{
        {5, "20270126", "20270312", 4}, {4, "20270126", "20270216", 4}, {2, "20270126", "20270127", 4}};
    expectCards(day30);
    clearMessages();
    inSelection([&](TSelecc_Repaso_ &w) {
        EXPECT_TRUE(w.CheckBox9->isChecked()) << "the preferences' same-day option, back at the next opening";
        duringReview([&](TRepasar_ &r) { answer(r, {true, true, true}); });
        w.Button1->click();
    });
    pressKey('2');
    EXPECT_TRUE(messages().value(0).contains("Se han repasado 3 fichas.\r\r    *  Correctas: 3 fichas.   ( 100 % )"));
    expectCards(day30);

    // The file reopens with the same values and its cards still unpack.
    const QString path = p->Ruta_FE;
    p->Cierra_Fichero();
    open(path, Password);
    expectCards(day30);
    table().gotoBookmark(A);
    EXPECT_EQ(Repasar_->Image1->picture().size(), QSize(320, 200));
    EXPECT_EQ(Repasar_->Label15->caption(), "26/01/2027");
}
