// The console runner: lines per second handed to the main thread from a child writing
// 200,000 short lines, and the time from Start to the first line.
#include "BenchApp.h"
#include "ConsoleIO.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

QString Child()
{
    return QStringLiteral(TW_BUILD_DIR "/tests/ConsoleIO/tw_console_child");
}

// Not QTest::qWaitFor: it sleeps 10 ms between looks, which the timings would include.
template <typename Done>
void SpinUntil(Done done)
{
    QTimer tick;  // a guard wake-up only; hand-overs wake the loop themselves
    tick.start(100);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void ConsoleLinesPerSecond(benchmark::State& state)
{
    BenchApplication();
    if (!QFileInfo(Child()).isExecutable()) {
        state.SkipWithError("build the target tw_console_child first");
        return;
    }
    const auto buffer = static_cast<TBufferSize>(state.range(0));
    const auto pipe = static_cast<TPipeSize>(state.range(1));
    const int lineCount = 200000;
    long long lines = 0;
    for (auto _ : state) {
        TGUI2Console console;
        console.SetBufferSize(buffer);
        console.SetPipeSize(pipe);
        console.SetPrompt(QStringLiteral("Status:"));
        console.SetTimeOutDelay(10000);
        long long got = 0;
        console.OnLine = [&](TGUI2Console*, const QByteArray& line) { got += !line.isEmpty(); };
        console.SetCommand(Child() + QStringLiteral(" short:%1").arg(lineCount));
        console.Start();
        SpinUntil([&] { return !console.Running(); });
        if (got != lineCount)
            state.SkipWithError("lines were lost");
        lines += got;
    }
    state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
// The program's own setting (bs256, ps1k) and the largest.
BENCHMARK(ConsoleLinesPerSecond)
    ->Args({bs256, ps1k})
    ->Args({bs8k, ps64k})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void ConsoleStartToFirstLine(benchmark::State& state)
{
    BenchApplication();
    if (!QFileInfo(Child()).isExecutable()) {
        state.SkipWithError("build the target tw_console_child first");
        return;
    }
    TGUI2Console console;
    console.SetBufferSize(bs256);
    console.SetPipeSize(ps1k);
    console.SetCommand(Child() + QStringLiteral(" out:first\\n hang"));
    for (auto _ : state) {
        bool first = false;
        std::chrono::steady_clock::time_point seen;
        console.OnLine = [&](TGUI2Console* sender, const QByteArray&) {
            if (!first) {
                seen = std::chrono::steady_clock::now();
                first = true;
                sender->Stop();
            }
        };
        const auto start = std::chrono::steady_clock::now();
        console.Start();
        SpinUntil([&] { return first; });
        state.SetIterationTime(std::chrono::duration<double>(seen - start).count());
        SpinUntil([&] { return !console.Running(); });
    }
}
BENCHMARK(ConsoleStartToFirstLine)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
