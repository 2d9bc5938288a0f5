#include "platform/Files.h"

#include "packing/Streams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace platform {

namespace {
QString programFolderOverride;
bool serialOverridden = false;
std::optional<std::uint32_t> serialOverride;
std::optional<std::uint64_t> freeSpaceOverride;

// The file system figures of the volume that holds `folder` (the current folder when empty).
std::optional<struct statvfs> volumeInfo(const QString &folder)
{
    struct statvfs info {};
    const QByteArray path = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (::statvfs(path.constData(), &info) != 0)
        return std::nullopt;
    return info;
}
} // namespace

QString programFolder()
{
    QString folder = programFolderOverride.isEmpty() ? QCoreApplication::applicationDirPath()
                                                     : programFolderOverride;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void setProgramFolder(const QString &folder)
{
    programFolderOverride = folder;
}

std::optional<std::uint32_t> volumeSerial(const QString &folder)
{
    if (serialOverridden)
        return serialOverride;
    const std::optional<struct statvfs> info = volumeInfo(folder);
    if (!info)
        return std::nullopt;
    const unsigned long long id = info->f_fsid;
    return std::uint32_t(id ^ (id >> 32));
}

void setVolumeSerialForTesting(std::optional<std::uint32_t> serial)
{
    serialOverridden = true;
    serialOverride = serial;
}

void clearVolumeSerialForTesting()
{
    serialOverridden = false;
    serialOverride.reset();
}

std::optional<std::uint64_t> freeSpace(const QString &folder)
{
    if (freeSpaceOverride)
        return freeSpaceOverride;
    const std::optional<struct statvfs> info = volumeInfo(folder);
    if (!info)
        return std::nullopt;
    return std::uint64_t(info->f_bavail) * info->f_frsize;
}

void setFreeSpaceForTesting(std::optional<std::uint64_t> bytes)
{
    freeSpaceOverride = bytes;
}

std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxSize)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (maxSize >= 0 && f.size() > maxSize)
        return std::nullopt;
    QByteArray bytes = maxSize >= 0 ? f.read(maxSize + 1) : f.readAll();
    if (f.error() != QFileDevice::NoError || (maxSize >= 0 && bytes.size() > maxSize))
        return std::nullopt;
    return bytes;
}

bool saveFileAtomically(const QString &path, const QByteArray &bytes)
{
    try {
        packing::SaveFile file(QFile::encodeName(path).toStdString());
        file.stream().writeBuffer(bytes.constData(), static_cast<size_t>(bytes.size()));
        file.commit();
        return true;
    } catch (const packing::EStreamError &) {
        return false;
    }
}

QString existingPathAnyCase(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFileInfo exact(path);
    if (exact.isFile())
        return path;
    const QDir dir = exact.dir();
    if (!dir.exists())
        return {};
    const QString name = exact.fileName();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return {};
}

} // namespace platform
