#pragma once
// The engine settings component: makes sure the database engine is registered on the machine
// before any table is opened, and reads and writes a few settings of the engine's
// configuration file.
//
// REGISTRATION. The constructor looks in the registry key "\SOFTWARE\BORLAND\DATABASE ENGINE"
// for "DLLPATH"; when the key or the library in that folder is missing it searches the
// program folder, its "BDE" subfolder and the shared install folders, and registers the last
// place where it found the configuration file and the library (CONFIGFILE01, DLLPATH,
// RESOURCE, SAVECONFIG, UseCount). Found nowhere: the plain message
// "Please put BDE files in <program folder>/BDE", and the program ends when it is closed.
//
// THE CONFIGURATION FILE is only looked at as text: a setting's name anywhere in its first
// line (the bytes before the first carriage return or end-of-file character, read up to
// Config_Line_Limit bytes), its value three bytes after the end of the name, up to the next
// NUL byte (or the end of the line when there is none).
//
// Carga_Motor then loads the engine's library from the registered folder, once, before any
// table is opened; a library that can't be loaded ends the program with the same message.
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// "Please put BDE files in "
extern const QString Msg_Poner_BDE;
// How much of the configuration file is read looking for its first line.
inline constexpr qint64 Config_Line_Limit = 64 * 1024;

class TBDE32 : public QObject {
public:
    explicit TBDE32(QObject *AOwner);

    // ---- Published properties ----
    bool LocalShare = false;   // "LOCAL SHARE"
    QString PdxNetDir;         // "NET DIR"
    int MaxBufSize = 0;        // "MAXBUFSIZE"
    int MaxFileHandles = 0;    // "MAXFILEHANDLES"
    int MemSize = 0;           // "MEMSIZE"
    int SharedMemSize = 0;     // "SHAREDMEMSIZE"

    // Reads the six settings into the properties; a number that is not a whole number throws
    // engine::ConversionError ("'%s' is not a valid integer value").
    void ReadSettings();
    // Writes the six settings to the configuration file; a file error throws std::runtime_error
    // and leaves the file as it was.
    void WriteSettings();

    // Loads the engine's library from the folder registered (or found and registered) by the
    // constructor; when it can't be loaded, the message and the end of the program, as when
    // the engine is not found.
    void Carga_Motor();

    // How the program ends after the message; tests replace it (it must not return).
    static std::function<void()> Terminar;

private:
    QString ReadWindowsFolder(const QString &ValueName, const QString &Default);
    void ProbeBDEFolder(const QString &Folder, QString &ConfigFile, QString &DllFolder);
    bool FindBDEFiles(QString &ConfigFile, QString &DllFolder);
    void ReadConfigValue(const QString &Name, const QString &Default, QString &Value);
    void WriteConfigValue(const QString &Name, const QString &Value);
    int FindInConfigFile(const QString &FileName, const QByteArray &Text, int Skip);
    static void Sin_BDE();

    QString m_Carpeta_DLL; // the engine's folder, as registered or found
};
