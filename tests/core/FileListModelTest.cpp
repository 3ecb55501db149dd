#include "FileListModel.h"
#include "SortKeyRole.h"

#include <QPersistentModelIndex>

#include <gtest/gtest.h>

namespace {
TFileEntry Entry(const char* folder, const char* file)
{
    return {QString::fromLatin1(file), QString::fromLatin1(folder), QStringLiteral("1"), QStringLiteral("d")};
}

QStringList Files(const TFileListModel& model)
{
    QStringList files;
    for (const TFileEntry& e : model.Entries())
        files << e.File;
    return files;
}
} // namespace

TEST(FileListModel, EveryChangeKeepsTheDuplicateRuleRight)
{
    TFileListModel model;
    EXPECT_TRUE(model.Append(Entry("/m/", "a")));
    EXPECT_TRUE(model.Append(Entry("/m/", "b")));
    EXPECT_TRUE(model.Append(Entry("/m/", "c")));
    EXPECT_FALSE(model.Append(Entry("/m/", "a")));
    EXPECT_TRUE(model.Append(Entry("/M/", "a")));

    model.RemoveRows({3, 0, 0, 99});
    EXPECT_EQ(Files(model), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_TRUE(model.Append(Entry("/m/", "a")));
    EXPECT_TRUE(model.Append(Entry("/M/", "a")));

    model.MoveRow(0, model.Count());
    EXPECT_EQ(Files(model), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_FALSE(model.Append(Entry("/m/", "b")));

    model.SetEntry(0, Entry("/x/", "c"));
    EXPECT_TRUE(model.Append(Entry("/m/", "c")));
    EXPECT_FALSE(model.Append(Entry("/x/", "c")));

    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(model.Append(Entry("/x/", "c")));
}

TEST(FileListModel, ManyScatteredRowsGoInOneStep)
{
    TFileListModel model;
    for (int i = 0; i < 300; ++i)
        model.Append(Entry("/m/", qPrintable(QStringLiteral("f%1").arg(i))));
    QList<int> even;
    for (int i = 0; i < 300; i += 2)
        even << i;
    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&] { ++resets; });
    model.RemoveRows(even);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.Count(), 150);
    EXPECT_EQ(model.Entry(0).File, QStringLiteral("f1"));
    EXPECT_TRUE(model.Append(Entry("/m/", "f0")));
    EXPECT_FALSE(model.Append(Entry("/m/", "f1")));
}

TEST(FileListModel, ANewRowOrderIsOneLayoutChangeThatCarriesPersistentIndexes)
{
    TFileListModel model;
    for (const char* f : {"a", "b", "c"})
        model.Append(Entry("/m/", f));
    const QPersistentModelIndex b(model.index(1, 2));
    int layouts = 0;
    QObject::connect(&model, &QAbstractItemModel::layoutChanged, &model, [&] { ++layouts; });
    model.ApplyRowOrder({2, 0, 1});
    EXPECT_EQ(Files(model), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(b.row(), 2);
    EXPECT_EQ(b.column(), 2);
    // Not a permutation: nothing changes.
    model.ApplyRowOrder({0, 0, 1});
    model.ApplyRowOrder({0, 1});
    EXPECT_EQ(Files(model), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(layouts, 1);
}

TEST(FileListModel, EachRowKeepsItsStatusWhereverItGoesAndTheDoneAreCounted)
{
    TFileListModel model;
    for (const char* f : {"a", "b", "c", "d"})
        model.Append(Entry("/m/", f));
    const QString why = QStringLiteral("Error: \"/m/b\" cannot be read");
    model.SetStatus(0, {fsDone, 0, {}});
    model.SetStatus(1, {fsFailed, 0, why});
    model.SetStatus(2, {fsEncoding, 45, {}});
    model.SetStatus(3, {fsDone, 0, {}});
    EXPECT_EQ(model.DoneCount(), 2);
    EXPECT_EQ(model.RowsWithState(fsDone), (QList<int>{0, 3}));

    const auto statusOf = [&](int row) { return model.index(row, TFileListModel::colStatus).data().toString(); };
    EXPECT_EQ(statusOf(2), QStringLiteral("Encoding 45%"));
    EXPECT_EQ(model.index(1, TFileListModel::colStatus).data(Qt::ToolTipRole).toString(), why);
    EXPECT_FALSE(model.index(0, TFileListModel::colStatus).data(Qt::ToolTipRole).isValid());
    // Sorted by its text, like the names.
    EXPECT_FALSE(model.index(2, TFileListModel::colStatus).data(SortKeyRole).isValid());

    // Added, moved, reordered, removed: each status stays with its file, a new file has none.
    model.Append(Entry("/m/", "e"));
    model.MoveRow(0, model.Count());
    model.ApplyRowOrder({1, 0, 2, 3, 4});
    model.RemoveRows({2});
    QStringList shown;
    for (int r = 0; r < model.Count(); ++r)
        shown << model.Entry(r).File + QLatin1Char('=') + statusOf(r);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("c=Encoding 45%"), QStringLiteral("b=Failed"),
                                  QStringLiteral("e="), QStringLiteral("a=Done")}));
    EXPECT_EQ(model.DoneCount(), 1);

    // The removal path for many scattered rows keeps them too.
    for (int i = 0; i < 200; ++i)
        model.Append(Entry("/n/", QByteArray::number(i).constData()));
    QList<int> every2nd;
    for (int r = 4; r < model.Count(); r += 2)
        every2nd << r;
    model.RemoveRows(every2nd);
    EXPECT_EQ(statusOf(1), QStringLiteral("Failed"));
    EXPECT_EQ(statusOf(3), QStringLiteral("Done"));
    EXPECT_EQ(model.DoneCount(), 1);
    model.Clear();
    EXPECT_EQ(model.DoneCount(), 0);
}
