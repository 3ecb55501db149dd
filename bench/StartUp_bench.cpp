// Start-up time and memory: the program's main window against the floor Qt itself sets (an empty
// QMainWindow), each started as its own process until its window is shown, in English and in
// German. Counters: the wall time of one start and the peak resident memory (MB) of the child.
#include "BenchProcess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace {

struct TStart {
    bool Ok = false;
    double Seconds = 0;
    double MaxRssMb = 0;
};

TStart StartOnce(const std::string& mode, const std::string& language)
{
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = StartQuiet({TW_STARTUP_PROBE, mode},
                                 {"QT_QPA_PLATFORM=offscreen", "LANGUAGE=" + language, "LANG=" + language + ".UTF-8",
                                  "LC_ALL=" + language + ".UTF-8"});
    TStart start;
    if (pid <= 0)
        return start;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    start.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    start.MaxRssMb = double(usage.ru_maxrss) / 1024.0;
    start.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return start;
}

void StartUp(benchmark::State& state, const std::string& mode, const std::string& language)
{
    double rss = 0;
    for (auto _ : state) {
        const TStart start = StartOnce(mode, language);
        if (!start.Ok) {
            state.SkipWithError("the probe did not start or failed");
            return;
        }
        state.SetIterationTime(start.Seconds);
        rss = std::max(rss, start.MaxRssMb);
    }
    state.counters["MaxRssMB"] = rss;
}

} // namespace

BENCHMARK_CAPTURE(StartUp, BareQt, std::string("bare"), std::string("en_US"))
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(StartUp, MainWindowEnglish, std::string("main"), std::string("en_US"))
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(StartUp, MainWindowGerman, std::string("main"), std::string("de_DE"))
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
