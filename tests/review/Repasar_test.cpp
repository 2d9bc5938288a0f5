#include "ReviewFixture.h"

#include "support/CardFiles.h"

#include "platform/FontDialog.h"
#include "platform/Timer.h"
#include "store/Imag_Zoom.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>


class ReviewSessionTest : public ReviewTest {
protected:
    // Reviews the whole unfiltered view (level 0 included) in one session with the answers.
    void reviewAll(const std::vector<bool> &answers)
    {
        table().setFilter("");
        duringReview([&](TRepasar_ &r) { answer(r, answers); });
        Inicia_Sesion_Repaso();
    }
};

// The judgements reach the card: a right answer, a wrong one, and a card already reviewed
// today, which only counts (the rule itself: Reglas_Repaso_test).
TEST_F(ReviewSessionTest, JudgementsAreWrittenToTheCardOnceADay)
{
    openStudy({cardAt(3, "20261205", "20261201"), cardAt(5, "20261204", "20261130"), cardAt(6, "20261205", "20261205")});
    p->Dias_Repaso[4] = 21;
    p->Dias_Repaso[2] = 1;
    reviewAll({true, false, true});
    EXPECT_EQ(stored(ids[0]), (CardState{4, "20261205", "20261226", 1}));
    EXPECT_EQ(stored(ids[1]), (CardState{1, "20261205", "20261206", 1}));
    EXPECT_EQ(stored(ids[2]), (CardState{6, "20261205", "20261205", 0}));
}

// A session left with "&Salir" after one answer closes without saying the cards ran out (a
// session left before any answer, and one whose cards ran out: Sesiones_test).
TEST_F(ReviewSessionTest, TheClosingMessageOfASessionLeftEarly)
{
    const QDateTime start(QDate(2026, 12, 5), QTime(10, 0));
    openStudy({cardAt(1), cardAt(1), cardAt(1)});
    platform::clock::setNow(start);
    inSelection([&](TSelecc_Repaso_ &w) {
        duringReview([&](TRepasar_ &r) {
            EXPECT_EQ(r.Label14->caption(), "Fichas pendientes: 3");
            EXPECT_EQ(r.Label4->caption(), "Fichas Seleccionadas: 3");
            platform::clock::setNow(start.addMSecs(12400));
            answer(r, {false});
            EXPECT_EQ(r.Label17->caption(), "Errores: 1 ( 100% ) ");
            r.Button2->click();
        });
        w.Button1->click();
    });
    pressKey('2');
    EXPECT_EQ(messages(), (QStringList{"La sesión de repaso ha durado   00:00:12\r\r"
                                       "Se han repasado 1 fichas.\r\r"
                                       "    *  Correctas: 0 fichas.   ( 0 % )\r\r"
                                       "    *  Incorrectas: 1 fichas.   ( 100 % )\r\r"
                                       "Tiempo medio dedicado a cada ficha: 12 segundos."}));
    EXPECT_TRUE(p->isEnabled());
}

