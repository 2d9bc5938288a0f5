#include "support/EventLoop.h"
#include "support/ProgramFixture.h"
#include "support/StudyFileOpen.h"

#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "editing/Alta_Fichas.h"
#include "editing/FILTRO_ENV_.h"
#include "exchange/Exportar_FE.h"
#include "exchange/Importar_de_txt.h"
#include "exchange/Importar_de_txt_e_Imag.h"
#include "options/Configura_Progr.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "platform/Screen.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"

#include <QApplication>
#include <QMap>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using platform::tcolor;
namespace colors = platform::colors;

namespace {
const QString NoFile = QStringLiteral("No hay ningún Fichero de Estudio abierto.");
} // namespace

class MainWindowTest : public ProgramFixture {};

TEST_F(MainWindowTest, CreatesTheWindowsOnceHiddenInTheProgramsOrder)
{
    startProgram();
    // The main window, the card editor, the data module, then every other window; the message
    // window last.
    const QStringList order{"Panta_Inicio_", "Alta_Fichas_", "D_Module_", "FILTRO_ENV", "Modif_glob_",
                            "Crea_Fiche_", "Selecc_Repaso_", "Repasar_", "Ver_Info_", "Imprimir_", "AcercaDe_",
                            "Configura_Progr_", "Descanso_", "Ver_Pag_Web_", "FreeNiv0a1_", "Parpadeo_Aviso_",
                            "Importar_de_txt_", "Passw_FE_", "Exportar_FE_", "FE_Transporte_", "Text_Zoom_",
                            "Imag_Zoom_", "Importar_de_FE_", "Importar_de_txt_e_Imag_", "Anade_n_Grupo", "Mensaje"};
    EXPECT_EQ(app::createdWindows(), order);
    ASSERT_NE(Panta_Inicio_, nullptr);
    EXPECT_FALSE(Panta_Inicio_->isVisible());
    EXPECT_EQ(platform::mainWindow(), Panta_Inicio_);
    EXPECT_TRUE(shownWindows().isEmpty());
    // The paths and the disk key come from where the program runs.
    auto *p = Panta_Inicio_;
    EXPECT_EQ(p->Carpeta_Programa, programFolder());
    EXPECT_EQ(p->Ruta_FE, programFolder() + "/dat/");
    EXPECT_EQ(p->OpenDialog1->InitialDir, programFolder() + "/dat/");
    EXPECT_EQ(platform::helpFile(), programFolder() + "/Orvenda2.chm");
    EXPECT_EQ(p->Serie_Disco, "1A2B-3C4D");
}

TEST_F(MainWindowTest, AnUnreadableVolumeGivesTheThreeTildeKeyAndCompanionsTheirPaths)
{
    platform::setVolumeSerialForTesting(std::nullopt);
    startProgram();
    EXPECT_EQ(Panta_Inicio_->Serie_Disco, "~~~");
    // A companion's path drops the last two characters of the table's.
    EXPECT_EQ(Ruta_Companero("/d/Ingles.db", "STU"), "/d/Ingles.STU");
    EXPECT_EQ(Ruta_Companero("x", "STU"), "");
    platform::setVolumeSerialForTesting(0x00AB0001u);
    EXPECT_EQ(Numero_Serie_Disco(programFolder()), "00AB-0001");
}

// ---- Keyboard ----

