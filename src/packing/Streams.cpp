#include "packing/Streams.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace packing {

EReadError::EReadError() : EStreamError("Stream read error") {}
EWriteError::EWriteError() : EStreamError("Stream write error") {}
EFOpenError::EFOpenError(const std::string &fileName) : EStreamError("Cannot open file " + fileName) {}
EFCreateError::EFCreateError(const std::string &fileName) : EStreamError("Cannot create file " + fileName) {}

// ---- Stream

void Stream::readBuffer(void *buffer, size_t count)
{
    if (count != 0 && read(buffer, count) != count)
        throw EReadError();
}

void Stream::writeBuffer(const void *buffer, size_t count)
{
    if (count != 0 && write(buffer, count) != count)
        throw EWriteError();
}

int64_t Stream::copyFrom(Stream &source, int64_t count)
{
    if (count == 0) {
        source.setPosition(0);
        count = source.size();
    }
    if (count <= 0)
        return 0;
    // A memory source is copied in one piece.
    if (auto *mem = dynamic_cast<MemoryStream *>(&source)) {
        const int64_t pos = mem->position();
        if (pos + count > mem->size())
            throw EReadError();
        writeBuffer(mem->data() + pos, static_cast<size_t>(count));
        mem->setPosition(pos + count);
        return count;
    }
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    for (int64_t left = count; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(chunk.size())));
        source.readBuffer(chunk.data(), n);
        writeBuffer(chunk.data(), n);
        left -= static_cast<int64_t>(n);
    }
    return count;
}

uint8_t Stream::readByte()
{
    uint8_t b;
    readBuffer(&b, 1);
    return b;
}