TEST_F(ReviewSessionTest, TheClockCountsStudyTimeOnlyAndVisitsKeepTheSession)
{
    const QDateTime start(QDate(2026, 12, 5), QTime(10, 0));
    openStudy({cardAt(1), cardAt(1)});
    p->Modificable = 1;
    p->Avisar_Descansos = 1;
    QString afterVisits;
    duringReview([&](TRepasar_ &r) {
        const long long first = current();
        platform::clock::setNow(start.addSecs(100));
        r.Timer_n_RepasoTimer();
        EXPECT_EQ(r.Label12->caption(), "00:01:40");

        // A break of ten minutes, as the break window takes it: the clock stops, the pause counts.
        r.Timer_n_Repaso->setEnabled(false);
        const double breakStart = platform::clock::toDays(platform::clock::now());
        platform::clock::setNow(start.addSecs(700));
        p->Tiempo_Pausas += platform::clock::toDays(platform::clock::now()) - breakStart;
        r.Timer_n_Repaso->setEnabled(true);
        platform::clock::setNow(start.addSecs(730));
        r.Timer_n_RepasoTimer();
        EXPECT_EQ(r.Label12->caption(), "00:02:10");

        // "&Descansar" asks the break timer for a break at once.
        r.Button12->click();
        EXPECT_EQ(p->Timer_Descanso->interval(), 99);
        EXPECT_TRUE(p->Timer_Descanso->enabled());

        // Zooms and the card editor come back to the same card and counters.
        r.Button1->click();
        r.Button5->click();
        EXPECT_EQ(r.PageControl1->currentWidget(), r.Respuesta) << "the answer stays in front after its zoom";
        r.Image1->clicked(); // an empty picture: no zoom
        r.Button11->click();
        EXPECT_EQ(p->Edicion_Desde_Repaso, 0) << "cleared by the activation on return";
        EXPECT_EQ(p->Modo_Alta, 0);
        EXPECT_EQ(current(), first);
        EXPECT_EQ(r.PageControl1->currentWidget(), r.Pregunta);
        p->Modificable = 0;
        r.Button11->click();
        afterVisits = r.Label14->caption();
        r.Button4->click();
    });
    pressKey('3');
    EXPECT_EQ(afterVisits, "Fichas pendientes: 2");
    EXPECT_EQ(shownWindows().filter("Text_Zoom_").size(), 1);
    EXPECT_EQ(shownWindows().filter("Imag_Zoom_").size(), 0);
    EXPECT_EQ(shownWindows().filter("Alta_Fichas_").size(), 1);
    ASSERT_EQ(messages().size(), 2);
    EXPECT_EQ(messages()[0], "El autor/a inicial de este Fichero de Estudio no \r\rautoriza la modificación ni el borrado de sus fichas.");
    EXPECT_EQ(messages()[1], "La sesión de repaso ha durado   00:02:10\r\rNo se han repasado fichas.");
}

TEST_F(ReviewSessionTest, ThePagesFollowTheFilesAnswerKindsAndTheChosenFont)
{
    struct Case {
        bool Q, I, M;
        bool image2, richEdit, zoom, label7;
        int dbText1Top, label7Top, image2Left, image2Width, richEditWidth;
    };
    // Each case starts from the layout the previous one left, as the window keeps its controls.
    const std::vector<Case> cases{
        {true, false, true, false, true, true, false, 2, 2, 498, 489, 972},
        {false, true, false, true, false, false, true, 99, 2, 2, 972, 972},
        {true, false, false, false, false, false, true, 2, 99, 2, 972, 972},
        {false, true, true, true, true, true, false, 99, 2, 498, 489, 481},
    };
    openStudy({cardAt(1)});
    platform::FontDialog::queueFont(QFont("DejaVu Serif", 22), QColor(10, 120, 30));
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.Q << c.I << c.M);
        p->Con_Imagen_Pregunta = c.Q;
        p->Con_Imagen_Respuesta = c.I;
        p->Con_Texto_Largo = c.M;
        duringReview([&](TRepasar_ &r) {
            EXPECT_EQ(r.Image2->isVisibleTo(r.Respuesta), c.image2);
            EXPECT_EQ(r.RichEdit1->isVisibleTo(r.Respuesta), c.richEdit);
            EXPECT_EQ(r.Button5->isVisibleTo(r.Respuesta), c.zoom);
            EXPECT_EQ(r.Label7->isVisibleTo(r.Respuesta), c.label7);
            EXPECT_EQ(r.DBText1->y(), c.dbText1Top);
            EXPECT_EQ(r.Label7->y(), c.label7Top);
            EXPECT_EQ(r.Image2->x(), c.image2Left);
            EXPECT_EQ(r.Image2->width(), c.image2Width);
            EXPECT_EQ(r.RichEdit1->width(), c.richEditWidth);
            if (&c == &cases.front()) {
                r.Button9->click();
                r.CheckBox2->setChecked(false);
            }
            EXPECT_EQ(r.Label7->font().family(), "DejaVu Serif");
            EXPECT_EQ(r.DBText1->fontColor(), QColor(10, 120, 30));
            EXPECT_EQ(r.DBText1->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
            r.Button4->click();
        });
        pressKey('3');
    }
    EXPECT_TRUE(QFile::exists(programPath("01.stl"))) << "the chosen font is kept for later sessions";
}

