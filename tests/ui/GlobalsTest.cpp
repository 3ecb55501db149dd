#include "AppPaths.h"
#include "DefaultSettings.h"
#include "Errors.h"
#include "FileSizeLimit.h"
#include "TempProgramFolder.h"
#include "IniFile.h"
#include "Globals.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {
class Settings : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultSettings(settings); }
    QByteArray Ini() const { return folder.Read(QStringLiteral("tonewright.ini")); }
    void WriteIni(const QByteArray& content) const { folder.Write(QStringLiteral("tonewright.ini"), content); }

    TempProgramFolder folder;
    TSettings settings;
};
} // namespace

TEST(SettingsPath, FileNameLowerCasedExtensionReplacedFolderKept)
{
    // Program folders that exist and can be written: the settings stay beside the program.
    TempProgramFolder folder;
    const QString base = folder.Path();
    for (const char* sub : {"Opt/Tone", "a.b", "a"})
        ASSERT_TRUE(QDir().mkpath(base + QLatin1String(sub)));
    SetExecutablePathOverride(base + QStringLiteral("Opt/Tone/Tonewright.EXE"));
    EXPECT_EQ(SettingsFilePath(), base + QStringLiteral("Opt/Tone/tonewright.ini"));
    SetExecutablePathOverride(base + QStringLiteral("Opt/Tone/ToneWright"));
    EXPECT_EQ(SettingsFilePath(), base + QStringLiteral("Opt/Tone/tonewright.ini"));
    SetExecutablePathOverride(base + QStringLiteral("a.b/tw.v2.bin"));
    EXPECT_EQ(SettingsFilePath(), base + QStringLiteral("a.b/tw.v2.ini"));
    SetExecutablePathOverride(base + QStringLiteral("a/.hidden"));
    EXPECT_EQ(SettingsFilePath(), base + QStringLiteral("a/.hidden.ini"));
    EXPECT_EQ(LogFilePath(), base + QStringLiteral("a/Tonewright.log"));
    EXPECT_EQ(DefaultBladeEncPath(), base + QStringLiteral("a/BladeEnc"));
}

TEST(SettingsTables, BitratesAndPriorityNames)
{
    ASSERT_EQ(Bitrates.size(), 14);
    EXPECT_EQ(Bitrates.first(), QStringLiteral("32"));
    EXPECT_EQ(Bitrates.last(), QStringLiteral("320"));
    for (qsizetype i = 1; i < Bitrates.size(); ++i)
        EXPECT_LT(Bitrates.at(i - 1).toInt(), Bitrates.at(i).toInt());
    EXPECT_EQ(PriorityNames(), (QStringList{QStringLiteral("Idle"), QStringLiteral("Lowest"), QStringLiteral("Lower"),
                                          QStringLiteral("Normal"), QStringLiteral("Higher"), QStringLiteral("Highest")}));
}

TEST_F(Settings, FirstLoadCreatesTheFileFromTheDefaults)
{
    EXPECT_FALSE(LoadSettings(settings));
    EXPECT_EQ(Ini(), DefaultSettingsText(folder.Path()));
    EXPECT_TRUE(LoadSettings(settings));
    EXPECT_EQ(settings.BladeEncPath, folder.File(QStringLiteral("BladeEnc")));
}

TEST_F(Settings, SaveThenLoadRoundTripsEveryField)
{
    settings.BladeEncPath = QStringLiteral("/usr/local/bin/Blade Enc (ü)");
    settings.Bitrate = 320;
    settings.Priority = 5;
    settings.Mono = true;
    settings.Crc = false;
    settings.DeleteSource = true;
    settings.Mp3Flags = mfCopy | mfCopyright;
    settings.OutputFolder = QStringLiteral("/srv/mp3 [ü]");
    settings.KeepSubfolders = true;
    settings.SkipExisting = true;
    SaveSettings(settings);
    const TSettings saved = settings;

    settings = TSettings();
    SetDefaultSettings(settings);
    EXPECT_TRUE(LoadSettings(settings));
    EXPECT_TRUE(settings == saved);
}

