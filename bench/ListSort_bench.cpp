// Sorting the file list by each column with a header click's sort run: 10,000 and 100,000
// rows, each run reversing the previous order so every run really moves rows.
#include "BenchApp.h"
#include "EnhListView.h"
#include "FileList.h"
#include "FileListModel.h"

#include <QApplication>
#include <QLocale>

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
        e.Bytes = FormatBytes(size(random));
        e.Date = FormatFileDate(start.addSecs(seconds(random)));
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
