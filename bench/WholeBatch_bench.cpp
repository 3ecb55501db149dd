// A whole batch through the program against the same encoder command run directly: ten
// 30-second WAV files, the main window on the offscreen platform, the real runner and BladeEnc.
//
// Reports the wall-time ratio program / direct (wall_ratio: the minimum of each over the rounds,
// which alternate), and the program's own CPU time during its batches (main thread and runner
// worker) as a share of the encoder's CPU time (cpu_share_pct; main_thread_cpu_s is the main
// thread's part per batch). Both sides run the encoder at normal priority.
//
//   tw_bench --benchmark_filter=WholeBatch   (TW_BATCH_BENCH_ROUNDS=n, default 3)
#include "AppPaths.h"
#include "BenchApp.h"
#include "BenchAudio.h"
#include "BenchProcess.h"
#include "CommandLine.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "BatchRun.h"
#include "Main.h"
#include "WavFile.h"
#include "EncoderCommandLine.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

struct CpuTimes {
    double Self = 0;
    double Children = 0;
    double MainThread = 0;
};

CpuTimes Now()
{
    rusage self{}, children{}, thread{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    getrusage(RUSAGE_THREAD, &thread);
    return {CpuSeconds(self), CpuSeconds(children), CpuSeconds(thread)};
}

// The application and our encoder in the build folder; empty (and the benchmark skipped) when
// either is missing.
QString BuiltEncoder(benchmark::State& state)
{
    if (!BenchApplication()) {
        state.SkipWithError("another benchmark made a non-GUI application");
        return {};
    }
    const QString encoder = QStringLiteral(TW_BUILD_DIR "/BladeEnc");
    if (!QFileInfo(encoder).isExecutable()) {
        state.SkipWithError("BladeEnc is not built in the build folder");
        return {};
    }
    return encoder;
}

} // namespace

static void BM_WholeBatchProgramVsDirect(benchmark::State& state)
{
    const QString encoder = BuiltEncoder(state);
    if (encoder.isEmpty())
        return;
    const int asked = qEnvironmentVariableIntValue("TW_BATCH_BENCH_ROUNDS");
    const int rounds = asked > 0 ? asked : 3;

    QTemporaryDir programFolder;
    QTemporaryDir music;
    SetExecutablePathOverride(programFolder.filePath(QStringLiteral("tonewright")));
    const QStringList files = WriteMusicBatch(music.path(), 10);
    if (files.isEmpty()) {
        state.SkipWithError("cannot write the WAV files");
        return;
    }

    int questions = 0;
    const MessageBoxHook previousHook = SetMessageBoxHook([&](const QString&, const QString&, unsigned) {
        ++questions;
        return int(IDNO);
    });

    std::vector<double> directWall, programWall;
    std::vector<double> programCpu, encoderCpu, mainThreadCpu;
    bool failed = false;
    for (auto _ : state) {
        for (int round = 0; round < rounds && !failed; ++round) {
            // The same encoder command, run directly.
            TSettings settings;
            auto form = std::make_unique<TFormMain>(settings);
            settings.BladeEncPath = encoder;
            // Normal priority on both sides: at a low one, other work on the machine decides
            // the times more than the two ways of running do.
            settings.Priority = 3;
            for (const QString& f : files)
                form->AddFile(f);
            std::vector<std::string> direct;
            for (const QString& item : QStringList{encoder} + SplitCommandLineArguments(BuildEncoderOptions(settings)))
                direct.push_back(QFile::encodeName(item).toStdString());
            for (const TFileEntry& e : form->FileEntries())
                direct.push_back(QFile::encodeName(e.FullPath()).toStdString());
            RemoveMp3s(music.path());
            QElapsedTimer wall;
            wall.start();
            failed = !WaitQuiet(StartQuiet(direct));
            directWall.push_back(double(wall.nsecsElapsed()) / 1e9);

            // Through the program.
            RemoveMp3s(music.path());
            const CpuTimes before = Now();
            wall.start();
            form->ActionList1Update();
            form->findChild<QAction*>(QStringLiteral("ActionEncode"))->trigger();
            programWall.push_back(double(wall.nsecsElapsed()) / 1e9);
            while (form->Batch->GUI2Console1->Running())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            const CpuTimes after = Now();
            programCpu.push_back(after.Self - before.Self);
            mainThreadCpu.push_back(after.MainThread - before.MainThread);
            encoderCpu.push_back(after.Children - before.Children);
            failed = failed || questions > 0 || form->Batch->State().FilesDone != 10;
        }
    }
    SetMessageBoxHook(previousHook);
    SetExecutablePathOverride(QString());
    if (failed) {
        state.SkipWithError("a batch failed (encoder error or missing MP3s)");
        return;
    }
    auto minOf = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    auto sumOf = [](const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0); };
    const double direct = minOf(directWall);
    const double program = minOf(programWall);
    state.counters["direct_s"] = direct;
    state.counters["program_s"] = program;
    state.counters["wall_ratio"] = program / direct;
    state.counters["program_cpu_s"] = sumOf(programCpu) / double(programCpu.size());
    state.counters["encoder_cpu_s"] = sumOf(encoderCpu) / double(encoderCpu.size());
    state.counters["cpu_share_pct"] = 100.0 * sumOf(programCpu) / sumOf(encoderCpu);
    // The first batch of the process also pays for loading fonts and styles once.
    double laterShare = 0;
    if (programCpu.size() > 1)
        laterShare = 100.0 * (sumOf(programCpu) - programCpu.front()) / (sumOf(encoderCpu) - encoderCpu.front());
    state.counters["cpu_share_later_pct"] = laterShare;
    state.counters["first_program_cpu_s"] = programCpu.front();
    // Of the program's time, what the main thread (windows, interpreter) used; the rest is the
    // runner's worker.
    state.counters["main_thread_cpu_s"] = sumOf(mainThreadCpu) / double(mainThreadCpu.size());
}
BENCHMARK(BM_WholeBatchProgramVsDirect)->Iterations(1)->Unit(benchmark::kSecond);

