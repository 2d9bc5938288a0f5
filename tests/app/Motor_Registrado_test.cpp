// The program itself, started as a child process from a copy of its folder, with a registry
// file of the test's own: how it registers its database engine and finds it again.
#include "platform/Rtf.h"
#include "store/Preferencias.h"
#include "store/Sesion.h"
#include "support/StudyFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Bin = QStringLiteral(ORV_BIN_DIR);

// A shared library of the system that is not SQLite: zlib, as this test program maps it.
QString zlibPath()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype at = line.indexOf('/');
        if (at >= 0 && line.contains("/libz.so"))
            return QString::fromLocal8Bit(line.mid(at));
    }
    return {};
}

class ProgramaReal : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString registro = root.path() + QStringLiteral("/registro.ini");
    int runs = 0;

    // A copy of the program folder: the program, its engine folder, the preferences, and a
    // study file in "dat" named by the last-file note.
    void install(const QString &folder)
    {
        QDir().mkpath(folder + QStringLiteral("/BDE"));
        ASSERT_TRUE(QFile::copy(Bin + QStringLiteral("/Orvenda"), folder + QStringLiteral("/Orvenda")));
        ASSERT_TRUE(QFile::link(QFileInfo(Bin + QStringLiteral("/BDE/idapi32.dll")).symLinkTarget(),
                                folder + QStringLiteral("/BDE/idapi32.dll")));
        ASSERT_TRUE(QFile::copy(Bin + QStringLiteral("/BDE/idapi32.cfg"), folder + QStringLiteral("/BDE/idapi32.cfg")));
        testsupport::writeBytes(folder + QLatin1Char('/') + Fichero_Preferencias,
                                platform::rtf::fromLines(preferencias::primeraVez()));
        testsupport::writeStudyFile(folder + QStringLiteral("/dat"), QStringLiteral("Ingles"),
                                    testsupport::defaultOptions());
        noteLastFile(folder);
    }
    static void noteLastFile(const QString &folder)
    {
        testsupport::writeBytes(folder + QLatin1Char('/') + Fichero_Ultimo_FE,
                                QFile::encodeName(folder + QStringLiteral("/dat/Ingles.DB")) + "\r\n");
    }

    struct Run {
        int exitCode = -1;
        QStringList script; // the lines the program wrote to ORVENDA_GUION
    };
    // Starts the program of the folder, typing "9" (open the last file) after its first activation.
    Run start(const QString &folder)
    {
        const QString guion = root.path() + QStringLiteral("/guion-%1.txt").arg(++runs);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENDA_REGISTRO"), registro);
        env.insert(QStringLiteral("ORVENDA_GUION"), guion);
        env.insert(QStringLiteral("ORVENDA_TECLAS"), QStringLiteral("9"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("HOME"), root.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(folder + QStringLiteral("/Orvenda"), {});
        Run r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "the program did not end";
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        QFile f(guion);
        if (f.open(QIODevice::ReadOnly))
            r.script = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return r;
    }
    QString registered(const QString &name)
    {
        QSettings s(registro, QSettings::IniFormat);
        return s.value(QStringLiteral("SOFTWARE/BORLAND/DATABASE ENGINE/") + name).toString();
    }
    QByteArray registryBytes()
    {
        QFile f(registro);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void emptyRegistry() { testsupport::writeBytes(registro, QByteArray()); }
};

} // namespace

TEST_F(ProgramaReal, RegistersItsEngineAtTheFirstStartFindsItLaterAndRegistersANewPlaceAfterAMove)
{
    const QString uno = root.path() + QStringLiteral("/uno");
    install(uno);
    emptyRegistry();

    // First start: the five values, then the study file opens through the engine loaded.
    Run r = start(uno);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.script, (QStringList{QStringLiteral("ventana principal"), QStringLiteral("abierto: ") + uno
                                     + QStringLiteral("/dat/Ingles.DB")}));
    EXPECT_EQ(registered(QStringLiteral("DLLPATH")), uno + QStringLiteral("/BDE"));
    EXPECT_EQ(registered(QStringLiteral("CONFIGFILE01")), uno + QStringLiteral("/BDE/idapi32.cfg"));
    EXPECT_EQ(registered(QStringLiteral("RESOURCE")), QStringLiteral("0009"));
    EXPECT_EQ(registered(QStringLiteral("SAVECONFIG")), QStringLiteral("WIN31"));
    EXPECT_EQ(registered(QStringLiteral("UseCount")), QStringLiteral("1"));
    EXPECT_EQ(QFile::permissions(registro) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

    // Second start: found through DLLPATH, nothing written.
    const QByteArray registry = registryBytes();
    const QDateTime written = QFileInfo(registro).lastModified();
    r = start(uno);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.script.value(1), QStringLiteral("abierto: ") + uno + QStringLiteral("/dat/Ingles.DB"));
    EXPECT_EQ(registryBytes(), registry);
    EXPECT_EQ(QFileInfo(registro).lastModified(), written);

    // The folder moved: DLLPATH is stale, the engine is found and registered at the new place.
    const QString dos = root.path() + QStringLiteral("/dos");
    ASSERT_TRUE(QDir().rename(uno, dos));
    noteLastFile(dos);
    r = start(dos);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.script.value(1), QStringLiteral("abierto: ") + dos + QStringLiteral("/dat/Ingles.DB"));
    EXPECT_EQ(registered(QStringLiteral("DLLPATH")), dos + QStringLiteral("/BDE"));
    EXPECT_EQ(registered(QStringLiteral("CONFIGFILE01")), dos + QStringLiteral("/BDE/idapi32.cfg"));
}

TEST_F(ProgramaReal, WithoutAUsableEngineTheMessageNamesTheBdeFolderAndTheProgramEndsBeforeItsWindow)
{
    struct Case {
        const char *name;
        std::function<void(const QString &bde)> spoil;
    };
    const Case cases[] = {
        {"no BDE folder", [](const QString &bde) { QDir(bde).removeRecursively(); }},
        {"a library that is not one",
         [](const QString &bde) {
             QFile::remove(bde + QStringLiteral("/idapi32.dll"));
             testsupport::writeBytes(bde + QStringLiteral("/idapi32.dll"), "no soy una biblioteca");
         }},
        {"a library without the engine's functions",
         [](const QString &bde) {
             QFile::remove(bde + QStringLiteral("/idapi32.dll"));
             ASSERT_TRUE(QFile::link(zlibPath(), bde + QStringLiteral("/idapi32.dll")));
         }},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = root.path() + QStringLiteral("/programa%1").arg(++n);
        install(folder);
        c.spoil(folder + QStringLiteral("/BDE"));
        emptyRegistry();
        const Run r = start(folder);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.script, QStringList{QStringLiteral("dialogo: Please put BDE files in ") + folder + QStringLiteral("/BDE")});
    }
}

TEST(ProgramaSinSqlite, NeitherTheProgramNorATestProgramLinksSqlite)
{
    for (const QString &program : {Bin + QStringLiteral("/Orvenda"), QStringLiteral("/proc/self/exe")}) {
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {QFileInfo(program).canonicalFilePath()});
        ASSERT_TRUE(ldd.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(ldd.readAllStandardOutput());
        EXPECT_TRUE(out.contains(QStringLiteral("libQt6Core"))) << qPrintable(out);
        EXPECT_FALSE(out.contains(QStringLiteral("sqlite"), Qt::CaseInsensitive)) << qPrintable(out);
    }
}
