#include "FileList.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

namespace {
// Sets the default locale for one test and restores the previous one.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) : m_previous(QLocale()) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

void SetModificationTime(const QString& path, const QDateTime& local)
{
    struct utimbuf times {};
    times.actime = times.modtime = static_cast<time_t>(local.toSecsSinceEpoch());
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
}
} // namespace

TEST(FileList, SplitPathCutsAtTheLastSlashOnly)
{
    EXPECT_EQ(SplitPath(QStringLiteral("/music/a/Song.wav")).Folder, QStringLiteral("/music/a/"));
    EXPECT_EQ(SplitPath(QStringLiteral("/music/a/Song.wav")).Name, QStringLiteral("Song.wav"));
    // A colon is part of the name here, not a drive separator.
    EXPECT_EQ(SplitPath(QStringLiteral("/m/C:take 2.wav")).Name, QStringLiteral("C:take 2.wav"));
    EXPECT_EQ(SplitPath(QStringLiteral("/m/C:take 2.wav")).Folder, QStringLiteral("/m/"));
    EXPECT_EQ(SplitPath(QStringLiteral("bare.wav")).Folder, QString());
    EXPECT_EQ(SplitPath(QStringLiteral("bare.wav")).Name, QStringLiteral("bare.wav"));
    EXPECT_EQ(SplitPath(QStringLiteral("/top.wav")).Folder, QStringLiteral("/"));
}

