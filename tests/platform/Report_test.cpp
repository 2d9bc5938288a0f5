// The banded report: columns filled top to bottom then left to right, pages, band events on
// the band's row, failures, paper codes, and output to images and PDF.

#include "engine/Table.h"
#include "platform/ModalShow.h"
#include "platform/Report.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {
struct ReportFixture : ::testing::Test {
    QTemporaryDir dir;
    engine::Table table;
    platform::Report report;
    platform::ReportText *text = nullptr;

    void SetUp() override
    {
        table.setDatabaseName(dir.path().toStdString());
        table.setTableName("R.DB");
        table.createTable({{"TEXT", engine::FieldType::String, 50}, {"Imag", engine::FieldType::Blob, 0}}, {});
        table.open();
        report.dataSet = &table;
        report.columns = 2;
        report.band.height = 50;
        report.bandsPerColumn = 3;
        text = report.band.add<platform::ReportText>("TEXT");
        text->enabled = true;
        text->width = 30;
        text->height = 10;
    }
    void rows(int n)
    {
        for (int i = 1; i <= n; ++i) {
            table.append();
            table.fieldByName("TEXT").setAsString(std::to_string(i));
            table.post();
        }
    }
};
} // namespace

TEST_F(ReportFixture, BandsFillColumnsDownThenAcrossPageByPage)
{
    rows(8);
    std::vector<std::string> seenBefore, seenAfter;
    report.band.beforePrint = [&] { seenBefore.push_back(table.fieldByName("TEXT").asString()); };
    report.band.afterPrint = [&] { seenAfter.push_back(table.fieldByName("TEXT").asString()); };
    const QList<QImage> pages = report.renderImages(30);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0].size(), QSize(248, 351)); // A4 at 30 dots an inch
    EXPECT_EQ(seenBefore, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(seenAfter, seenBefore);
    const auto &d = report.drawn();
    ASSERT_EQ(d.size(), 8u);
    const int where[][3] = {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}, {0, 1, 0}, {0, 1, 1}, {0, 1, 2}, {1, 0, 0}, {1, 0, 1}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(d[i].page, where[i][0]);
        EXPECT_EQ(d[i].column, where[i][1]);
        EXPECT_EQ(d[i].slot, where[i][2]);
        EXPECT_EQ(d[i].controls.at(0).text, QString::number(i + 1));
    }
    // 210 mm less 10 + 10 margins and a 4 mm gap: two 93 mm columns.
    EXPECT_EQ(d[4].rect, QRectF(107, 60, 93, 50));
    EXPECT_EQ(d[4].controls[0].rect, QRectF(107, 60, 30, 10));

    // Without a count of bands a column takes as many as fit between the margins.
    report.bandsPerColumn = 0;
    report.band.height = 90;
    report.renderImages(10);
    EXPECT_EQ(report.drawn()[3].column, 1);
    EXPECT_EQ(report.pagesDrawn(), 2);
}

TEST_F(ReportFixture, EmptyTablesFailuresAndPdf)
{
    EXPECT_EQ(report.renderImages(10).size(), 1); // an empty table still gives a page
    report.printIfEmpty = false;
    EXPECT_EQ(report.renderImages(10).size(), 0);

    rows(3);
    report.band.beforePrint = [&] {
        if (table.fieldByName("TEXT").asString() == "2")
            throw std::runtime_error("fallo");
    };
    EXPECT_THROW(report.renderImages(10), std::runtime_error);
    EXPECT_EQ(report.drawn().size(), 1u);

    // A picture that does not decode ends the run too.
    report.band.beforePrint = nullptr;
    auto *image = report.band.add<platform::ReportImage>("Imag");
    image->enabled = true;
    table.last();
    table.edit();
    table.fieldByName("Imag").setBytes("BM not a bitmap");
    table.post();
    EXPECT_ANY_THROW(report.renderImages(10));

    image->enabled = false;
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    {
        QPdfWriter writer(pdf);
        EXPECT_EQ(report.print(writer), 1);
    }
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));
}

TEST(ReportPaper, CodesAndRounding)
{
    struct Case {
        int code;
        double width, length;
    } cases[] = {{9, 210, 297}, {1, 215.9, 279.4}, {7, 184.15, 266.7}, {18, 215.9, 279.4}};
    platform::Report r;
    for (const Case &c : cases) {
        EXPECT_TRUE(r.setPaperSize(c.code));
        EXPECT_NEAR(r.pageWidth(), c.width, 0.01) << c.code;
        EXPECT_NEAR(r.pageLength(), c.length, 0.01) << c.code;
        EXPECT_EQ(r.paperSize(), c.code);
    }
    EXPECT_FALSE(r.setPaperSize(8));
    EXPECT_EQ(r.paperSize(), 18);
    for (auto [in, out] : {std::pair{2.5, 2.0}, {3.5, 4.0}, {-0.5, 0.0}, {92.5, 92.0}, {2.51, 3.0}})
        EXPECT_EQ(platform::roundHalfEven(in), out) << in;
}

