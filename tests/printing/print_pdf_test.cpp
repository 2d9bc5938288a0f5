// The print_pdf tool: a packed, enciphered study file printed through the program's windows.
#include "support/CardFiles.h"
#include "support/StudyFiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
struct ToolRun {
    int status;
    QString out, err;
};

ToolRun printPdf(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORV_BIN_DIR "/print_pdf"), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}
} // namespace

TEST(PrintPdfTool, PrintsAPackedFileWithItsPasswordAndFailsClearly)
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("program"));
    QDir().mkpath(program + QStringLiteral("/dat"));
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = o.Encriptado = true;
    o.Texto_Largo = true;
    const QString db = testsupport::writeStudyFile(program + QStringLiteral("/dat"), QStringLiteral("Ingles"), o, {}, "clave");
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(db));
        t.open();
        for (int i = 1; i <= 13; ++i) {
            testsupport::CardContent c;
            c.question = QStringLiteral("Pregunta %1").arg(i);
            c.shortAnswer = testsupport::packedBlob(testsupport::rtfLines({QStringLiteral("Respuesta %1").arg(i)}), true, true, "clave");
            c.packedFlag = QStringLiteral("S");
            testsupport::appendCard(t, c);
        }
    }
    const QString pdf = root.filePath(QStringLiteral("fichas.pdf"));
    const QStringList common{"--program", program, "--file", db, "--out", pdf};

    ToolRun r = printPdf(common + QStringList{"--password", "clave", "--side", "respuestas", "--cards", "10", "--paper", "letter"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.contains(QStringLiteral("13 cards, 2 pages"))) << qPrintable(r.out);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));
    f.close();
    // The print table keeps nothing of the cards.
    QFile imp(program + QStringLiteral("/IMP.db"));
    ASSERT_TRUE(imp.open(QIODevice::ReadOnly));
    EXPECT_FALSE(imp.readAll().contains("Respuesta"));

    r = printPdf(common + QStringList{"--password", "mala"});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("could not open"))) << qPrintable(r.err);

    r = printPdf(common + QStringList{"--cards", "7"});
    EXPECT_EQ(r.status, 2);
}