uint16_t Stream::readUInt16()
{
    uint8_t b[2];
    readBuffer(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t Stream::readUInt32()
{
    uint8_t b[4];
    readBuffer(b, 4);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

void Stream::writeUInt16(uint16_t value)
{
    const uint8_t b[2] = {uint8_t(value), uint8_t(value >> 8)};
    writeBuffer(b, 2);
}

void Stream::writeUInt32(uint32_t value)
{
    const uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    writeBuffer(b, 4);
}

// ---- MemoryStream

MemoryStream::MemoryStream(const void *data, size_t size)
    : data_(static_cast<const uint8_t *>(data), static_cast<const uint8_t *>(data) + size)
{
}

MemoryStream::MemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

MemoryStream::MemoryStream(std::string_view bytes) : data_(bytes.begin(), bytes.end()) {}

void MemoryStream::setPosition(int64_t position)
{
    position_ = position < 0 ? 0 : static_cast<size_t>(position);
}

size_t MemoryStream::read(void *buffer, size_t count)
{
    if (position_ >= data_.size())
        return 0;
    const size_t n = std::min(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t MemoryStream::write(const void *buffer, size_t count)
{
    if (count == 0)
        return 0;
    if (position_ + count > data_.size())
        data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

void MemoryStream::clear()
{
    data_.clear();
    position_ = 0;
}

void MemoryStream::setSize(size_t size)
{
    data_.resize(size);
    position_ = std::min(position_, size);
}

std::vector<uint8_t> MemoryStream::takeBytes()
{
    std::vector<uint8_t> out = std::move(data_);
    data_.clear();
    position_ = 0;
    return out;
}

// ---- FileStream

FileStream::FileStream(const std::string &fileName, Mode mode)
{
    file_ = std::fopen(fileName.c_str(), mode == OpenRead ? "rb" : "wb");
    if (!file_) {
        if (mode == OpenRead)
            throw EFOpenError(fileName);
        throw EFCreateError(fileName);
    }
    struct stat st;
    if (mode == OpenRead && (fstat(fileno(file_), &st) != 0 || S_ISDIR(st.st_mode))) {
        std::fclose(file_);
        file_ = nullptr;
        throw EFOpenError(fileName);
    }
}

FileStream::~FileStream()
{
    if (file_)
        std::fclose(file_);
}

int64_t FileStream::size() const
{
    if (!file_)
        return 0;
    std::fflush(file_);
    struct stat st;
    if (fstat(fileno(file_), &st) != 0)
        return 0;
    return static_cast<int64_t>(st.st_size);
}

void FileStream::setPosition(int64_t position)
{
    position_ = position < 0 ? 0 : position;
    seekPending_ = true;
}

size_t FileStream::read(void *buffer, size_t count)
{
    if (!file_ || count == 0)
        return 0;
    if (seekPending_ && fseeko(file_, position_, SEEK_SET) != 0)
        return 0;
    seekPending_ = false;
    const size_t n = std::fread(buffer, 1, count, file_);
    position_ += static_cast<int64_t>(n);
    // Switching from reading to writing needs a seek in between.
    seekPending_ = true;
    return n;
}

size_t FileStream::write(const void *buffer, size_t count)
{
    if (!file_ || count == 0)
        return 0;
    if (seekPending_ && fseeko(file_, position_, SEEK_SET) != 0)
        return 0;
    seekPending_ = false;
    const size_t n = std::fwrite(buffer, 1, count, file_);
    position_ += static_cast<int64_t>(n);
    return n;
}

void FileStream::close(bool sync)
{
    if (!file_)
        return;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    if (ok && sync)
        ok = ::fsync(fileno(file_)) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!ok || !closed)
        throw EWriteError();
}

// ---- SaveFile

namespace {
std::atomic<unsigned> tempCounter{0};

// Temporary files are named ".~sv<pid>-<n>" in hexadecimal: short, whatever the length of the
// target's name, and recognisable as ours when a killed process left one behind.
constexpr const char kTempPrefix[] = ".~sv";

std::string hex(unsigned long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path names, through any chain of symbolic links (the link's own path when the
// chain is too long to follow).
std::string resolveLinks(const std::string &path)
{
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size())
            return current;
        target.resize(static_cast<size_t>(n));
        current = target.front() == '/' ? target : folderOf(current) + "/" + target;
    }
    return path;
}

} // namespace

// The temporary files of our pattern in the folder whose process is gone.
int removeAbandonedSaveFiles(const std::string &folder)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    const size_t prefix = sizeof kTempPrefix - 1;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strncmp(name, kTempPrefix, prefix) != 0)
            continue;
        char *end = nullptr;
        const unsigned long pid = std::strtoul(name + prefix, &end, 16);
        if (end == name + prefix || *end != '-' || pid == 0 || pid > 0x7FFFFFFF)
            continue;
        const char *counter = end + 1;
        std::strtoul(counter, &end, 16);
        if (end == counter || *end != '\0')
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue; // its process may still be writing it
        removed += ::unlink((folder + "/" + name).c_str()) == 0 ? 1 : 0;
    }
    ::closedir(dir);
    return removed;
}

SaveFile::SaveFile(const std::string &fileName, Access access)
    : fileName_(resolveLinks(fileName)), ownerOnly_(access == OwnerOnly)
{
    // A file that is there and may not be written is refused, as writing it in place would be.
    struct stat st;
    if (::stat(fileName_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(fileName_.c_str(), W_OK) != 0)
            throw EFCreateError(fileName);
    }
    const std::string folder = folderOf(fileName_);
    removeAbandonedSaveFiles(folder);
    // A name beside the target, unique within this process and among processes.
    for (int attempt = 0; attempt < 100 && !stream_; ++attempt) {
        tempName_ = folder + "/" + kTempPrefix + hex(static_cast<unsigned long>(::getpid())) + "-" +
                    hex(tempCounter++);
        const int fd = ::open(tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly_ ? 0600 : 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        ::close(fd);
        try {
            stream_ = new FileStream(tempName_, FileStream::Create);
        } catch (const EStreamError &) {
            ::unlink(tempName_.c_str());
            break;
        }
    }
    if (!stream_)
        throw EFCreateError(fileName);
}

SaveFile::~SaveFile()
{
    delete stream_;
    if (!committed_)
        ::unlink(tempName_.c_str());
}

void SaveFile::commit()
{
    stream_->close(true);  // on the disk before it takes the old file's place
    // Keep the permissions and the owner of a file being replaced; an owner-only file stays
    // readable and writable by its owner alone, whatever the replaced file allowed.
    struct stat st;
    if (::stat(fileName_.c_str(), &st) == 0) {
        ::chmod(tempName_.c_str(), ownerOnly_ ? 0600 : st.st_mode & 07777);
        if (::chown(tempName_.c_str(), st.st_uid, st.st_gid) != 0) {
            // Only the superuser may give a file away; the file is then the writer's own.
        }
    }
    if (std::rename(tempName_.c_str(), fileName_.c_str()) != 0)
        throw EFCreateError(fileName_);
    committed_ = true;
    // The rename itself on the disk.
    const int dir = ::open(folderOf(fileName_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace packing