// Shown for real (not scripted), the preview runs the report once, and a failing report
// shows no window and reaches the caller.
TEST_F(ReportFixture, PreviewShownForRealRunsTheReportOnce)
{
    rows(4);
    int bands = 0;
    report.band.beforePrint = [&] { ++bands; };
    const bool wasScripted = platform::isScripted();
    platform::setScripted(false);
    bool shown = false;
    QTimer::singleShot(200, [&] {
        if (QWidget *w = platform::modalStack().value(0)) {
            shown = w->isVisible();
            w->close();
        }
    });
    platform::previewReport(report);
    EXPECT_TRUE(shown);
    EXPECT_EQ(bands, 4);

    report.band.beforePrint = [] { throw std::runtime_error("fallo"); };
    EXPECT_THROW(platform::previewReport(report), std::runtime_error);
    EXPECT_TRUE(platform::modalStack().isEmpty());
    platform::setScripted(wasScripted);
}

namespace {
// Every text a dialog shows or can show: labels, buttons, group titles, list entries, tabs;
// mnemonic marks left out.
QStringList textsOf(QWidget *dialog)
{
    QStringList texts;
    for (auto *w : dialog->findChildren<QLabel *>())
        texts << w->text();
    for (auto *w : dialog->findChildren<QAbstractButton *>())
        texts << w->text();
    for (auto *w : dialog->findChildren<QGroupBox *>())
        texts << w->title();
    for (auto *w : dialog->findChildren<QComboBox *>())
        for (int i = 0; i < w->count(); ++i)
            texts << w->itemText(i);
    for (auto *w : dialog->findChildren<QTabWidget *>())
        for (int i = 0; i < w->count(); ++i)
            texts << w->tabText(i);
    texts.replaceInStrings(QStringLiteral("&"), QString());
    return texts;
}

QAbstractButton *buttonWithText(QWidget *dialog, const QString &text)
{
    for (auto *b : dialog->findChildren<QAbstractButton *>())
        if (b->text() == text && b->isVisible())
            return b;
    return nullptr;
}
} // namespace

// The print dialog, its options ("Opciones >>") and the printer's properties speak Spanish.
TEST_F(ReportFixture, PrintDialogAndItsOptionsInSpanish)
{
    rows(1);
    const bool wasScripted = platform::isScripted();
    platform::setScripted(false);
    QStringList texts;
    bool expanded = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        const int height = dialog->height();
        if (QAbstractButton *options = buttonWithText(dialog, QStringLiteral("&Opciones >>"))) {
            QTest::mouseClick(options, Qt::LeftButton);
            QTest::qWait(50);
            expanded = dialog->height() > height;
        }
        texts = textsOf(dialog);
        if (QAbstractButton *properties = buttonWithText(dialog, QStringLiteral("P&ropiedades"));
            properties && properties->isEnabled()) {
            QTimer::singleShot(0, [&] {
                QWidget *p = QApplication::activeModalWidget();
                texts += textsOf(p);
                p->close();
            });
            QTest::mouseClick(properties, Qt::LeftButton);
        }
        dialog->close();
    });
    EXPECT_FALSE(platform::printReport(report));
    platform::setScripted(wasScripted);
    EXPECT_TRUE(expanded);
    const char *english[] = {"Pages", "Page Set:", "Set de páginas:", "Double Sided Printing", "Off",
                             "Long side binding", "Short side binding", "Advanced", "Options >>", "Print"};
    for (const char *word : english)
        EXPECT_FALSE(texts.contains(QString::fromUtf8(word))) << word;
    const char *spanish[] = {"Páginas", "Conjunto de páginas:", "Impresión a doble cara", "Desactivada",
                             "Encuadernación por el lado largo", "Encuadernación por el lado corto", "Avanzado"};
    for (const char *word : spanish)
        EXPECT_TRUE(texts.contains(QString::fromUtf8(word))) << word << "\n" << texts.join('|').toStdString();
}

// The preview opens with the page as wide as the window and the toolbar shows the button for
// that pressed, the one for the whole page not.
TEST_F(ReportFixture, PreviewOpensFittedToWidthWithThatButtonPressed)
{
    rows(2);
    const bool wasScripted = platform::isScripted();
    platform::setScripted(false);
    QMap<QString, bool> pressed;
    int zoomMode = -1;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        for (auto *b : dialog->findChildren<QToolButton *>())
            if (b->defaultAction() && !b->defaultAction()->objectName().isEmpty())
                pressed[b->defaultAction()->objectName()] = b->isChecked();
        zoomMode = dialog->findChild<QPrintPreviewWidget *>()->zoomMode();
        dialog->close();
    });
    platform::previewReport(report);
    platform::setScripted(wasScripted);
    EXPECT_EQ(zoomMode, QPrintPreviewWidget::FitToWidth);
    EXPECT_EQ(pressed.value(QStringLiteral("fitWidthAction"), false), true);
    EXPECT_EQ(pressed.value(QStringLiteral("fitPageAction"), true), false);
}
