// The main window's file list: the list view over the file list model, adding, deleting,
// clearing, moving by dragging, sorting by a header and files dropped from the file manager.
#include "Main.h"

#include "AppPaths.h"
#include "Dialogs.h"
#include "EnhListView.h"
#include "FileListModel.h"
#include "FolderReader.h"
#include "MainFileList.h"
#include "ResStr.h"
#include "UOTextTarget.h"

#include <QDateTime>
#include <QDir>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// The widths the columns were designed for, in pixels of a font 5 pixels wide on average
// (8 points).
constexpr int DesignWidths[TFileListModel::ColumnCount] = {100, 150, 75, 100, 75};
constexpr double DesignCharWidth = 5.0;
// Room beside a cell's text: the view's margins and a little air.
constexpr int CellPadding = 12;
} // namespace

QList<int> FileListColumnWidths(const QFontMetrics& metrics)
{
    const double scale = metrics.averageCharWidth() / DesignCharWidth;
    QList<int> widths;
    for (int design : DesignWidths)
        widths << static_cast<int>(std::lround(design * scale));
    // A ten-digit size and a full date with time always fit, whatever the font's proportions.
    const QString bytes = FormatBytes(9'999'999'999LL);
    const QString date = FormatFileDate(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)));
    widths[TFileListModel::colBytes] =
        std::max(widths[TFileListModel::colBytes], metrics.horizontalAdvance(bytes) + CellPadding);
    widths[TFileListModel::colDate] =
        std::max(widths[TFileListModel::colDate], metrics.horizontalAdvance(date) + CellPadding);
    // Every status shows whole, the longest a file's percentage while it is encoded.
    int status = 0;
    for (const QString& text : QStringList{ResStr::FileStatusWaiting, ResStr::FileStatusEncoding.arg(100), ResStr::FileStatusDone,
                                           ResStr::FileStatusFailed, ResStr::FileStatusSkipped,
                                           ResStr::FileStatusStopped})
        status = std::max(status, metrics.horizontalAdvance(text));
    widths[TFileListModel::colStatus] = std::max(widths[TFileListModel::colStatus], status + CellPadding);
    return widths;
}

int StatusPanelWidth(const QLabel* panel, int designWidth, const QStringList& texts)
{
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, panel->fontMetrics().horizontalAdvance(text));
    const QMargins margins = panel->contentsMargins();
    // A little air, as the label's own size hint keeps.
    return std::max(designWidth, widest + margins.left() + margins.right() + 2 * panel->margin() + 4);
}

int TFormMain::WidthForColumns() const
{
    int columns = 0;
    for (int c = 0; c < TFileListModel::ColumnCount; ++c)
        columns += ListViewFiles->columnWidth(c);
    // The list fills the window's width; room for its frame and a vertical scroll bar.
    const int needed = columns + 2 * ListViewFiles->frameWidth()
                       + ListViewFiles->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListViewFiles);
    return needed;
}

void TFormMain::CreateList()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    FileList = new TFileListModel(this);
    FileList->SetCaptions(
        {ResStr::ColumnFile, ResStr::ColumnFolder, ResStr::ColumnBytes, ResStr::ColumnDate, ResStr::ColumnStatus});
    ListViewFiles = new TEnhListView(panel);
    ListViewFiles->setObjectName(QStringLiteral("ListViewFiles"));
    ListViewFiles->setModel(FileList);
    layout->addWidget(ListViewFiles);
    setCentralWidget(panel);

    const QList<int> widths = FileListColumnWidths(ListViewFiles->fontMetrics());
    for (int c = 0; c < widths.size(); ++c)
        ListViewFiles->setColumnWidth(c, widths[c]);

    ListViewFiles->OnDragOver = [this](TEnhListView* sender, QObject* source, const QPoint& pos, bool& accept) {
        RunGuarded([&] { ListViewFilesDragOver(sender, source, pos, accept); });
    };
    ListViewFiles->OnDragDrop = [this](TEnhListView* sender, QObject* source, const QPoint& pos) {
        RunGuarded([&] { ListViewFilesDragDrop(sender, source, pos); });
    };
    ListViewFiles->OnSortFinished = [this](TEnhListView* sender, int column, bool ascending) {
        RunGuarded([&] { ListViewFilesSortFinished(sender, column, ascending); });
    };

    ListViewFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        m_popupMenuList->popup(ListViewFiles->viewport()->mapToGlobal(pos));
    });

    // The list's change and deletion notifications refresh the count.
    connect(FileList, &QAbstractItemModel::rowsInserted, this, [this] { UpdateFileCount(); });
    connect(FileList, &QAbstractItemModel::rowsRemoved, this, [this] { UpdateFileCount(); });
    connect(FileList, &QAbstractItemModel::modelReset, this, [this] { UpdateFileCount(); });

    m_textTarget = new TUOTextTarget(this);
    m_textTarget->SetAcceptTextFormats(dtfFiles);
    m_textTarget->SetAcceptorControl(ListViewFiles);
    m_textTarget->OnDrop = [this](TUOTextTarget* sender, QWidget*, const QString& text, int, int) {
        RunGuarded([&] { UOTextTarget1Drop(sender, text); });
    };

    m_folderReader = new TFolderReader(this);
    m_folderReader->OnFiles = [this](const QStringList& paths) {
        RunGuarded([&] {
            TListUpdateLock lock(ListViewFiles);
            for (const QString& path : paths)
                AddFile(path);
        });
    };
    m_folderReader->OnEntries = [this](const QList<TFileEntry>& entries) { RunGuarded([&] { AddEntries(entries); }); };
    m_folderReader->OnProgress = [this](qsizetype) { UpdateFileCount(); };
    m_folderReader->OnIdle = [this] { UpdateFileCount(); };
    m_folderReader->OnProblems = [](const QStringList& problems) {
        // A whole unreadable tree would make a box taller than the screen: the first few say enough.
        constexpr qsizetype shown = 10;
        QStringList lines = problems.mid(0, shown);
        if (problems.size() > shown)
            lines << QStringLiteral("...");
        ShowMessageBox(ResStr::FoldersNotRead.arg(lines.join(QLatin1Char('\n'))), ResStr::CaptionError,
                       MB_OK | MB_ICONWARNING);
    };

    ListViewFiles->SetAutoSortStyle(assSmart);
    ListViewFiles->SetAutoSortAscending(true);
    ListViewFiles->SetAutoResort(false);
    ListViewFiles->SetAutoColumnSort(acsSortToggle);
    // Sorted by "File" from the start: the up arrow shows over the empty list.
    ListViewFiles->Loaded();
}

