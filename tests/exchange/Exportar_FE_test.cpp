// The export window driven through the main menu: new study files that open with their own
// password, rights and levels and hold every card's texts and pictures, the refusals, and
// failures that leave nothing behind.
#include "exchange/ExchangeFixture.h"

#include "exchange/Exportar_FE.h"
#include "platform/Files.h"
#include "platform/MessageDialog.h"
#include "store/Opciones_FE.h"
#include "store/Text_Zoom.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <random>
#include <tuple>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString Source = QStringLiteral("Fuente");
const QString SourcePassword = QStringLiteral("clave uno");

struct Choices {
    QString name;
    bool compress = true;
    QString password{}; // empty: none
    int levels = 2;   // 1, 2 or 3 (RadioButton1..3)
    QString count = QStringLiteral("20 ");
    QString level = QStringLiteral("1");
    bool keepNextReview = false;
    bool exportable = false, modifiable = true, printable = true;
    bool selection = false; // "Seleccionar."
};
} // namespace

class ExportTest : public ExchangeFixture {
protected:
    // The packed, enciphered source file, opened.
    std::vector<TestCard> openSource(int n = 200)
    {
        Opciones_FE o = everyPart();
        o.Encriptado = true;
        std::vector<TestCard> cards = sampleCards(n, true);
        putPicture("dat/" + Source + ".JPG", 40, 30);
        const QString path = writeStudy(Source, o, cards, SourcePassword.toStdString(), {"Descripción", "  dos  "});
        openStudy(path, SourcePassword);
        EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1) << messages().join("|").toStdString();
        clearMessages();
        return cards;
    }

    // Shows the window from the menu entry H, sets the choices and presses "&Exportar".
    void exportWith(const Choices &c)
    {
        platform::onNextShow("Exportar_FE_", [c](QWidget *) {
            TExportar_FE_ *w = Exportar_FE_;
            w->Edit1->setText(c.name);
            w->RadioGroup1->setItemIndex(c.selection ? 1 : 0);
            w->RadioGroup3->setItemIndex(c.compress ? 0 : 1);
            w->CheckBox1->setChecked(!c.password.isEmpty());
            w->CheckBox1Click();
            w->Edit2->setText(c.password);
            QRadioButton *levels[] = {w->RadioButton1, w->RadioButton2, w->RadioButton3};
            levels[c.levels - 1]->click();
            w->MaskEdit1->setText(c.count);
            w->MaskEdit3->setText(c.level);
            w->RadioGroup2->setItemIndex(c.keepNextReview ? 1 : 0);
            w->CheckBox3->setChecked(c.exportable);
            w->CheckBox2->setChecked(c.modifiable);
            w->CheckBox4->setChecked(c.printable);
            w->Button3->click();
        });
        pressKey('H');
    }
};

TEST_F(ExportTest, PackedEncipheredCardsGoIntoPlainCompressedAndReEncipheredFilesThatOpen)
{
    const std::vector<TestCard> cards = openSource();
    struct Case {
        QString name;
        bool compress;
        QString password;
        QString flag;
    } cases[] = {
        {"Plano", false, "", "N"},
        {"Comprimido", true, "", "S"},
        {"Otra clave", true, "otra clave", "S"},
        {"Clave sin comprimir", false, "sin lzh", "S"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name.toStdString());
        // The source stays open across exports.
        if (Panta_Inicio_->FE_Abierto == 0)
            openStudy(dat(Source + ".DB"), SourcePassword);
        clearMessages();
        exportWith({.name = k.name, .compress = k.compress, .password = k.password});
        ASSERT_EQ(messages(), QStringList{Msg_Exportado.arg(k.name)});
        EXPECT_TRUE(D_Module_->Tabla_Activa->active() && D_Module_->Tabla_Activa->filtered());
        EXPECT_TRUE(QFileInfo::exists(dat(k.name + ".JPG")));

        clearMessages();
        openStudy(dat(k.name + ".DB"), k.password);
        ASSERT_EQ(Panta_Inicio_->FE_Abierto, 1) << messages().join("|").toStdString();
        EXPECT_EQ(Panta_Inicio_->Comprimido, k.compress ? 1 : 0);
        EXPECT_EQ(Panta_Inicio_->Encriptado, k.password.isEmpty() ? 0 : 1);
        EXPECT_EQ(Panta_Inicio_->RichEdit1->lines().mid(0, 2), (QStringList{"Descripción", "  dos  "}));
        const std::map<QString, testsupport::StoredCard> stored = openCards();
        ASSERT_EQ(stored.size(), cards.size());
        for (const TestCard &src : cards) {
            SCOPED_TRACE(src.question.toStdString());
            const auto it = stored.find(src.question);
            ASSERT_NE(it, stored.end());
            const testsupport::StoredCard &s = it->second;
            // Texts and pictures as in the source; the review history starts again.
            EXPECT_EQ(std::tie(s.packed, s.level, s.importance, s.key, s.questionType, s.answerType),
                      std::tie(k.flag, src.level, src.importance, src.key, src.questionType, src.answerType));
            EXPECT_EQ(std::tuple(s.created, s.last, s.reviews, s.next), std::tuple("20261205", "", 0, "00000000"));
            EXPECT_TRUE(std::tie(s.shortAnswer, s.longAnswer, s.questionPicture, s.answerPicture)
                        == std::tie(src.shortAnswer, src.longAnswer, src.questionPicture, src.answerPicture));
        }
        Panta_Inicio_->Cierra_Fichero();
    }
    // No temporary file is left in "dat".
    for (const QString &f : datFiles())
        EXPECT_FALSE(f.startsWith('.')) << f.toStdString();
}

