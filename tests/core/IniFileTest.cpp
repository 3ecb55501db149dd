#include "Errors.h"
#include "../ui/FileSizeLimit.h"
#include "AsNobody.h"
#include "IniFile.h"
#include "TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>
#include <optional>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {
std::optional<std::int32_t> Parse(const char* text)
{
    std::int32_t value = -777;
    if (!ParseIniInteger(QString::fromLatin1(text), &value))
        return std::nullopt;
    return value;
}

TIniFile IniWith(const TempProgramFolder& folder, const QByteArray& content)
{
    folder.Write(QStringLiteral("t.ini"), content);
    return TIniFile(folder.File(QStringLiteral("t.ini")));
}
} // namespace

TEST(IniFile, IntegerRules)
{
    EXPECT_EQ(Parse("128"), 128);
    EXPECT_EQ(Parse("-42"), -42);
    EXPECT_EQ(Parse("+7"), 7);
    EXPECT_EQ(Parse("0x80"), 128);
    EXPECT_EQ(Parse("0XfF"), 255);
    EXPECT_EQ(Parse("$80"), 128);
    EXPECT_EQ(Parse("$FFFFFFFF"), -1);
    EXPECT_EQ(Parse("2147483647"), 2147483647);
    EXPECT_EQ(Parse("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(Parse("007"), 7);

    for (const char* bad : {"", "fast", "yes", "0x", "$", "-", "12a", "1 2", "2147483648", "-2147483649",
                            "$100000000", "0x1G", "-0x10", "-$10", "1.5", "99999999999999999999"})
        EXPECT_EQ(Parse(bad), std::nullopt) << bad;
}

TEST(IniFile, NamesMatchWithoutCaseAndValuesAreTrimmed)
{
    TempProgramFolder folder;
    const TIniFile ini = IniWith(folder, "[system]\r\n  BITRATE =  0x80  \r\nbladeenc=/opt/enc/BladeEnc\r\n"
                                         "; Priority=5\r\n[Flags]\r\nMono=2\r\nCrc=yes\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("System"), QStringLiteral("Bitrate"), 0), 128);
    EXPECT_EQ(ini.ReadString(QStringLiteral("SYSTEM"), QStringLiteral("BladeEnc"), QString()),
              QStringLiteral("/opt/enc/BladeEnc"));
    // A commented-out key is not a key.
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("System"), QStringLiteral("Priority"), 9), 9);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("flags"), QStringLiteral("mono"), false));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Flags"), QStringLiteral("Crc"), true));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("Flags"), QStringLiteral("Crc"), false));
    // A key of another section is not found.
    EXPECT_EQ(ini.ReadString(QStringLiteral("Flags"), QStringLiteral("BladeEnc"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST(IniFile, TheFirstOfRepeatedSectionsAndKeysIsRead)
{
    TempProgramFolder folder;
    const TIniFile ini = IniWith(folder, "[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("k"), 0), 1);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("B"), QStringLiteral("K"), 0), 3);
}

TEST(IniFile, LongTextIsCutAt2047Characters)
{
    TempProgramFolder folder;
    const QByteArray longValue(3000, 'p');
    const TIniFile ini = IniWith(folder, "[S]\nk=" + longValue + "\n");
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), QString()), QString(2047, QLatin1Char('p')));
}

TEST(IniFile, WritesInPlaceAtTheEndOfTheSectionOrAsANewSection)
{
    TempProgramFolder folder;
    TIniFile ini = IniWith(folder, "; kept comment\n[System]\nBitrate = 128\nother line\n\n[Flags]\nMono=1\n");
    ini.WriteInteger(QStringLiteral("system"), QStringLiteral("BITRATE"), 160);
    ini.WriteString(QStringLiteral("SYSTEM"), QStringLiteral("BladeEnc"), QStringLiteral("/x/BladeEnc"));
    ini.WriteBool(QStringLiteral("Toolbar"), QStringLiteral("Visible"), false);
    ini.WriteInteger(QStringLiteral("Toolbar"), QStringLiteral("Layout"), -3);
    ini.UpdateFile();
    EXPECT_EQ(folder.Read(QStringLiteral("t.ini")),
              QByteArray("; kept comment\n[System]\nBitrate=160\nother line\nBladeEnc=/x/BladeEnc\n\n[Flags]\nMono=1\n"
                         "[Toolbar]\nVisible=0\nLayout=-3\n"));
}

TEST(IniFile, KeepsCrLfAndForeignBytesOfOtherLines)
{
    TempProgramFolder folder;
    const QByteArray odd = "Name=caf\xe9 \xff\r\n"; // not UTF-8: kept byte for byte
    TIniFile ini = IniWith(folder, "\xef\xbb\xbf[System]\r\n" + odd + "Bitrate=1\r\n");
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("System"), QStringLiteral("Bitrate"), 0), 1);
    ini.WriteInteger(QStringLiteral("System"), QStringLiteral("Bitrate"), 2);
    ini.UpdateFile();
    EXPECT_EQ(folder.Read(QStringLiteral("t.ini")), "\xef\xbb\xbf[System]\r\n" + odd + "Bitrate=2\r\n");
}

