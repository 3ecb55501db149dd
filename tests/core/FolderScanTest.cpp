// TFolderScan: a tree with nested folders, hidden entries, a symbolic link loop, non-audio files
// and things that are no regular files gives each audio file once, in path order.
#include "FolderScan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

void Link(const QString& target, const QString& link)
{
    ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
}

struct Tree {
    QTemporaryDir dir;
    QString root = dir.path() + QStringLiteral("/in");
    QStringList expected;

    Tree()
    {
        for (const char* name : {"a.wav", "artist a/x.AIFF", "Artist B/Album 9/01.ogg",
                                 "Artist B/Album 10/track 2.wav", "Artist B/Album 10/track 10.flac",
                                 "Artist B/Album 10/track 11.opus", "folder.wav/inner.caf", "linked album/song.oga",
                                 "z/deep/er/w.w64"})
            expected.append(root + u'/' + QString::fromUtf8(name));
        for (const QString& path : expected)
            if (!path.contains(QStringLiteral("/linked album/")))
                Touch(path);
        Touch(dir.path() + QStringLiteral("/elsewhere/song.oga"));
        Link(QStringLiteral("../elsewhere"), root + QStringLiteral("/linked album"));
        for (const char* name : {".hidden/y.wav", ".z.wav", "Artist B/Album 10/cover.jpg",
                                 "Artist B/Album 10/notes.txt", "z/.cache/t.flac", "mp3/old.mp3", "nowav"})
            Touch(root + u'/' + QString::fromUtf8(name));
        Link(QStringLiteral("."), root + QStringLiteral("/loop"));               // back to the top
        Link(QStringLiteral("../.."), root + QStringLiteral("/z/deep/up"));       // a loop from below
        Link(QStringLiteral("nowhere.flac"), root + QStringLiteral("/dangling.flac"));
        EXPECT_EQ(mkfifo(QFile::encodeName(root + QStringLiteral("/pipe.wav")).constData(), 0600), 0);
    }
};

} // namespace

TEST(TFolderScan, EveryAudioFileOnceInPathOrder)
{
    Tree tree;
    TFolderScan scan(tree.root + u'/');
    int folders = 0;
    scan.Run([&](qsizetype) { return ++folders < 100; });  // a loop followed would never end
    EXPECT_TRUE(scan.Done());
    EXPECT_EQ(scan.Files(), tree.expected);
    EXPECT_TRUE(scan.Problems().isEmpty()) << scan.Problems().join(u'\n').toStdString();
}

TEST(TFolderScan, SlicesGiveTheSameListAndARunningCount)
{
    Tree tree;
    TFolderScan sliced(tree.root);
    QList<qsizetype> counts;
    while (sliced.Step(1))
        counts.append(sliced.Count());
    EXPECT_TRUE(sliced.Done());
    EXPECT_EQ(sliced.Files(), tree.expected);
    EXPECT_GT(counts.size(), 5);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));

    TFolderScan stopped(tree.root);
    int calls = 0;
    stopped.Run([&](qsizetype) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(stopped.Done());
    EXPECT_EQ(stopped.Files(), tree.expected.mid(0, stopped.Count()));
}

TEST(TFolderScan, ARelativeRootGivesAbsolutePaths)
{
    Tree tree;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tree.dir.path()));
    TFolderScan scan(QStringLiteral("in"));
    scan.Run();
    QDir::setCurrent(before);
    EXPECT_EQ(scan.Files(), tree.expected);
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
