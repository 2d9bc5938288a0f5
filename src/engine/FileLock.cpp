#include "engine/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "engine/EngineError.h"

namespace engine {

struct FileLock::Key {
    dev_t dev;
    ino_t ino;
    bool operator<(const Key &o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
};

namespace {

// Below SQLite's pending byte (0x40000000) and its shared range above it.
constexpr off_t kLockByte = 0x40000000 - 512;

struct Holder {
    int fd = -1;
    int shared = 0;
    bool exclusive = false;
};

std::map<FileLock::Key, Holder> &registry()
{
    static std::map<FileLock::Key, Holder> r;
    return r;
}

bool lockByte(int fd, short type)
{
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = kLockByte;
    fl.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

[[noreturn]] void inUse(const std::string &path, bool wantedExclusive)
{
    if (wantedExclusive)
        throw EngineError("La tabla «" + path
                          + "» está abierta en este u otro programa; no se puede abrir en exclusiva.");
    throw EngineError("La tabla «" + path + "» está abierta en exclusiva por otro programa o proceso.");
}

} // namespace

FileLock::FileLock(FileLock &&other) noexcept
    : key_(std::exchange(other.key_, nullptr)), exclusive_(other.exclusive_)
{
}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        key_ = std::exchange(other.key_, nullptr);
        exclusive_ = other.exclusive_;
    }
    return *this;
}

FileLock FileLock::acquire(const std::string &path, bool exclusive)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        throw EngineError("No existe la tabla «" + path + "».");
    if (!S_ISREG(st.st_mode))
        throw EngineError("«" + path + "» no es un fichero de tabla.");
    auto &reg = registry();
    Key key{st.st_dev, st.st_ino};
    auto it = reg.find(key);
    if (it != reg.end()) {
        // Held in this process already: share its descriptor, never open another.
        if (exclusive || it->second.exclusive)
            inUse(path, exclusive);
        if (it->second.shared == 0 && !lockByte(it->second.fd, F_RDLCK))
            inUse(path, exclusive);
        ++it->second.shared;
    } else {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && !exclusive)
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw EngineError("No se puede abrir la tabla «" + path + "» (" + std::strerror(errno) + ").");
        struct stat fst;
        if (::fstat(fd, &fst) != 0 || !lockByte(fd, exclusive ? F_WRLCK : F_RDLCK)) {
            ::close(fd);
            inUse(path, exclusive);
        }
        key = Key{fst.st_dev, fst.st_ino};
        Holder h;
        h.fd = fd;
        h.shared = exclusive ? 0 : 1;
        h.exclusive = exclusive;
        it = reg.emplace(key, h).first;
    }
    FileLock lock;
    lock.key_ = const_cast<Key *>(&it->first);
    lock.exclusive_ = exclusive;
    return lock;
}

void FileLock::release()
{
    if (!key_)
        return;
    auto &reg = registry();
    auto it = reg.find(*key_);
    key_ = nullptr;
    if (it == reg.end())
        return;
    Holder &h = it->second;
    if (exclusive_)
        h.exclusive = false;
    else
        --h.shared;
    if (!h.exclusive && h.shared == 0) {
        ::close(h.fd); // releases the lock
        reg.erase(it);
    }
}

} // namespace engine
