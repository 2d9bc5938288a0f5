// The report of the printing window: the band layout for each side and option, the band
// height on each paper, the paper labels, frame, stretch, centring and font; the mirrored
// pages as drawn; the band work on plain and packed files and its failures.
#include "PrintingFixture.h"

#include "platform/Picture.h"

#include <QFontDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {
const QString Danados = QStringLiteral("Los datos de este Fichero de Estudio están dañados.");

QString rectText(const platform::ReportControl &c)
{
    return QStringLiteral("%1,%2 %3x%4").arg(c.left).arg(c.top).arg(c.width).arg(c.height);
}
} // namespace

class ReportLayoutTest : public PrintingFixture {
protected:
    void layout(int side, int option, int perPage)
    {
        w->Imprimiendo_Preguntas = side;
        (side ? w->Grupo_Preg : w->Grupo_Resp)->setItemIndex(option);
        cardsAPage(perPage);
        w->Columnas = perPage >= 6 ? 2 : 1;
        w->Prepara_Informe();
    }
};

TEST_F(ReportLayoutTest, ControlsForEachSideAndOption)
{
    openCards(1, {.questionPicture = true, .answerPicture = true, .longAnswer = true});
    // A4: a two-column band is 93 x 92 at 6 a page; one column is 190 wide.
    struct Case {
        int side, option, perPage;
        const char *text, *image, *memo; // "" when the control does not print
    } cases[] = {
        {1, 0, 6, "1,1 91x90", "", ""},
        {1, 1, 6, "1,1 91x44", "1,45 91x46", ""},
        {1, 2, 6, "", "1,1 91x90", ""},
        {1, 1, 3, "1,1 188x44", "1,45 188x46", ""},
        {0, 0, 8, "1,1 91x68", "", ""},
        {0, 1, 10, "", "1,1 91x53", ""},
        {0, 2, 6, "", "", "1,1 91x91"},
        {0, 3, 6, "1,1 91x44", "1,45 91x46", ""},
        {0, 3, 3, "1,1 92x91", "96,1 92x90", ""},
        {0, 4, 5, "", "96,1 92x53", "1,1 92x54"},
    };
    for (const Case &c : cases) {
        layout(c.side, c.option, c.perPage);
        const auto shown = [](const platform::ReportControl *x) { return x->enabled ? rectText(*x) : QString(); };
        const QString what = QStringLiteral("side %1 option %2, %3 a page").arg(c.side).arg(c.option).arg(c.perPage);
        EXPECT_EQ(shown(w->QRDBText1), QString::fromLatin1(c.text)) << qPrintable(what);
        EXPECT_EQ(shown(w->QRDBImage1), QString::fromLatin1(c.image)) << qPrintable(what);
        EXPECT_EQ(shown(w->QRDBRichText1), QString::fromLatin1(c.memo)) << qPrintable(what);
    }
    // A file without a short answer or question picture prints neither.
    s->Tam_Pregunta = 0;
    s->Con_Imagen_Pregunta = 0;
    layout(1, 1, 6);
    EXPECT_FALSE(w->QRDBText1->enabled);
    EXPECT_FALSE(w->QRDBImage1->enabled);
}

TEST_F(ReportLayoutTest, HalfWidthsOfAnOddBandGoToTheEvenNumber)
{
    openCards(1, {.answerPicture = true, .longAnswer = true});
    for (auto [pageWidth, half, right] : {std::tuple{211.0, 92, 96}, std::tuple{213.0, 94, 98}}) {
        w->Hoja1.setPageSize(QPageSize(QSizeF(pageWidth, 297), QPageSize::Millimeter));
        layout(0, 4, 3); // band width 191 (93.5 - 3 -> 92, 96.5 -> 96) or 193 (94, 98)
        EXPECT_EQ(w->QRDBImage1->width, half) << pageWidth;
        EXPECT_EQ(w->QRDBRichText1->width, half) << pageWidth;
        EXPECT_EQ(w->QRDBImage1->left, right) << pageWidth;
    }
}

