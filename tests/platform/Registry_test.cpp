#include "platform/Registry.h"

#include "support/ScratchRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
const QString BDE = QStringLiteral("\\SOFTWARE\\BORLAND\\DATABASE ENGINE");
const QString Windows = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");

QString read(const QString &key, const QString &name)
{
    platform::Registry r;
    return r.OpenKey(key, false) ? r.ReadString(name) : QStringLiteral("<no key>");
}

void write(const QString &key, const QString &name, const QString &value)
{
    platform::Registry r;
    ASSERT_TRUE(r.OpenKey(key, true));
    r.WriteString(name, value);
}
} // namespace

TEST(Registry, KeysAndValuesAreFoundWhateverTheCaseAndKeptAcrossObjects)
{
    ScratchRegistry reg;
    write(BDE, QStringLiteral("DLLPATH"), QStringLiteral("/opt/Motor de Tablas, versión 5"));
    write(QStringLiteral("software\\borland\\database engine\\"), QStringLiteral("useCOUNT"), QStringLiteral("1"));
    write(Windows, QStringLiteral("CommonFilesDir"), QStringLiteral("/comunes"));

    struct Case { QString key, name, value; };
    const Case cases[] = {
        {BDE, QStringLiteral("DLLPATH"), QStringLiteral("/opt/Motor de Tablas, versión 5")},
        {QStringLiteral("\\software\\Borland\\Database Engine"), QStringLiteral("dllpath"),
         QStringLiteral("/opt/Motor de Tablas, versión 5")},
        {BDE, QStringLiteral("UseCount"), QStringLiteral("1")},
        {BDE, QStringLiteral("RESOURCE"), QString()},                       // a missing value
        {Windows, QStringLiteral("COMMONFILESDIR"), QStringLiteral("/comunes")},
        {QStringLiteral("\\SOFTWARE\\BORLAND"), QStringLiteral("DLLPATH"), QString()}, // the parent key holds no values
        {QStringLiteral("\\SOFTWARE\\Otro"), QStringLiteral("DLLPATH"), QStringLiteral("<no key>")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(read(c.key, c.name), c.value) << qPrintable(c.key) << " " << qPrintable(c.name);

    // One key, whatever the spelling it was written with: a value written again replaces it.
    write(QStringLiteral("\\Software\\Borland\\Database Engine"), QStringLiteral("DllPath"), QStringLiteral("/nueva"));
    EXPECT_EQ(read(BDE, QStringLiteral("DLLPATH")), QStringLiteral("/nueva"));
    EXPECT_EQ(reg.bytes().count("/nueva"), 1);
    EXPECT_EQ(reg.bytes().toLower().count("dllpath"), 1);
}

TEST(Registry, AMissingDamagedOrUnreadableFileHasNoKeysAndIsReplacedWholeByTheNextWrite)
{
    struct Case { const char *name; QByteArray bytes; bool folder; };
    const Case cases[] = {
        {"missing", {}, false},
        {"binary garbage", QByteArray("\x01\x02[[[\xff\xfe\n=\n[SOFTWARE]\n\x00\x9c", 20), false},
        {"cut in a section name", "[SOFTWARE\\BORLAND\\DATA", false},
        {"a folder in its place", {}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScratchRegistry reg;
        if (c.folder)
            QDir().mkpath(reg.file());
        else if (!c.bytes.isNull())
            reg.put(c.bytes);
        platform::Registry r;
        EXPECT_FALSE(r.OpenKey(BDE, false));
        EXPECT_EQ(r.ReadString(QStringLiteral("DLLPATH")), QString());
        ASSERT_TRUE(r.OpenKey(BDE, true));
        if (c.folder) {
            // Nothing can take the folder's place: the write fails and leaves it as it was.
            EXPECT_THROW(r.WriteString(QStringLiteral("DLLPATH"), QStringLiteral("/x")), std::runtime_error);
            EXPECT_TRUE(QFileInfo(reg.file()).isDir());
        } else {
            r.WriteString(QStringLiteral("DLLPATH"), QStringLiteral("/x"));
            EXPECT_EQ(read(BDE, QStringLiteral("DLLPATH")), QStringLiteral("/x"));
            EXPECT_FALSE(reg.bytes().contains("\x01")) << "nothing of the damaged file is kept";
        }
        // The new file is written whole beside the registry and renamed: nothing else is left.
        EXPECT_EQ(QDir(reg.folder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                  c.folder ? QStringList{} : QStringList{QStringLiteral("registro.ini")});
    }
}

TEST(Registry, TheFileIsTheOwnersOnlyAndLivesInTheConfigurationFolderUnlessTheVariableNamesIt)
{
    {
        ScratchRegistry reg;
        EXPECT_EQ(platform::Registry::fileName(), reg.file());
        reg.put("[General]\n"); // made readable by all, as a hand-made file would be
        QFile::setPermissions(reg.file(), QFile::permissions(reg.file()) | QFileDevice::ReadOther);
        write(BDE, QStringLiteral("DLLPATH"), QStringLiteral("/x"));
        const QFileDevice::Permissions p = QFile::permissions(reg.file());
        EXPECT_TRUE(p.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        EXPECT_FALSE(p & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                          | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther));
    }
    const QByteArray previous = qgetenv("ORVENDA_REGISTRO");
    const QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir home;
    qunsetenv("ORVENDA_REGISTRO");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    EXPECT_EQ(platform::Registry::fileName(), home.path() + QStringLiteral("/Orvenda/registro.ini"));
    write(BDE, QStringLiteral("DLLPATH"), QStringLiteral("/y"));
    EXPECT_TRUE(QFileInfo(home.path() + QStringLiteral("/Orvenda/registro.ini")).isFile());
    qputenv("ORVENDA_REGISTRO", previous);
    if (previousConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", previousConfig);
}
