#include "FileListModel.h"

#include "SortKeyRole.h"

#include <algorithm>
#include <vector>

namespace {
// Above this many separate runs of removed rows one reset is cheaper than a removal per run.
constexpr int RemoveRunsLimit = 64;

QString CellOf(const TFileEntry& e, const TFileStatus& status, int column)
{
    switch (column) {
    case TFileListModel::colFile: return e.File;
    case TFileListModel::colFolder: return e.Folder;
    case TFileListModel::colBytes: return e.Bytes;
    case TFileListModel::colDate: return e.Date;
    case TFileListModel::colStatus: return FileStatusText(status);
    default: return QString();
    }
}

// Size and time by value: their texts hold digit groups and the locale's words.
QVariant SortKeyOf(const TFileEntry& e, int column)
{
    switch (column) {
    case TFileListModel::colBytes: return e.Size;
    case TFileListModel::colDate: return e.Modified;
    default: return QVariant();
    }
}

Qt::Alignment AlignmentOf(int column)
{
    return (column == TFileListModel::colBytes ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}
} // namespace

TFileListModel::TFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TFileListModel::SetCaptions(const QStringList& captions)
{
    m_captions = captions;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

bool TFileListModel::IsListed(const QString& file, const QString& folder) const
{
    return m_index.Contains(file, folder);
}

bool TFileListModel::AddFile(const QString& path)
{
    const TSplitPath split = SplitPath(path);
    if (IsListed(split.Name, split.Folder))
        return false;
    return Append(MakeFileEntry(path));
}

bool TFileListModel::Append(const TFileEntry& entry)
{
    if (IsListed(entry.File, entry.Folder))
        return false;
    const int row = Count();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(entry);
    m_status.append(TFileStatus{});
    m_index.Add(entry.File, entry.Folder);
    endInsertRows();
    return true;
}

int TFileListModel::AppendEntries(const QList<TFileEntry>& entries)
{
    QList<TFileEntry> fresh;
    for (const TFileEntry& entry : entries) {
        if (IsListed(entry.File, entry.Folder))
            continue;
        // Indexed at once, so a repeat within `entries` is refused too.
        m_index.Add(entry.File, entry.Folder);
        fresh.append(entry);
    }
    if (fresh.isEmpty())
        return 0;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(fresh.size()) - 1);
    m_status.resize(m_status.size() + fresh.size()); // no status yet
    m_entries.append(std::move(fresh));
    endInsertRows();
    return Count() - first;
}

void TFileListModel::SetEntry(int row, const TFileEntry& entry)
{
    if (row < 0 || row >= Count())
        return;
    TFileEntry& e = m_entries[row];
    m_index.Remove(e.File, e.Folder);
    e = entry;
    m_index.Add(e.File, e.Folder);
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void TFileListModel::RemoveRows(const QList<int>& rows)
{
    std::vector<bool> marked(m_entries.size(), false);
    for (int r : rows)
        if (r >= 0 && r < Count())
            marked[static_cast<size_t>(r)] = true;

    // Runs of marked rows, last first, so earlier rows keep their numbers.
    std::vector<std::pair<int, int>> runs;
    for (int r = Count() - 1; r >= 0;) {
        if (!marked[static_cast<size_t>(r)]) {
            --r;
            continue;
        }
        const int last = r;
        while (r >= 0 && marked[static_cast<size_t>(r)])
            --r;
        runs.emplace_back(r + 1, last);
    }
    if (runs.empty())
        return;

    if (runs.size() > RemoveRunsLimit) {
        beginResetModel();
        QList<TFileEntry> kept;
        QList<TFileStatus> keptStatus;
        kept.reserve(Count());
        keptStatus.reserve(Count());
        for (int r = 0; r < Count(); ++r) {
            const TFileEntry& e = m_entries.at(r);
            if (marked[static_cast<size_t>(r)]) {
                m_index.Remove(e.File, e.Folder);
                m_doneCount -= m_status.at(r).State == fsDone;
            } else {
                kept.append(e);
                keptStatus.append(m_status.at(r));
            }
        }
        m_entries.swap(kept);
        m_status.swap(keptStatus);
        endResetModel();
        return;
    }
    for (const auto& [first, last] : runs) {
        beginRemoveRows(QModelIndex(), first, last);
        for (int r = first; r <= last; ++r) {
            m_index.Remove(m_entries.at(r).File, m_entries.at(r).Folder);
            m_doneCount -= m_status.at(r).State == fsDone;
        }
        m_entries.remove(first, last - first + 1);
        m_status.remove(first, last - first + 1);
        endRemoveRows();
    }
}

void TFileListModel::MoveRow(int from, int before)
{
    if (from < 0 || from >= Count() || before < 0 || before > Count() || before == from || before == from + 1)
        return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), before);
    m_entries.move(from, before > from ? before - 1 : before);
    m_status.move(from, before > from ? before - 1 : before);
    endMoveRows();
}

void TFileListModel::Clear()
{
    beginResetModel();
    m_entries.clear();
    m_status.clear();
    m_doneCount = 0;
    m_index.Clear();
    endResetModel();
}

void TFileListModel::ApplyRowOrder(const QList<int>& oldRowAt)
{
    const int n = Count();
    if (oldRowAt.size() != n)
        return;
    std::vector<int> newRowOf(static_cast<size_t>(n), -1);
    for (int r = 0; r < n; ++r) {
        const int old = oldRowAt.at(r);
        if (old < 0 || old >= n || newRowOf[static_cast<size_t>(old)] != -1)
            return; // not a permutation: leave the rows alone
        newRowOf[static_cast<size_t>(old)] = r;
    }

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<TFileEntry> reordered;
    QList<TFileStatus> reorderedStatus;
    reordered.reserve(n);
    reorderedStatus.reserve(n);
    for (int r = 0; r < n; ++r) {
        reordered.append(std::move(m_entries[oldRowAt.at(r)]));
        reorderedStatus.append(std::move(m_status[oldRowAt.at(r)]));
    }
    m_entries.swap(reordered);
    m_status.swap(reorderedStatus);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newRowOf[static_cast<size_t>(i.row())], i.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFileListModel::SetStatus(int row, const TFileStatus& status)
{
    if (row < 0 || row >= Count() || m_status.at(row) == status)
        return;
    TFileStatus& now = m_status[row];
    m_doneCount += int(status.State == fsDone) - int(now.State == fsDone);
    now = status;
    // One cell: a batch changes statuses often, and a whole row would repaint four cells more.
    const QModelIndex cell = index(row, colStatus);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}

QList<int> TFileListModel::RowsWithState(TFileState state) const
{
    QList<int> rows;
    for (int r = 0; r < Count(); ++r)
        if (m_status.at(r).State == state)
            rows << r;
    return rows;
}

int TFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return QVariant();
    if (role == Qt::DisplayRole)
        return CellOf(m_entries.at(index.row()), m_status.at(index.row()), index.column());
    if (role == Qt::ToolTipRole && index.column() == colStatus && !m_status.at(index.row()).Detail.isEmpty())
        return m_status.at(index.row()).Detail;
    if (role == SortKeyRole)
        return SortKeyOf(m_entries.at(index.row()), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(AlignmentOf(index.column()));
    return QVariant();
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return section < m_captions.size() ? m_captions.at(section) : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(AlignmentOf(section));
    return QVariant();
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}
