// Reading a tree of 10,000 audio files (200 albums of 50, a few non-audio files and hidden
// folders beside them) with TFolderScan: the process's CPU time per scan. The folders are in the
// page cache after the first round, as they are when the user adds a tree just browsed.
#include "FolderScan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void Touch(const QString& path)
{
    QFile file(path);
    (void)file.open(QIODevice::WriteOnly);
}

} // namespace

static void BM_FolderScan10000(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/music");
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
