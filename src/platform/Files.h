#pragma once
// The program folder, volume serial numbers and file look-ups that ignore case.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

// The folder of the program's executable, without a trailing separator. Tests point it at a
// folder of their own with setProgramFolder; an empty path goes back to the executable's.
QString programFolder();
void setProgramFolder(const QString &folder);

// The serial number of the volume that holds the folder (the file system id of the volume),
// or nothing when the volume's information can't be read.
std::optional<std::uint32_t> volumeSerial(const QString &folder);
// Tests: make volumeSerial answer `serial` whatever the folder, until clearVolumeSerialForTesting.
void setVolumeSerialForTesting(std::optional<std::uint32_t> serial);
void clearVolumeSerialForTesting();

// The bytes free for the user on the volume that holds the folder; nothing when the volume's
// information can't be read.
std::optional<std::uint64_t> freeSpace(const QString &folder);
// Tests: make freeSpace answer `bytes` whatever the folder; nothing goes back to the volume's.
void setFreeSpaceForTesting(std::optional<std::uint64_t> bytes);

// The whole content of a file; nothing when it is not a file, cannot be opened or read, or
// holds more than maxSize bytes (a negative maxSize sets no limit).
std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxSize = -1);

// Writes the whole file through a temporary file in the same folder, renamed over the
// target only when everything was written; false (and any previous file untouched) on failure.
// Read-only targets are refused and links written through (packing::SaveFile).
bool saveFileAtomically(const QString &path, const QByteArray &bytes);

// The path of an existing file whose name equals the last component of `path` but for the
// case of its letters (the exact name first); empty when there is none. The folder part is
// taken as given.
QString existingPathAnyCase(const QString &path);

} // namespace platform
