#include "support/CardFiles.h"
#include "support/StudyFileOpen.h"

#include "editing/Anade_n_Grupo_.h"
#include "editing/Anade_n_Grupo_Lineas.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "platform/TextFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

class GroupEntryTest : public StudyFileFixture {
protected:
    void abre(bool largo = false, bool empaquetado = false)
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Importancia = true;
        o.Texto_Largo = largo;
        o.Tam_Respuesta = largo ? 0 : 100;
        o.Comprimido = empaquetado;
        openStudyFile(o);
        w = Anade_n_Grupo;
        ASSERT_NE(w, nullptr);
    }
    void fila(int f, const QString &q, const QString &a, const QString &k = {}, const QString &i = {})
    {
        w->Pon_Celda(0, f, q);
        w->Pon_Celda(1, f, a);
        w->Pon_Celda(2, f, k);
        w->Pon_Celda(3, f, i);
    }
    QStringList filas(int hasta)
    {
        QStringList out;
        for (int f = 1; f <= hasta; ++f)
            out << w->Celda(0, f) + '|' + w->Celda(1, f) + '|' + w->Celda(2, f) + '|' + w->Celda(3, f);
        return out;
    }
    // Menu entry 5; `work` runs while the window is open. Returns whether the window closed
    // itself (the modal layer closes it afterwards anyway).
    bool conVentana(const std::function<void()> &work)
    {
        bool cerrada = false, cerradaPorSi = false;
        auto c = QObject::connect(w, &platform::Form::closed, [&] { cerrada = true; });
        platform::onNextShow("Anade_n_Grupo", [&](QWidget *) {
            work();
            cerradaPorSi = cerrada;
        });
        pressKey('5');
        QObject::disconnect(c);
        return cerradaPorSi;
    }
    // The stored cards, "question|answer|key|importance|level", the short answer read from
    // its rich text.
    QStringList fichas()
    {
        engine::Table t;
        t.setTableName(cards().filePath());
        t.open();
        QStringList out;
        auto campo = [&](const char *f) { return QString::fromStdString(t.fieldByName(f).asString()); };
        for (t.first(); !t.eof(); t.next()) {
            const QByteArray corta = QByteArray::fromStdString(t.fieldByName("Resp_Text").asBytes());
            out << QStringList{campo("Preg_Text"), platform::rtf::toLines(corta).value(0), campo("Clav_Fich"),
                               campo("Nive_Impo"), campo("Nive_Fich")}
                       .join('|');
        }
        return out;
    }

    TAnade_n_Grupo *w = nullptr;
};

