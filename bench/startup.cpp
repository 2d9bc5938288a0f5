// Whole-process start-up: the program (offscreen) from exec to its main window's first
// activation, against a minimal Qt program that shows one window, measured in the same run.
//
//   bench_startup                 runs the benchmark
//   bench_startup --minimal-window  the minimal program (used by the benchmark itself)
//
// The program ends after its first activation when ORVENDA_QUIT_AFTER_FIRST_ACTIVATION is set.
#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

class QuitOnActivation : public QWidget {
protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::WindowActivate)
            QCoreApplication::quit();
        return QWidget::event(e);
    }
};

int minimalWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    QuitOnActivation w;
    w.resize(640, 480);
    w.show();
    return app.exec();
}

std::string binFolder()
{
    char path[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string s(path, n > 0 ? size_t(n) : 0);
    return s.substr(0, s.rfind('/'));
}

// Runs the command to its end; returns the wall time in seconds, or a negative value on failure.
double run(const std::vector<std::string> &args)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            env.emplace_back(*e);
    }
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    env.emplace_back("ORVENDA_QUIT_AFTER_FIRST_ACTIVATION=1");
    std::vector<char *> envp, argv;
    for (auto &s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> a = args;
    for (auto &s : a)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(end - start).count();
}

void BM_ProgramStartupAgainstMinimalWindow(benchmark::State &state)
{
    const std::string bin = binFolder();
    const std::vector<std::string> program{bin + "/Orvenda"};
    const std::vector<std::string> minimal{bin + "/bench_startup", "--minimal-window"};
    double programTotal = 0, minimalTotal = 0;
    for (auto _ : state) {
        const double p = run(program);
        const double m = run(minimal);
        if (p < 0 || m < 0) {
            state.SkipWithError("a process failed to start or to end cleanly");
            return;
        }
        programTotal += p;
        minimalTotal += m;
        state.SetIterationTime(p);
    }
    const double n = double(state.iterations());
    state.counters["program_ms"] = 1000 * programTotal / n;
    state.counters["minimal_ms"] = 1000 * minimalTotal / n;
    state.counters["ratio"] = programTotal / minimalTotal;
}
BENCHMARK(BM_ProgramStartupAgainstMinimalWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--minimal-window") == 0)
            return minimalWindow(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
