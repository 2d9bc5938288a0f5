// Study files whose table pages cannot be read: opened through menu entry 1 and read by the
// windows, they are told once, in Spanish, and closed as they were.
#include "support/ProgramFixture.h"
#include "support/CardFiles.h"
#include "support/EngineTables.h"
#include "support/StudyFiles.h"
#include "support/TablePages.h"

#include "app/Panta_Inicio.h"
#include "platform/FileDialog.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <QFile>

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
    // they were written), each with a short and a long answer and a question picture.
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
            c.longAnswer = testsupport::rtfLines({QString(200, QChar('a' + i % 26))});
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
