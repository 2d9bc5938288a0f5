#include "store/BDE32.h"

#include "engine/EngineError.h"
#include "engine/Library.h"
#include "platform/Files.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "platform/Registry.h"
#include "store/D_Module.h"
#include "support/ProgramFixture.h"
#include "support/ScratchRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

const QString BDE = QStringLiteral("\\SOFTWARE\\BORLAND\\DATABASE ENGINE");
const QString Windows = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");

struct Ended {};

// The bytes of a literal, NUL bytes included.
template <std::size_t N>
QByteArray raw(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// A configuration file's first line: each name, three bytes, its value and a NUL byte.
QByteArray config(const std::vector<std::pair<const char *, const char *>> &settings)
{
    QByteArray line;
    for (const auto &[name, value] : settings)
        line += QByteArray(name) + QByteArray("\0\x01\0", 3) + value + QByteArray(1, '\0');
    return line;
}

const QByteArray Full = config({{"LOCAL SHARE", "TRUE"}, {"NET DIR", "/red/dat"}, {"MAXBUFSIZE", "4096"},
                                {"MAXFILEHANDLES", "60"}, {"MEMSIZE", "32"}, {"SHAREDMEMSIZE", "1024"}});

class BDE32Test : public ::testing::Test {
public:
    void SetUp() override
    {
        QDir().mkpath(prog);
        platform::setProgramFolder(prog);
        platform::setScripted(true);
        platform::resetDialogScripting();
        previousEnd = TBDE32::Terminar;
        TBDE32::Terminar = [] { throw Ended{}; };
    }
    void TearDown() override
    {
        TBDE32::Terminar = previousEnd;
        platform::resetDialogScripting();
        platform::setScripted(false);
        platform::setProgramFolder(QString());
    }

    // Writes a file under the scratch root (folders made as needed); returns its path.
    QString put(const QString &relative, const QByteArray &bytes = "x")
    {
        const QString path = root.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void registerValue(const QString &key, const QString &name, const QString &value)
    {
        platform::Registry r;
        r.OpenKey(key, true);
        r.WriteString(name, value);
    }
    static QString registered(const QString &name)
    {
        platform::Registry r;
        return r.OpenKey(BDE, false) ? r.ReadString(name) : QString();
    }
    // The engine registered with its library in `lib` and the configuration file `cfg`.
    void registerEngine(const QByteArray &cfgBytes)
    {
        put(QStringLiteral("motor/idapi32.dll"));
        registerValue(BDE, QStringLiteral("DLLPATH"), root.path() + QStringLiteral("/motor"));
        registerValue(BDE, QStringLiteral("CONFIGFILE01"), cfgPath());
        if (!cfgBytes.isNull())
            put(QStringLiteral("motor/idapi32.cfg"), cfgBytes);
    }
    QString cfgPath() const { return root.path() + QStringLiteral("/motor/idapi32.cfg"); }

    QTemporaryDir root;
    QString prog = root.path() + QStringLiteral("/programa");
    ScratchRegistry reg;
    std::function<void()> previousEnd;
};

} // namespace

// Where the engine is searched for and what is registered: the folders in their order, each
// later one replacing what an earlier one found, the configuration file and the library each
// on its own.
TEST(BDE32Search, RegistersTheLastFolderWhereEachFileIsFoundOrEndsWithTheMessage)
{
    struct Case {
        const char *name;
        std::vector<const char *> files;          // under the scratch root; "programa" is the program folder
        std::map<const char *, const char *> registry; // values under \SOFTWARE\BORLAND\DATABASE ENGINE ("" keys: Windows)
        bool damagedRegistry = false;
        const char *dllPath;                      // expected, under the root; nullptr: not found
        const char *configFile = nullptr;
    };
    const Case cases[] = {
        {"the program's BDE subfolder", {"programa/BDE/idapi32.dll", "programa/BDE/idapi32.cfg"}, {}, false,
         "programa/BDE", "programa/BDE/idapi32.cfg"},
        {"library in the program folder, configuration in its BDE subfolder",
         {"programa/idapi32.dll", "programa/BDE/idapi32.cfg"}, {}, false, "programa", "programa/BDE/idapi32.cfg"},
        {"idapi.cfg and idapi32.cfg side by side", {"programa/BDE/idapi32.dll", "programa/BDE/idapi.cfg",
         "programa/BDE/idapi32.cfg"}, {}, false, "programa/BDE", "programa/BDE/idapi32.cfg"},
        {"idapi.cfg alone", {"programa/BDE/idapi32.dll", "programa/BDE/idapi.cfg"}, {}, false, "programa/BDE",
         "programa/BDE/idapi.cfg"},
        {"a later folder replaces both", {"programa/idapi32.dll", "programa/idapi32.cfg",
         "comunes/Borland/BDE/idapi32.dll", "comunes/Borland/BDE/idapi32.cfg"}, {{"CommonFilesDir", "comunes"}},
         false, "comunes/Borland/BDE", "comunes/Borland/BDE/idapi32.cfg"},
        {"the configuration from the shared folder, the library from the program's",
         {"programa/BDE/idapi32.dll", "comunes/Borland Shared/BDE/idapi.cfg"}, {{"CommonFilesDir", "comunes"}},
         false, "programa/BDE", "comunes/Borland Shared/BDE/idapi.cfg"},
        {"the programs folder's borland/common files/BDE",
         {"programas/borland/common files/BDE/idapi32.dll", "programas/borland/common files/BDE/idapi32.cfg"},
         {{"ProgramFilesDir", "programas"}}, false, "programas/borland/common files/BDE",
         "programas/borland/common files/BDE/idapi32.cfg"},
        {"a stale DLLPATH is searched again", {"viejo/idapi32.cfg", "programa/BDE/idapi32.dll", "programa/BDE/idapi32.cfg"},
         {{"DLLPATH", "viejo"}}, false, "programa/BDE", "programa/BDE/idapi32.cfg"},
        {"a damaged registry file reads as empty", {"programa/BDE/idapi32.dll", "programa/BDE/idapi32.cfg"}, {}, true,
         "programa/BDE", "programa/BDE/idapi32.cfg"},
        {"a library without a configuration file", {"programa/BDE/idapi32.dll"}, {}, false, nullptr},
        {"a configuration file without a library", {"programa/BDE/idapi32.cfg"}, {}, false, nullptr},
        {"nothing anywhere", {}, {}, false, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        struct : BDE32Test {
            void TestBody() override {}
        } t;
        t.SetUp();
        const QString root = t.root.path() + QLatin1Char('/');
        for (const char *f : c.files)
            t.put(QString::fromUtf8(f));
        for (const auto &[name, value] : c.registry) {
            const bool windows = QByteArray(name).endsWith("Dir");
            t.registerValue(windows ? Windows : BDE, QString::fromUtf8(name), root + QString::fromUtf8(value));
        }
        if (c.damagedRegistry)
            t.reg.put(raw("\x01[SOFTWARE\\BORLAND\\DATABASE ENGINE]\n\xff\0" "DLLPATH=/nada"));
        if (!c.dllPath) {
            EXPECT_THROW(TBDE32 b(nullptr), Ended);
            EXPECT_EQ(platform::dialogTexts(), QStringList{QStringLiteral("Please put BDE files in ") + t.prog
                                                           + QStringLiteral("/BDE")});
            EXPECT_EQ(t.registered(QStringLiteral("DLLPATH")), c.registry.empty() ? QString() : root + QStringLiteral("viejo"));
        } else {
            TBDE32 b(nullptr);
            EXPECT_EQ(platform::dialogTexts(), QStringList{});
            EXPECT_EQ(t.registered(QStringLiteral("DLLPATH")), root + QString::fromUtf8(c.dllPath));
            EXPECT_EQ(t.registered(QStringLiteral("CONFIGFILE01")), root + QString::fromUtf8(c.configFile));
            EXPECT_EQ(t.registered(QStringLiteral("RESOURCE")), QStringLiteral("0009"));
            EXPECT_EQ(t.registered(QStringLiteral("SAVECONFIG")), QStringLiteral("WIN31"));
            EXPECT_EQ(t.registered(QStringLiteral("UseCount")), QStringLiteral("1"));
        }
        t.TearDown();
    }
}

TEST_F(BDE32Test, ARegisteredEngineIsFoundThroughDllpathAndNothingIsWritten)
{
    registerEngine(Full);
    // Other engine files in the program folder are not looked at.
    put(QStringLiteral("programa/BDE/idapi32.dll"));
    put(QStringLiteral("programa/BDE/idapi32.cfg"), config({{"MAXBUFSIZE", "1"}}));
    const QByteArray before = reg.bytes();
    TBDE32 b(nullptr);
    EXPECT_EQ(reg.bytes(), before);
    EXPECT_EQ(b.MaxBufSize, 4096);
    EXPECT_EQ(platform::dialogTexts(), QStringList{});
}

// The six settings as the first line of the configuration file gives them.
TEST_F(BDE32Test, SettingsAreReadFromTheFirstLineOrTakeTheirDefaults)
{
    struct Expected { QString netDir; bool localShare; int maxBuf, maxHandles, mem, sharedMem; };
    const Expected defaults{QStringLiteral("F:\\"), false, 2048, 48, 16, 2048};
    struct Case { const char *name; QByteArray cfg; Expected expected; };
    const Case cases[] = {
        {"all six", Full, {QStringLiteral("/red/dat"), true, 4096, 60, 32, 1024}},
        {"no configuration file", QByteArray(), defaults},
        {"an empty file", QByteArray(""), defaults},
        {"only two of them", config({{"MEMSIZE", "8"}, {"NET DIR", "/otra"}}),
         {QStringLiteral("/otra"), false, 2048, 48, 8, 2048}},
        {"LOCAL SHARE is true only for TRUE", config({{"LOCAL SHARE", "true"}}), defaults},
        {"names after the first carriage return are not seen", QByteArray("\r\n") + Full, defaults},
        {"nor after an end-of-file character", QByteArray("\x1A") + Full, defaults},
        {"a value with no NUL after it runs to the end of the line",
         raw("MAXBUFSIZE\0\x01\0" "512\r\nMEMSIZE\0\x01\0" "9\0"), {QStringLiteral("F:\\"), false, 512, 48, 16, 2048}},
        {"a name found inside a longer one", config({{"SHAREDMEMSIZE", "4000"}, {"MEMSIZE", "12"}}),
         {QStringLiteral("F:\\"), false, 2048, 48, 4000, 4000}},
        {"a name beyond the part of the line that is read",
         QByteArray(Config_Line_Limit, ' ') + config({{"MAXBUFSIZE", "1"}}), defaults},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(cfgPath());
        registerEngine(c.cfg);
        TBDE32 b(nullptr);
        EXPECT_EQ(b.PdxNetDir, c.expected.netDir);
        EXPECT_EQ(b.LocalShare, c.expected.localShare);
        EXPECT_EQ(b.MaxBufSize, c.expected.maxBuf);
        EXPECT_EQ(b.MaxFileHandles, c.expected.maxHandles);
        EXPECT_EQ(b.MemSize, c.expected.mem);
        EXPECT_EQ(b.SharedMemSize, c.expected.sharedMem);
    }
}

TEST_F(BDE32Test, ASettingThatIsNotAWholeNumberEndsTheConstructionWithTheConversionError)
{
    for (const char *text : {"20x8", "", " 12 ", "99999999999"}) {
        registerEngine(config({{"MAXFILEHANDLES", text}}));
        try {
            TBDE32 b(nullptr);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const engine::ConversionError &e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST_F(BDE32Test, WritingReplacesEachValueInPlaceAndLeavesEverythingElse)
{
    const QByteArray rest = raw("\r\n[otra parte]\0\x05");
    registerEngine(Full + rest);
    TBDE32 b(nullptr);
    b.LocalShare = false;
    b.PdxNetDir = QStringLiteral("/programa/dat");
    b.MaxBufSize = 2048;
    b.MaxFileHandles = 48;
    b.MemSize = 16;
    b.SharedMemSize = 2048;
    b.WriteSettings();
    EXPECT_EQ(contents(cfgPath()), config({{"LOCAL SHARE", "FALSE"}, {"NET DIR", "/programa/dat"}, {"MAXBUFSIZE", "2048"},
                                           {"MAXFILEHANDLES", "48"}, {"MEMSIZE", "16"}, {"SHAREDMEMSIZE", "2048"}})
                                        + rest);
    EXPECT_FALSE(QFileInfo::exists(cfgPath() + QLatin1Char('2')));
    b.ReadSettings();
    EXPECT_EQ(b.PdxNetDir, QStringLiteral("/programa/dat"));
    EXPECT_EQ(b.MaxFileHandles, 48);

    // Names that are absent leave the file as it was.
    const QByteArray other = raw("OTRO\0\x01\0valor\0\r\nMAXBUFSIZE\0\x01\0" "1\0");
    put(QStringLiteral("motor/idapi32.cfg"), other);
    b.WriteSettings();
    EXPECT_EQ(contents(cfgPath()), other);
}

TEST_F(BDE32Test, AWriteThatFailsReachesTheCallerAndLeavesTheFileAsItWas)
{
    registerEngine(Full);
    TBDE32 b(nullptr);
    QDir().mkpath(cfgPath() + QLatin1Char('2')); // the new file can't be made
    b.MaxBufSize = 1;
    EXPECT_THROW(b.WriteSettings(), std::runtime_error);
    EXPECT_EQ(contents(cfgPath()), Full);
}

class BDE321Test : public ProgramFixture {};

// The data module's component, with the values stored with it and the network folder its
// creation handler gives; the engine's library was loaded before any table opened.
TEST_F(BDE321Test, TheDataModuleHoldsTheComponentWithItsStoredValues)
{
    startProgram();
    const TBDE32 *b = D_Module_->BDE321;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->objectName(), QStringLiteral("BDE321"));
    EXPECT_EQ(b->parent(), D_Module_);
    EXPECT_FALSE(b->LocalShare);
    EXPECT_EQ(b->MaxBufSize, 2048);
    EXPECT_EQ(b->MaxFileHandles, 48);
    EXPECT_EQ(b->MemSize, 16);
    EXPECT_EQ(b->SharedMemSize, 2048);
    EXPECT_EQ(b->PdxNetDir, programFolder() + QStringLiteral("/dat"));
    EXPECT_TRUE(engine::engineLibraryLoaded());
}