// Every paper and every count of rows: the band height is the room between the margins over
// the rows, to the nearest whole millimetre and never more, so the column holds them all.
TEST_F(ReportLayoutTest, PaperSizesLabelsAndBandHeights)
{
    openCards(1);
    struct Case {
        const char *paper, *height, *width;
        int bands3, bands4, bands5;
    } cases[] = {
        {"Letter", "Alto : 279 mm.", "Ancho : 216 mm.", 86, 64, 51},
        {"Executive", "Alto : 267 mm.", "Ancho : 184 mm.", 82, 61, 49},
        {"Note", "Alto : 279 mm.", "Ancho : 216 mm.", 86, 64, 51},
        {"Din A4", "Alto : 297 mm.", "Ancho : 210 mm.", 92, 69, 55},
    };
    for (const Case &c : cases) {
        w->ComboBox1->setCurrentText(QString::fromLatin1(c.paper));
        EXPECT_EQ(w->Label4->caption(), QString::fromLatin1(c.height)) << c.paper;
        EXPECT_EQ(w->Label6->caption(), QString::fromLatin1(c.width)) << c.paper;
        const int expected[] = {c.bands3, c.bands4, c.bands5};
        for (int rows : {3, 4, 5}) {
            for (int perPage : {rows, rows * 2}) {
                layout(0, 0, perPage);
                EXPECT_EQ(w->Alto_Banda(), expected[rows - 3]) << c.paper << " " << perPage;
                EXPECT_EQ(w->Hoja1.bandsInColumn(), rows);
                EXPECT_LE(w->Hoja1.topMargin + rows * w->Banda1.height, w->Hoja1.pageLength() - w->Hoja1.bottomMargin);
            }
        }
    }
    // Text typed into the combo leaves the paper as it was.
    w->ComboBox1->setCurrentText(QStringLiteral("Executive"));
    w->ComboBox1->setCurrentText(QStringLiteral("Folio"));
    EXPECT_NEAR(w->Hoja1.pageWidth(), 184.15, 0.01);
    EXPECT_EQ(w->Label4->caption(), QStringLiteral("Alto : 267 mm."));
}

TEST_F(ReportLayoutTest, FrameStretchCentringAndFont)
{
    openCards(7);
    w->CheckBox2->setChecked(true);
    EXPECT_TRUE(w->QRDBImage1->stretch);
    w->CheckBox3->setChecked(false);
    w->CheckBox4->setChecked(false); // repeats the centring choice
    EXPECT_EQ(w->QRDBText1->alignment, Qt::AlignLeft);
    w->CheckBox3->setChecked(true);
    EXPECT_EQ(w->QRDBText1->alignment, Qt::AlignHCenter);

    // A confirmed font dialog (14 points) changes the text's font; a cancelled one (30) does not.
    for (int points : {14, 30}) {
        platform::onNextShow(QStringLiteral("FontDialog1"), [points](QWidget *window) {
            auto *dialog = static_cast<QFontDialog *>(window);
            dialog->setCurrentFont(QFont(QStringLiteral("Courier"), points));
            dialog->setResult(points == 14 ? QDialog::Accepted : QDialog::Rejected);
        });
        w->Button4->click();
        EXPECT_EQ(w->QRDBText1->font.pointSize(), 14);
    }

    // Without the frame, the blank places of the mirrored last page leave the paper white.
    cardsAPage(6);
    w->Imprimiendo_Preguntas = 0;
    w->Columnas = 2;
    w->Llena_Tabla_Imprime();
    w->Prepara_Informe();
    auto inkInBlankPlace = [&] {
        const QList<QImage> pages = w->Hoja1.renderImages(50);
        const QRectF blank = w->Hoja1.bandRect(0, 0); // page 2, left column: blank
        const double dpmm = 50 / 25.4;
        const QRect px = QRectF(blank.x() * dpmm, blank.y() * dpmm, blank.width() * dpmm, blank.height() * dpmm)
                             .toAlignedRect();
        int ink = 0;
        for (int y = px.top(); y <= px.bottom(); ++y)
            for (int x = px.left(); x <= px.right(); ++x)
                ink += qGray(pages.value(1).pixel(x, y)) < 128;
        return ink;
    };
    EXPECT_GT(inkInBlankPlace(), 0);
    w->CheckBox1->setChecked(false);
    EXPECT_EQ(inkInBlankPlace(), 0);
}

// ---------------------------------------------------------------------------------------------
// Mirrored pages as drawn

class MirrorTest : public PrintingFixture {
protected:
    struct Place {
        int page;
        QRectF rect;
    };
    // Card number -> where its band was drawn, from the text the band showed.
    std::map<int, Place> drawnCards() const
    {
        std::map<int, Place> out;
        for (const platform::DrawnBand &b : w->Hoja1.drawn())
            for (const platform::DrawnControl &c : b.controls)
                if (c.kind == platform::ReportControl::Kind::Text && !c.text.isEmpty())
                    out[c.text.mid(1).toInt()] = {b.page, b.rect};
        return out;
    }
};