TEST(IniFile, AWriteThatChangesNothingLeavesTheFileUntouched)
{
    // Written at all, the file would lose the blanks around "3" and gain a final line break.
    TempProgramFolder folder;
    const QByteArray old = "[Toolbar]\r\nLayout = 3 \r\nVisible=1";
    TIniFile ini = IniWith(folder, old);
    ini.WriteInteger(QStringLiteral("toolbar"), QStringLiteral("layout"), 3);
    ini.WriteBool(QStringLiteral("Toolbar"), QStringLiteral("Visible"), true);
    ini.UpdateFile();
    EXPECT_EQ(folder.Read(QStringLiteral("t.ini")), old);
}

TEST(IniFile, AFileWithoutFinalLineBreakGainsOne)
{
    TempProgramFolder folder;
    TIniFile ini = IniWith(folder, "[S]\na=1");
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("b"), 2);
    EXPECT_EQ(ini.Content(), QByteArray("[S]\na=1\nb=2\n"));
}

TEST(IniFile, ALineBreakInAValueIsRefused)
{
    TempProgramFolder folder;
    TIniFile ini(folder.File(QStringLiteral("t.ini")));
    try {
        ini.WriteString(QStringLiteral("System"), QStringLiteral("BladeEnc"), QStringLiteral("/x\n[Flags]\nMono=1"));
        ADD_FAILURE() << "a line break was written";
    } catch (const EIniFileError& e) {
        EXPECT_EQ(e.Reason, EIniFileError::irValueHasLineBreak);
        EXPECT_EQ(e.Section, QStringLiteral("System"));
        EXPECT_EQ(e.Key, QStringLiteral("BladeEnc"));
    }
    EXPECT_THROW(ini.WriteString(QStringLiteral("System"), QStringLiteral("BladeEnc"), QStringLiteral("a\rb")), EIniFileError);
    EXPECT_EQ(ini.Content(), QByteArray());
}

TEST(IniFile, RefusedWritesRaiseAndKeepTheOldFile)
{
    TempProgramFolder folder;
    const QByteArray old = "[System]\nBitrate=128\n" + QByteArray(200, ';') + "\n";
    TIniFile ini = IniWith(folder, old);
    ini.WriteInteger(QStringLiteral("System"), QStringLiteral("Bitrate"), 320);
    {
        FileSizeLimit limit(16);
        try {
            ini.UpdateFile();
            ADD_FAILURE() << "the write should have failed";
        } catch (const EIniFileError& e) {
            EXPECT_EQ(e.Reason, EIniFileError::irUnableToWrite);
            EXPECT_EQ(e.Path, folder.File(QStringLiteral("t.ini")));
        }
    }
    EXPECT_EQ(folder.Read(QStringLiteral("t.ini")), old);
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST(IniFile, SomethingUnreadableAtThePathIsNeverReplaced)
{
    TempProgramFolder folder;
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("t.ini/inner"))));
    TIniFile ini(folder.File(QStringLiteral("t.ini")));
    EXPECT_TRUE(ini.Existed());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 5), 5);
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 1);
    EXPECT_THROW(ini.UpdateFile(), EIniFileError);
    EXPECT_TRUE(QDir(folder.File(QStringLiteral("t.ini/inner"))).exists());
}