// Many one-second files through the program: what the program spends per file (reading the
// encoder's lines, the progress window, each file's status in the list, the log) against what the
// encoder spends. Every file is a hard link to one WAV, so 2,000 of them cost no disk space.
//
// Counters: program_ms_per_file (the program's CPU per file, main thread and runner worker),
// main_ms_per_file (the main thread's part), encoder_ms_per_file, cpu_share_pct (program / encoder).
//
//   tw_bench --benchmark_filter=ShortFilesBatch
static void BM_ShortFilesBatch(benchmark::State& state)
{
    const QString encoder = BuiltEncoder(state);
    if (encoder.isEmpty())
        return;
    const int count = int(state.range(0));
    QTemporaryDir programFolder;
    QTemporaryDir music;
    SetExecutablePathOverride(programFolder.filePath(QStringLiteral("tonewright")));
    const QString first = music.filePath(QStringLiteral("source.wav"));
    {
        QFile f(first);
        if (!f.open(QIODevice::WriteOnly) || f.write(MusicWav(1, 220.0, 4242u)) < 0) {
            state.SkipWithError("cannot write the WAV file");
            return;
        }
    }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = music.filePath(QStringLiteral("Artist %1 - Track %2.wav").arg(i % 37).arg(i + 1, 4, 10, QLatin1Char('0')));
        if (::link(QFile::encodeName(first).constData(), QFile::encodeName(path).constData()) != 0) {
            state.SkipWithError("cannot link the WAV files");
            return;
        }
        files << path;
    }

    int questions = 0;
    const MessageBoxHook previousHook = SetMessageBoxHook([&](const QString&, const QString&, unsigned) {
        ++questions;
        return int(IDNO);
    });
    double programCpu = 0, encoderCpu = 0, mainThreadCpu = 0;
    bool failed = false;
    for (auto _ : state) {
        TSettings settings;
        auto form = std::make_unique<TFormMain>(settings);
        form->show();
        settings.BladeEncPath = encoder;
        settings.Priority = 3;
        for (const QString& f : files)
            form->AddFile(f);
        QCoreApplication::processEvents();
        RemoveMp3s(music.path());
        const CpuTimes before = Now();
        form->ActionList1Update();
        form->findChild<QAction*>(QStringLiteral("ActionEncode"))->trigger();
        while (form->Batch->GUI2Console1->Running())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const CpuTimes after = Now();
        programCpu += after.Self - before.Self;
        mainThreadCpu += after.MainThread - before.MainThread;
        encoderCpu += after.Children - before.Children;
        failed = failed || questions > 0 || form->Batch->State().FilesDone != count;
    }
    SetMessageBoxHook(previousHook);
    SetExecutablePathOverride(QString());
    if (failed) {
        state.SkipWithError("a batch failed (encoder error or missing MP3s)");
        return;
    }
    const double perFile = 1000.0 / (double(count) * double(state.iterations()));
    state.counters["program_ms_per_file"] = programCpu * perFile;
    state.counters["main_ms_per_file"] = mainThreadCpu * perFile;
    state.counters["encoder_ms_per_file"] = encoderCpu * perFile;
    state.counters["cpu_share_pct"] = 100.0 * programCpu / encoderCpu;
}
BENCHMARK(BM_ShortFilesBatch)->Arg(200)->Arg(800)->Arg(2000)->Iterations(1)->Unit(benchmark::kSecond);
