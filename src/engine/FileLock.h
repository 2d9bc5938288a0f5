#pragma once
// The lock by which a table is held shared (ordinary open) or exclusively.
//
// An open-file-description lock (fcntl F_OFD_SETLK, never waiting) on one byte of the table
// file, below SQLite's own lock bytes, so that it neither meets SQLite's locks nor lets the
// closing of a descriptor drop them. All holders of one file in a process share a single
// descriptor, counted, which is closed only when the last of them lets go (after its SQLite
// connection is closed): SQLite's own POSIX locks would be lost if any other descriptor of
// the file were closed while they are held.
#include <string>

namespace engine {

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // EngineError when the file is missing, or is held exclusively by someone else, or (for
    // an exclusive lock) held at all by someone else.
    static FileLock acquire(const std::string &path, bool exclusive);
    bool held() const { return key_ != nullptr; }
    void release();

    struct Key;

private:
    Key *key_ = nullptr;
    bool exclusive_ = false;
};

} // namespace engine
