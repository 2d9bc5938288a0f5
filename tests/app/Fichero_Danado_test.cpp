// Study files whose table pages cannot be read: opened through menu entry 1 and read by the
// windows, they are told once, in Spanish, and closed as they were.
#include "support/ProgramFixture.h"
#include "support/CardFiles.h"
#include "support/EngineTables.h"
#include "support/StudyFiles.h"
#include "support/TablePages.h"

#include "app/Panta_Inicio.h"
#include "editing/Alta_Fichas.h"
#include "editing/FILTRO_ENV_.h"
#include "exchange/Exportar_FE.h"
#include "platform/FileDialog.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "printing/Imprimir.h"
#include "review/Repasar.h"
#include "review/Selecc_Repaso.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QFile>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

using testsupport::readWholeFile;

// Texts of the storage library that must never reach the user.
bool speaksEnglish(const QString &text)
{
    for (const char *word : {"malformed", "database", "disk image", "not a", "corrupt", "file is"})
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

class DamagedFileTest : public ProgramFixture {
protected:
    static constexpr int N = 400;

    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
    }

    // The study file "Danado" as the program creates it, with N cards of level 1 (in the order
    // they were written), each with a short and a long answer and a question picture; the
    // second card's long answer alone needs pages of its own.
    QString study()
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Texto_Largo = true;
        o.Imagen_Pregunta = true;
        const QString path = testsupport::writeStudyFile(dat(QString()), QStringLiteral("Danado"), o);
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        const std::string picture = testsupport::pictureBytes("JPG", 40, 30).toStdString();
        for (int i = 1; i <= N; ++i) {
            testsupport::CardContent c;
            c.question = QStringLiteral("pregunta número %1 de las fichas de prueba").arg(i);
            c.shortAnswer = testsupport::rtfLines({QStringLiteral("corta %1").arg(i)});
            // The second card's long answer runs over pages of its own.
            c.longAnswer = testsupport::rtfLines({QString(i == 2 ? 30000 : 200, QChar('a' + i % 26))});
            c.questionType = QStringLiteral("JPG");
            c.questionPicture = picture;
            testsupport::appendCard(t, c);
        }
        return path;
    }

    void open(const QString &path)
    {
        platform::FileDialog::queueFileName(path);
        pressKey('1');
    }

    // The study file, damaged, opened.
    QString openDamaged(void (*damage)(const QString &))
    {
        const QString path = study();
        damage(path);
        open(path);
        return path;
    }

    // The damage was told once, as the study file's, with nothing else said about it, and the
    // file is closed as it was.
    void expectToldOnceAndClosed(const QString &path, const QByteArray &before)
    {
        const QStringList told = messages();
        EXPECT_EQ(told.count(Msg_Fichero_Danado), 1) << told.join(" | ").toStdString();
        for (const QString &m : told)
            EXPECT_FALSE(speaksEnglish(m)) << m.toStdString();
        const QStringList reports = takeErrorReports();
        EXPECT_TRUE(reports.isEmpty()) << reports.join(" | ").toStdString();
        EXPECT_EQ(Sesion_->FE_Abierto, 0);
        EXPECT_FALSE(D_Module_->Tabla_Activa->active());
        EXPECT_TRUE(readWholeFile(path) == before) << "the damaged file was changed";
        EXPECT_FALSE(D_Module_->Fichero_Danado());
    }
};

