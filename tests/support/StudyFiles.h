#pragma once
// Study files built for tests and benchmarks without the program's windows: the settings
// container X.STU (plain or enciphered with a password), the card table X.DB, the saved
// password X.CLA, and readers of what the program wrote. Header-only, so that the
// benchmarks can use it as well.
#include "support/EngineTables.h"
#include "packing/PackStreamCol.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "store/Opciones_FE.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <string>

namespace testsupport {

inline std::string fileName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// The container of one item under a key (empty: not enciphered), always compressed.
inline QByteArray packItem(const std::string &item, const QByteArray &bytes, const std::string &key = {})
{
    TPackStreams pks;
    pks.Compressed = true;
    pks.Encrypted = !key.empty();
    pks.Key = key;
    packing::MemoryStream in(bytes.constData(), size_t(bytes.size()));
    pks.AddStream(item, in);
    packing::MemoryStream out;
    pks.SaveToStream(out);
    return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size()));
}

// The item of a container file read with the key; throws what the container throws.
inline QByteArray unpackFile(const QString &path, const std::string &item, const std::string &key = {})
{
    TPackStreams pks;
    pks.Key = key;
    pks.LoadFromFile(fileName(path));
    packing::MemoryStream out;
    pks.GetStream(item, out);
    return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size()));
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Writes X.STU holding the settings lines (options line, version line, empty line, then the
// description), enciphered when a password is given.
inline void writeSettings(const QString &stuPath, const QString &optionsLine, const QStringList &description = {},
                          const std::string &password = {})
{
    QStringList lines{optionsLine, Linea_Version_FE(), QString()};
    lines += description;
    writeBytes(stuPath, packItem("FE_STU", platform::rtf::fromLines(lines), password));
}

// The lines of the settings item of X.STU.
inline QStringList readSettings(const QString &stuPath, const std::string &password = {})
{
    return platform::rtf::toLines(unpackFile(stuPath, "FE_STU", password));
}

// A study file X (X.STU and an empty card table X.DB) in the folder; returns X.DB's path.
inline QString writeStudyFile(const QString &folder, const QString &name, const Opciones_FE &options,
                              const QStringList &description = {}, const std::string &password = {})
{
    QDir().mkpath(folder);
    const QString base = folder + QLatin1Char('/') + name;
    writeSettings(base + QStringLiteral(".STU"), Linea_Opciones_FE(options), description, password);
    engine::Table t;
    t.setDatabaseName(fileName(folder));
    t.setTableName(fileName(name + QStringLiteral(".DB")));
    t.createTable(TD_Module_::Campos_Ficha(options.Tam_Pregunta), TD_Module_::Indices_Ficha());
    return base + QStringLiteral(".DB");
}

inline Opciones_FE defaultOptions()
{
    Opciones_FE o;
    o.Clave = true;
    o.Tam_Pregunta = 60;
    o.Tam_Respuesta = 100;
    return o;
}

// X.CLA as the open routine saves it: the lines "RichEdit3" and the password, under the key
// of the disk.
inline void writeSavedPassword(const QString &claPath, const QString &password, const std::string &diskKey)
{
    writeBytes(claPath, packItem("1", platform::rtf::fromLines({QStringLiteral("RichEdit3"), password}), diskKey));
}

} // namespace testsupport
