#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/Form.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/Label.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QTimer>
#include <QFileSystemModel>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QAbstractButton>
#include <QApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {
void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

TEST(Clock, ResetGoesBackToTheSystemClockAndDateTimesAreDaysSince1899)
{
    platform::clock::setNow(QDateTime(QDate(2026, 12, 5), QTime(23, 59, 30)));
    platform::clock::setDateSeparator('.');
    platform::clock::reset();
    EXPECT_EQ(platform::clock::today(), QDate::currentDate());
    EXPECT_FALSE(platform::clock::dateSeparator().isLetterOrNumber());
    // Date-times are days since the last day of 1899.
    using platform::clock::fromDays;
    using platform::clock::toDays;
    EXPECT_DOUBLE_EQ(toDays(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(toDays(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    const QDateTime t(QDate(2026, 12, 5), QTime(10, 30, 15));
    EXPECT_EQ(fromDays(toDays(t)), t);
}

TEST(Files, CompanionsAreFoundWhateverTheCaseOfTheirNameAndVolumesHaveASerial)
{
    QTemporaryDir dir;
    write(dir.filePath("Ingles.stu"), "x");
    EXPECT_EQ(platform::existingPathAnyCase(dir.filePath("Ingles.stu")), dir.filePath("Ingles.stu"));
    EXPECT_EQ(platform::existingPathAnyCase(dir.filePath("Ingles.STU")), dir.filePath("Ingles.stu"));
    EXPECT_TRUE(platform::existingPathAnyCase(dir.filePath("Ingles.CLA")).isEmpty());
    EXPECT_TRUE(platform::existingPathAnyCase(dir.filePath("nope/Ingles.stu")).isEmpty());
    EXPECT_TRUE(platform::existingPathAnyCase(QString()).isEmpty());
    // The volume serial of a folder, and of nothing.
    EXPECT_TRUE(platform::volumeSerial(QDir::tempPath()).has_value());
    EXPECT_FALSE(platform::volumeSerial("/no/such/folder/at/all").has_value());
    platform::setVolumeSerialForTesting(42u);
    EXPECT_EQ(platform::volumeSerial("/no/such/folder/at/all"), 42u);
    platform::clearVolumeSerialForTesting();
}

TEST(Help, ContextsMapToPagesBesideTheHelpFile)
{
    QTemporaryDir dir;
    write(dir.filePath("ayuda/contextos.txt"), "# comentario\n1 uno.html\n  2   dos.html  # fin\n3 falta.html\nx tres.html\n");
    write(dir.filePath("ayuda/uno.html"), "<p>uno</p>");
    write(dir.filePath("ayuda/dos.html"), "<p>dos</p>");
    const QString file = dir.filePath("Orvenda2.chm");
    EXPECT_EQ(platform::helpPage(file, 1), dir.filePath("ayuda/uno.html"));
    EXPECT_EQ(platform::helpPage(file, 2), dir.filePath("ayuda/dos.html"));
    EXPECT_TRUE(platform::helpPage(file, 3).isEmpty()); // the page is missing
    EXPECT_TRUE(platform::helpPage(file, 4).isEmpty()); // no such context
    EXPECT_TRUE(platform::helpPage(dir.filePath("otra/Orvenda2.chm"), 1).isEmpty());
    EXPECT_TRUE(platform::helpPage(QString(), 1).isEmpty());
    // Without a handler a help request is only recorded.
    platform::resetHelp();
    EXPECT_FALSE(platform::helpContext(5));
    EXPECT_EQ(platform::helpContextRequests(), QList<std::uint32_t>{5});
    EXPECT_TRUE(platform::helpCalls().isEmpty());
    platform::resetHelp();
}

// The shipped pages: every context of the map opens a page, and every link of every page
// leads to a page of the folder (and to an anchor that page holds); no page reaches outside.
TEST(Help, EveryContextAndEveryLinkOfTheShippedPagesLeadsToAPage)
{
    const QString folder = QStringLiteral(ORV_SOURCE_DIR "/data/ayuda");
    const QString file = QStringLiteral(ORV_SOURCE_DIR "/data/Orvenda2.chm");
    QFile map(folder + QStringLiteral("/contextos.txt"));
    ASSERT_TRUE(map.open(QIODevice::ReadOnly | QIODevice::Text));
    int contexts = 0;
    for (const QString &line : QString::fromUtf8(map.readAll()).split(QLatin1Char('\n'))) {
        const QStringList parts = line.section(QLatin1Char('#'), 0, 0).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        ++contexts;
        EXPECT_EQ(parts.size(), 2) << line.toStdString();
        EXPECT_EQ(platform::helpPage(file, parts.at(0).toUInt()), folder + QLatin1Char('/') + parts.value(1))
            << line.toStdString();
    }
    EXPECT_GE(contexts, 20);

    const QRegularExpression link(QStringLiteral("<a\\s[^>]*href=\"([^\"]*)\""));
    const QRegularExpression anchors(QStringLiteral("\\b(?:id|name)=\"([^\"]+)\""));
    const QStringList pages = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_FALSE(pages.isEmpty());
    for (const QString &page : pages) {
        QFile f(folder + QLatin1Char('/') + page);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_FALSE(html.contains(QLatin1String("<script"), Qt::CaseInsensitive)) << page.toStdString();
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString href = m.next().captured(1);
            const std::string where = (page + QStringLiteral(" -> ") + href).toStdString();
            ASSERT_FALSE(href.contains(QLatin1Char(':'))) << where; // nothing outside the folder
            const QString target = href.section(QLatin1Char('#'), 0, 0);
            const QString anchor = href.section(QLatin1Char('#'), 1);
            const QString targetPage = target.isEmpty() ? page : target;
            ASSERT_TRUE(pages.contains(targetPage)) << where;
            if (anchor.isEmpty())
                continue;
            QFile t(folder + QLatin1Char('/') + targetPage);
            ASSERT_TRUE(t.open(QIODevice::ReadOnly));
            QStringList names;
            for (auto a = anchors.globalMatch(QString::fromUtf8(t.readAll())); a.hasNext();)
                names << a.next().captured(1);
            EXPECT_TRUE(names.contains(anchor)) << where;
        }
    }
}

// The viewer opens over the window that asked for help (F1 asks for its context), while that
// window is modal and maximised; it takes clicks, and Esc closes it.
TEST(Help, TheViewerStandsOverTheModalWindowThatAskedTakesClicksAndClosesWithEsc)
{
    QTemporaryDir dir;
    write(dir.filePath("ayuda/contextos.txt"), "7 uno.html\n");
    write(dir.filePath("ayuda/uno.html"), "<p><a href=\"dos.html\">enlace</a></p>");
    write(dir.filePath("ayuda/dos.html"), "<p>dos</p>");
    platform::resetHelp();
    platform::setHelpFile(dir.filePath("Orvenda2.chm"));
    platform::setHelpHandler([](std::uint16_t, std::uint32_t context, bool &) {
        return platform::htmlHelp(nullptr, platform::helpFile(), platform::HelpCommand::HelpContext, context) != 0;
    });
    platform::Form owner;
    owner.setHelpContext(7);
    QWidget *viewerParent = nullptr;
    bool viewerShown = false, closedByEsc = false;
    QString followed;
    QTimer::singleShot(0, &owner, [&] {
        owner.setWindowState(Qt::WindowMaximized);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&owner));
        QTest::keyClick(owner.windowHandle(), Qt::Key_F1);
        QWidget *viewer = platform::helpViewer();
        ASSERT_NE(viewer, nullptr);
        viewerParent = viewer->parentWidget();
        viewerShown = QTest::qWaitForWindowActive(viewer);
        QTextBrowser *b = platform::helpBrowser();
        QTextCursor inLink = b->document()->find(QStringLiteral("enlace"));
        inLink.setPosition(inLink.selectionStart() + 2);
        QTest::mouseClick(viewer->windowHandle(), Qt::LeftButton, {},
                          b->viewport()->mapTo(viewer, b->cursorRect(inLink).center()));
        followed = b->source().fileName();
        QTest::keyClick(viewer->windowHandle(), Qt::Key_Escape);
        closedByEsc = !viewer->isVisible();
        owner.close();
    });
    platform::showModal(&owner);
    EXPECT_EQ(platform::helpContextRequests(), QList<std::uint32_t>{7});
    EXPECT_EQ(viewerParent, &owner);
    EXPECT_TRUE(viewerShown);
    EXPECT_EQ(followed, QStringLiteral("dos.html"));
    EXPECT_TRUE(closedByEsc);
    platform::resetHelp();
}

TEST(Dialogs, FileFiltersShowTheirPatternsAndMatchAnyCase)
{
    EXPECT_EQ(platform::FileDialog::qtFilter(" Ficheros de Estudio |*.db| Todos los Archivos |*.*"),
              "Ficheros de Estudio (*.db);;Todos los Archivos (*)");
    EXPECT_EQ(platform::FileDialog::qtFilter("JPEG Image File (*.jpg, *.jpeg)|*.jpg, *.jpeg"),
              "JPEG Image File (*.jpg *.jpeg)");

    QTemporaryDir dir;
    for (const char *name : {"Ingles.DB", "frances.db", "Ingles.STU", "notas.txt"})
        QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir(QStringLiteral("carpeta"));
    platform::FileDialog d;
    d.Filter = QStringLiteral(" Ficheros de Estudio |*.db");
    d.InitialDir = dir.path();
    QFileDialog dialog;
    d.prepare(dialog);
    auto *model = dialog.findChild<QFileSystemModel *>();
    ASSERT_NE(model, nullptr);
    const QModelIndex root = model->index(dir.path());
    QElapsedTimer t;
    t.start();
    QStringList shown, kinds, dates;
    while (t.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        shown.clear();
        for (int i = 0; i < model->rowCount(root); ++i) {
            const QModelIndex index = model->index(i, 0, root);
            kinds << model->data(index.siblingAtColumn(2)).toString();
            dates << model->data(index.siblingAtColumn(3)).toString();
            if (!model->isDir(index) && (!model->nameFilterDisables() || (model->flags(index) & Qt::ItemIsEnabled)))
                shown << model->fileName(index);
        }
        if (shown.size() >= 2 && model->rowCount(root) >= 3)
            break;
    }
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"Ingles.DB", "frances.db"}));
    // In Spanish, dates included ("6/12/26 10:00", never "6 Dec 2026").
    EXPECT_TRUE(kinds.contains(QStringLiteral("Carpeta"))) << kinds.join('|').toStdString();
    EXPECT_FALSE(dates.filter(QRegularExpression(QStringLiteral("[A-Za-z]"))).size()) << dates.join('|').toStdString();
    EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"))->text(), QStringLiteral("Ver en:"));
}

