#pragma once
// Byte streams for the packing routines: an abstract stream with a position, a growable
// memory stream and a file stream, plus the stream failures.
//
// A stream is a sequence of bytes with a size and a current position. `read` and `write` work
// at the position and advance it; `read` may return fewer bytes than asked at the end, while
// `readBuffer` and `writeBuffer` must move every byte or throw. Positions may be set beyond
// the end of a memory stream; writing there first fills the gap with zero bytes.
//
// Other layers pass their bytes through a MemoryStream:
//     packing::MemoryStream s(bytes.data(), bytes.size());   // copy in, position 0
//     ...
//     std::vector<uint8_t> out = s.bytes();                   // copy out
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace packing {

// A failure of a stream operation.
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fewer bytes than required could be read: "Stream read error".
class EReadError : public EStreamError {
public:
    EReadError();
};

// Fewer bytes than required could be written: "Stream write error".
class EWriteError : public EStreamError {
public:
    EWriteError();
};

// A file could not be opened for reading: "Cannot open file <name>".
class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string &fileName);
};

// A file could not be created: "Cannot create file <name>".
class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string &fileName);
};

class Stream {
public:
    virtual ~Stream() = default;

    virtual int64_t size() const = 0;
    virtual int64_t position() const = 0;
    virtual void setPosition(int64_t position) = 0;
    // Reads up to `count` bytes at the position; returns how many were read.
    virtual size_t read(void *buffer, size_t count) = 0;
    // Writes `count` bytes at the position; returns how many were written.
    virtual size_t write(const void *buffer, size_t count) = 0;

    void readBuffer(void *buffer, size_t count);        // all or EReadError
    void writeBuffer(const void *buffer, size_t count); // all or EWriteError

    // Copies `count` bytes from the source's position into this stream at its position.
    // A count of 0 copies the whole source from its position 0 to its end.
    int64_t copyFrom(Stream &source, int64_t count);

    uint8_t readByte();
    uint16_t readUInt16();  // little-endian
    uint32_t readUInt32();  // little-endian
    void writeUInt16(uint16_t value);
    void writeUInt32(uint32_t value);
};

class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    MemoryStream(const void *data, size_t size);
    explicit MemoryStream(std::vector<uint8_t> bytes);
    explicit MemoryStream(std::string_view bytes);

    int64_t size() const override { return static_cast<int64_t>(data_.size()); }
    int64_t position() const override { return static_cast<int64_t>(position_); }
    void setPosition(int64_t position) override;
    size_t read(void *buffer, size_t count) override;
    size_t write(const void *buffer, size_t count) override;

    // Empties the stream: size 0, position 0.
    void clear();
    // Changes the size; new bytes are zero. The position is kept unless it would pass the end.
    void setSize(size_t size);

    uint8_t *data() { return data_.data(); }
    const uint8_t *data() const { return data_.data(); }
    const std::vector<uint8_t> &bytes() const { return data_; }
    std::vector<uint8_t> takeBytes();  // moves the content out, leaving the stream empty
    std::string toString() const { return {data_.begin(), data_.end()}; }

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};

class FileStream : public Stream {
public:
    enum Mode { OpenRead, Create };
    // OpenRead opens an existing file read-only (EFOpenError); Create creates or truncates a
    // file for writing (EFCreateError).
    FileStream(const std::string &fileName, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream &) = delete;
    FileStream &operator=(const FileStream &) = delete;

    int64_t size() const override;
    int64_t position() const override { return position_; }
    void setPosition(int64_t position) override;
    size_t read(void *buffer, size_t count) override;
    size_t write(const void *buffer, size_t count) override;

    // Flushes (to the disk too when `sync`) and closes; throws EWriteError when the data could
    // not all be written.
    void close(bool sync = false);

private:
    std::FILE *file_ = nullptr;
    int64_t position_ = 0;
    bool seekPending_ = false;
};

// Writes a whole file through a temporary file in the same folder, renamed over the target
// only when everything was written. A failure leaves any previous file untouched.
// - A symbolic link is written through: its target is replaced, the link stays.
// - A target that exists and is read-only (no write permission bit, or not writable by this
//   process), or is no regular file, is refused with EFCreateError.
// - The replaced file's permissions and (where allowed) owner are kept.
// - The temporary name is short (".~sv<pid>-<n>"), so any target name the file system takes
//   works; such files left behind by a killed process are removed at the next save in that
//   folder (and by removeAbandonedSaveFiles).
// - OwnerOnly: the file is created readable and writable by its owner alone (0600), also when
//   it replaces a file that others could read.
class SaveFile {
public:
    enum Access { UserUmask, OwnerOnly };
    explicit SaveFile(const std::string &fileName, Access access = UserUmask);  // EFCreateError
    ~SaveFile();                                     // removes the temporary file unless committed
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    Stream &stream() { return *stream_; }
    void commit();  // closes and renames; EWriteError or EFCreateError on failure

private:
    std::string fileName_;
    std::string tempName_;
    FileStream *stream_ = nullptr;
    bool ownerOnly_ = false;
    bool committed_ = false;
};

// Removes from the folder the temporary files of saves whose process is gone (a killed
// program); returns how many went.
int removeAbandonedSaveFiles(const std::string &folder);

} // namespace packing
