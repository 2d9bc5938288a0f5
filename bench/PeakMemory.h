#pragma once
// Peak resident memory of this process over a stretch of work: the kernel's high-water mark is
// brought down to the present resident size first (Linux), then read back after the work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>

inline long statusKb(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return 0;
}

inline void resetPeakMemory()
{
    if (std::FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// The peak in kilobytes since the last reset (getrusage's maximum where the high-water mark
// cannot be read).
inline long peakMemoryKb()
{
    if (const long hwm = statusKb("VmHWM:"))
        return hwm;
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Runs `work` once per iteration and reports the peak resident memory (MB) of the process
// during the iterations, and how far it rose above the memory held before.
template <class Work>
void measurePeak(benchmark::State &state, Work work)
{
    long before = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeakMemory();
        before = statusKb("VmRSS:");
        state.ResumeTiming();
        work();
        peak = std::max(peak, peakMemoryKb());
    }
    state.counters["peak_rss_MB"] = double(peak) / 1024;
    state.counters["rise_MB"] = double(peak - before) / 1024;
}