void TFormMain::AddFile(const QString& path)
{
    if (FileList->AddFile(path))
        ListViewFiles->SetShowSortArrows(false);
}

void TFormMain::AddPaths(const QStringList& paths)
{
    m_folderReader->Add(paths);
}

bool TFormMain::ReadingFolder() const
{
    return m_folderReader->Busy();
}

void TFormMain::AddEntries(const QList<TFileEntry>& entries)
{
    TListUpdateLock lock(ListViewFiles);
    if (FileList->AppendEntries(entries) > 0)
        ListViewFiles->SetShowSortArrows(false);
}

void TFormMain::UpdateFileCount()
{
    if (m_folderReader && m_folderReader->Busy()) {
        m_statusPanelCount->setText(ResStr::ReadingFolder.arg(m_folderReader->Found()));
        return;
    }
    const int n = FileCount();
    if (n == 0)
        m_statusPanelCount->setText(ResStr::NoFiles);
    else if (n == 1)
        m_statusPanelCount->setText(ResStr::OneFile);
    else
        m_statusPanelCount->setText(ResStr::SomeFiles.arg(n));
}

QList<TFileEntry> TFormMain::FileEntries() const
{
    return FileList->Entries();
}

int TFormMain::FileCount() const
{
    return FileList->Count();
}

void TFormMain::UOTextTarget1Drop(QObject*, const QString& dropText)
{
    QStringList paths;
    for (QString line : dropText.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        // Cleaned as a path from the command line is, so that one file is one row.
        if (!line.isEmpty())
            paths << CleanFilePath(line, QDir::currentPath());
    }
    AddPaths(paths);
}

void TFormMain::ActionChooseFilesExecute()
{
    FileDialogRequest request;
    request.Parent = this;
    request.Filter = ResStr::ChooseFilesFilter;
    request.FilterIndex = 1;
    request.MultiSelect = true;
    // Behind a folder still being read, as any other paths.
    AddPaths(ShowOpenFilesDialog(request));
}

void TFormMain::ActionAddFolderExecute()
{
    FileDialogRequest request;
    request.Parent = this;
    request.Title = ResStr::AddFolderTitle;
    const QString folder = ShowChooseFolderDialog(request);
    if (!folder.isEmpty())
        AddPaths({folder});
}

void TFormMain::ActionDeleteExecute()
{
    const QModelIndexList selected = ListViewFiles->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected)
        rows << index.row();
    TListUpdateLock lock(ListViewFiles);
    FileList->RemoveRows(rows);
}

void TFormMain::RemoveFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    const QSet<QString> gone(paths.begin(), paths.end());
    QList<int> rows;
    for (int row = 0; row < FileCount(); ++row)
        if (gone.contains(FileList->Entry(row).FullPath()))
            rows << row;
    TListUpdateLock lock(ListViewFiles);
    FileList->RemoveRows(rows);
}

void TFormMain::ActionClearListExecute()
{
    FileList->Clear();
}

void TFormMain::ActionClearFinishedExecute()
{
    TListUpdateLock lock(ListViewFiles);
    FileList->RemoveRows(FileList->RowsWithState(fsDone));
}

void TFormMain::ListViewFilesDragOver(TEnhListView*, QObject* Source, const QPoint&, bool& Accept)
{
    Accept = Source == ListViewFiles;
}

void TFormMain::ListViewFilesDragDrop(TEnhListView*, QObject*, const QPoint& pos)
{
    const QModelIndex moving = ListViewFiles->currentIndex();
    if (!moving.isValid())
        return;
    // Onto a row: before it; below the last row: to the end.
    const QModelIndex target = ListViewFiles->RowAt(pos.y());
    int before = -1;
    if (target.isValid())
        before = target.row();
    else if (ListViewFiles->BelowLastRow(pos.y()))
        before = FileCount();
    if (before < 0)
        return;

    TListUpdateLock lock(ListViewFiles);
    FileList->MoveRow(moving.row(), before);
    ListViewFiles->SetShowSortArrows(false);
}

void TFormMain::ListViewFilesSortFinished(TEnhListView*, int, bool)
{
    ListViewFiles->SetShowSortArrows(true);
}
