#include "store/BDE32.h"

#include "engine/EngineError.h"
#include "engine/Library.h"
#include "platform/Files.h"
#include "platform/MessageDialog.h"
#include "platform/Registry.h"

#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <stdexcept>

#include <stdio.h>
#include <unistd.h>

const QString Msg_Poner_BDE = QStringLiteral("Please put BDE files in ");

std::function<void()> TBDE32::Terminar = [] { std::exit(1); };

namespace {

const QString Clave_BDE = QStringLiteral("\\SOFTWARE\\BORLAND\\DATABASE ENGINE");
const QString Clave_Windows = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
const QString Biblioteca = QString::fromLatin1(engine::Engine_Library_File); // "idapi32.dll"

bool Existe(const QString &Fichero)
{
    return QFileInfo(Fichero).isFile();
}

// The configuration file's bytes, at most `limit` of them (all of them when limit < 0).
QByteArray Lee_Fichero(const QString &Fichero, qint64 limit)
{
    QFile f(Fichero);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return limit < 0 ? f.readAll() : f.read(limit);
}

// The length of the first line: the bytes before the first carriage return or end-of-file
// character.
qsizetype Fin_Primera_Linea(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\x1A')
            return i;
    }
    return bytes.size();
}

QByteArray Primera_Linea(const QString &Fichero)
{
    QByteArray bytes = Lee_Fichero(Fichero, Config_Line_Limit);
    bytes.truncate(Fin_Primera_Linea(bytes));
    return bytes;
}

// The configuration file registered, empty when the key or the value is missing.
QString Fichero_Configuracion()
{
    platform::Registry Reg;
    return Reg.OpenKey(Clave_BDE, false) ? Reg.ReadString(QStringLiteral("CONFIGFILE01")) : QString();
}

