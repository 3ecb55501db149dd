// A tree of 10,000 audio files (200 albums of 50, a few non-audio files and hidden folders beside
// them): reading it with TFolderScan, and adding it to the main window's list as Add Folder does
// (the worker thread's scan and entries, the model's insertion and duplicate checks), each as the
// process's CPU time. The folders are in the page cache after the first round, as they are when
// the user adds a tree just browsed.
#include "AppPaths.h"
#include "BenchApp.h"
#include "FolderScan.h"
#include "Main.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    (void)file.open(QIODevice::WriteOnly);
}

// The tree, in a temporary folder that lives as long as the object.
struct MusicTree {
    QTemporaryDir dir;
    QString root = dir.path() + QStringLiteral("/music");

    MusicTree()
    {
        for (int artist = 0; artist < 20; ++artist) {
            for (int album = 0; album < 10; ++album) {
                const QString folder = QStringLiteral("%1/Artist %2/Album %3").arg(root).arg(artist).arg(album);
                QDir().mkpath(folder);
                QDir().mkpath(folder + QStringLiteral("/.thumbnails"));
                Touch(folder + QStringLiteral("/cover.jpg"));
                for (int track = 1; track <= 50; ++track)
                    Touch(QStringLiteral("%1/%2 Track.flac").arg(folder).arg(track));
            }
        }
    }
};

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

static void BM_FolderScan10000(benchmark::State& state)
{
    MusicTree tree;
    const QString& root = tree.root;
    qsizetype found = 0;
    for (auto _ : state) {
        TFolderScan scan(root);
        scan.Run();
        found = scan.Count();
        benchmark::DoNotOptimize(found);
    }
    state.counters["files"] = double(found);
    state.SetItemsProcessed(state.iterations() * found);
}
BENCHMARK(BM_FolderScan10000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(10);

// Add Folder over the same tree into an empty list: from the command until the last file is
// listed. Process CPU (the worker included); "main_ms" is the main thread's share, the time the
// window could not answer.
static void BM_AddFolder10000(benchmark::State& state)
{
    BenchApplication();
    MusicTree tree;
    QTemporaryDir programFolder;
    SetExecutablePathOverride(programFolder.path() + QStringLiteral("/tonewright"));
    double mainMs = 0;
    int listed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TSettings settings;
        auto form = std::make_unique<TFormMain>(settings);
        state.ResumeTiming();
        const double mainBefore = ThreadCpuMs();
        form->AddPaths({tree.root});
        // Sleeps until the worker's result (or the progress tick) arrives: no busy waiting.
        while (form->ReadingFolder())
            QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
        mainMs += ThreadCpuMs() - mainBefore;
        listed = form->FileCount();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    SetExecutablePathOverride(QString());
    state.counters["files"] = listed;
    state.counters["main_ms"] = mainMs / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * listed);
}
BENCHMARK(BM_AddFolder10000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(5);