TEST_F(ExportTest, LevelsRightsDatesAndTheSelection)
{
    openSource(5);
    // Level option 1: the first N cards of the new table's order go to level 1.
    const std::pair<Choices, std::vector<int>> levelCases[] = { // levels sorted
        {{.name = "N20", .levels = 1}, {1, 1, 1, 1, 1}},
        {{.name = "N2", .levels = 1, .count = "2  "}, {0, 0, 0, 1, 1}},
        {{.name = "Nivel7", .levels = 3, .level = "7"}, {7, 7, 7, 7, 7}},
    };
    for (auto [c, expected] : levelCases) {
        SCOPED_TRACE(c.name.toStdString());
        c.keepNextReview = c.exportable = true;
        c.modifiable = c.printable = false;
        clearMessages();
        exportWith(c);
        ASSERT_EQ(messages(), QStringList{Msg_Exportado.arg(c.name)});
        const QString line = testsupport::readSettings(dat(c.name + ".STU")).value(0);
        EXPECT_EQ(line.mid(20, 21), "Csi Eno Mno EXsi IMno");
        EXPECT_EQ(line.left(18), testsupport::readSettings(dat(Source + ".STU"), SourcePassword.toStdString()).value(0).left(18));
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(dat(c.name + ".DB")));
        std::vector<int> got;
        for (t.first(); !t.eof(); t.next()) {
            got.push_back(t.fieldByName("Nive_Fich").asInteger());
            EXPECT_EQ(t.fieldByName("Fech_Prox_Repa").asString().substr(0, 6), "202612");
        }
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
    }

    // The creation date follows the date order of the options.
    Panta_Inicio_->Formato_Fecha = 0;
    platform::onNextShow("Exportar_FE_", [](QWidget *) {
        Exportar_FE_->MaskEdit2->setText("03/04/27");
        Exportar_FE_->Edit1->setText("Fecha");
        Exportar_FE_->Button3->click();
    });
    // The activation fills the date first; the action then types another one.
    pressKey('H');
    engine::Table t;
    testsupport::openTable(t, testsupport::fileName(dat("Fecha.DB")));
    EXPECT_EQ(t.fieldByName("Fech_Crea").asString(), "20270304");
    t.close();

    // "Seleccionar." has a button that opens the selection window to select only; coming back
    // from it keeps the date typed.
    int soloSeleccionar = -1;
    QString date;
    platform::onNextShow("Exportar_FE_", [&](QWidget *) {
        Exportar_FE_->MaskEdit2->setText("03/04/27");
        Exportar_FE_->RadioGroup1->button(1)->click();
        platform::onNextShow("FILTRO_ENV", [&](QWidget *) { soloSeleccionar = Panta_Inicio_->Solo_Seleccionar; });
        Exportar_FE_->Button5->click();
        date = Exportar_FE_->MaskEdit2->text();
    });
    pressKey('H');
    EXPECT_EQ(std::pair(soloSeleccionar, date), std::pair(1, QStringLiteral("03/04/27")));

    // "Seleccionar." exports the filter in force; "Todas." every card, level 0 included.
    D_Module_->Tabla_Activa->setFilter("Nive_Fich = 3");
    exportWith({.name = "Seleccion", .selection = true});
    exportWith({.name = "Todas"});
    EXPECT_EQ(D_Module_->Tabla_Activa->filter(), "Nive_Fich = 3");
    EXPECT_TRUE(D_Module_->Tabla_Activa->filtered());
    for (auto [name, count] : {std::pair{"Seleccion", 1}, std::pair{"Todas", 5}}) {
        engine::Table e;
        testsupport::openTable(e, testsupport::fileName(dat(QString(name) + ".DB")));
        EXPECT_EQ(int(e.recordCount()), count) << name;
    }
}

