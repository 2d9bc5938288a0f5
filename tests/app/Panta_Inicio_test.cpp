#include "support/ProgramFixture.h"

#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"

#include <QTextBrowser>

using platform::tcolor;
namespace colors = platform::colors;

namespace {
const QString NoFile = QStringLiteral("No hay ningún Fichero de Estudio abierto.");
const QString NoFileLabel = QStringLiteral("Fichero Abierto:  (ninguno)");
} // namespace

class MainWindowTest : public ProgramFixture {};

TEST_F(MainWindowTest, CreatesTheWindowsOnceHiddenInTheProgramsOrder)
{
    startProgram();
    // The program's order; a window not yet part of the program is simply absent.
    const QStringList order{"Panta_Inicio_", "Alta_Fichas_", "D_Module_", "FILTRO_ENV", "Modif_glob_",
                            "Crea_Fiche_", "Selecc_Repaso_", "Repasar_", "Ver_Info_", "Imprimir_", "AcercaDe_",
                            "Configura_Progr_", "Descanso_", "Ver_Pag_Web_", "FreeNiv0a1_", "Parpadeo_Aviso_",
                            "Importar_de_txt_", "Passw_FE_", "Exportar_FE_", "FE_Transporte_", "Text_Zoom_",
                            "Imag_Zoom_", "Importar_de_FE_", "Importar_de_txt_e_Imag_", "Anade_n_Grupo", "Mensaje"};
    const QStringList created = app::createdWindows();
    QStringList inOrder;
    for (const QString &name : order)
        if (created.contains(name))
            inOrder << name;
    EXPECT_EQ(created, inOrder);
    EXPECT_EQ(created.first(), "Panta_Inicio_");
    EXPECT_EQ(created.last(), "Mensaje");
    ASSERT_NE(Panta_Inicio_, nullptr);
    EXPECT_FALSE(Panta_Inicio_->isVisible());
    EXPECT_EQ(platform::mainWindow(), Panta_Inicio_);
    EXPECT_EQ(platform::Application::title(), "OV2");
    EXPECT_TRUE(Panta_Inicio_->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Panta_Inicio_->Panel1->size(), QSize(981, 585));
    EXPECT_EQ(Panta_Inicio_->PageControl1->count(), 3);
    EXPECT_EQ(Panta_Inicio_->PageControl1->tabText(0), " Principal ");
    EXPECT_EQ(Panta_Inicio_->PageControl1->tabText(1), " Utilidades ");
    EXPECT_EQ(Panta_Inicio_->PageControl1->tabText(2), "Herramientas ");
    EXPECT_TRUE(shownWindows().isEmpty());
    EXPECT_TRUE(platform::helpCalls().isEmpty());
}

TEST_F(MainWindowTest, SessionFieldsStartAsTheCreationLeavesThem)
{
    startProgram();
    auto *p = Panta_Inicio_;
    EXPECT_EQ(p->Carpeta_Programa, programFolder());
    EXPECT_EQ(p->Ruta_FE, programFolder() + "/dat/");
    EXPECT_EQ(p->OpenDialog1->InitialDir, programFolder() + "/dat/");
    EXPECT_EQ(platform::helpFile(), programFolder() + "/Orvenda2.chm");
    EXPECT_EQ(p->Serie_Disco, "1A2B-3C4D");
    EXPECT_EQ(p->Descanso_Armado, 1);
    EXPECT_EQ(p->Indice_Descanso, 1);
    EXPECT_EQ(p->Leer_Preferencias, 1);
    EXPECT_EQ(p->Edicion_Desde_Repaso, 0);
    EXPECT_EQ(p->Saltar_Activacion, 0);
    EXPECT_EQ(p->FE_Abierto, 0);
    EXPECT_EQ(p->Ayuda_Iniciada, 0);
    EXPECT_EQ(p->Cookie_Ayuda, 0u);
    EXPECT_EQ(p->Modo_Alta, 0);
    EXPECT_EQ(p->Tiempo_Pausas, 0.0);
    EXPECT_TRUE(p->Filtro_Actual.isEmpty());
    EXPECT_TRUE(p->Origen_Zoom.isEmpty());
    EXPECT_TRUE(p->Texto_Mensaje.isEmpty());
    EXPECT_EQ(p->NumFich, nullptr);
    EXPECT_EQ(p->RichEdit3->lines(), QStringList{"RichEdit3"});
    EXPECT_FALSE(p->RichEdit1->isVisibleTo(p));
    EXPECT_EQ(p->Timer_Descanso->interval(), 900000);
    EXPECT_TRUE(p->Timer_Descanso->isActive());
    EXPECT_EQ(p->Timer_Parpadeo->interval(), 30000);
    EXPECT_FALSE(p->Timer_Parpadeo->isActive());
    EXPECT_EQ(Titulo_Programa.size(), 40);
    EXPECT_EQ(Titulo_Programa.trimmed(), "Orvenda  vs. 2.0");
    EXPECT_EQ(Filtro_Base, " (Nive_fich <> 0 ) ");
}

