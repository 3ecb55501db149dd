// Adding 10,000 files to the main window's list, and the duplicate check on its own.
#include "BenchApp.h"
#include "EnhListView.h"
#include "FileList.h"
#include "Main.h"
#include "AppPaths.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
// Points the settings file and the log into a temporary folder while it lives.
class ScratchProgramFolder {
public:
    ScratchProgramFolder() { SetExecutablePathOverride(m_dir.path() + QStringLiteral("/tonewright")); }
    ~ScratchProgramFolder() { SetExecutablePathOverride(QString()); }

private:
    QTemporaryDir m_dir;
};

QStringList Paths(int n)
{
    QStringList paths;
    paths.reserve(n);
    for (int i = 0; i < n; ++i)
        paths << QStringLiteral("/nonexistent/album %1/Track %2.wav").arg(i % 100).arg(i);
    return paths;
}
} // namespace

static void BM_AddFile10000(benchmark::State& state)
{
    BenchApplication();
    ScratchProgramFolder folder;
    const QStringList paths = Paths(10000);
    for (auto _ : state) {
        state.PauseTiming();
        TSettings settings;
        auto form = std::make_unique<TFormMain>(settings);
        state.ResumeTiming();
        for (const QString& p : paths)
            form->AddFile(p);
        benchmark::DoNotOptimize(form->FileCount());
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_AddFile10000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same 10,000 paths again: every add is refused as a duplicate.
static void BM_AddFile10000Duplicates(benchmark::State& state)
{
    BenchApplication();
    ScratchProgramFolder folder;
    const QStringList paths = Paths(10000);
    QStringList again;
    for (const QString& p : paths) {
        const TSplitPath split = SplitPath(p);
        again << split.Folder + split.Name.toUpper();
    }
    TSettings settings;
    TFormMain form(settings);
    for (const QString& p : paths)
        form.AddFile(p);
    for (auto _ : state) {
        for (const QString& p : again)
            form.AddFile(p);
        benchmark::DoNotOptimize(form.FileCount());
    }
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_AddFile10000Duplicates)->Unit(benchmark::kMillisecond);

static void BM_MakeFileEntry(benchmark::State& state)
{
    const QStringList paths = Paths(1000);
    for (auto _ : state)
        for (const QString& p : paths)
            benchmark::DoNotOptimize(MakeFileEntry(p));
    state.SetItemsProcessed(state.iterations() * paths.size());
}
BENCHMARK(BM_MakeFileEntry)->Unit(benchmark::kMillisecond);