TEST_F(DamagedFileTest, OpeningADamagedFileTellsItOnceInSpanishAndLeavesItAsItWas)
{
    const struct {
        const char *name;
        std::function<void(const QString &)> damage;
    } cases[] = {
        {"pages of the cards overwritten",
         [](const QString &path) {
             const std::vector<qint64> pages = testsupport::leafPages(path, "data");
             ASSERT_GE(pages.size(), 3u);
             ASSERT_TRUE(testsupport::spoilPages(path, {pages[0], pages[1], pages[2]}));
         }},
        {"a header that declares a huge page count",
         [](const QString &path) { ASSERT_TRUE(testsupport::overwriteAt(path, 28, QByteArray("\x7f\xff\xff\xff", 4))); }},
        {"a header that declares 64 KiB pages", [](const QString &path) { ASSERT_TRUE(testsupport::overwriteAt(path, 16, QByteArray("\x00\x01", 2))); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = study();
        c.damage(path);
        const QByteArray before = readWholeFile(path);
        clearMessages();

        open(path);

        EXPECT_EQ(messages(), QStringList{Msg_Fichero_Danado});
        expectToldOnceAndClosed(path, before);
        EXPECT_NE(QString::fromUtf8(readWholeFile(programPath("ultimo.txt"))), path + "\n");
    }
}


namespace {

// Damage met after the opening: the pages of the second card's long answer, or the last page
// of the cards' rows.
void spoilSecondLongAnswer(const QString &path)
{
    std::vector<qint64> pages;
    {
        engine::Database db;
        db.open(testsupport::fileName(path), false);
        engine::Statement q = db.prepare("SELECT pageno FROM dbstat WHERE name = 'orv_blob10' AND pagetype = 'overflow'");
        while (q.step())
            pages.push_back(q.columnInt(0));
    }
    ASSERT_FALSE(pages.empty());
    ASSERT_TRUE(testsupport::spoilPages(path, pages));
}

void spoilLastRows(const QString &path)
{
    const std::vector<qint64> pages = testsupport::leafPages(path, "data");
    ASSERT_GE(pages.size(), 3u);
    ASSERT_TRUE(testsupport::spoilPages(path, {pages.back()}));
}

void review()
{
    platform::onNextShow("Selecc_Repaso_", [](QWidget *) {
        platform::onNextShow("Repasar_", [](QWidget *) {
            for (QPushButton *judgement : {Repasar_->Button6, Repasar_->Button6, Repasar_->Button7}) {
                Repasar_->Button1->click();
                judgement->click();
            }
            Repasar_->Button2->click();
        });
        Selecc_Repaso_->Button1->click();
    });
}

// The selection window, its grid taken to the last card.
void selection()
{
    platform::onNextShow("FILTRO_ENV", [](QWidget *) {
        QTest::keyClick(FILTRO_ENV->DBGrid1, Qt::Key_End, Qt::ControlModifier);
        FILTRO_ENV->Button1->click();
    });
}

// The card editor from the selection window, moving on card by card.
void editor()
{
    platform::onNextShow("FILTRO_ENV", [](QWidget *) {
        platform::onNextShow("Alta_Fichas_", [](QWidget *) {
            for (int i = 0; i < 3; ++i)
                Alta_Fichas_->DBNavigator1->btnClick(platform::DBNavigator::Next);
            Alta_Fichas_->Button1->click();
        });
        FILTRO_ENV->Button7->click();
        FILTRO_ENV->Button1->click();
    });
}

void fileInformation() {}

// A preview of the long answers.
void printing()
{
    platform::onNextShow("Imprimir_", [](QWidget *) {
        Imprimir_->Grupo_Resp->setItemIndex(2);
        Imprimir_->Button6->click();
        Imprimir_->Button1->click();
    });
}

void exporting()
{
    platform::onNextShow("Exportar_FE_", [](QWidget *) {
        Exportar_FE_->Edit1->setText(QStringLiteral("Copia"));
        Exportar_FE_->Button3->click();
    });
}

bool aboutDamage(const QString &message)
{
    return message.contains(QStringLiteral("dañad"));
}

} // namespace

// Every window that reads the damaged table tells it once, with the study file's message (the
// export inside its own), the storage library's words nowhere; the main window closes the
// file when the work ends, and a window that only reads leaves its bytes as they were.
TEST_F(DamagedFileTest, EveryWindowThatMeetsTheDamageTellsItOnceAndTheFileIsClosed)
{
    const struct {
        const char *name;
        void (*damage)(const QString &);
        QChar key;
        void (*work)();
        bool readsOnly;
    } cases[] = {
        {"review", spoilSecondLongAnswer, '2', review, false},
        {"card editor", spoilSecondLongAnswer, '7', editor, false},
        {"selection", spoilLastRows, '7', selection, true},
        {"file information", spoilLastRows, '6', fileInformation, true},
        {"printing", spoilLastRows, 'C', printing, true},
        {"export", spoilLastRows, 'H', exporting, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = openDamaged(c.damage);
        ASSERT_EQ(Sesion_->FE_Abierto, 1) << messages().join(" | ").toStdString();
        const QByteArray before = readWholeFile(path);
        clearMessages();

        c.work();
        pressKey(c.key);

        QStringList told;
        for (const QString &m : messages())
            if (aboutDamage(m))
                told << m;
        ASSERT_EQ(told.size(), 1) << messages().join(" | ").toStdString();
        EXPECT_TRUE(told.first().contains(Msg_Fichero_Danado)) << told.first().toStdString();
        for (const QString &m : messages())
            EXPECT_FALSE(speaksEnglish(m)) << m.toStdString();
        const QStringList reports = takeErrorReports();
        EXPECT_TRUE(reports.isEmpty()) << reports.join(" | ").toStdString();
        EXPECT_EQ(Sesion_->FE_Abierto, 0);
        EXPECT_FALSE(D_Module_->Tabla_Activa->active());
        if (c.readsOnly) {
            EXPECT_TRUE(readWholeFile(path) == before) << "the damaged file was changed";
        }
        EXPECT_EQ(platform::pendingModalActions(), 0);
        Sesion_->Cierra_Fichero(); // whatever went wrong, the next case starts with no file open
    }
}

// Pages of one card's long answer that cannot be read: the print shows every other card, that
// card without its long answer, and names it once; the file stays open.
TEST_F(DamagedFileTest, APrintThatMeetsOneDamagedCardPrintsTheOthersAndNamesIt)
{
    const QString path = study();
    spoilSecondLongAnswer(path);
    open(path);
    ASSERT_EQ(Sesion_->FE_Abierto, 1);
    clearMessages();
    printing();
    pressKey('C');
    EXPECT_EQ(messages(),
              QStringList{Msg_Ficha_Danada_Impresa.arg(QStringLiteral("    «pregunta número 2 de las fichas de prueba»"))});
    EXPECT_TRUE(takeErrorReports().isEmpty());
    const auto &drawn = Imprimir_->Hoja1.drawn();
    // Every card has its band (the last page's mirrored rows add blank ones); the damaged card's
    // band alone among the cards' is empty.
    ASSERT_GE(drawn.size(), std::size_t(N));
    std::size_t empty = 0;
    for (const auto &band : drawn)
        empty += band.controls.empty() || band.controls.at(0).text.isEmpty();
    EXPECT_EQ(empty, drawn.size() - N + 1);
    EXPECT_EQ(Sesion_->FE_Abierto, 1);
}

// The selection window's grid meets the damage at its last rows and goes back to the first card,
// which is then changed and saved in the card editor, or marked and deleted.
template <bool Save> void firstCardAfterTheGrid()
{
    platform::onNextShow("FILTRO_ENV", [](QWidget *) {
        QTest::keyClick(FILTRO_ENV->DBGrid1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(FILTRO_ENV->DBGrid1, Qt::Key_Home, Qt::ControlModifier);
        if (Save) {
            platform::onNextShow("Alta_Fichas_", [](QWidget *) {
                QTest::keyClicks(Alta_Fichas_->EditPreg_Text, QStringLiteral(" cambiada"));
                Alta_Fichas_->Button2->click();
                Alta_Fichas_->Button1->click();
            });
            FILTRO_ENV->Button7->click();
        } else {
            FILTRO_ENV->DBGrid1->selectRow(D_Module_->Tabla_Activa->peekBookmark(0), true);
            platform::queueDialogAnswer(platform::DialogAnswer::Ok);
            FILTRO_ENV->Button6->click();
        }
        FILTRO_ENV->Button1->click();
    });
}

// From the moment the damage is told, the windows that stay open write nothing more to the file:
// the review's later judgements, a save and a deletion are refused without another word, and the
// file is closed as it stood when it was told.
TEST_F(DamagedFileTest, NothingIsWrittenToTheFileOnceItsDamageIsTold)
{
    const struct {
        const char *name;
        void (*damage)(const QString &);
        QChar key;
        void (*work)();
    } cases[] = {
        {"review", spoilSecondLongAnswer, '2', review},
        {"card editor", spoilLastRows, '7', firstCardAfterTheGrid<true>},
        {"selection", spoilLastRows, '7', firstCardAfterTheGrid<false>},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = openDamaged(c.damage);
        ASSERT_EQ(Sesion_->FE_Abierto, 1) << messages().join(" | ").toStdString();
        clearMessages();
        Sesion_->Fecha_Hoy = QStringLiteral("20261205"); // as the main window's activation sets it
        QByteArray told;
        const int observer = platform::addModalObserver([&](QWidget *, const QString &) {
            if (told.isEmpty() && Panta_Inicio_->Texto_Mensaje == Msg_Fichero_Danado)
                told = readWholeFile(path);
        });
        c.work();
        pressKey(c.key);
        platform::removeModalObserver(observer);

        const QStringList shown = messages();
        ASSERT_FALSE(told.isEmpty()) << shown.join(" | ").toStdString();
        EXPECT_EQ(std::count_if(shown.begin(), shown.end(), aboutDamage), 1) << shown.join(" | ").toStdString();
        expectToldOnceAndClosed(path, told);
        Sesion_->Cierra_Fichero();
    }
}