TEST_F(MainWindowTest, AnUnreadableVolumeGivesTheThreeTildeKey)
{
    platform::setVolumeSerialForTesting(std::nullopt);
    startProgram();
    EXPECT_EQ(Panta_Inicio_->Serie_Disco, "~~~");
    platform::setVolumeSerialForTesting(0x00AB0001u);
    EXPECT_EQ(Numero_Serie_Disco(programFolder()), "00AB-0001");
}

TEST_F(MainWindowTest, MenuLabelsHaveTheirCaptionsTagsColoursAndFont)
{
    startProgram();
    struct Expect {
        platform::Label *label;
        const char *caption;
        int tag;
        unsigned color;
    };
    const auto *p = Panta_Inicio_;
    const Expect expected[] = {
        {p->Label5, "1- Abrir  Fichero", 1, colors::Navy},
        {p->Label1, "2- Repasar Fichas", 1, colors::Navy},
        {p->Label32, "3- Repaso por tiempo", 1, colors::Navy},
        {p->Label2, "4- Añadir Fichas", 1, colors::Navy},
        {p->Label31, "5- Añadir Fichas en Grupo", 1, colors::Navy},
        {p->Label13, "6- Información del Fichero", 1, colors::Navy},
        {p->Label3, "7-  Seleccionar, Modificar   o Borrar Fichas ", 1, colors::Navy},
        {p->Label11, "8-  Crear Fichero ", 1, colors::Navy},
        {p->Label8, "0-  Ayuda", 0, colors::Maroon},
        {p->Label14, "Acerca de...", 0, colors::Maroon},
        {p->Label7, "Salir", 0, colors::Maroon},
        {p->Label19, "A- Pasar Fichas del   Nivel 0 al 1", 2, colors::Blue},
        {p->Label18, "B- Opciones del Programa", 2, colors::Blue},
        {p->Label6, "C- Imprimir Fichas ", 2, colors::Blue},
        {p->Label10, "D- Modificación Global ", 2, colors::Blue},
        {p->Label15, "Z- Ayuda", 0, colors::Maroon},
        {p->Label16, "Salir", 0, colors::Maroon},
        {p->Label24, "E- Ficheros de Transporte", 3, colors::Purple},
        {p->Label4, "F- Reparar Fichero", 3, colors::Purple},
        {p->Label12, "G- Borrar Fichero ", 3, colors::Purple},
        {p->Label30, "H- Exportar a un nuevo Fichero de Estudio", 3, colors::Purple},
        {p->Label20, "I- Importar Fichas con texto", 3, colors::Purple},
        {p->Label25, "J- Importar desde un Fichero de Estudio", 3, colors::Purple},
        {p->Label43, "K- Importar Fichas con texto e imagenes", 3, colors::Purple},
        {p->Label26, "Y- Ayuda", 0, colors::Maroon},
        {p->Label27, "Salir", 0, colors::Maroon},
    };
    for (const Expect &e : expected) {
        SCOPED_TRACE(e.label->objectName().toStdString());
        EXPECT_EQ(e.label->caption(), QString::fromUtf8(e.caption));
        EXPECT_EQ(e.label->Tag, e.tag);
        EXPECT_EQ(e.label->fontColor(), tcolor(e.color));
        EXPECT_EQ(e.label->font().pixelSize(), 19);
        EXPECT_TRUE(e.label->font().bold());
        EXPECT_TRUE(e.label->font().italic());
        EXPECT_EQ(e.label->font().family(), "Times New Roman");
    }
    for (platform::Label *l : {p->Label9, p->Label17, p->Label22}) {
        EXPECT_EQ(l->caption(), NoFileLabel);
        EXPECT_EQ(l->fontColor(), tcolor(colors::Black));
    }
}