// A dialog with no title of its own says "Abrir" (or "Guardar como"); with no folder of its
// own it starts where the last file was chosen, else in the current folder, never on the
// computer's list of drives.
TEST(Dialogs, UntitledDialogsSayAbrirAndStartInTheLastFolderUsed)
{
    platform::setScripted(true);
    platform::FileDialog::resetScripting();
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("imagenes"));
    platform::FileDialog abrir(platform::FileDialog::Open), guardar(platform::FileDialog::Save);
    QFileDialog shown;
    abrir.prepare(shown);
    EXPECT_EQ(shown.windowTitle(), QStringLiteral("Abrir"));
    EXPECT_EQ(shown.directory().absolutePath(), QDir::currentPath());
    guardar.prepare(shown);
    EXPECT_EQ(shown.windowTitle(), QStringLiteral("Guardar como"));

    platform::FileDialog::queueFileName(dir.filePath(QStringLiteral("imagenes/hombros.jpg")));
    EXPECT_TRUE(abrir.execute());
    platform::FileDialog::queueCancel();
    EXPECT_FALSE(guardar.execute());
    platform::FileDialog conCarpeta(platform::FileDialog::Open);
    conCarpeta.InitialDir = dir.path();
    conCarpeta.Title = QStringLiteral("Imagen");
    platform::FileDialog::queueCancel();
    EXPECT_FALSE(conCarpeta.execute());
    const QList<platform::FileDialog::Request> asked = platform::FileDialog::requests();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[0].startFolder, QDir::currentPath());
    EXPECT_EQ(asked[1].startFolder, dir.filePath(QStringLiteral("imagenes")));
    EXPECT_EQ(asked[1].shownTitle, QStringLiteral("Guardar como"));
    EXPECT_EQ(asked[2].startFolder, dir.path());
    EXPECT_EQ(asked[2].shownTitle, QStringLiteral("Imagen"));
    abrir.prepare(shown);
    EXPECT_EQ(shown.directory().absolutePath(), dir.filePath(QStringLiteral("imagenes")));
    platform::FileDialog::resetScripting();
    platform::setScripted(false);
}