// Writes the file in full under a name of its own (the name with "2" appended), forces it to
// the disk and renames it over the file, so that the old file stays whole until the new one
// is; a failure leaves the old file as it was and throws.
void Reemplaza_Fichero(const QString &Fichero, const QByteArray &bytes)
{
    const QString nuevo = Fichero + QLatin1Char('2');
    auto falla = [&](const QString &why) {
        QFile::remove(nuevo);
        throw std::runtime_error(
            QStringLiteral("No se puede escribir el fichero «%1»: %2.").arg(Fichero, why).toStdString());
    };
    QFile f(nuevo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        falla(f.errorString());
    if (f.write(bytes) != bytes.size() || !f.flush() || ::fsync(f.handle()) != 0)
        falla(f.errorString());
    f.close();
    f.setPermissions(QFile::permissions(Fichero));
    if (::rename(QFile::encodeName(nuevo).constData(), QFile::encodeName(Fichero).constData()) != 0)
        falla(QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

TBDE32::TBDE32(QObject *AOwner) : QObject(AOwner)
{
    platform::Registry Reg;
    const bool Abierta = Reg.OpenKey(Clave_BDE, false);
    m_Carpeta_DLL = Abierta ? Reg.ReadString(QStringLiteral("DLLPATH")) : QString();
    if (!Abierta || !Existe(m_Carpeta_DLL + QLatin1Char('/') + Biblioteca)) {
        QString Config;
        if (!FindBDEFiles(Config, m_Carpeta_DLL)) {
            Sin_BDE();
            return;
        }
        // A registry that can't be written leaves the engine found for this run; the next
        // start searches again.
        try {
            Reg.OpenKey(Clave_BDE, true);
            Reg.WriteString(QStringLiteral("CONFIGFILE01"), Config);
            Reg.WriteString(QStringLiteral("DLLPATH"), m_Carpeta_DLL);
            Reg.WriteString(QStringLiteral("RESOURCE"), QStringLiteral("0009"));
            Reg.WriteString(QStringLiteral("SAVECONFIG"), QStringLiteral("WIN31"));
            Reg.WriteString(QStringLiteral("UseCount"), QStringLiteral("1"));
        } catch (const std::runtime_error &e) {
            platform::plainMessage(QString::fromStdString(e.what()));
        }
    }
    Reg.CloseKey();
    ReadSettings();
}

void TBDE32::Sin_BDE()
{
    platform::plainMessage(Msg_Poner_BDE + platform::programFolder() + QStringLiteral("/BDE"));
    Terminar();
}

void TBDE32::Carga_Motor()
{
    if (m_Carpeta_DLL.isEmpty()
        || !engine::loadEngineLibrary(QFile::encodeName(m_Carpeta_DLL).toStdString()).empty())
        Sin_BDE();
}

QString TBDE32::ReadWindowsFolder(const QString &ValueName, const QString &Default)
{
    platform::Registry Reg;
    const QString v = Reg.OpenKey(Clave_Windows, false) ? Reg.ReadString(ValueName) : QString();
    return v.isEmpty() ? Default : v;
}

void TBDE32::ProbeBDEFolder(const QString &Folder, QString &ConfigFile, QString &DllFolder)
{
    if (Existe(Folder + QStringLiteral("/idapi.cfg")))
        ConfigFile = Folder + QStringLiteral("/idapi.cfg");
    if (Existe(Folder + QStringLiteral("/idapi32.cfg")))
        ConfigFile = Folder + QStringLiteral("/idapi32.cfg");
    if (Existe(Folder + QLatin1Char('/') + Biblioteca))
        DllFolder = Folder;
}

bool TBDE32::FindBDEFiles(QString &ConfigFile, QString &DllFolder)
{
    const QString Programa = platform::programFolder();
    const QString Comunes = ReadWindowsFolder(QStringLiteral("CommonFilesDir"),
                                              QStringLiteral("C:\\Program Files\\Common Files"));
    const QString Programas = ReadWindowsFolder(QStringLiteral("ProgramFilesDir"), QStringLiteral("C:\\Program Files"));
    for (const QString &Carpeta : {Programa, Programa + QStringLiteral("/BDE"),
                                   Programas + QStringLiteral("/borland/common files/BDE"), Comunes + QStringLiteral("/BDE"),
                                   Comunes + QStringLiteral("/Borland/BDE"), Comunes + QStringLiteral("/Borland Shared/BDE")})
        ProbeBDEFolder(Carpeta, ConfigFile, DllFolder);
    return Existe(ConfigFile) && Existe(DllFolder + QLatin1Char('/') + Biblioteca);
}

int TBDE32::FindInConfigFile(const QString &FileName, const QByteArray &Text, int Skip)
{
    if (!Existe(FileName))
        return 0;
    const QByteArray Linea = Primera_Linea(FileName);
    const qsizetype p = Skip < Linea.size() ? Linea.indexOf(Text, Skip) : -1;
    return p < 0 ? Skip : int(p) + 1;
}

void TBDE32::ReadConfigValue(const QString &Name, const QString &Default, QString &Value)
{
    const QString Config = Fichero_Configuracion();
    const QByteArray Nombre = Name.toUtf8();
    const int p = Config.isEmpty() ? 0 : FindInConfigFile(Config, Nombre, 0);
    if (p == 0) {
        Value = Default;
        return;
    }
    const QByteArray Linea = Primera_Linea(Config);
    const qsizetype Inicio = p - 1 + Nombre.size() + 3;
    if (Inicio >= Linea.size()) {
        Value = QString();
        return;
    }
    const qsizetype Nulo = Linea.indexOf('\0', Inicio);
    Value = QString::fromUtf8(Linea.mid(Inicio, Nulo < 0 ? -1 : Nulo - Inicio));
}

void TBDE32::WriteConfigValue(const QString &Name, const QString &Value)
{
    const QString Config = Fichero_Configuracion();
    const QByteArray Nombre = Name.toUtf8();
    const int p = Config.isEmpty() ? 0 : FindInConfigFile(Config, Nombre, 0);
    if (p == 0)
        return;
    const QByteArray Bytes = Lee_Fichero(Config, -1);
    const qsizetype Fin_Linea = Fin_Primera_Linea(Bytes);
    const qsizetype Inicio = std::min<qsizetype>(p - 1 + Nombre.size() + 3, Fin_Linea);
    // The value holds at least one byte; with no NUL after it in the first line it runs to
    // the line's end.
    qsizetype Nulo = Inicio + 1 < Fin_Linea ? Bytes.indexOf('\0', Inicio + 1) : -1;
    if (Nulo < 0 || Nulo > Fin_Linea)
        Nulo = Fin_Linea;
    Reemplaza_Fichero(Config, Bytes.left(Inicio) + Value.toUtf8() + Bytes.mid(Nulo));
}

void TBDE32::ReadSettings()
{
    QString v;
    ReadConfigValue(QStringLiteral("NET DIR"), QStringLiteral("F:\\"), v);
    PdxNetDir = v;
    ReadConfigValue(QStringLiteral("LOCAL SHARE"), QStringLiteral("FALSE"), v);
    LocalShare = v == QStringLiteral("TRUE");
    const auto numero = [&](const char *Nombre, const char *Defecto) {
        ReadConfigValue(QString::fromLatin1(Nombre), QString::fromLatin1(Defecto), v);
        return engine::strToInt(v.toStdString());
    };
    MaxBufSize = numero("MAXBUFSIZE", "2048");
    MaxFileHandles = numero("MAXFILEHANDLES", "48");
    MemSize = numero("MEMSIZE", "16");
    SharedMemSize = numero("SHAREDMEMSIZE", "2048");
}

void TBDE32::WriteSettings()
{
    WriteConfigValue(QStringLiteral("LOCAL SHARE"), LocalShare ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    WriteConfigValue(QStringLiteral("NET DIR"), PdxNetDir);
    WriteConfigValue(QStringLiteral("MAXBUFSIZE"), QString::number(MaxBufSize));
    WriteConfigValue(QStringLiteral("MAXFILEHANDLES"), QString::number(MaxFileHandles));
    WriteConfigValue(QStringLiteral("MEMSIZE"), QString::number(MemSize));
    WriteConfigValue(QStringLiteral("SHAREDMEMSIZE"), QString::number(SharedMemSize));
}
