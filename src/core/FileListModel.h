#pragma once
// TFileListModel: the files to encode, in their order, with the index of listed files. Every
// operation that changes the rows changes the index in the same step, so the duplicate rule
// always sees the rows as they are. A five-column table (File, Folder, Bytes, Date, Status) for
// the list view; each row's status (its part in the last batch) goes with the row wherever it
// moves, and is never saved. Main thread only.
#include "FileList.h"
#include "FileStatus.h"
#include "RowReorderable.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

class TFileListModel : public QAbstractTableModel, public IRowReorderable {
    Q_OBJECT

public:
    enum TColumn { colFile = 0, colFolder = 1, colBytes = 2, colDate = 3, colStatus = 4, ColumnCount = 5 };

    explicit TFileListModel(QObject* parent = nullptr);

    // The header captions, one per column.
    void SetCaptions(const QStringList& captions);

    // Whether a file of this name is listed in this folder (exactly, letter case counts).
    bool IsListed(const QString& file, const QString& folder) const;
    // Appends the file by its full path unless it is listed already; true when a row was added.
    bool AddFile(const QString& path);
    // Appends the entry unless its file is listed already; true when a row was added.
    bool Append(const TFileEntry& entry);
    // Appends those entries whose files are not listed yet, in one insertion; returns how many.
    int AppendEntries(const QList<TFileEntry>& entries);
    // Replaces the texts of one row.
    void SetEntry(int row, const TFileEntry& entry);
    // Removes the given rows (any order, repeats ignored); the others keep their order.
    void RemoveRows(const QList<int>& rows);
    // Moves one row so that it lands before the row now at `before` (rowCount() for the end).
    void MoveRow(int from, int before);
    void Clear();

    // The row's status in the Status column (its detail is the cell's tooltip).
    const TFileStatus& Status(int row) const { return m_status.at(row); }
    void SetStatus(int row, const TFileStatus& status);
    // The rows whose status is `state`, in order.
    QList<int> RowsWithState(TFileState state) const;
    // How many rows are done, kept as the statuses change (the enabling rules ask often).
    int DoneCount() const { return m_doneCount; }

    int Count() const { return static_cast<int>(m_entries.size()); }
    const TFileEntry& Entry(int row) const { return m_entries.at(row); }
    const QList<TFileEntry>& Entries() const { return m_entries; }

    void ApplyRowOrder(const QList<int>& oldRowAt) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<TFileEntry> m_entries;
    QList<TFileStatus> m_status; // one per entry, same order
    int m_doneCount = 0;
    TFileListIndex m_index;
    QStringList m_captions;
};