TEST(FileList, BytesAreGroupedAsTheLocaleGroupsDigits)
{
    {
        DefaultLocale en(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(FormatBytes(1234567), QStringLiteral("1,234,567"));
        EXPECT_EQ(FormatBytes(-1), QStringLiteral("-1"));
        EXPECT_EQ(FormatBytes(999), QStringLiteral("999"));
        // Sizes beyond 32 bits.
        EXPECT_EQ(FormatBytes(5'000'000'000LL), QStringLiteral("5,000,000,000"));
    }
    {
        DefaultLocale de(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(FormatBytes(1234567), QStringLiteral("1.234.567"));
    }
    {
        // The C locale leaves grouping out unless asked; the list still groups.
        DefaultLocale c(QLocale::c());
        EXPECT_EQ(FormatBytes(1234567), QStringLiteral("1,234,567"));
    }
}

TEST(FileList, DateShowsShortDateAndLongTimeWithoutZone)
{
    DefaultLocale en(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime t(QDate(2026, 3, 9), QTime(14, 5, 7));
    EXPECT_EQ(FormatFileDate(t), QStringLiteral("3/9/2026 2:05:07 PM"));
    // Exactly midnight: the date alone.
    EXPECT_EQ(FormatFileDate(QDateTime(QDate(2026, 3, 10), QTime(0, 0, 0))), QStringLiteral("3/10/2026"));
    // A second after midnight still shows its time.
    EXPECT_EQ(FormatFileDate(QDateTime(QDate(2026, 3, 10), QTime(0, 0, 1))), QStringLiteral("3/10/2026 12:00:01 AM"));
    // No readable time: 30 December 1899, with a four-digit year so it stays apart from 1999.
    EXPECT_EQ(FormatFileDate(QDateTime()), QStringLiteral("12/30/1899"));

    DefaultLocale de(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatFileDate(t), QStringLiteral("09.03.2026 14:05:07"));
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(LongTimeFormat(), QStringLiteral("HH:mm:ss"));
}

TEST(FileList, FormatsKeepQuotedLettersAndFourDigitYears)
{
    // ja_JP's long time has literal characters between the fields; en_GB already has yyyy.
    EXPECT_EQ(LongTimeFormat(QLocale(QLocale::Japanese, QLocale::Japan)).contains(QLatin1Char('t')), false);
    EXPECT_EQ(ShortDateFormat(QLocale(QLocale::English, QLocale::UnitedKingdom)), QStringLiteral("dd/MM/yyyy"));
    EXPECT_FALSE(ShortDateFormat(QLocale(QLocale::English, QLocale::UnitedStates)).contains(QStringLiteral("yyyyyy")));
}

TEST(FileList, EntryOfARealFileAMissingOneAndAFolder)
{
    DefaultLocale en(QLocale(QLocale::English, QLocale::UnitedStates));
    TempProgramFolder folder;
    folder.Write(QStringLiteral("Song.wav"), QByteArray(1234, 'x'));
    const QString path = folder.File(QStringLiteral("Song.wav"));
    SetModificationTime(path, QDateTime(QDate(2025, 12, 24), QTime(18, 30, 15)));

    const TFileEntry entry = MakeFileEntry(path);
    EXPECT_EQ(entry.File, QStringLiteral("Song.wav"));
    EXPECT_EQ(entry.Folder, folder.Path());
    EXPECT_EQ(entry.FullPath(), path);
    EXPECT_EQ(entry.Bytes, QStringLiteral("1,234"));
    EXPECT_EQ(entry.Date, QStringLiteral("12/24/2025 6:30:15 PM"));

    const TFileEntry missing = MakeFileEntry(folder.File(QStringLiteral("gone.wav")));
    EXPECT_EQ(missing.File, QStringLiteral("gone.wav"));
    EXPECT_EQ(missing.Bytes, QStringLiteral("-1"));
    EXPECT_EQ(missing.Date, QStringLiteral("12/30/1899"));

    ASSERT_TRUE(QDir().mkdir(folder.File(QStringLiteral("sub"))));
    const TFileEntry dir = MakeFileEntry(folder.File(QStringLiteral("sub")));
    EXPECT_EQ(dir.File, QStringLiteral("sub"));
    EXPECT_EQ(dir.Bytes, QStringLiteral("-1"));
}

TEST(FileList, IndexMatchesNameAndFolderExactly)
{
    // Track1.wav, track1.wav and TRACK1.WAV are three files on this file system.
    TFileListIndex index;
    index.Add(QStringLiteral("Track1.wav"), QStringLiteral("/Music/"));
    EXPECT_TRUE(index.Contains(QStringLiteral("Track1.wav"), QStringLiteral("/Music/")));
    EXPECT_FALSE(index.Contains(QStringLiteral("track1.wav"), QStringLiteral("/Music/")));
    EXPECT_FALSE(index.Contains(QStringLiteral("TRACK1.WAV"), QStringLiteral("/Music/")));
    EXPECT_FALSE(index.Contains(QStringLiteral("Track1.wav"), QStringLiteral("/music/")));
    EXPECT_FALSE(index.Contains(QStringLiteral("Track1.wav"), QStringLiteral("/Music/a/")));
    index.Add(QStringLiteral("Ärger.wav"), QStringLiteral("/m/"));
    EXPECT_FALSE(index.Contains(QStringLiteral("ärger.wav"), QStringLiteral("/m/")));
    // The boundary between name and folder cannot be shifted.
    index.Add(QStringLiteral("a"), QStringLiteral("b/"));
    EXPECT_FALSE(index.Contains(QStringLiteral("a/b"), QStringLiteral("/")));
}

TEST(FileList, IndexCountsRowsWithTheSameKey)
{
    TFileListIndex index;
    index.Add(QStringLiteral("a.wav"), QStringLiteral("/x/"));
    index.Add(QStringLiteral("a.wav"), QStringLiteral("/x/")); // a moved row's copy, briefly
    index.Remove(QStringLiteral("a.wav"), QStringLiteral("/x/"));
    EXPECT_TRUE(index.Contains(QStringLiteral("a.wav"), QStringLiteral("/x/")));
    index.Remove(QStringLiteral("A.WAV"), QStringLiteral("/x/")); // another file: nothing happens
    EXPECT_TRUE(index.Contains(QStringLiteral("a.wav"), QStringLiteral("/x/")));
    index.Remove(QStringLiteral("a.wav"), QStringLiteral("/x/"));
    EXPECT_FALSE(index.Contains(QStringLiteral("a.wav"), QStringLiteral("/x/")));
    // Removing what is not there changes nothing.
    index.Remove(QStringLiteral("b.wav"), QStringLiteral("/x/"));
    EXPECT_EQ(index.Size(), 0);
}