TEST_F(Settings, MalformedValuesKeepWhatWasHeld)
{
    settings.Bitrate = 192;
    settings.Mono = true;
    settings.Crc = true;
    WriteIni("[System]\nBitrate=fast\nPriority=259\n[Flags]\nMono=yes\nCrc=\n");
    EXPECT_TRUE(LoadSettings(settings));
    EXPECT_EQ(settings.Bitrate, 192);
    EXPECT_EQ(settings.Priority, 3); // low 8 bits of 259
    EXPECT_TRUE(settings.Mono);
    EXPECT_TRUE(settings.Crc);
    // The file is not repaired.
    EXPECT_EQ(Ini(), QByteArray("[System]\nBitrate=fast\nPriority=259\n[Flags]\nMono=yes\nCrc=\n"));
}

TEST_F(Settings, NumbersInEveryNotation)
{
    WriteIni("[System]\nBitrate=0x80\nPriority=-1\n[Flags]\nMono=2\nCrc=0\nDelete=$1\n");
    settings.Crc = true;
    EXPECT_TRUE(LoadSettings(settings));
    EXPECT_EQ(settings.Bitrate, 128);
    EXPECT_EQ(settings.Priority, 255);
    EXPECT_TRUE(settings.Mono);
    EXPECT_FALSE(settings.Crc);
    EXPECT_TRUE(settings.DeleteSource);

    WriteIni("[System]\nBitrate=$80\n");
    settings.Bitrate = 1;
    LoadSettings(settings);
    EXPECT_EQ(settings.Bitrate, 128);
}

TEST_F(Settings, VbrIsALevelOrOff)
{
    struct Case {
        const char* line;
        std::int32_t held, read;
    } cases[] = {
        {"", 4, 4},  // an older file without the key keeps what is held
        {"VBR=0\n", VbrOff, 0},
        {"vbr=9\n", VbrOff, 9},
        {"VBR=-1\n", 2, VbrOff},
        {"VBR=10\n", 2, VbrOff},
        {"VBR=-7\n", 2, VbrOff},
        {"VBR=V2\n", 3, 3},
    };
    for (const Case& c : cases) {
        WriteIni(QByteArray("[System]\nBitrate=160\n") + c.line);
        settings.Vbr = c.held;
        EXPECT_TRUE(LoadSettings(settings));
        EXPECT_EQ(settings.Vbr, c.read) << c.line;
        EXPECT_EQ(settings.Bitrate, 160);
    }
    settings.Vbr = 7;
    SaveSettings(settings);
    settings.Vbr = VbrOff;
    EXPECT_TRUE(LoadSettings(settings));
    EXPECT_EQ(settings.Vbr, 7);
}

TEST_F(Settings, MissingHeaderFlagsSectionClearsTheFlags)
{
    settings.Mp3Flags = mfOriginal | mfCopy | mfPrivate | mfCopyright;
    WriteIni("[System]\nBitrate=128\n");
    LoadSettings(settings);
    EXPECT_EQ(settings.Mp3Flags, 0);

    WriteIni("[MP3FLAGS]\nprivate=1\nOriginal=7\nCopy=0\n");
    LoadSettings(settings);
    EXPECT_EQ(settings.Mp3Flags, mfPrivate | mfOriginal);
}

TEST_F(Settings, EmptyEncoderPathIsTakenAsItIs)
{
    WriteIni("[System]\nBladeEnc=\n");
    LoadSettings(settings);
    EXPECT_EQ(settings.BladeEncPath, QString());
}

TEST_F(Settings, SaveKeepsForeignLinesAndTheToolbarSection)
{
    WriteIni("[Toolbar]\nLayout=2\n[System]\n; my encoder\nBladeEnc=/old\nExtra=keep\n");
    settings.BladeEncPath = QStringLiteral("/new");
    SaveSettings(settings);
    EXPECT_EQ(Ini(), QByteArray("[Toolbar]\nLayout=2\n[System]\n; my encoder\nBladeEnc=/new\nExtra=keep\n"
                                "Bitrate=128\nVBR=-1\nPriority=1\n[Flags]\nMono=0\nCrc=0\nDelete=0\n"
                                "[Mp3Flags]\nOriginal=0\nCopy=0\nPrivate=0\nCopyright=0\n"
                                "[Output]\nFolder=\nKeepSubfolders=0\nSkipExisting=0\n"));
    EXPECT_EQ(ReadIniInteger(QStringLiteral("toolbar"), QStringLiteral("layout"), 0), 2);
}