// ---- Keyboard ----

TEST_F(MainWindowTest, UpperAndLowerCaseLettersOpenTheSameEntry)
{
    startProgram();
    Panta_Inicio_->FE_Abierto = 1;
    pressKey('a');
    EXPECT_EQ(shownWindows(), QStringList{"FreeNiv0a1_"});
    clearShownWindows();
    pressKey('A');
    EXPECT_EQ(shownWindows(), QStringList{"FreeNiv0a1_"});
    EXPECT_TRUE(messages().isEmpty());
    // The file is open only by its flag: the window finds no card table.
    EXPECT_EQ(takeErrorReports().size(), 2);
}

TEST_F(MainWindowTest, KeysWithoutAnEntryDoNothing)
{
    startProgram();
    Panta_Inicio_->FE_Abierto = 1;
    for (QChar key : {QChar('L'), QChar('l'), QChar('\r'), QChar(' '), QChar('x')})
        pressKey(key);
    EXPECT_TRUE(shownWindows().isEmpty());
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(platform::helpContextRequests().isEmpty());
    EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1);
}

TEST_F(MainWindowTest, EveryKeyReachesItsEntryFromAnyTab)
{
    startProgram();
    const std::pair<char, const char *> table[] = {
        {'2', "Selecc_Repaso_"},   {'4', "Alta_Fichas_"},    {'5', "Anade_n_Grupo"},
        {'6', "Ver_Info_"},        {'7', "FILTRO_ENV"},      {'b', "Configura_Progr_"},
        {'c', "Imprimir_"},        {'d', "Modif_glob_"},     {'h', "Exportar_FE_"},
        {'i', "Importar_de_txt_"}, {'J', "Importar_de_FE_"}, {'k', "Importar_de_txt_e_Imag_"},
    };
    for (int tab = 0; tab < 3; ++tab) {
        Panta_Inicio_->PageControl1->setCurrentIndex(tab);
        for (const auto &[key, window] : table) {
            SCOPED_TRACE(std::string(1, key) + " on tab " + std::to_string(tab));
            Panta_Inicio_->FE_Abierto = 1;
            clearShownWindows();
            pressKey(QChar(key));
            EXPECT_EQ(shownWindows(), QStringList{QString::fromLatin1(window)});
        }
    }
    EXPECT_EQ(Panta_Inicio_->Modo_Alta, 1);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(MainWindowTest, WithNoFileOpenTheGuardedEntriesShowTheMessageAndOpenNothing)
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
}

