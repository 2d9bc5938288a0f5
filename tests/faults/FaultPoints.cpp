// A library preloaded into a child test program: it counts the calls that change a folder or
// force a file to the disk (renames, unlinks, syncs, truncations), from any part of the
// program (SQLite's own among them), once the test arms it, and can kill the process with
// SIGKILL just before or just after the n-th of them, or of the rename to a path that ends in
// a given text.
//
// The test finds orv_fault_arm, orv_fault_arm_rename and orv_fault_count with dlsym; nothing is
// counted before.
// The headers that declare the calls replaced here are left out: their declarations differ.
#include <atomic>
#include <cstring>

#include <dlfcn.h>
#include <signal.h>
#include <sys/types.h>

namespace {
std::atomic<bool> armed{false};
std::atomic<long> calls{0};
long killAt = 0;       // 0: count only
bool killAfter = false; // after the call returns, else before it is made
char killRenameTo[512] = ""; // the end of the target path of the rename to kill at ("": none)

template <class F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Counts one call; `after`: the call has been made; `target`: a rename to the path looked for.
void point(bool after, long n, bool target)
{
    if (after == killAfter && ((killAt > 0 && n == killAt) || target))
        raise(SIGKILL);
}

bool renameTarget(const char *to)
{
    const std::size_t end = std::strlen(killRenameTo), length = to ? std::strlen(to) : 0;
    return end > 0 && length >= end && std::strcmp(to + length - end, killRenameTo) == 0;
}

template <class Call> auto counted(Call call, bool target = false)
{
    if (!armed.load())
        return call();
    const long n = ++calls;
    point(false, n, target);
    auto result = call();
    point(true, n, target);
    return result;
}
} // namespace

extern "C" {

__attribute__((visibility("default"))) void orv_fault_arm(long at, int after)
{
    killAt = at;
    killAfter = after != 0;
    killRenameTo[0] = 0;
    calls = 0;
    armed = true;
}

__attribute__((visibility("default"))) void orv_fault_arm_rename(const char *to, int after)
{
    killAt = 0;
    killAfter = after != 0;
    std::strncpy(killRenameTo, to, sizeof killRenameTo - 1);
    killRenameTo[sizeof killRenameTo - 1] = 0;
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
    return counted([&] { return f(from, to); }, renameTarget(to));
}

__attribute__((visibility("default"))) int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    static auto f = real<int (*)(int, const char *, int, const char *)>("renameat");
    return counted([&] { return f(fromDir, from, toDir, to); }, renameTarget(to));
}

__attribute__((visibility("default"))) int renameat2(int fromDir, const char *from, int toDir, const char *to,
                                                     unsigned flags)
{
    static auto f = real<int (*)(int, const char *, int, const char *, unsigned)>("renameat2");
    return counted([&] { return f(fromDir, from, toDir, to, flags); }, renameTarget(to));
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
