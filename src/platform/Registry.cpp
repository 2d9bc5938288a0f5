#include "platform/Registry.h"

#include "engine/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <stdio.h>

namespace platform {

namespace {

// A key path as compared: without the separators around it, "/" and "\" alike.
QString bare(QString path)
{
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

[[noreturn]] void fail(const QString &file, const QString &why)
{
    throw std::runtime_error(QStringLiteral("No se puede escribir el registro «%1»: %2.").arg(file, why).toStdString());
}

// Forces the file's bytes (or the folder's entries) to the disk.
bool syncPath(const QString &path, bool folder)
{
    return engine::syncPath(QFile::encodeName(path).toStdString(), folder);
}

} // namespace

QString Registry::fileName()
{
    const QString chosen = qEnvironmentVariable("ORVENDA_REGISTRO");
    if (!chosen.isEmpty())
        return chosen;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Orvenda/registro.ini");
}

void Registry::load()
{
    m_keys.clear();
    const QString file = fileName();
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return;
    QSettings s(file, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return;
    for (const QString &full : s.allKeys()) {
        const qsizetype cut = full.lastIndexOf(QLatin1Char('/'));
        if (cut <= 0)
            continue; // a value outside every key
        const QString path = bare(full.left(cut));
        const QString name = full.mid(cut + 1);
        const QVariant v = s.value(full);
        // A text with commas, written by hand without quotes, reads as a list.
        const QString value = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QStringLiteral(", "))
                                                                    : v.toString();
        Key *key = find(path);
        if (!key) {
            m_keys.push_back({path, {}});
            key = &m_keys.back();
        }
        key->values.emplace_back(name, value);
    }
}

void Registry::save() const
{
    const QString file = fileName();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder))
        fail(file, QStringLiteral("no se puede crear su carpeta"));
    // The new registry goes to a file of its own in the same folder, readable by its owner
    // only, and replaces the old one only when it is complete and on the disk.
    QTemporaryFile temp(folder + QStringLiteral("/.registro-XXXXXX.ini"));
    if (!temp.open())
        fail(file, temp.errorString());
    const QString tempPath = temp.fileName();
    temp.close();
    {
        QSettings s(tempPath, QSettings::IniFormat);
        s.clear();
        for (const Key &key : m_keys) {
            QString group = key.path;
            group.replace(QLatin1Char('\\'), QLatin1Char('/'));
            for (const auto &[name, value] : key.values)
                s.setValue(group + QLatin1Char('/') + name, value);
        }
        s.sync();
        if (s.status() != QSettings::NoError)
            fail(file, QStringLiteral("no se pudo escribir el fichero nuevo"));
    }
    if (!QFile::setPermissions(tempPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner) || !syncPath(tempPath, false))
        fail(file, QStringLiteral("no se pudo escribir el fichero nuevo"));
    if (::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(file).constData()) != 0)
        fail(file, QString::fromLocal8Bit(strerror(errno)));
    syncPath(folder, true);
}

Registry::Key *Registry::find(const QString &path)
{
    const QString p = bare(path);
    for (Key &k : m_keys) {
        if (same(k.path, p))
            return &k;
    }
    return nullptr;
}

bool Registry::OpenKey(const QString &key, bool canCreate)
{
    CloseKey();
    load();
    const QString path = bare(key);
    if (!find(path)) {
        // A key exists also as the parent of a key that holds values.
        const QString prefix = path + QLatin1Char('\\');
        const bool parent = std::any_of(m_keys.begin(), m_keys.end(), [&](const Key &k) {
            return k.path.startsWith(prefix, Qt::CaseInsensitive);
        });
        if (!parent && !canCreate)
            return false;
        m_keys.push_back({path, {}});
    }
    m_open = path;
    m_isOpen = true;
    return true;
}

QString Registry::ReadString(const QString &name) const
{
    if (!m_isOpen)
        return {};
    for (const Key &k : m_keys) {
        if (!same(k.path, m_open))
            continue;
        for (const auto &[n, v] : k.values) {
            if (same(n, name))
                return v;
        }
    }
    return {};
}

void Registry::WriteString(const QString &name, const QString &value)
{
    if (!m_isOpen)
        fail(fileName(), QStringLiteral("no hay ninguna clave abierta"));
    Key *key = find(m_open);
    const std::vector<std::pair<QString, QString>> before = key->values;
    bool replaced = false;
    for (auto &[n, v] : key->values) {
        if (same(n, name)) {
            v = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        key->values.emplace_back(name, value);
    try {
        save();
    } catch (...) {
        key->values = before;
        throw;
    }
}

void Registry::CloseKey()
{
    m_open.clear();
    m_isOpen = false;
}

} // namespace platform