TEST_F(MainWindowTest, EntriesThatNeedNoFileWorkWithoutOne)
{
    startProgram();
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

TEST_F(MainWindowTest, CreateAndTransportCloseTheOpenFileFirst)
{
    startProgram();
    for (QChar key : {QChar('8'), QChar('e')}) {
        Panta_Inicio_->FE_Abierto = 1;
        Panta_Inicio_->Label9->setCaption("Fichero Abierto: Ingles");
        Panta_Inicio_->Label17->setCaption("Fichero Abierto: Ingles");
        pressKey(key);
        EXPECT_EQ(Panta_Inicio_->FE_Abierto, 0);
        EXPECT_EQ(Panta_Inicio_->Label9->caption(), NoFileLabel);
        EXPECT_EQ(Panta_Inicio_->Label17->caption(), NoFileLabel);
    }
}

TEST_F(MainWindowTest, PrintEntryWithNoFileShowsTheGuardAfterTheRebuild)
{
    startProgram();
    click(Panta_Inicio_->Label6);
    EXPECT_EQ(Panta_Inicio_->Crear_Tabla_Impresion, 0);
    EXPECT_EQ(messages(), QStringList{NoFile});
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

TEST_F(MainWindowTest, KeysAreNotConsumed)
{
    startProgram();
    QChar seen;
    // A handler connected after the main window's own still sees the key.
    QObject::connect(Panta_Inicio_, &platform::Form::keyPressed, Panta_Inicio_, [&](QChar &k) { seen = k; });
    Panta_Inicio_->FE_Abierto = 1;
    pressKey('b');
    EXPECT_EQ(seen, QChar('b'));
}

// ---- Esc and closing ----

TEST_F(MainWindowTest, EscClosesTheMainWindowFromEveryTabThroughThatTabsCancelButton)
{
    startProgram();
    int closed = 0;
    QObject::connect(Panta_Inicio_, &platform::Form::closed, Panta_Inicio_, [&] { ++closed; });
    QPushButton *buttons[] = {Panta_Inicio_->Button1, Panta_Inicio_->Button2, Panta_Inicio_->ButtonScape3};
    int clicked[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i)
        QObject::connect(buttons[i], &QPushButton::clicked, buttons[i], [&clicked, i] { ++clicked[i]; });
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        Panta_Inicio_->PageControl1->setCurrentIndex(tab);
        pressKey(QChar(27));
        EXPECT_EQ(clicked[tab], 1);
        EXPECT_EQ(closed, tab + 1);
    }
    for (QPushButton *b : buttons)
        EXPECT_EQ(b->size(), QSize(1, 1));
}

TEST_F(MainWindowTest, ClosingWithoutAHelpRequestCallsNoHelpFunction)
{
    startProgram();
    click(Panta_Inicio_->Label7);
    EXPECT_TRUE(platform::helpCalls().isEmpty());
    EXPECT_EQ(Panta_Inicio_->Ayuda_Iniciada, 0);
}

TEST_F(MainWindowTest, HelpIsInitialisedAtTheFirstRequestOnlyAndClosedWithTheWindow)
{
    installHelpPages();
    startProgram();
    pressKey('0');
    click(Panta_Inicio_->Label15);
    const auto calls = platform::helpCalls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].command, platform::HelpCommand::Initialize);
    EXPECT_EQ(calls[1].command, platform::HelpCommand::HelpContext);
    EXPECT_EQ(calls[1].data, 1u);
    EXPECT_EQ(calls[1].file, programFolder() + "/Orvenda2.chm");
    EXPECT_EQ(calls[2].command, platform::HelpCommand::HelpContext);
    EXPECT_EQ(calls[2].data, 2u);
    EXPECT_EQ(Panta_Inicio_->Ayuda_Iniciada, 1);
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

TEST_F(MainWindowTest, EveryHelpContextOfTheProgramHasAPage)
{
    installHelpPages();
    const QString file = programPath("Orvenda2.chm");
    for (std::uint32_t context : {1, 2, 3, 12, 13, 14, 15, 16, 21, 22, 23, 24, 31, 33, 41, 42, 43, 52, 61, 100})
        EXPECT_FALSE(platform::helpPage(file, context).isEmpty()) << context;
    EXPECT_TRUE(platform::helpPage(file, 4).isEmpty());
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
    };
    platform::Panel *sheets[] = {p->TabSheet1, p->TabSheet2, p->TabSheet3, p->TabSheet1};
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
    // The pages are drawn silver, so the white of a hovered entry shows on them.
    for (int tab = 0; tab < 3; ++tab) {
        p->PageControl1->setCurrentIndex(tab);
        const QWidget *sheet = p->PageControl1->currentWidget();
        const QImage window = Panta_Inicio_->grab().toImage();
        const QPoint corner = sheet->mapTo(Panta_Inicio_, QPoint(sheet->width() - 3, sheet->height() - 3));
        EXPECT_EQ(window.pixelColor(corner), tcolor(colors::Silver)) << tab;
    }
}