TEST_F(ExportTest, RefusalsAndFailuresHalfWayLeaveNoNewFileAndTheOpenFileAsItWas)
{
    openSource(20);
    testsupport::writeBytes(dat("Existe.PX"), "x");
    struct Case {
        const char *what;
        Choices choices;
        QString message;
    };
    // The checks themselves are the export rules' own; here their wiring to the controls.
    const Case cases[] = {
        {"name taken by X.PX", {.name = "Existe"}, Msg_Exportar_Ya_Existe},
        {"blank password", {.name = "Nuevo", .password = "   "}, Msg_Falta_Contrasena},
        {"blank level", {.name = "Nuevo", .levels = 3, .level = " "}, Msg_Nivel_Exportar},
    };
    const QStringList before = datFiles();
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        clearMessages();
        exportWith(k.choices);
        EXPECT_EQ(messages(), QStringList{k.message});
        EXPECT_EQ(datFiles(), before);
    }

    // An empty view, and a file that may not be exported (also refused at activation).
    D_Module_->Tabla_Activa->setFilter("Nive_Fich = 9");
    clearMessages();
    exportWith({.name = "Nuevo", .selection = true});
    EXPECT_EQ(messages(), QStringList{Msg_Exportar_Vacio});
    D_Module_->Tabla_Activa->setFilter(Filtro_Base.toStdString());
    Panta_Inicio_->Exportable = 0;
    clearMessages();
    pressKey('H');
    EXPECT_EQ(messages(), QStringList{Msg_No_Exportable});
    EXPECT_EQ(datFiles(), before);
    Panta_Inicio_->Exportable = 1;

    // The open file's picture can't be read.
    testsupport::writeBytes(dat(Source + ".JPG"), "not a picture");
    clearMessages();
    const Choices c{.name = "Roto"};
    exportWith(c);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("No se pudo exportar el Fichero de Estudio\r\rRoto"));
    EXPECT_EQ(datFiles(), before);
    EXPECT_TRUE(D_Module_->Tabla_Activa->active() && D_Module_->Tabla_Activa->filtered());
    EXPECT_EQ(D_Module_->Tabla_Activa->filter(), Filtro_Base.toStdString());

    // A damaged card blob, or a long answer that unpacks past the answer limit: the data
    // module's message, then the export's, in Spanish.
    const std::string damaged[] = {"&*damaged",
                                   testsupport::packedBlob(std::string((size_t(16) << 20) + 1, '\0'), true, false)};
    for (const std::string &bytes : damaged) {
        {
            engine::Table t;
            testsupport::openTable(t, testsupport::fileName(dat(Source + ".DB")));
            t.setFilter("Nive_Fich = 4");
            t.setFiltered(true);
            t.edit();
            t.fieldByName("Resp_Memo").setBytes(bytes);
            t.post();
        }
        D_Module_->Tabla_Activa->refresh();
        QFile::remove(dat(Source + ".JPG"));
        clearMessages();
        exportWith(c);
        ASSERT_EQ(messages().size(), 2);
        EXPECT_EQ(messages().first(), "Los datos de este Fichero de Estudio están dañados.");
        EXPECT_TRUE(messages().last().startsWith("No se pudo exportar"));
        EXPECT_FALSE(messages().last().contains("File is corrupt"));
        QStringList expected = before;
        expected.removeAll(Source + ".JPG");
        EXPECT_EQ(datFiles(), expected);
    }
}

TEST_F(ExportTest, AKilledExportLeavesNoNewStudyFileThatOpens)
{
    openSource(200);
    std::mt19937 random(7);
    int killedBeforeTheEnd = 0;
    // Rounds 0 to 5 die at a card of the copying loop; the others are killed from outside at
    // any moment, the final renames included.
    const int dieAtCard[] = {1, 50, 100, 150, 199, 200};
    for (int round = 0; round < 12; ++round) {
        const QString name = QStringLiteral("Matado%1").arg(round);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (round < 6)
                QObject::connect(Exportar_FE_->Gauge1, &QProgressBar::valueChanged, [&](int value) {
                    if (value == dieAtCard[round])
                        raise(SIGKILL);
                });
            Exportar_FE_->activate();
            Exportar_FE_->Edit1->setText(name);
            Exportar_FE_->CheckBox1->setChecked(true);
            Exportar_FE_->Edit2->setText("k");
            Exportar_FE_->Button3Click();
            _exit(0);
        }
        if (round >= 6) {
            usleep(std::uniform_int_distribution<useconds_t>(0, 150000)(random));
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        const bool finished = WIFEXITED(status);
        killedBeforeTheEnd += finished ? 0 : 1;

        // Only a complete file opens, with every card.
        clearMessages();
        const bool whole = QFileInfo::exists(dat(name + ".DB")) && QFileInfo::exists(dat(name + ".STU"));
        openStudy(dat(name + ".DB"), whole ? QStringLiteral("k") : QString());
        if (whole) {
            ASSERT_EQ(Panta_Inicio_->FE_Abierto, 1);
            EXPECT_EQ(openCards().size(), 200u);
        } else {
            EXPECT_EQ(Panta_Inicio_->FE_Abierto, 0);
            EXPECT_EQ(messages().value(0), Msg_Fichero_Incompleto);
        }
        openStudy(dat(Source + ".DB"), SourcePassword);
        ASSERT_EQ(Panta_Inicio_->FE_Abierto, 1);
    }
    EXPECT_GT(killedBeforeTheEnd, 0);
    // The next export takes away what the killed ones left: work tables, the engine's copies,
    // saved files and their journals.
    exportWith({.name = "Despues"});
    for (const QString &f : datFiles())
        EXPECT_FALSE(f.startsWith('.')) << f.toStdString();
}