TEST(IniFile, WritingThroughASymbolicLinkKeepsTheLink)
{
    TempProgramFolder folder;
    folder.Write(QStringLiteral("real/settings.ini"), "[S]\nk=1\n");
    ASSERT_TRUE(QFile::link(folder.File(QStringLiteral("real/settings.ini")), folder.File(QStringLiteral("t.ini"))));
    TIniFile ini(folder.File(QStringLiteral("t.ini")));
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 2);
    ini.UpdateFile();
    EXPECT_TRUE(QFileInfo(folder.File(QStringLiteral("t.ini"))).isSymLink());
    EXPECT_EQ(folder.Read(QStringLiteral("real/settings.ini")), QByteArray("[S]\nk=2\n"));
}

TEST(IniFile, AReadOnlyFileIsNotReplacedEvenWhenTheFolderIsWritable)
{
    TempProgramFolder folder;
    folder.Write(QStringLiteral("ro.ini"), "[S]\nk=1\n");
    folder.Write(QStringLiteral("rw.ini"), "[S]\nk=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(folder.File(QStringLiteral("ro.ini"))).constData(), 0444), 0);

    // Exit code: 0 refused with the message, 1 replaced, 2 another message, 3 the unchanged
    // content refused; 10 + the same for the writable file, which must be replaced (0).
    const int rc = RunAsNobody(
        {folder.Path(), folder.File(QStringLiteral("ro.ini")), folder.File(QStringLiteral("rw.ini"))}, [&] {
            TIniFile ro(folder.File(QStringLiteral("ro.ini")));
            // Writing what it already holds changes nothing and is no failure.
            ro.WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 1);
            try {
                ro.UpdateFile();
            } catch (...) {
                return 3;
            }
            ro.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 2);
            try {
                ro.UpdateFile();
                return 1;
            } catch (const EIniFileError& e) {
                if (e.Reason != EIniFileError::irUnableToWrite || e.Path != folder.File(QStringLiteral("ro.ini")))
                    return 2;
            }
            TIniFile rw(folder.File(QStringLiteral("rw.ini")));
            rw.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 2);
            try {
                rw.UpdateFile();
            } catch (...) {
                return 11;
            }
            return 0;
        });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(folder.Read(QStringLiteral("ro.ini")), QByteArray("[S]\nk=1\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.File(QStringLiteral("ro.ini"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(folder.Read(QStringLiteral("rw.ini")), QByteArray("[S]\nk=2\n"));
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left
}

TEST(IniFile, EachLineKeepsItsOwnBreakAndANewOrChangedLineTakesTheOneBeforeIt)
{
    TempProgramFolder folder;
    TIniFile ini = IniWith(folder, "; written on two systems\r\n[System]\nBitrate=128\r\nPriority=1\nBladeEnc=x\r\n"
                                   "[Flags]\r\nMono=0\nCrc=1");
    ini.WriteInteger(QStringLiteral("System"), QStringLiteral("Bitrate"), 160); // after an LF line
    ini.WriteString(QStringLiteral("System"), QStringLiteral("BladeEnc"), QStringLiteral("y")); // the same
    ini.WriteBool(QStringLiteral("Flags"), QStringLiteral("Mono"), true);       // after a CR LF line
    ini.WriteBool(QStringLiteral("Flags"), QStringLiteral("Delete"), true);     // after the last line
    ini.WriteBool(QStringLiteral("Mp3Flags"), QStringLiteral("Copy"), true);
    EXPECT_EQ(ini.Content(), QByteArray("; written on two systems\r\n[System]\nBitrate=160\nPriority=1\nBladeEnc=y\n"
                                        "[Flags]\r\nMono=1\r\nCrc=1\r\nDelete=1\r\n[Mp3Flags]\r\nCopy=1\r\n"));
    // Written unchanged, the file stays as it was, byte for byte.
    const QByteArray mixed = "[S]\r\na=1\nb=2\r\n\n[T]\nc=3\r\n";
    EXPECT_EQ(IniWith(folder, mixed).Content(), mixed);
}
