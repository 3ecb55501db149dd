#pragma once
// A table of texts for list view tests: rows may have fewer cells than there are columns.
#include "RowReorderable.h"

#include <QAbstractTableModel>
#include <QStringList>

class TListTestModel : public QAbstractTableModel, public IRowReorderable {
public:
    TListTestModel(const QStringList& captions, const QList<QStringList>& rows) : m_captions(captions), m_rows(rows) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_captions.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const QStringList& row = m_rows.at(index.row());
        return index.column() < row.size() ? row.at(index.column()) : QString();
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || section >= m_captions.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_captions.at(section);
        if (role == Qt::TextAlignmentRole)
            return int((section == RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex&) const override
    {
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    }
    void ApplyRowOrder(const QList<int>& oldRowAt) override
    {
        Q_EMIT layoutAboutToBeChanged();
        QList<QStringList> rows;
        for (int old : oldRowAt)
            rows << m_rows.at(old);
        m_rows = rows;
        ++Reorders;
        Q_EMIT layoutChanged();
    }
    void Append(const QStringList& row)
    {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
        m_rows << row;
        endInsertRows();
    }
    QStringList Column(int c) const
    {
        QStringList out;
        for (const QStringList& row : m_rows)
            out << (c < row.size() ? row.at(c) : QString());
        return out;
    }

    int RightAligned = -1;
    int Reorders = 0;

private:
    QStringList m_captions;
    QList<QStringList> m_rows;
};