// The answer picture keeps its proportions on the first card of a session as on the later
// ones, beside a long answer and alone (a 400 x 100 picture fits both boxes unscaled).
TEST_F(ReviewSessionTest, TheFirstCardsAnswerPictureIsFittedAsTheLaterOnes)
{
    for (bool largo : {false, true}) {
        SCOPED_TRACE(largo ? "beside the long answer" : "alone");
        Opciones_FE o = testsupport::defaultOptions();
        o.Imagen_Respuesta = true;
        o.Texto_Largo = largo;
        if (largo)
            o.Tam_Respuesta = 0;
        const QString path = writeStudy({cardAt(1), cardAt(1)}, o, largo ? "ConLargo" : "SinLargo");
        {
            engine::Table t;
            t.setTableName(testsupport::fileName(path));
            t.open();
            const QByteArray jpg = testsupport::pictureBytes("JPG", 400, 100);
            for (t.first(); !t.eof(); t.next()) {
                t.edit();
                t.fieldByName("Tipo_Resp_Imag").setAsString("JPG");
                t.fieldByName("Resp_Imag").setBytes(jpg.toStdString());
                t.post();
            }
        }
        open(path);
        const QRect esperado = largo ? QRect(498 + 44, 99 + 116, 400, 100) : QRect(2 + 286, 99 + 116, 400, 100);
        duringReview([&](TRepasar_ &r) {
            for (int ficha = 1; ficha <= 2; ++ficha) {
                r.Button1->click();
                EXPECT_EQ(r.Image2->geometry(), esperado) << "card " << ficha;
                r.Button6->click();
            }
        });
        pressKey('3');
    }
}