TEST_F(MainWindowTest, EveryKeyReachesItsEntryFromAnyTabAndOtherKeysNothing)
{
    startProgram();
    QString seen; // a handler connected after the main window's own still sees every key
    QObject::connect(Panta_Inicio_, &platform::Form::keyPressed, Panta_Inicio_, [&](QChar &k) { seen += k; });
    Panta_Inicio_->Exportable = 1; // else the export window refuses at once
    const std::pair<char, const char *> table[] = {
        {'2', "Selecc_Repaso_"},   {'4', "Alta_Fichas_"},    {'5', "Anade_n_Grupo"},
        {'6', "Ver_Info_"},        {'7', "FILTRO_ENV"},      {'b', "Configura_Progr_"},
        {'c', "Imprimir_"},        {'d', "Modif_glob_"},     {'h', "Exportar_FE_"},
        {'i', "Importar_de_txt_"}, {'J', "Importar_de_FE_"}, {'k', "Importar_de_txt_e_Imag_"},
        {'a', "FreeNiv0a1_"},
    };
    // The open file may be printed and has short answers, so the printing window opens
    // without a message.
    Panta_Inicio_->Imprimible = 1;
    Panta_Inicio_->Tam_Respuesta = 60;
    for (int tab = 0; tab < 3; ++tab) {
        Panta_Inicio_->PageControl1->setCurrentIndex(tab);
        for (const auto &[key, window] : table) {
            SCOPED_TRACE(std::string(1, key) + " on tab " + std::to_string(tab));
            for (QChar k : {QChar(key).toLower(), QChar(key).toUpper()}) { // either case
                Panta_Inicio_->FE_Abierto = 1;
                clearShownWindows();
                pressKey(k);
                EXPECT_EQ(shownWindows(), QStringList{QString::fromLatin1(window)});
            }
        }
    }
    EXPECT_EQ(Panta_Inicio_->Modo_Alta, 1);
    EXPECT_EQ(seen.size(), 3 * 2 * 13);
    // Keys without an entry do nothing.
    clearShownWindows();
    for (QChar key : {QChar('L'), QChar('l'), QChar('\r'), QChar(' '), QChar('x')})
        pressKey(key);
    EXPECT_TRUE(shownWindows().isEmpty());
    EXPECT_TRUE(platform::helpContextRequests().isEmpty());
    EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(MainWindowTest, WithNoFileOpenTheGuardedEntriesShowTheMessageAndTheOthersWork)
{
    startProgram();
    const QString guarded = QStringLiteral("234567acdhik");
    for (QChar key : guarded) {
        SCOPED_TRACE(key.toLatin1());
        clearMessages();
        clearShownWindows();
        pressKey(key);
        EXPECT_EQ(messages(), QStringList{NoFile});
        EXPECT_EQ(shownWindows(), QStringList{"Mensaje"});
    }
    EXPECT_EQ(Panta_Inicio_->Modo_Alta, 0);
    clearMessages();
    click(Panta_Inicio_->Label6); // the print entry's label
    EXPECT_EQ(Panta_Inicio_->Crear_Tabla_Impresion, 0);
    EXPECT_EQ(messages(), QStringList{NoFile});
    clearMessages();
    // The entries that need no file work without one.
    for (auto [key, window] : {std::pair{'B', "Configura_Progr_"}, std::pair{'J', "Importar_de_FE_"},
                               std::pair{'8', "Crea_Fiche_"}, std::pair{'E', "FE_Transporte_"}}) {
        SCOPED_TRACE(key);
        clearShownWindows();
        pressKey(QChar(key));
        EXPECT_EQ(shownWindows(), QStringList{QString::fromLatin1(window)});
    }
    clearShownWindows();
    click(Panta_Inicio_->Label14);
    EXPECT_EQ(shownWindows(), QStringList{"AcercaDe_"});
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(MainWindowTest, HelpKeysAndHelpLabelsAskForTheirContexts)
{
    startProgram();
    Panta_Inicio_->PageControl1->setCurrentIndex(1);
    pressKey('Z');
    click(Panta_Inicio_->Label15);
    pressKey('y');
    click(Panta_Inicio_->Label26);
    pressKey('0');
    click(Panta_Inicio_->Label8);
    EXPECT_EQ(platform::helpContextRequests(), (QList<std::uint32_t>{1, 2, 1, 3, 1, 1}));
}

// ---- Esc and closing ----

TEST_F(MainWindowTest, EscClosesTheMainWindowFromEveryTabThroughThatTabsCancelButton)
{
    startProgram();
    int closed = 0;
    QObject::connect(Panta_Inicio_, &platform::Form::closed, Panta_Inicio_, [&] { ++closed; });
    QList<QPushButton *> buttons{Panta_Inicio_->Button1, Panta_Inicio_->Button2, Panta_Inicio_->ButtonScape3}, clicked;
    for (QPushButton *b : buttons)
        QObject::connect(b, &QPushButton::clicked, b, [&clicked, b] { clicked << b; });
    for (int tab = 0; tab < 3; ++tab) {
        Panta_Inicio_->PageControl1->setCurrentIndex(tab);
        pressKey(QChar(27));
    }
    EXPECT_EQ(clicked, buttons);
    EXPECT_EQ(closed, 3);
}

TEST_F(MainWindowTest, HelpIsInitialisedAtTheFirstRequestOnlyAndClosedWithTheWindow)
{
    installHelpPages();
    startProgram();
    click(Panta_Inicio_->Label7); // closing without a help request calls no help function
    EXPECT_TRUE(platform::helpCalls().isEmpty());
    pressKey('0');
    click(Panta_Inicio_->Label15);
    const auto calls = platform::helpCalls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].command, platform::HelpCommand::Initialize);
    EXPECT_EQ(calls[1].command, platform::HelpCommand::HelpContext);
    EXPECT_EQ(calls[1].file, programFolder() + "/Orvenda2.chm");
    EXPECT_EQ(calls[2].data, 2u);
    ASSERT_NE(platform::helpBrowser(), nullptr);
    EXPECT_TRUE(platform::helpBrowser()->source().toLocalFile().endsWith("ayuda/utilidades.html"));
    const std::uint32_t cookie = Panta_Inicio_->Cookie_Ayuda;
    EXPECT_NE(cookie, 0u);

    Panta_Inicio_->close();
    const auto after = platform::helpCalls();
    ASSERT_EQ(after.size(), 5);
    EXPECT_EQ(after[3].command, platform::HelpCommand::CloseAll);
    EXPECT_EQ(after[4].command, platform::HelpCommand::Uninitialize);
    EXPECT_EQ(after[4].data, cookie);
    EXPECT_EQ(Panta_Inicio_->Ayuda_Iniciada, 0);
}

