// Whole-process start-up: the program (offscreen) from exec to its main window's first
// activation, against a minimal Qt program that shows one window, measured in the same run.
//
//   bench_startup                 runs the benchmark
//   bench_startup --minimal-window  the minimal program (used by the benchmark itself)
//
// The program runs from a program folder of its own, made for the run in the system's temporary
// folder and removed afterwards: the program, its picture and a preferences file, so that the first activation
// reads the preferences (a missing file would stop the start-up at the first-run message).
// The program ends after its first activation when ORVENDA_QUIT_AFTER_FIRST_ACTIVATION is set.
// The folder has its engine folder "BDE" (as the build makes it) and a registry file of its own:
// the first run (not timed) registers the engine, and every timed run does the registration
// check, finds the engine through "DLLPATH" and loads its library, as a start of the program does.
#include "store/Preferencias.h"
#include "platform/Rtf.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

namespace fs = std::filesystem;

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

// Runs the command to its end; returns the wall time in seconds, or a negative value on
// failure. A process still running after 30 s waits for something nobody will do: killed.
double run(const std::vector<std::string> &args, const std::string &registry = {})
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "ORVENDA_REGISTRO=", 17) != 0)
            env.emplace_back(*e);
    }
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    if (!registry.empty())
        env.emplace_back("ORVENDA_REGISTRO=" + registry);
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
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(end - start).count();
}

QByteArray preferencesFile()
{
    return platform::rtf::fromLines(preferencias::primeraVez());
}

// A program folder for the run in the temporary folder: the program and its picture (hard links
// where the file system allows, else copies), the "dat" folder and the preferences file.
// Removed afterwards.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string &bin)
    {
        std::string pattern = (fs::temp_directory_path() / "bench_startup_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        m_folder = pattern;
        std::error_code ec;
        for (const char *name : {"Orvenda", "Image.JPG"}) {
            const fs::path from = fs::path(bin) / name;
            if (!fs::exists(from))
                continue;
            fs::create_hard_link(from, m_folder / name, ec);
            if (ec)
                fs::copy_file(from, m_folder / name, ec);
        }
        fs::create_directory(m_folder / "dat", ec);
        fs::create_directory(m_folder / "BDE", ec);
        fs::create_symlink(fs::read_symlink(fs::path(bin) / "BDE" / "idapi32.dll", ec), m_folder / "BDE" / "idapi32.dll", ec);
        fs::copy_file(fs::path(bin) / "BDE" / "idapi32.cfg", m_folder / "BDE" / "idapi32.cfg", ec);
        const QByteArray prefs = preferencesFile();
        std::ofstream(m_folder / "Orvenda02.stu", std::ios::binary).write(prefs.constData(), prefs.size());
    }
    ~ProgramFolder()
    {
        std::error_code ec;
        if (!m_folder.empty())
            fs::remove_all(m_folder, ec);
    }
    ProgramFolder(const ProgramFolder &) = delete;
    ProgramFolder &operator=(const ProgramFolder &) = delete;

    std::string program() const { return (m_folder / "Orvenda").string(); }
    std::string registry() const { return (m_folder / "registro.ini").string(); }
    // The preferences file is as written above: the program read it and wrote nothing.
    bool preferencesUntouched() const
    {
        std::ifstream in(m_folder / "Orvenda02.stu", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return bytes == preferencesFile().toStdString();
    }

private:
    fs::path m_folder;
};

void BM_ProgramStartupWithPreferencesAgainstMinimalWindow(benchmark::State &state)
{
    const std::string bin = binFolder();
    const ProgramFolder folder(bin);
    const std::vector<std::string> program{folder.program()};
    const std::vector<std::string> minimal{bin + "/bench_startup", "--minimal-window"};
    double programTotal = 0, minimalTotal = 0;
    if (run(program, folder.registry()) < 0) { // registers the engine
        state.SkipWithError("the program's first start failed");
        return;
    }
    for (auto _ : state) {
        const double p = run(program, folder.registry());
        const double m = run(minimal);
        if (p < 0 || m < 0) {
            state.SkipWithError("a process failed to start or to end cleanly");
            return;
        }
        programTotal += p;
        minimalTotal += m;
        state.SetIterationTime(p);
    }
    if (!folder.preferencesUntouched()) {
        state.SkipWithError("the program did not simply read its preferences file");
        return;
    }
    const double n = double(state.iterations());
    state.counters["program_ms"] = 1000 * programTotal / n;
    state.counters["minimal_ms"] = 1000 * minimalTotal / n;
    state.counters["ratio"] = programTotal / minimalTotal;
}
BENCHMARK(BM_ProgramStartupWithPreferencesAgainstMinimalWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

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