// Shown for real, the font chooser stands over the window that opened it and starts on the
// font its sample shows: the family really drawn (also for a family this system lacks), bold
// when the sample is bold, at the sample's size.
TEST(Dialogs, TheFontChooserStartsOnTheShownFontOverItsWindow)
{
    QWidget principal, ventana;
    principal.resize(300, 200);
    ventana.resize(200, 100);
    principal.show();
    ventana.show();
    QWidget *antes = platform::mainWindow();
    platform::setMainWindow(&ventana);
    for (const char *familia : {"MS Sans Serif", "DejaVu Sans"}) {
        QFont muestra{QString::fromLatin1(familia)};
        muestra.setBold(true);
        muestra.setPixelSize(20);
        const QFontInfo dibujada(muestra);
        platform::FontDialog dialogo;
        dialogo.Font = muestra;
        QFont inicial;
        QWidget *dueno = nullptr;
        QTimer::singleShot(0, [&] {
            if (auto *d = qobject_cast<QFontDialog *>(QApplication::activeModalWidget())) {
                inicial = d->currentFont();
                dueno = d->parentWidget();
                d->reject();
            }
        });
        EXPECT_FALSE(dialogo.execute());
        EXPECT_EQ(dueno, &ventana) << familia;
        EXPECT_EQ(inicial.family(), dibujada.family()) << familia;
        EXPECT_TRUE(inicial.bold()) << familia;
        EXPECT_EQ(qRound(inicial.pointSizeF()), qRound(dibujada.pointSizeF())) << familia;
    }
    platform::setMainWindow(antes);
}

