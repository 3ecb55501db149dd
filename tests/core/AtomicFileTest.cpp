#include "AtomicFile.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>

TEST(AtomicFile, ReplacesContentAndKeepsPermissions)
{
    TempProgramFolder folder;
    folder.Write(QStringLiteral("a.txt"), "old content that is longer");
    const QByteArray path = QFile::encodeName(folder.File(QStringLiteral("a.txt")));
    ASSERT_EQ(::chmod(path.constData(), 0600), 0);

    ASSERT_TRUE(WriteFileAtomically(folder.File(QStringLiteral("a.txt")), "new"));
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), QByteArray("new"));
    struct stat st {};
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(AtomicFile, FailedReplaceLeavesNoTraceAndKeepsWhatStoodThere)
{
    TempProgramFolder folder;
    // A folder standing where the file must go: the rename fails, even for root.
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("busy/inner"))));
    EXPECT_FALSE(WriteFileAtomically(folder.File(QStringLiteral("busy")), "data"));
    EXPECT_TRUE(QFileInfo(folder.File(QStringLiteral("busy/inner"))).isDir());
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 0);

    // A folder that does not exist.
    EXPECT_FALSE(WriteFileAtomically(folder.File(QStringLiteral("missing/x.txt")), "data"));
}

namespace {
// Makes the file look last changed `seconds` ago.
void Age(const QString& path, int seconds)
{
    const timespec then{::time(nullptr) - seconds, 0};
    const timespec times[2] = {then, then};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path.toStdString();
}
} // namespace

TEST(AtomicFile, StaleTemporaryFilesOfOneFileAreRemovedAndNothingElse)
{
    TempProgramFolder folder;
    const QStringList stale = {QStringLiteral(".tonewright.ini.aZ09xY"), QStringLiteral(".tonewright.ini.XXXXXX")};
    const QStringList kept = {
        QStringLiteral("tonewright.ini"),
        QStringLiteral(".tonewright.ini.fresh1"),   // young: another program may be writing it
        QStringLiteral(".tonewright.ini.abc12"),    // not our pattern: too short,
        QStringLiteral(".tonewright.ini.abc1234"),  // too long,
        QStringLiteral(".tonewright.ini.ab-123"),   // a character mkstemp never uses,
        QStringLiteral("tonewright.ini.abc123"),    // not hidden,
        QStringLiteral(".Tonewright.ini.abc123"),   // another file's,
        QStringLiteral(".tonewright.ini.abc123~"),
        QStringLiteral("sub/.tonewright.ini.abc123"),  // another folder
    };
    for (const QString& name : stale + kept) {
        folder.Write(name, "x");
        if (name != QStringLiteral(".tonewright.ini.fresh1"))
            Age(folder.File(name), 120);
    }
    // Only regular files: a folder and a link of the pattern stay.
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral(".tonewright.ini.dir123"))));
    ASSERT_TRUE(QFile::link(folder.File(QStringLiteral("tonewright.ini")), folder.File(QStringLiteral(".tonewright.ini.lnk123"))));
    Age(folder.File(QStringLiteral(".tonewright.ini.dir123")), 120);
    Age(folder.File(QStringLiteral(".tonewright.ini.lnk123")), 120);

    RemoveStaleTemporaryFiles(folder.File(QStringLiteral("tonewright.ini")));
    for (const QString& name : stale)
        EXPECT_FALSE(QFileInfo::exists(folder.File(name))) << name.toStdString();
    for (const QString& name : kept + QStringList{QStringLiteral(".tonewright.ini.dir123")})
        EXPECT_TRUE(QFileInfo::exists(folder.File(name))) << name.toStdString();
    EXPECT_TRUE(QFileInfo(folder.File(QStringLiteral(".tonewright.ini.lnk123"))).isSymLink());
}
