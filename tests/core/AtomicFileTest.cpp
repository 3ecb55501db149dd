#include "AtomicFile.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

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