TEST_F(ExportTest, ThePictureAndTheDescriptionOfTheNewFile)
{
    openSource(2);
    const QStringList settings = Exportar_FE_->RichEdit1->lines().mid(0, 3);
    QFile::remove(dat(Source + ".JPG"));
    const QString jpeg = putPicture("dat/" + Source + ".JPEG", 33, 22);
    const QString bmp = putPicture("fotos/otra.bmp", 12, 10);
    const QString gif = programPath("fotos/otra.gif");
    testsupport::writeBytes(gif, "GIF89a");
    struct Case {
        const char *name;
        QRadioButton *TExportar_FE_::*button;
        QString chosen; // file given to the picture dialog
        QString written, bytesFrom;
    } cases[] = {
        {"Misma", &TExportar_FE_::Misma_Imagen, {}, "Misma.JPG", jpeg},
        {"OtraBmp", &TExportar_FE_::Otra_Imagen, bmp, "OtraBmp.BMP", bmp},
        {"OtraGif", &TExportar_FE_::Otra_Imagen, gif, {}, {}},
        {"Ninguna", &TExportar_FE_::Ninguna_Imagen, {}, {}, {}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        if (!k.chosen.isEmpty())
            platform::FileDialog::queueFileName(k.chosen);
        platform::onNextShow("Exportar_FE_", [&k](QWidget *) {
            (Exportar_FE_->*k.button)->click();
            Exportar_FE_->Edit1->setText(k.name);
            Exportar_FE_->Button3->click();
        });
        pressKey('H');
        QStringList pictures = datFiles().filter(QRegularExpression(QStringLiteral("^%1\\.(BMP|JPG)$").arg(k.name)));
        EXPECT_EQ(pictures, k.written.isEmpty() ? QStringList() : QStringList{k.written});
        EXPECT_TRUE(k.written.isEmpty() || platform::readWholeFile(dat(k.written)) == platform::readWholeFile(k.bytesFrom));
    }

    // The description is edited apart from the settings lines.
    QStringList shown;
    platform::onNextShow("Exportar_FE_", [&](QWidget *) {
        platform::onNextShow("Text_Zoom_", [&](QWidget *) {
            shown = Text_Zoom_->RichEdit1->lines();
            Text_Zoom_->RichEdit1->setLines({"Nueva descripción", "  con blancos  "});
            Text_Zoom_->Button2->click();
        });
        Exportar_FE_->Button1->click();
        Exportar_FE_->Edit1->setText("Descrito");
        Exportar_FE_->Button3->click();
    });
    pressKey('H');
    EXPECT_EQ(shown, (QStringList{"Descripción", "  dos  "}));
    const QStringList written = testsupport::readSettings(dat("Descrito.STU"));
    EXPECT_EQ(written.mid(1, 2), settings.mid(1, 2)); // the version line and the empty line
    EXPECT_EQ(written.mid(3), (QStringList{"Nueva descripción", "  con blancos  "}));
}

// The export's unpacking of a card blob: the stream given is the stream returned, holding the
// item "1" rewound; content over the limit is refused as damaged.
TEST_F(ExportTest, ACardBlobIsUnpackedInPlaceWithinItsLimit)
{
    const std::string plain(300, 'x');
    D_Module_->PKS->Key = "clave";
    for (const auto &[limit, unpacked] : {std::pair<int64_t, bool>{300, true}, {299, false}}) {
        packing::MemoryStream s(std::string_view{testsupport::packedBlob(plain, true, true, "clave")});
        s.setPosition(7);
        bool refused = false;
        try {
            EXPECT_EQ(&Desempaqueta_Stream_Exportar(s, limit), &s);
        } catch (const std::exception &) {
            refused = true;
        }
        EXPECT_EQ(refused, !unpacked) << limit;
        if (unpacked) {
            EXPECT_EQ(std::pair(s.toString(), s.position()), std::pair(plain, int64_t(0)));
        }
    }
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Los datos de este Fichero de Estudio están dañados.")});
}