TEST(GroupEntryLines, PartsFollowTheSeparatorsAndMissingOnesCollapse)
{
    struct Case {
        QString line;
        std::array<QString, 4> parts;
    } cases[] = {
        {"Q&A&K&5", {"Q", "A", "K", "5"}},
        {"Q&A&&", {"Q", "A", "", ""}},
        {"texto sin separador", {"", "", "", "texto sin separador"}},
        {"uno&dos", {"uno", "", "", "dos"}},
        {"Q&A&K", {"Q", "A", "", "K"}},
        {"Q&A&K&5&x", {"Q", "A", "K", "5&x"}},
        {"", {"", "", "", ""}},
        {"&&&", {"", "", "", ""}},
        {" Q & A & K & 5 ", {" Q ", " A ", " K ", " 5 "}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Divide_Linea_Grupo(c.line), c.parts) << c.line.toStdString();
}

TEST_F(GroupEntryTest, SavesTheFilledRowsAndLoadsThemBackClosedUp)
{
    abre();
    QDir().mkpath(programPath("import"));
    const QString archivo = programPath("import/grupo.txt");
    conVentana([&] {
        w->buttonbtn1Click();
        fila(2, "¿Capital de Francia?", "París", "", "");
        fila(5, "", "sólo respuesta", "  geo ", "7");
        fila(6, "", "", "clave sola", "3"); // empty: not saved
        w->edit1->setText("panel");
        platform::FileDialog::queueCancel();
        w->buttonbtn1Click();
        platform::FileDialog::queueFileName(archivo);
        w->buttonbtn1Click();
        platform::FileDialog::queueFileName(programPath("no/existe/grupo.txt"));
        w->buttonbtn1Click();
    });
    EXPECT_EQ(messages(),
              (QStringList{"No se ha guardado el archivo porque no hay fichas.", "No se ha guardado el archivo.",
                           "Se ha guardado el archivo con 2 fichas.",
                           "No se ha podido escribir el archivo\r\r" + programPath("no/existe/grupo.txt")}));
    EXPECT_EQ(platform::readWholeFile(archivo).value_or("-"),
              "¿Capital de Francia?&París&panel&    \r\n&sólo respuesta&  geo &7\r\n");

    // Loading: the lines fill rows from 1 on; rows after them keep their content.
    clearMessages();
    conVentana([&] {
        fila(1, "x", "y");
        fila(3, "viejo", "resto", "k", "1");
        platform::FileDialog::queueFileName(archivo);
        w->buttonbtn2Click();
        platform::FileDialog::queueFileName(programPath("import/falta.txt"));
        w->buttonbtn2Click();
    });
    EXPECT_EQ(filas(3), (QStringList{"¿Capital de Francia?|París|panel|    ", "|sólo respuesta|  geo |7",
                                     "viejo|resto|k|1"}));
    EXPECT_EQ(messages(), QStringList{"No se ha podido leer el archivo\r\r" + programPath("import/falta.txt")});

    // Windows text, and at most 98 lines.
    QByteArray bytes("Canci\xF3n&m\xFAsica&&\r\n");
    for (int i = 2; i <= 100; ++i)
        bytes += "q" + QByteArray::number(i) + "&a\n";
    putFile("import/viejo.txt", bytes);
    conVentana([&] {
        platform::FileDialog::queueFileName(programPath("import/viejo.txt"));
        w->buttonbtn2Click();
    });
    EXPECT_EQ(filas(1), QStringList{"Canción|música||"});
    EXPECT_EQ(w->Celda(0, 98), "q98");
    EXPECT_EQ(w->Celda(3, 98), "a");

    // A line over the bound ends the loading there, with its number, unless it comes after the
    // 98th line, which is never read.
    const QByteArray largo(platform::kMaxLineBytes + 1, 'x');
    putFile("import/tarde.txt", bytes + largo);
    putFile("import/largo.txt", "n1&r1\r\nn2&r2\r\n" + largo + "\r\nn4&r4\r\n");
    clearMessages();
    conVentana([&] {
        w->button4Click();
        platform::FileDialog::queueFileName(programPath("import/tarde.txt"));
        w->buttonbtn2Click();
        EXPECT_EQ(w->Celda(0, 98), "q98");
        w->button4Click();
        platform::FileDialog::queueFileName(programPath("import/largo.txt"));
        w->buttonbtn2Click();
    });
    EXPECT_EQ(filas(4), (QStringList{"n1|||r1", "n2|||r2", "|||", "|||"}));
    EXPECT_EQ(messages(), QStringList{"No se ha leído la línea 3 del archivo:\r\r" + platform::tooLongLineReason()});
}

TEST_F(GroupEntryTest, CreatesOneCardPerFilledRowWithThePanelDefaultsOrStopsAtABadRow)
{
    abre();
    const bool cerrada = conVentana([&] {
        w->maskedit3->setText("0");
        w->edit1->setText("panel");
        fila(1, "q1", "a1", "", "");                // panel key, importance unset
        fila(2, "", "sólo respuesta", " k2 ", "5"); // key with its blanks
        fila(3, "", "", "clave", "9");              // empty row: skipped
        fila(4, "q4", "", "   ", " 3 ");
        w->btnButton10Click();
    });
    EXPECT_TRUE(cerrada);
    EXPECT_EQ(messages(), QStringList{"Se han creado 3 fichas."});
    EXPECT_EQ(fichas(), (QStringList{"q1|a1|panel||0", "q4||panel|3|0", "|sólo respuesta| k2 |5|0"}));
    EXPECT_EQ(filas(4), QStringList(4, "|||"));
    // Nothing typed: the window closes without a word.
    clearMessages();
    EXPECT_TRUE(conVentana([&] { w->btnButton10Click(); }));
    EXPECT_TRUE(messages().isEmpty());

    // A row that can't be converted stops with its number and leaves no half card.
    EXPECT_FALSE(conVentana([&] {
        fila(1, "q1", "a1", "k", "1");
        fila(2, "q2", "a2", "k", "2");
        fila(4, "q4", "a4", "k", QString("1,5") + QChar(0)); // the NUL does not cut the message
        fila(5, "q5", "a5", "k", "5");
        w->btnButton10Click();
        EXPECT_EQ(cards().state(), engine::Table::State::Browse);
    }));
    EXPECT_EQ(messages(), QStringList{"No se ha podido crear la ficha de la fila 4:\r\r'1,5\u2400' no es un número entero "
                                      "válido\r\rLas 2 fichas de las filas anteriores se han creado y sus filas se "
                                      "han vaciado."});
    EXPECT_EQ(fichas().size(), 5u);
    EXPECT_EQ(filas(5), (QStringList{"|||", "|||", "|||", QString("q4|a4|k|1,5") + QChar(0), "q5|a5|k|5"}));

    // A blank level stops at the first row, and nothing is created.
    clearMessages();
    conVentana([&] {
        w->maskedit3->setText(" ");
        w->btnButton10Click();
    });
    EXPECT_EQ(messages(), QStringList{"No se ha podido crear la ficha de la fila 4:\r\r'' no es un número entero válido"});
    EXPECT_EQ(fichas().size(), 5u);
}

TEST_F(GroupEntryTest, LongAnswersArePackedRichTextInThePackedFile)
{
    abre(true, true);
    conVentana([&] {
        fila(1, "q1", "una respuesta larga", "k", "1");
        w->btnButton10Click();
    });
    EXPECT_EQ(messages(), QStringList{"Se han creado 1 fichas."});
    engine::Table t;
    t.setTableName(cards().filePath());
    t.open();
    ASSERT_EQ(t.recordCount(), 1u);
    EXPECT_EQ(t.fieldByName("Ficha_Comp_Encr").asString(), "S");
    EXPECT_TRUE(t.fieldByName("Resp_Text").isNull());
    const std::string rtf = testsupport::unpackedBlob(t.fieldByName("Resp_Memo").asBytes());
    EXPECT_EQ(platform::rtf::toLines(QByteArray::fromStdString(rtf)), QStringList{"una respuesta larga"});
}

TEST_F(GroupEntryTest, TheImportanceColumnTakesDigitsOnlyOneLineIsEmptiedAndEscCloses)
{
    abre();
    EXPECT_TRUE(conVentana([&] {
        fila(1, "q1", "a1", "k1", "1");
        fila(2, "q2", "a2", "k2", "2");
        w->StringGrid1->setCurrentCell(1, 2); // the second card row
        w->button5Click();
        EXPECT_EQ(filas(2), (QStringList{"q1|a1|k1|1", "|||"}));
        w->StringGrid1->setCurrentCell(1, 3);
        for (const auto &[typed, passes] : {std::pair{'7', true}, {'a', false}, {'-', false}, {'\b', true}}) {
            QChar k(typed);
            w->StringGrid1KeyPress(k);
            EXPECT_EQ(!k.isNull(), passes) << typed;
        }
        w->StringGrid1->setCurrentCell(1, 0);
        QChar k('a');
        w->StringGrid1KeyPress(k);
        EXPECT_EQ(k, QChar('a'));
        w->typeCharacter(QChar(27));
    }));
}

// Typed as a user types on the shown window: Tab in the last column goes on to the next row,
// Shift+Tab comes back, so one card's letters never land in the previous card's importance.
TEST_F(GroupEntryTest, TabFromTheImportanceColumnGoesToTheNextRowAndShiftTabBack)
{
    abre();
    conVentana([&] {
        showActive(w);
        QWidget *grid = w->StringGrid1->viewport();
        QTest::mouseClick(grid, Qt::LeftButton, {},
                          w->StringGrid1->visualRect(w->StringGrid1->model()->index(0, 0)).center());
        // A character at a time, each to the control that has the focus then (the first one
        // opens the cell's editor).
        auto teclea = [&](const QString &texto) {
            for (QChar c : texto)
                QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : grid, QString(c));
        };
        auto tecla = [&](Qt::Key k, Qt::KeyboardModifiers m = {}) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid, k, m);
        };
        for (const char *celda : {"q1", "a1", "k1", "23"}) {
            teclea(celda);
            tecla(Qt::Key_Tab);
        }
        EXPECT_EQ(w->StringGrid1->currentRow(), 1);
        EXPECT_EQ(w->StringGrid1->currentColumn(), 0);
        teclea("q2");
        tecla(Qt::Key_Tab);
        tecla(Qt::Key_Backtab, Qt::ShiftModifier);
        tecla(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(w->StringGrid1->currentRow(), 0);
        EXPECT_EQ(w->StringGrid1->currentColumn(), 3);
        EXPECT_EQ(filas(2), (QStringList{"q1|a1|k1|23", "q2|||"}));
        w->typeCharacter(QChar(27));
    });
}