// A sheet of answers turned about its vertical axis puts each answer behind its question:
// same page, same height, and the horizontal mirror of the question's place, the blank places
// kept; for a last page of every size k, previewed (odd k) or printed through the print dialog
// to PDF files (even k).
TEST_F(MirrorTest, EveryAnswerLiesBehindItsQuestionWhateverTheLastPage)
{
    QTemporaryDir out;
    openCards(20);
    engine::Table &T = *D_Module_->Tabla_Activa;
    T.setFiltered(true);
    const QString pdf = out.filePath(QStringLiteral("q.pdf"));
    for (int perPage : {6, 8, 10}) {
        for (int k = 1; k <= perPage; ++k) {
            SCOPED_TRACE(testing::Message() << perPage << " a page, " << k << " on the last");
            T.setFilter("AutoInc <= " + std::to_string(perPage + k));
            cardsAPage(perPage);
            const bool print = k % 2 == 0;
            if (print)
                printTo(pdf);
            (print ? w->Button2 : w->Button3)->click();
            const auto questions = drawnCards();
            if (print)
                printTo(pdf);
            (print ? w->Button7 : w->Button6)->click();
            const auto answers = drawnCards();
            ASSERT_EQ(answers.size(), size_t(perPage + k));
            EXPECT_EQ(int(w->Hoja1.drawn().size()), 2 * perPage);
            for (const auto &[card, q] : questions) {
                const Place &a = answers.at(card);
                ASSERT_EQ(a.page, q.page) << card;
                ASSERT_NEAR(a.rect.left(), w->Hoja1.pageWidth() - q.rect.right(), 1e-9) << card;
                ASSERT_NEAR(a.rect.top(), q.rect.top(), 1e-9) << card;
                ASSERT_NEAR(a.rect.width(), q.rect.width(), 1e-9) << card;
            }
            EXPECT_EQ(w->Hoja1.pagesDrawn(), 2);
        }
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.readAll().startsWith("%PDF"));
        QFile::remove(pdf);
    }
    // A cancelled print dialog prints nothing and says nothing.
    w->Button7->click();
    EXPECT_TRUE(messages().isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Band work

class BandWorkTest : public PrintingFixture {};

TEST_F(BandWorkTest, PlainRowsKeepTheirFirstLineAndBitmap)
{
    openCards(2, {.answerPicture = true, .longAnswer = true});
    w->Grupo_Resp->setItemIndex(3);
    cardsAPage(3);
    // The preview opens with the page as wide as its window.
    QPrintPreviewWidget::ZoomMode zoom = QPrintPreviewWidget::CustomZoom;
    platform::onNextShow(QStringLiteral("ReportPreview"), [&](QWidget *preview) {
        preview->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(preview));
        if (auto *pages = preview->findChild<QPrintPreviewWidget *>())
            zoom = pages->zoomMode();
    });
    w->Button6->click();
    EXPECT_EQ(zoom, QPrintPreviewWidget::FitToWidth);
    engine::Table &I = *D_Module_->Imprime;
    I.first();
    EXPECT_EQ(I.fieldByName("TEXT").asString(), "R1"); // the first line only
    // taken without reading the rest of the answer
    EXPECT_EQ(Sesion_->RE_Resp_Text->document()->blockCount(), 1);
    const std::string imag = I.fieldByName("Imag").asBytes();
    EXPECT_EQ(platform::detectPictureFormat(QByteArray::fromStdString(imag)), platform::PictureFormat::Bmp);
    EXPECT_EQ(I.fieldByName("TEXT2").asString(), "");
    const platform::DrawnBand &b = w->Hoja1.drawn().at(0);
    ASSERT_EQ(b.controls.size(), 2u);
    EXPECT_EQ(b.controls[1].imageSize, QSize(40, 30));
}

// A packed, enciphered file: previews and prints show the unpacked cards, and afterwards the
// print table's bytes on disk hold none of their texts.
TEST_F(BandWorkTest, PackedFileLeavesNothingReadableInThePrintTable)
{
    openCards(7, {.answerPicture = true, .longAnswer = true, .packed = true});
    QTemporaryDir out;
    auto expectNothingReadable = [&](const char *after) {
        const QByteArray bytes = printTableBytes();
        for (const char *text : {"P3", "R3", "L3", "segunda"})
            EXPECT_FALSE(bytes.contains(text)) << text << " after " << after;
        EXPECT_EQ(D_Module_->Imprime->state(), engine::Table::State::Browse);
    };
    w->Button3->click();
    EXPECT_EQ(w->Hoja1.drawn().at(0).controls.at(0).text, QStringLiteral("P1"));
    expectNothingReadable("question preview");

    w->Grupo_Resp->setItemIndex(3);
    w->Button6->click();
    EXPECT_EQ(w->Hoja1.drawn().at(0).controls.at(0).text, QStringLiteral("R4"));
    EXPECT_EQ(w->Hoja1.drawn().at(0).controls.at(1).imageSize, QSize(40, 30));
    expectNothingReadable("answer preview");

    w->Grupo_Resp->setItemIndex(4);
    cardsAPage(5);
    printTo(out.filePath(QStringLiteral("a.pdf")));
    w->Button7->click();
    EXPECT_EQ(w->Hoja1.drawn().at(0).controls.at(0).text, QStringLiteral("L1\n"));
    expectNothingReadable("answer print");

    w->Button7->click(); // cancelled
    expectNothingReadable("cancelled print");
    EXPECT_EQ(D_Module_->Imprime->recordCount(), 7u);
    EXPECT_TRUE(messages().isEmpty());
}

