// A library preloaded into a child test program: it counts the calls that change a folder or
// force a file to the disk (renames, unlinks, syncs, truncations), from any part of the
// program (SQLite's own among them), once the test arms it, and can kill the process with
// SIGKILL just before or just after the n-th of them.
//
// The test finds orv_fault_arm and orv_fault_count with dlsym; nothing is counted before.
// The headers that declare the calls replaced here are left out: their declarations differ.
#include <atomic>

#include <dlfcn.h>
#include <signal.h>
#include <sys/types.h>

namespace {
std::atomic<bool> armed{false};
std::atomic<long> calls{0};
long killAt = 0;       // 0: count only
bool killAfter = false; // after the call returns, else before it is made

template <class F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Counts one call; `after`: the call has been made.
void point(bool after, long n)
{
    if (killAt > 0 && n == killAt && after == killAfter)
        raise(SIGKILL);
}

template <class Call> auto counted(Call call)
{
    if (!armed.load())
        return call();
    const long n = ++calls;
    point(false, n);
    auto result = call();
    point(true, n);
    return result;
}
} // namespace

extern "C" {

__attribute__((visibility("default"))) void orv_fault_arm(long at, int after)
{
    killAt = at;
    killAfter = after != 0;
    calls = 0;
    armed = true;
}

__attribute__((visibility("default"))) long orv_fault_count()
{
    armed = false;
    return calls.load();
}

__attribute__((visibility("default"))) int rename(const char *from, const char *to)
{
    static auto f = real<int (*)(const char *, const char *)>("rename");
    return counted([&] { return f(from, to); });
}

__attribute__((visibility("default"))) int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    static auto f = real<int (*)(int, const char *, int, const char *)>("renameat");
    return counted([&] { return f(fromDir, from, toDir, to); });
}

__attribute__((visibility("default"))) int renameat2(int fromDir, const char *from, int toDir, const char *to,
                                                     unsigned flags)
{
    static auto f = real<int (*)(int, const char *, int, const char *, unsigned)>("renameat2");
    return counted([&] { return f(fromDir, from, toDir, to, flags); });
}

__attribute__((visibility("default"))) int unlink(const char *path)
{
    static auto f = real<int (*)(const char *)>("unlink");
    return counted([&] { return f(path); });
}

__attribute__((visibility("default"))) int unlinkat(int dir, const char *path, int flags)
{
    static auto f = real<int (*)(int, const char *, int)>("unlinkat");
    return counted([&] { return f(dir, path, flags); });
}

__attribute__((visibility("default"))) int remove(const char *path)
{
    static auto f = real<int (*)(const char *)>("remove");
    return counted([&] { return f(path); });
}

__attribute__((visibility("default"))) int fsync(int fd)
{
    static auto f = real<int (*)(int)>("fsync");
    return counted([&] { return f(fd); });
}

__attribute__((visibility("default"))) int fdatasync(int fd)
{
    static auto f = real<int (*)(int)>("fdatasync");
    return counted([&] { return f(fd); });
}

__attribute__((visibility("default"))) int ftruncate(int fd, off_t length)
{
    static auto f = real<int (*)(int, off_t)>("ftruncate");
    return counted([&] { return f(fd, length); });
}

__attribute__((visibility("default"))) int ftruncate64(int fd, off_t length)
{
    static auto f = real<int (*)(int, off_t)>("ftruncate64");
    return counted([&] { return f(fd, length); });
}

} // extern "C"
