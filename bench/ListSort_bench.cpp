// Sorting the file list by each column with a header click's sort run: 10,000 and 100,000
// rows, each run reversing the previous order so every run really moves rows. And a drag of
// 50,000 files moving over the list.
#include "BenchApp.h"
#include "EnhListView.h"
#include "FileList.h"
#include "FileListModel.h"
#include "UOTextTarget.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QLocale>
#include <QMimeData>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <memory>
#include <array>
#include <random>

namespace {
// Rows as the list shows them, in the en_US formats, in random order.
std::unique_ptr<TFileListModel> MakeList(int n)
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    std::mt19937 random(42);
    std::uniform_int_distribution<qint64> size(0, 2'000'000'000);
    std::uniform_int_distribution<qint64> seconds(0, 26LL * 365 * 24 * 3600);
    const QDateTime start(QDate(2000, 1, 1), QTime(0, 0));
    auto model = std::make_unique<TFileListModel>();
    for (int i = 0; i < n; ++i) {
        TFileEntry e;
        e.File = QStringLiteral("Track %1.wav").arg(random() % 1'000'000);
        e.Folder = QStringLiteral("/home/user/Music/Album %1/").arg(i % 997);
        e.Size = size(random);
        e.Bytes = FormatBytes(e.Size);
        const QDateTime modified = start.addSecs(seconds(random));
        e.Modified = modified.toMSecsSinceEpoch();
        e.Date = FormatFileDate(modified);
        model->Append(e);
    }
    return model;
}
} // namespace

static void BM_SortFileListByColumn(benchmark::State& state)
{
    BenchApplication();
    const int column = static_cast<int>(state.range(0));
    const int rows = static_cast<int>(state.range(1));
    auto model = MakeList(rows);
    TEnhListView list;
    list.setModel(model.get());
    list.SetAutoColumnSort(acsSortToggle);
    bool ascending = true;
    for (auto _ : state) {
        list.SortByColumn(column, ascending);
        ascending = !ascending;
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetLabel(std::array{"File", "Folder", "Bytes", "Date"}[column]);
}
BENCHMARK(BM_SortFileListByColumn)
    ->ArgsProduct({{0, 1, 2, 3}, {10'000, 100'000}})
    ->Unit(benchmark::kMillisecond);

// A drag of many files from the file manager moving over the list: the time of one pointer move
// once the drag has entered (the dropped list is read at the enter only).
static void BM_DragOverManyFiles(benchmark::State& state)
{
    BenchApplication();
    const int files = static_cast<int>(state.range(0));
    QWidget owner;
    TEnhListView list(&owner);
    TFileListModel model;
    list.setModel(&model);
    TUOTextTarget target(&owner);
    target.SetAcceptTextFormats(dtfFiles);
    target.SetAcceptorControl(&list);
    QList<QUrl> urls;
    for (int i = 0; i < files; ++i)
        urls << QUrl::fromLocalFile(QStringLiteral("/home/user/Music/Album %1/Track %2.wav").arg(i % 97).arg(i));
    QMimeData data;
    data.setUrls(urls);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(5, 5), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    int y = 0;
    for (auto _ : state) {
        QDragMoveEvent move(QPoint(5, 5 + (++y % 50)), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
        benchmark::DoNotOptimize(move.isAccepted());
    }
}
BENCHMARK(BM_DragOverManyFiles)->Arg(50'000)->Unit(benchmark::kMicrosecond);
