// Peak resident memory of cornix-analyse over folders of 10, 100 and 1,000
// synthetic frames (not a timed test: it prints what it measured).
//
//   bench_analyse_folder [--frames 10,100,1000] [--overlay] [--tool PATH] [--keep DIR]
//
// The frames are made once, for the largest folder; the smaller folders hold
// hard links to its first frames. Each folder is analysed by the tool in a child
// process (JSON to /dev/null; with --overlay the overlays too) and the child's
// peak resident set is read from wait4's rusage. Goal: flat within 50 MB, under 150 MB.
#include "FrameLoader.h"
#include "SyntheticFrame.h"

#include <QString>
#include <QStringList>

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace cornix::cli;

namespace {

struct TOptions {
    std::vector<int> Counts{10, 100, 1000};
    bool Overlay = false;
    std::string Tool = CORNIX_ANALYSE_TOOL;
    std::string Keep; // the frames' folder is kept there (and reused when it holds enough)
};

struct TMeasure {
    int Frames = 0;
    long PeakKiB = 0;
    double Seconds = 0;
    int ExitCode = -1;
};

bool ParseOptions(int argc, char **argv, TOptions &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--frames" && hasValue) {
            options.Counts.clear();
            for (const QString &n : QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(',')))
                if (n.toInt() > 0)
                    options.Counts.push_back(n.toInt());
        } else if (a == "--overlay") {
            options.Overlay = true;
        } else if (a == "--tool" && hasValue) {
            options.Tool = argv[++i];
        } else if (a == "--keep" && hasValue) {
            options.Keep = argv[++i];
        } else {
            std::fprintf(stderr, "uso: bench_analyse_folder [--frames 10,100,1000] [--overlay] [--tool CAMINHO] "
                                 "[--keep PASTA]\n");
            return false;
        }
    }
    std::sort(options.Counts.begin(), options.Counts.end());
    return !options.Counts.empty();
}

std::string FrameName(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "quadro%04d.png", k);
    return name;
}

// Frames 1..count of densities 1500..3000 cells/mm², each from its own seed;
// those already there are kept.
bool MakeFrames(const fs::path &folder, int count)
{
    fs::create_directories(folder);
    for (int k = 1; k <= count; ++k) {
        const fs::path file = folder / FrameName(k);
        if (fs::exists(file))
            continue;
        const double density = 1500 + (k * 37) % 1501;
        const TSyntheticFrame frame = SyntheticFrame(std::uint32_t(k), density, 0.00186);
        QString reason;
        if (!SavePng(CompactForSaving(frame.Frame), QString::fromStdString(file.string()), &reason)) {
            std::fprintf(stderr, "%s: %s\n", file.c_str(), qUtf8Printable(reason));
            return false;
        }
        if (k % 100 == 0)
            std::fprintf(stderr, "\r%d de %d quadros gerados", k, count);
    }
    std::fprintf(stderr, "\r%*s\r", 40, "");
    return true;
}

// A folder of the first count frames, as hard links.
fs::path LinkedFolder(const fs::path &frames, const fs::path &root, int count)
{
    const fs::path folder = root / ("pasta" + std::to_string(count));
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int k = 1; k <= count; ++k)
        fs::create_hard_link(frames / FrameName(k), folder / FrameName(k));
    return folder;
}

TMeasure Measure(const TOptions &options, const fs::path &folder, const fs::path &overlays, int count)
{
    TMeasure m;
    m.Frames = count;
    std::vector<std::string> args{options.Tool, folder.string(), "--format", "json"};
    if (options.Overlay) {
        fs::remove_all(overlays);
        args.insert(args.end(), {"--overlay", overlays.string()});
    }
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.PeakKiB = usage.ru_maxrss; // KiB on Linux
    m.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (options.Overlay)
        fs::remove_all(overlays);
    return m;
}

double MiB(long kib) { return kib / 1024.0; }

void Report(const std::vector<TMeasure> &measures, bool overlay)
{
    std::printf("cornix-analyse sobre pastas de quadros sintéticos (640 x 480, 1500-3000 cel/mm²)%s\n",
                overlay ? ", com sobreposições" : "");
    std::printf("%8s  %14s  %10s  %8s  %6s\n", "quadros", "pico RSS (MB)", "tempo (s)", "ms/quadro", "saída");
    for (const TMeasure &m : measures)
        std::printf("%8d  %14.1f  %10.1f  %8.1f  %6d\n", m.Frames, MiB(m.PeakKiB), m.Seconds,
                    1000 * m.Seconds / m.Frames, m.ExitCode);
    const auto [low, high] = std::minmax_element(measures.begin(), measures.end(),
                                                 [](const TMeasure &a, const TMeasure &b) { return a.PeakKiB < b.PeakKiB; });
    const double spread = MiB(high->PeakKiB - low->PeakKiB);
    std::printf("variação entre as pastas: %.1f MB (meta: até 50 MB) %s; maior pico: %.1f MB (meta: abaixo de 150 MB) %s\n",
                spread, spread <= 50 ? "atingida" : "NÃO atingida", MiB(high->PeakKiB),
                MiB(high->PeakKiB) < 150 ? "atingida" : "NÃO atingida");
}

} // namespace

int main(int argc, char **argv)
{
    TOptions options;
    if (!ParseOptions(argc, argv, options))
        return 2;
    const fs::path root = options.Keep.empty() ? fs::temp_directory_path() / ("bench_analyse_folder." + std::to_string(::getpid()))
                                               : fs::path(options.Keep);
    const fs::path frames = root / "quadros";
    if (!MakeFrames(frames, options.Counts.back()))
        return 1;
    std::vector<TMeasure> measures;
    for (int count : options.Counts) {
        const fs::path folder = LinkedFolder(frames, root, count);
        measures.push_back(Measure(options, folder, root / "sobreposicoes", count));
        fs::remove_all(folder);
    }
    if (options.Keep.empty())
        fs::remove_all(root);
    Report(measures, options.Overlay);
    const bool allRan = std::all_of(measures.begin(), measures.end(), [](const TMeasure &m) { return m.ExitCode == 0; });
    return allRan ? 0 : 1;
}