// Scripted dialogs take queued answers; with none queued a warning answers No and is counted.
TEST(Dialogs, ScriptedDialogsTakeQueuedAnswersAndCancelsKeepTheName)
{
    platform::setScripted(true);
    platform::resetDialogScripting();
    platform::queueDialogAnswer(platform::DialogAnswer::Ok);
    EXPECT_EQ(platform::warningNoOk("¿Seguro?"), platform::DialogAnswer::Ok);
    EXPECT_EQ(platform::warningNoOk("¿Otra vez?"), platform::DialogAnswer::No);
    EXPECT_EQ(platform::unansweredDialogs(), 1);
    EXPECT_EQ(platform::dialogTexts(), (QStringList{"¿Seguro?", "¿Otra vez?"}));
    platform::resetDialogScripting();

    platform::FileDialog::resetScripting();
    platform::FileDialog dialog;
    dialog.FileName = "antes.db";
    platform::FileDialog::queueFileName("/d/Ingles.db");
    platform::FileDialog::queueCancel();
    EXPECT_TRUE(dialog.execute());
    EXPECT_EQ(dialog.FileName, "/d/Ingles.db");
    EXPECT_FALSE(dialog.execute());
    EXPECT_EQ(dialog.FileName, "/d/Ingles.db");
    EXPECT_EQ(platform::FileDialog::unanswered(), 0);
    platform::FileDialog::resetScripting();
    platform::setScripted(false);
}