TEST_F(Settings, SingleKeyWritesAndReads)
{
    WriteIniInteger(QStringLiteral("Toolbar"), QStringLiteral("Layout"), 1);
    WriteIniBool(QStringLiteral("Toolbar"), QStringLiteral("Visible"), false);
    WriteIniInteger(QStringLiteral("Toolbar"), QStringLiteral("Layout"), 3);
    EXPECT_EQ(Ini(), QByteArray("[Toolbar]\nLayout=3\nVisible=0\n"));
    EXPECT_EQ(ReadIniInteger(QStringLiteral("Toolbar"), QStringLiteral("Layout"), 0), 3);
    EXPECT_FALSE(ReadIniBool(QStringLiteral("Toolbar"), QStringLiteral("Visible"), true));
    EXPECT_TRUE(ReadIniBool(QStringLiteral("Toolbar"), QStringLiteral("Missing"), true));
}

TEST_F(Settings, AFolderThatCannotBeWrittenRaisesAndKeepsTheOldFile)
{
    const QByteArray old = DefaultSettingsText(folder.Path());
    WriteIni(old);
    const QString expected = QStringLiteral("Unable to write to ") + folder.File(QStringLiteral("tonewright.ini"));
    {
        FileSizeLimit limit(8);
        settings.Bitrate = 64;
        try {
            SaveSettings(settings);
            ADD_FAILURE() << "SaveSettings should have failed";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), expected);
        }
        try {
            WriteIniInteger(QStringLiteral("Toolbar"), QStringLiteral("Layout"), 2);
            ADD_FAILURE() << "WriteIniInteger should have failed";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), expected);
        }
        EXPECT_THROW(WriteIniBool(QStringLiteral("Toolbar"), QStringLiteral("Visible"), false), Exception);
    }
    EXPECT_EQ(Ini(), old);
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    // The record keeps what was set.
    EXPECT_EQ(settings.Bitrate, 64);
}

TEST_F(Settings, AFolderWhereTheFileMustGoRaisesOnFirstStart)
{
    ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("tonewright.ini/x"))));
    // Something stands there, so the load takes the defaults; any write then fails.
    EXPECT_TRUE(LoadSettings(settings));
    EXPECT_EQ(settings.Bitrate, 128);
    EXPECT_THROW(SaveSettings(settings), Exception);
    EXPECT_TRUE(QDir(folder.File(QStringLiteral("tonewright.ini/x"))).exists());
}

TEST_F(Settings, FirstStartInAFolderThatCannotBeWrittenRaises)
{
    FileSizeLimit limit(8);
    try {
        LoadSettings(settings);
        ADD_FAILURE() << "LoadSettings should have failed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to write to ") + folder.File(QStringLiteral("tonewright.ini")));
    }
    EXPECT_FALSE(QFileInfo::exists(folder.File(QStringLiteral("tonewright.ini"))));
}

TEST_F(Settings, TheSettingsFilesErrorsReachTheUserInTheProgramsWords)
{
    settings.BladeEncPath = QStringLiteral("/x\n[Flags]\nMono=1");
    try {
        SaveSettings(settings);
        ADD_FAILURE() << "a line break was saved";
    } catch (const EIniFileError&) {
        ADD_FAILURE() << "the settings file's own error reached the window";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The setting System/BladeEnc cannot hold a line break."));
    }
    EXPECT_FALSE(QFileInfo::exists(folder.File(QStringLiteral("tonewright.ini"))));
}

TEST_F(Settings, TheToolbarKeysReadWithTheOthersAndAreWrittenOnlyOnTheirOwn)
{
    struct Case {
        const char* Text;
        std::int32_t Layout;
        bool Visible;
    } const cases[] = {
        {"", 3, true},
        {"[Toolbar]\nLayout=2\nVisible=0\n", 2, false},
        {"[toolbar]\nlayout=7\n", 7, true},
        {"[Toolbar]\nLayout=x\nVisible=maybe\n", 3, true},
    };
    for (const Case& c : cases) {
        settings = TSettings();
        WriteIni(QByteArray("[System]\nBitrate=64\n") + c.Text);
        EXPECT_TRUE(LoadSettings(settings));
        EXPECT_EQ(settings.ToolbarLayout, c.Layout) << c.Text;
        EXPECT_EQ(settings.ToolbarVisible, c.Visible) << c.Text;
    }

    WriteIni("");
    settings.ToolbarLayout = 1;
    SaveSettings(settings);
    EXPECT_FALSE(Ini().contains("Layout")) << Ini().toStdString();
    SaveSettingOf(settings, &settings.ToolbarLayout);
    EXPECT_TRUE(Ini().endsWith("[Toolbar]\nLayout=1\n")) << Ini().toStdString();
    EXPECT_FALSE(Ini().contains("Visible"));
}
