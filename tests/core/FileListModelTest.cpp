// The file list's rows and their index, checked against the rules of QAbstractItemModel by Qt's
// model tester on every change.
#include "FileListModel.h"
#include "SortKeyRole.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {
// Qt's model tester over the fixture's model, its complaints collected as the test's failures.
class FileListModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        s_complaints.clear();
        s_forward = qInstallMessageHandler(&Collect);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override
    {
        m_tester.reset();
        qInstallMessageHandler(s_forward);
        EXPECT_EQ(s_complaints.join(QLatin1Char('\n')).toStdString(), "");
    }

    TFileListModel model;

private:
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (qstrcmp(context.category, "qt.modeltest") == 0)
            s_complaints << message;
        else if (s_forward)
            s_forward(type, context, message);
    }
    static inline QStringList s_complaints;
    static inline QtMessageHandler s_forward = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

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

TEST_F(FileListModel, EveryChangeKeepsTheDuplicateRuleRight)
{
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

    // Neighbouring rows go in one removal.
    EXPECT_TRUE(model.Append(Entry("/x/", "d")));
    EXPECT_TRUE(model.Append(Entry("/x/", "e")));
    model.RemoveRows({1, 0});
    EXPECT_EQ(Files(model), QStringList{QStringLiteral("e")});
    EXPECT_TRUE(model.Append(Entry("/x/", "c")));
}

TEST_F(FileListModel, ManyScatteredRowsGoInOneStep)
{
    for (int i = 0; i < 300; ++i)
        model.Append(Entry("/m/", qPrintable(QStringLiteral("f%1").arg(i))));
    QList<int> even;
    for (int i = 0; i < 300; i += 2)
        even << i;
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.RemoveRows(even);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.Count(), 150);
    EXPECT_EQ(model.Entry(0).File, QStringLiteral("f1"));
    EXPECT_TRUE(model.Append(Entry("/m/", "f0")));
    EXPECT_FALSE(model.Append(Entry("/m/", "f1")));
}

TEST_F(FileListModel, ANewRowOrderIsOneLayoutChangeThatCarriesPersistentIndexes)
{
    for (const char* f : {"a", "b", "c"})
        model.Append(Entry("/m/", f));
    const QPersistentModelIndex b(model.index(1, 2));
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    model.ApplyRowOrder({2, 0, 1});
    EXPECT_EQ(Files(model), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(b.row(), 2);
    EXPECT_EQ(b.column(), 2);
    // Not a permutation: nothing changes.
    model.ApplyRowOrder({0, 0, 1});
    model.ApplyRowOrder({0, 1});
    EXPECT_EQ(Files(model), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(layouts.count(), 1);
}

TEST_F(FileListModel, EachRowKeepsItsStatusWhereverItGoesAndTheDoneAreCounted)
{
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

    // Added (one, or a folder's many at once), moved, reordered, removed: each status stays with
    // its file, a new file has none.
    model.Append(Entry("/m/", "e"));
    EXPECT_EQ(model.AppendEntries({Entry("/m/", "f"), Entry("/m/", "g")}), 2);
    model.MoveRow(0, model.Count());
    model.ApplyRowOrder({1, 0, 2, 3, 4, 5, 6});
    model.RemoveRows({2});
    QStringList shown;
    for (int r = 0; r < model.Count(); ++r)
        shown << model.Entry(r).File + QLatin1Char('=') + statusOf(r);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("c=Encoding 45%"), QStringLiteral("b=Failed"),
                                  QStringLiteral("e="), QStringLiteral("f="), QStringLiteral("g="),
                                  QStringLiteral("a=Done")}));
    EXPECT_EQ(model.DoneCount(), 1);

    // The removal path for many scattered rows keeps them too.
    for (int i = 0; i < 200; ++i)
        model.Append(Entry("/n/", QByteArray::number(i).constData()));
    QList<int> every2nd;
    for (int r = 4; r < model.Count(); r += 2)
        every2nd << r;
    model.RemoveRows(every2nd);
    EXPECT_EQ(statusOf(1), QStringLiteral("Failed"));
    EXPECT_EQ(statusOf(4), QStringLiteral("Done"));
    EXPECT_EQ(model.DoneCount(), 1);
    model.Clear();
    EXPECT_EQ(model.DoneCount(), 0);
}