TEST_F(MainWindowTest, MissingHelpPagesOpenNothingAndSayNothing)
{
    startProgram(); // no help pages in the program folder
    pressKey('0');
    EXPECT_EQ(platform::helpCalls().size(), 2);
    EXPECT_EQ(platform::helpViewer(), nullptr);
    EXPECT_TRUE(messages().isEmpty());
}

// F1 in every window asks for its own help context, which has a page (the main window's
// follows its page); the windows that stand in the middle of the desktop centre themselves.
TEST_F(MainWindowTest, EveryWindowsF1HelpHasAPageAndCentredWindowsCentre)
{
    installHelpPages();
    startProgram();
    const QString file = programPath("Orvenda2.chm");
    const struct {
        const char *window;
        std::uint32_t context;
        bool centred;
    } windows[] = {{"Alta_Fichas_", 13, true},      {"FILTRO_ENV", 8, true},        {"Modif_glob_", 22, true},
                   {"Crea_Fiche_", 16, true},       {"Selecc_Repaso_", 12, true},   {"Repasar_", 12, true},
                   {"Ver_Info_", 14, true},         {"Imprimir_", 21, true},        {"AcercaDe_", 0, true},
                   {"Configura_Progr_", 23, false}, {"Descanso_", 0, true},         {"Ver_Pag_Web_", 0, true},
                   {"FreeNiv0a1_", 24, false},      {"Parpadeo_Aviso_", 0, true},   {"Importar_de_txt_", 33, true},
                   {"Passw_FE_", 52, true},         {"Exportar_FE_", 41, false},    {"FE_Transporte_", 31, true},
                   {"Text_Zoom_", 61, true},        {"Importar_de_FE_", 42, true},  {"Importar_de_txt_e_Imag_", 43, true},
                   {"Anade_n_Grupo", 100, true}};
    QMap<QString, platform::Form *> forms;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<platform::Form *>(w))
            forms.insert(f->objectName(), f);
    for (const auto &w : windows) {
        SCOPED_TRACE(w.window);
        platform::Form *f = forms.value(QString::fromLatin1(w.window));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::pair(f->windowHelpContext(), f->centred()), std::pair(w.context, w.centred));
        EXPECT_EQ(platform::helpPage(file, w.context).isEmpty(), w.context == 0);
    }
    for (int page = 0; page < 3; ++page) {
        Panta_Inicio_->PageControl1->setCurrentIndex(page);
        EXPECT_EQ(Panta_Inicio_->windowHelpContext(), std::uint32_t(page + 1));
        EXPECT_FALSE(platform::helpPage(file, page + 1).isEmpty());
    }
    EXPECT_TRUE(platform::helpPage(file, 4).isEmpty());
    // The selection window's button opens a topic of its own, not the window's context.
    FILTRO_ENV->Button3->click();
    EXPECT_EQ(platform::helpContextRequests().last(), 15u);
}