// Shown for real, the program's questions and messages speak Spanish ("Aceptar", never "OK"):
// the warning offers No then Aceptar, No being what Enter and Esc choose; only a click on
// Aceptar goes on.
TEST(Dialogs, ShownQuestionsOfferNoAndAceptar)
{
    struct Case {
        const char *press; // button to click, or "Esc" / "Enter"
        platform::DialogAnswer answer;
    } cases[] = {{"Aceptar", platform::DialogAnswer::Ok},
                 {"&No", platform::DialogAnswer::No},
                 {"Esc", platform::DialogAnswer::No},
                 {"Enter", platform::DialogAnswer::No}};
    const bool wasScripted = platform::isScripted();
    platform::setScripted(false);
    auto press = [](const char *what, QStringList &buttons) {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
        QList<QAbstractButton *> shown = box->buttons();
        std::sort(shown.begin(), shown.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
        for (QAbstractButton *b : shown)
            buttons << b->text();
        if (qstrcmp(what, "Esc") == 0 || qstrcmp(what, "Enter") == 0) {
            QTest::keyClick(box, qstrcmp(what, "Esc") == 0 ? Qt::Key_Escape : Qt::Key_Return);
            return;
        }
        for (QAbstractButton *b : shown)
            if (b->text() == QString::fromUtf8(what)) {
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
        box->close(); // no such button
    };
    for (const Case &c : cases) {
        QStringList buttons;
        QTimer::singleShot(0, [&] { press(c.press, buttons); });
        EXPECT_EQ(platform::warningNoOk(QStringLiteral("¿Seguro que quiere borrar las FICHAS MARCADAS?")), c.answer)
            << c.press;
        EXPECT_EQ(buttons, (QStringList{"&No", "Aceptar"})) << c.press;
    }
    QStringList buttons;
    QTimer::singleShot(0, [&] { press("Aceptar", buttons); });
    platform::plainMessage(QStringLiteral("Se han importado 3 fichas."));
    EXPECT_EQ(buttons, QStringList{"Aceptar"});
    platform::setScripted(wasScripted);
}

TEST(Label, SizesToItsCaptionWithCarriageReturnsStartingLines)
{
    platform::Label label;
    const QFontMetrics fm(label.font());
    label.setCaption("corto\rmucho más largo");
    EXPECT_EQ(label.text(), "corto\nmucho más largo");
    EXPECT_EQ(label.caption(), "corto\rmucho más largo");
    EXPECT_GE(label.width(), fm.horizontalAdvance("mucho más largo"));
    const int oneLine = fm.boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft, "x").height();
    EXPECT_EQ(label.height(), 2 * oneLine);
    label.setCaption(QString());
    EXPECT_EQ(label.height(), oneLine); // an empty caption measures as one blank
    EXPECT_EQ(label.width(), fm.horizontalAdvance(' '));
    label.setAutoSize(false);
    label.setCaption("otra cosa bastante más larga que antes");
    EXPECT_EQ(label.width(), fm.horizontalAdvance(' '));
}

// Wrapping breaks at blanks while words fit, cuts a word wider than the width between its
// characters (a surrogate pair stays whole), keeps the text's own line starts, and leaves no
// line wider than the width; a 1 MiB word is wrapped like any other.
TEST(Label, WrapToWidthBreaksAtBlanksAndCutsWordsTooWide)
{
    const QFont font = platform::Label().font();
    const QFontMetricsF fm(font);
    const int room = int(std::ceil(fm.horizontalAdvance(QStringLiteral("uno dos"))));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // outside the 16-bit range
    const struct {
        QString text, wrapped;
    } cases[] = {
        {"", ""},
        {"uno", "uno"},
        {"uno dos tres", "uno dos\rtres"},
        {"uno\r\rdos tres cuatro", "uno\r\rdos tres\rcuatro"},
        {"  uno", "  uno"},
        {"uno " + QString(40, 'x') + " dos", ""},
        {QString(30, 'x') + emoji.repeated(30), ""},
        {QString(1 << 20, 'x'), ""},
    };
    for (const auto &c : cases) {
        const QString wrapped = platform::wrapToWidth(c.text, font, room);
        if (!c.wrapped.isEmpty() || c.text.isEmpty()) {
            EXPECT_EQ(wrapped, c.wrapped) << c.text.left(40).toStdString();
        }
        QString joined;
        for (const QString &line : wrapped.split('\r')) {
            EXPECT_LE(fm.horizontalAdvance(line), room + 0.5) << line.left(40).toStdString();
            EXPECT_FALSE(line.endsWith(QChar::highSurrogate(0x1F600)));
            joined += line;
        }
        EXPECT_EQ(joined.remove(' '), QString(c.text).remove(' ').remove('\r')) << c.text.left(40).toStdString();
    }
}