// In a packed file a card stored plain is printed as stored; its JPEG picture is still turned
// into a bitmap.
TEST_F(BandWorkTest, PlainCardOfAPackedFileIsPrintedAsStored)
{
    openCards(3, {.answerPicture = true, .packed = true});
    engine::Table &T = *D_Module_->Tabla_Activa;
    T.first();
    T.next();
    T.edit();
    T.fieldByName("Ficha_Comp_Encr").setAsString("N");
    T.fieldByName("Resp_Text").setBytes(testsupport::rtfLines({QStringLiteral("R2")}));
    T.fieldByName("Resp_Imag").setBytes(testsupport::pictureBytes("JPG", 20, 10).toStdString());
    T.post();
    w->Grupo_Resp->setItemIndex(3);
    cardsAPage(3);
    w->Button6->click();
    const auto &drawn = w->Hoja1.drawn();
    ASSERT_EQ(drawn.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(drawn[i].controls.at(0).text, QStringLiteral("R%1").arg(i + 1));
        EXPECT_EQ(drawn[i].controls.at(1).imageSize, i == 1 ? QSize(20, 10) : QSize(40, 30));
    }
    EXPECT_TRUE(messages().isEmpty());
}

// A damaged packed field, an answer over its limit or a picture that does not decode: the card
// prints without that field, every other card prints whole, the card is named once after the
// run; the rows are all cleared, none left half-done, and the window goes on.
TEST_F(BandWorkTest, ADamagedCardPrintsWithoutWhatCannotBeReadAndIsNamedOnce)
{
    struct Case {
        const char *what;
        const char *field;
        std::string bytes;
        QPushButton *TImprimir_::*button;
    } cases[] = {
        {"damaged short answer", "Resp_Text", "PKS0 not a container", &TImprimir_::Button6},
        // A small blob that unpacks to 64 MiB: over the answer limit, refused before unpacking.
        {"short answer of 64 MiB", "Resp_Text", testsupport::packedBlob(std::string(size_t(64) << 20, '\0'), true, false),
         &TImprimir_::Button7},
        {"undecodable picture", "Resp_Imag", pack("\xFF\xD8\xFF garbage"), &TImprimir_::Button7},
    };
    QTemporaryDir out;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        openCards(6, {.answerPicture = true, .packed = true});
        engine::Table &T = *D_Module_->Tabla_Activa;
        T.first();
        T.moveBy(4); // card 5: printed second on the answer page
        T.edit();
        T.fieldByName(c.field).setBytes(c.bytes);
        T.post();
        w->Grupo_Resp->setItemIndex(3);
        cardsAPage(6);
        clearMessages();
        if (c.button == &TImprimir_::Button7)
            printTo(out.filePath(QStringLiteral("x.pdf")));
        (w->*c.button)->click();
        EXPECT_EQ(messages(), QStringList{Msg_Ficha_Danada_Impresa.arg(QStringLiteral("    «P5»"))});
        const bool picture = std::string(c.field) == "Resp_Imag";
        const auto &drawn = w->Hoja1.drawn();
        ASSERT_EQ(drawn.size(), 6u);
        const int order[] = {4, 5, 6, 1, 2, 3};
        for (int i = 0; i < 6; ++i) {
            const bool damaged = order[i] == 5;
            ASSERT_EQ(drawn[i].controls.size(), 2u) << order[i];
            EXPECT_EQ(drawn[i].controls[0].text, damaged && !picture ? QString() : QStringLiteral("R%1").arg(order[i]))
                << order[i];
            EXPECT_EQ(drawn[i].controls[1].imageSize, damaged && picture ? QSize() : QSize(40, 30)) << order[i];
        }
        EXPECT_EQ(D_Module_->Imprime->state(), engine::Table::State::Browse);
        for (const QString &row : rows())
            EXPECT_EQ(row, QString());
        EXPECT_FALSE(printTableBytes().contains("P4"));
        EXPECT_TRUE(takeErrorReports().isEmpty());
        T.close();
    }
}