// The file dialogs' filters and titles are the program's texts, word for word.
TEST_F(MainWindowTest, TheFileDialogsCarryTheirFiltersAndTitlesAsWritten)
{
    startProgram();
    const QString pictures = QStringLiteral("All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg, "
                                            "*.jpeg)|*.jpg, *.jpeg|Bitmaps (*.bmp)|*.bmp|All Files (*.*)|*.*");
    const QString texts = QStringLiteral("Text Files / Archivos de Texto|*.TXT|All Files / Todos los Archivos|*.*");
    const struct {
        const char *dialog;
        platform::FileDialog *d;
        QString filter, title;
    } cases[] = {
        {"card editor, long answer", Alta_Fichas_->OpenDialog1,
         "RTF Files / Archivos RTF|*.rtf|All Files / Todos los Archivos|*.*", "RTF File / Archivo RTF"},
        {"create a file, picture", Crea_Fiche_->OpenPictureDialog1, pictures, {}},
        {"export, other picture", Exportar_FE_->OpenPictureDialog1, pictures, {}},
        {"text import", Importar_de_txt_->OpenDialog1, texts, "Import / Importar"},
        {"text import with pictures", Importar_de_txt_e_Imag_->OpenDialog1, texts, "Import / Importar"},
        {"options, program picture", Configura_Progr_->OpenPictureDialog1,
         "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg, *.jpeg)|*.jpg, "
         "*.jpeg|Bitmaps (*.bmp)|*.bmp|All Files (*.*)|*.*",
         {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(std::pair(c.d->Filter, c.d->Title), std::pair(c.filter, c.title)) << c.dialog;
}

// ---- Hover ----

TEST_F(MainWindowTest, HoverWhitensALabelAndTheTabSheetRestoresItsColourByTag)
{
    startProgram();
    const auto *p = Panta_Inicio_;
    const std::pair<platform::Label *, unsigned> cases[] = {
        {p->Label1, colors::Navy},
        {p->Label19, colors::Blue},
        {p->Label24, colors::Purple},
        {p->Label7, colors::Maroon},
        {p->Label5, colors::Maroon}, // a tag outside 1 to 3
    };
    p->Label5->Tag = 7;
    platform::Panel *sheets[] = {p->TabSheet1, p->TabSheet2, p->TabSheet3, p->TabSheet1, p->TabSheet1};
    int i = 0;
    for (const auto &[label, color] : cases) {
        SCOPED_TRACE(label->objectName().toStdString());
        mouseMove(label);
        EXPECT_EQ(Panta_Inicio_->Rotulo_Resaltado, 1);
        EXPECT_EQ(label->fontColor(), tcolor(colors::White));
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
        mouseMove(sheets[i++]);
        EXPECT_EQ(Panta_Inicio_->Rotulo_Resaltado, 0);
        EXPECT_EQ(label->fontColor(), tcolor(color));
        EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor);
    }
    // From label to label: only the last one is restored, once.
    mouseMove(p->Label5);
    mouseMove(p->Label1);
    mouseMove(p->TabSheet1);
    mouseMove(p->TabSheet1);
    EXPECT_EQ(p->Label1->fontColor(), tcolor(colors::Navy));
    EXPECT_EQ(p->Label5->fontColor(), tcolor(colors::White));
    // The pages are drawn silver, so the white of a hovered entry shows on them.
    for (int tab = 0; tab < 3; ++tab) {
        p->PageControl1->setCurrentIndex(tab);
        const QWidget *sheet = p->PageControl1->currentWidget();
        const QImage window = Panta_Inicio_->grab().toImage();
        const QPoint corner = sheet->mapTo(Panta_Inicio_, QPoint(sheet->width() - 3, sheet->height() - 3));
        EXPECT_EQ(window.pixelColor(corner), tcolor(colors::Silver)) << tab;
    }
}

// ---- Pictures ----

TEST_F(MainWindowTest, StartUpWithOnlyImageJpegShowsThatPicture)
{
    putPicture("Image.JPEG", 1200, 600);
    startProgram();
    auto *p = Panta_Inicio_;
    ASSERT_TRUE(p->Image1->hasPicture());
    EXPECT_EQ(p->Image1->picture().size(), QSize(1200, 600));
    for (auto *copy : {p->Image1, p->Image2, p->Image3})
        EXPECT_EQ(copy->geometry(), QRect(352, 81, 608, 304));
    // The default picture does not look for ".JPEG": closing a file leaves the pictures empty.
    p->Cierra_Fichero();
    EXPECT_FALSE(p->Image2->hasPicture());
    EXPECT_EQ(p->Image1->size(), QSize(0, 0));
}

// The program's picture, at the start and after a file is closed: .BMP before .JPG, in any
// case of the name; one that does not decode leaves the pictures empty, without a message.
TEST_F(MainWindowTest, TheProgramsPictureIsTheBmpThenTheJpgInAnyCase)
{
    putFile("image.bmp", "this is not a picture");
    putPicture("Image.JPG", 300, 200);
    startProgram();
    EXPECT_FALSE(Panta_Inicio_->Image1->hasPicture());
    EXPECT_TRUE(messages().isEmpty());
    putPicture("image.bmp", 100, 50);
    Panta_Inicio_->Pon_Imagen_Por_Defecto();
    EXPECT_EQ(Panta_Inicio_->Image1->picture().size(), QSize(100, 50));
    EXPECT_TRUE(Panta_Inicio_->Image1->holdsBitmap());
    QFile::remove(programPath("image.bmp"));
    Panta_Inicio_->Pon_Imagen_Por_Defecto();
    EXPECT_EQ(Panta_Inicio_->Image3->picture().size(), QSize(300, 200));
    putFile("Image.JPG", "this is not a picture");
    Panta_Inicio_->Pon_Imagen_Por_Defecto();
    EXPECT_FALSE(Panta_Inicio_->Image1->hasPicture());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(MainWindowTest, FileInformationPictureFollowsTheStudyFilesPicture)
{
    startProgram();
    QWidget host; // stands in for the file information window and its picture
    platform::ImageControl info(&host);
    TImag_Zoom_::registerSlot(9, &info);
    putPicture("Image.JPG", 900, 300);
    Panta_Inicio_->Ruta_FE = programPath("dat/Ingles.db");
    Panta_Inicio_->Pon_Imagen_Por_Defecto();
    EXPECT_TRUE(info.isHidden());

    putPicture("dat/Ingles.JPG", 10, 10);
    Panta_Inicio_->Actualiza_Imagenes("Info FE: SI");
    EXPECT_FALSE(info.isHidden());
    EXPECT_EQ(info.picture().size(), QSize(900, 300));
    EXPECT_EQ(info.geometry(), QRect(4, 22 + (243 - 148) / 2, 445, 148));

    // Any other mode leaves it alone.
    info.hide();
    Panta_Inicio_->Actualiza_Imagenes("Info FE: NO");
    EXPECT_TRUE(info.isHidden());
}

// ---- Window states ----

class WindowStateTest : public StudyFileFixture {};

// On screen: the card editor (entry 7's selection and the file information too) opens
// maximised while the main window is maximised, and normal once it is restored, at its own
// size and centred, although it was maximised the time before; and maximised again after.
TEST_F(WindowStateTest, EditorSelectionAndFileInformationFollowTheMainWindowEveryTime)
{
    openStudyFile(testsupport::defaultOptions(), {{1, -1, QString(), QStringLiteral("uno")}});
    const struct {
        char key;
        const char *window;
    } entries[] = {{'4', "Alta_Fichas_"}, {'7', "FILTRO_ENV"}, {'6', "Ver_Info_"}};
    QMap<QString, platform::Form *> forms;
    QMap<QString, QSize> design;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<platform::Form *>(w)) {
            forms.insert(f->objectName(), f);
            design.insert(f->objectName(), f->size());
        }
    platform::setScripted(false);
    auto *main = Panta_Inicio_;
    const QRect area = platform::desktopArea();
    for (const bool maximised : {true, false, true, false}) {
        SCOPED_TRACE(maximised ? "main window maximised" : "main window restored");
        maximised ? main->showMaximized() : main->showNormal();
        main->activateWindow();
        ASSERT_TRUE(testsupport::waitUntil([&] { return main->isActiveWindow() && main->isMaximized() == maximised; }));
        for (const auto &e : entries) {
            SCOPED_TRACE(e.window);
            platform::Form *w = forms.value(QString::fromLatin1(e.window));
            ASSERT_NE(w, nullptr);
            bool shown = false, wasMaximised = !maximised;
            QRect frame;
            QTimer::singleShot(0, w, [&] {
                shown = testsupport::waitUntil([&] { return w->isActiveWindow(); });
                QCoreApplication::processEvents();
                wasMaximised = w->isMaximized();
                frame = w->frameGeometry();
                QTest::keyClick(w->windowHandle(), Qt::Key_Escape);
            });
            QTest::keyClick(main->windowHandle(), e.key);
            EXPECT_TRUE(shown);
            EXPECT_FALSE(w->isVisible());
            EXPECT_EQ(wasMaximised, maximised);
            if (!maximised) {
                EXPECT_EQ(w->size(), design.value(w->objectName()));
                EXPECT_EQ(frame.topLeft(), platform::centredPosition(frame.size(), area));
            }
            main->activateWindow();
            ASSERT_TRUE(testsupport::waitUntil([&] { return main->isActiveWindow(); }));
        }
    }
    main->hide();
    platform::setScripted(true);
}