// The long answer wraps at its box, keeps each paragraph's own alignment whatever "Centrar"
// says, and "&Zoom" keeps its place clear of the box's scroll bar and of the buttons below,
// beside a picture or alone.
TEST_F(ReviewSessionTest, TheLongAnswerWrapsKeepsItsAlignmentAndZoomClearsTheScrollBarAndTheButtons)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Texto_Largo = true;
    o.Tam_Respuesta = 0;
    const QString path = writeStudy({cardAt(1)}, o);
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(path));
        t.open();
        t.edit();
        t.fieldByName("Resp_Memo").setBytes("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\pard\\ql\\f0\\fs20 "
                                            "una respuesta larga que no cabe en una sola linea de la caja, asi que "
                                            "sigue en las lineas de debajo sin cortarse por los lados, ni por "
                                            "la izquierda ni por la derecha, tanto si hay imagen al lado como si "
                                            "la caja ocupa todo el ancho de la pagina\\par"
                                            "\\pard\\qc centrada\\par}");
        t.post();
    }
    open(path);
    for (bool picture : {true, false}) {
        SCOPED_TRACE(picture ? "beside the picture" : "alone");
        p->Con_Imagen_Respuesta = picture;
        duringReview([&](TRepasar_ &r) {
            showActive(&r);
            r.Button1->click();
            QCoreApplication::processEvents();
            const QTextDocument *d = r.RichEdit1->document();
            for (bool centrar : {true, false}) {
                r.CheckBox2->setChecked(centrar);
                EXPECT_EQ(r.RichEdit1->horizontalScrollBar()->maximum(), 0); // nothing hidden sideways
                EXPECT_GT(d->firstBlock().layout()->lineCount(), 1);
                EXPECT_EQ(d->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
                EXPECT_EQ(d->firstBlock().next().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
            }
            const QScrollBar *bar = r.RichEdit1->verticalScrollBar();
            EXPECT_EQ(r.Button5->x(), picture ? 411 : 900);
            EXPECT_FALSE(r.Button5->geometry().intersects(QRect(bar->mapTo(r.Respuesta, QPoint()), bar->size())));
            // Every button on screen stands clear of every other.
            QList<QAbstractButton *> shown;
            for (QAbstractButton *b : r.findChildren<QAbstractButton *>())
                if (b->isVisible() && !qobject_cast<QTabBar *>(b->parentWidget()))
                    shown << b;
            EXPECT_GE(shown.size(), 6);
            const auto place = [&](QWidget *w) { return QRect(w->mapTo(&r, QPoint()), w->size()); };
            for (QAbstractButton *a : shown)
                for (QAbstractButton *b : shown)
                    if (a != b) {
                        EXPECT_FALSE(place(a).intersects(place(b)))
                            << a->text().toStdString() << " over " << b->text().toStdString();
                    }
            r.Button4->click();
        });
        pressKey('3');
    }
}

// A card whose answer cannot be read (a damaged container, an answer over its limit) is shown
// with the answer empty and told once, when the file opens on it: the review by time goes on to
// the next card and closes, and the activations that put the filter back do not tell it again.
// A guard stops the messages after a few, so that a loop of them fails instead of hanging.
TEST_F(ReviewSessionTest, ADamagedCardIsToldOnceAndTheReviewGoesOn)
{
    std::string noise(100, '\0');
    unsigned seed = 7;
    for (char &c : noise)
        c = char((seed = seed * 1103515245u + 12345u) >> 16);
    const struct {
        const char *what;
        bool longAnswer;
        std::string damaged;
    } cases[] = {
        {"short answer, a damaged container", false, "& " + noise},
        {"long answer over its limit", true,
         testsupport::packedBlob(std::string(std::size_t(Limite_Respuesta) + 1, 'a'), true, false)},
    };
    int shown = 0;
    const int guard = platform::addModalObserver([&shown](QWidget *, const QString &name) {
        if (name == QLatin1String("Mensaje") && ++shown > 8)
            D_Module_->Tabla_Activa->close(); // nothing left to show: the loop unwinds
    });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Opciones_FE o = testsupport::defaultOptions();
        o.Comprimido = true;
        o.Texto_Largo = c.longAnswer;
        o.Tam_Respuesta = c.longAnswer ? 0 : 100;
        const QString path = writeStudy({}, o, QString::fromLatin1(c.longAnswer ? "Larga" : "Corta"));
        const std::string good = testsupport::packedBlob(testsupport::rtfLines({"bien"}), true, false);
        {
            engine::Table t;
            t.setTableName(testsupport::fileName(path));
            t.open();
            for (const bool sound : {false, true}) {
                testsupport::CardContent card;
                (c.longAnswer ? card.longAnswer : card.shortAnswer) = sound ? good : c.damaged;
                card.question = sound ? QStringLiteral("buena") : QStringLiteral("dañada");
                card.packedFlag = QStringLiteral("S");
                testsupport::appendCard(t, card);
            }
        }
        shown = 0;
        clearMessages();
        platform::FileDialog::queueFileName(path);
        pressKey('1');
        ASSERT_EQ(p->FE_Abierto, 1);
        EXPECT_EQ(messages(), QStringList{Msg_Datos_Danados});

        QStringList answers;
        duringReview([&](TRepasar_ &r) {
            for (int card = 0; card < 2; ++card) {
                r.Button1->click();
                answers << r.DBText1->caption() + ": "
                               + (c.longAnswer ? r.RichEdit1->lines().join(u'|') : r.Label7->caption());
                r.Button6->click();
            }
        });
        pressKey('3');
        EXPECT_EQ(answers, (QStringList{"dañada: ", "buena: bien"}));
        ASSERT_EQ(messages().size(), 2) << messages().join("|").toStdString();
        EXPECT_TRUE(messages()[1].startsWith("No hay más fichas seleccionadas que repasar"));
        EXPECT_EQ(table().fieldByName(c.longAnswer ? "Resp_Memo" : "Resp_Text").asString(), c.damaged);
        EXPECT_EQ(stored(current()).level, 2);
    }
    platform::removeModalObserver(guard);
}
