// TFolderScan: a tree with nested folders, hidden entries, a symbolic link loop, non-audio files
// and things that are no regular files gives each audio file once, in path order.
#include "AudioTree.h"
#include "FolderScan.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(TFolderScan, EveryAudioFileOnceInPathOrder)
{
    AudioTree tree;
    TFolderScan scan(tree.Root + u'/');
    int folders = 0;
    scan.Run([&](qsizetype) { return ++folders < 100; });  // a loop followed would never end
    EXPECT_TRUE(scan.Done());
    EXPECT_EQ(scan.Files(), tree.Expected);
    EXPECT_TRUE(scan.Problems().isEmpty()) << scan.Problems().join(u'\n').toStdString();
}

TEST(TFolderScan, SlicesGiveTheSameListAndARunningCount)
{
    AudioTree tree;
    TFolderScan sliced(tree.Root);
    QList<qsizetype> counts;
    while (sliced.Step(1))
        counts.append(sliced.Count());
    EXPECT_TRUE(sliced.Done());
    EXPECT_EQ(sliced.Files(), tree.Expected);
    EXPECT_GT(counts.size(), 5);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));

    TFolderScan stopped(tree.Root);
    int calls = 0;
    stopped.Run([&](qsizetype) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(stopped.Done());
    EXPECT_EQ(stopped.Files(), tree.Expected.mid(0, stopped.Count()));
}

TEST(TFolderScan, ARelativeRootGivesAbsolutePaths)
{
    AudioTree tree;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tree.Dir.path()));
    TFolderScan scan(QStringLiteral("in"));
    scan.Run();
    QDir::setCurrent(before);
    EXPECT_EQ(scan.Files(), tree.Expected);
}

TEST(TFolderScan, AnUnreadableRootIsAProblemNotAFile)
{
    TFolderScan scan(QStringLiteral("/nonexistent/folder"));
    scan.Run();
    EXPECT_TRUE(scan.Files().isEmpty());
    ASSERT_EQ(scan.Problems().size(), 1);
    EXPECT_TRUE(scan.Problems()[0].startsWith(QStringLiteral("/nonexistent/folder: ")));
}

TEST(TFolderScan, NamesCompareWithDigitRunsByValue)
{
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"track2", "track10", -1}, {"Track 10", "track 9", 1}, {"b", "A", 1},  {"x", "x", 0},
        {"file9z", "file09a", 1},  {"a01", "a1", -1},          {"a", "a1", -1}, {"99", "100", -1},
        {"Album", "Album 2", -1},  {"a.wav", "artist", -1},    {"ABC", "abc", -1},
    };
    for (const Case& c : cases) {
        const int got = CompareNamesNaturally(QString::fromUtf8(c.a), QString::fromUtf8(c.b));
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " / " << c.b;
        const int back = CompareNamesNaturally(QString::fromUtf8(c.b), QString::fromUtf8(c.a));
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " / " << c.a;
    }
}
