#include "packing/Streams.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
}

SaveFile::SaveFile(const std::string &fileName) : fileName_(fileName)
{
    // A name beside the target, unique within this process and among processes.
    for (int attempt = 0; attempt < 100 && !stream_; ++attempt) {
        tempName_ = fileName + ".~" + std::to_string(::getpid()) + "-" + std::to_string(tempCounter++);
        const int fd = ::open(tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    // Keep the permissions of a file being replaced.
    struct stat st;
    if (::stat(fileName_.c_str(), &st) == 0)
        ::chmod(tempName_.c_str(), st.st_mode & 07777);
    if (std::rename(tempName_.c_str(), fileName_.c_str()) != 0)
        throw EFCreateError(fileName_);
    committed_ = true;
}

} // namespace packing