TEST_F(MainWindowTest, MovingFromLabelToLabelRestoresOnlyTheLastOne)
{
    startProgram();
    auto *p = Panta_Inicio_;
    mouseMove(p->Label5);
    mouseMove(p->Label1);
    mouseMove(p->TabSheet1);
    EXPECT_EQ(p->Label1->fontColor(), tcolor(colors::Navy));
    EXPECT_EQ(p->Label5->fontColor(), tcolor(colors::White));
    // A second move over the sheet changes nothing.
    mouseMove(p->TabSheet1);
    EXPECT_EQ(p->Label5->fontColor(), tcolor(colors::White));
}

TEST_F(MainWindowTest, ATagOutsideOneToThreeRestoresMaroon)
{
    startProgram();
    auto *p = Panta_Inicio_;
    p->Label1->Tag = 7;
    mouseMove(p->Label1);
    mouseMove(p->TabSheet1);
    EXPECT_EQ(p->Label1->fontColor(), tcolor(colors::Maroon));
}

// ---- Pictures ----

TEST_F(MainWindowTest, StartUpWithOnlyImageJpegShowsThatPicture)
{
    putPicture("Image.JPEG", 1200, 600);
    startProgram();
    auto *p = Panta_Inicio_;
    ASSERT_TRUE(p->Image1->hasPicture());
    EXPECT_EQ(p->Image1->picture().size(), QSize(1200, 600));
    EXPECT_EQ(p->Image1->geometry(), QRect(352, 81, 608, 304));
    for (auto *copy : {p->Image2, p->Image3}) {
        EXPECT_EQ(copy->picture().size(), QSize(1200, 600));
        EXPECT_EQ(copy->geometry(), QRect(352, 81, 608, 304));
    }
    // The default picture does not look for ".JPEG": closing a file leaves the pictures empty.
    p->Cierra_Fichero();
    EXPECT_FALSE(p->Image1->hasPicture());
    EXPECT_FALSE(p->Image2->hasPicture());
    EXPECT_EQ(p->Image1->size(), QSize(0, 0));
}

TEST_F(MainWindowTest, StartUpPrefersBmpThenJpg)
{
    putPicture("Image.JPG", 300, 200);
    putPicture("Image.BMP", 100, 50);
    startProgram();
    EXPECT_EQ(Panta_Inicio_->Image1->picture().size(), QSize(100, 50));
    EXPECT_TRUE(Panta_Inicio_->Image1->holdsBitmap());
}

TEST_F(MainWindowTest, AnUndecodableProgramPictureLeavesThePicturesEmptyWithoutAMessage)
{
    putFile("Image.JPG", "this is not a picture");
    startProgram();
    EXPECT_FALSE(Panta_Inicio_->Image1->hasPicture());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(MainWindowTest, TheDefaultPictureIsFoundWhateverTheCaseOfItsName)
{
    startProgram();
    putPicture("Image.JPG", 300, 200);
    Panta_Inicio_->Pon_Imagen_Por_Defecto();
    EXPECT_EQ(Panta_Inicio_->Image1->picture().size(), QSize(300, 200));
    EXPECT_EQ(Panta_Inicio_->Image3->picture().size(), QSize(300, 200));
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

TEST(CompanionPath, DropsTheLastTwoCharacters)
{
    EXPECT_EQ(Ruta_Companero("/d/Ingles.db", "STU"), "/d/Ingles.STU");
    EXPECT_EQ(Ruta_Companero("x", "STU"), "");
}
