// Where the settings file and the log go, and which start arguments become list entries.
#include "AppPaths.h"
#include "QtPrinters.h"
#include "TempProgramFolder.h"
#include "Globals.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
// Points XDG_CONFIG_HOME at `value` for the life of the object.
struct ConfigHome {
    explicit ConfigHome(const QByteArray& value) { qputenv("XDG_CONFIG_HOME", value); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old); }
    QByteArray old = qgetenv("XDG_CONFIG_HOME");
};
} // namespace

TEST(SettingsPlace, BesideAWritableProgramElseInTheUsersFolderCreatedOnDemand)
{
    for (const QByteArray& unusable : {QByteArray(), QByteArray("relative/conf")}) {
        ConfigHome home(unusable);
        EXPECT_EQ(UserConfigFolder(), QDir::homePath() + QStringLiteral("/.config/tonewright/"));
    }
    QTemporaryDir config;
    ConfigHome home(config.path().toUtf8());
    const QString user = config.path() + QStringLiteral("/tonewright/");
    EXPECT_EQ(UserConfigFolder(), user);

    TempProgramFolder folder;
    EXPECT_EQ(SettingsFilePath(), folder.File(QStringLiteral("tonewright.ini")));
    EXPECT_EQ(LogFilePath(), folder.File(QStringLiteral("Tonewright.log")));
    EXPECT_FALSE(QFileInfo::exists(user)) << "nothing made in the user's folder";

    // A program folder that cannot take files (for root too): it lies below a regular file.
    folder.Write(QStringLiteral("plain-file"), "x");
    SetExecutablePathOverride(folder.File(QStringLiteral("plain-file/Tonewright")));
    EXPECT_EQ(SettingsFilePath(), user + QStringLiteral("tonewright.ini"));
    EXPECT_EQ(LogFilePath(), user + QStringLiteral("Tonewright.log"));
    EXPECT_TRUE(QFileInfo(user).isDir());
    // The default encoder stays beside the program.
    EXPECT_EQ(DefaultBladeEncPath(), folder.File(QStringLiteral("plain-file/BladeEnc")));
    TSettings settings;
    SetDefaultSettings(settings);
    EXPECT_FALSE(LoadSettings(settings));
    EXPECT_TRUE(LoadSettings(settings)) << "written to the user's folder and found there again";
}

TEST(SettingsPlace, AnInstalledProgramKeepsItsFilesInTheUsersFolderEvenWhereItMayWrite)
{
    QTemporaryDir config;
    ConfigHome home(config.path().toUtf8());
    const QString user = config.path() + QStringLiteral("/tonewright/");
    const struct {
        const char* Program;
        const char* MenuEntry; // nullptr: none
        bool Installed;
    } cases[] = {
        {"usr/lib/tonewright/tonewright", "usr/share/applications/tonewright.desktop", true},
        {"opt/tw/lib/tonewright/tonewright", "opt/tw/share/applications/tonewright.desktop", true},
        {"usr/lib/tonewright/tonewright", nullptr, false},                       // a copy that looks so
        {"build/tonewright", "build/share/applications/tonewright.desktop", false}, // not lib/tonewright
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Program);
        TempProgramFolder tree; // a staging tree, which may be written as /usr may by root
        tree.Write(QString::fromLatin1(c.Program), "");
        if (c.MenuEntry)
            tree.Write(QString::fromLatin1(c.MenuEntry), "[Desktop Entry]\n");
        SetExecutablePathOverride(tree.File(QString::fromLatin1(c.Program)));
        const QString program = ProgramFolder();
        EXPECT_EQ(IsInstalledProgramFolder(program), c.Installed);
        EXPECT_EQ(SettingsFilePath(), (c.Installed ? user : program) + QStringLiteral("tonewright.ini"));
        EXPECT_EQ(LogFilePath(), (c.Installed ? user : program) + QStringLiteral("Tonewright.log"));
    }
    SetExecutablePathOverride(QString());
}

TEST(StartArguments, OnlyExistingRegularFilesAndFoldersBecomeAbsolutePathsInTheGivenOrder)
{
    TempProgramFolder dir;
    dir.Write(QStringLiteral("b.wav"), "b");
    dir.Write(QStringLiteral("sub/a.aiff"), "a");
    dir.Write(QStringLiteral("with blank.wav"), "c");
    const QStringList args = {
        QStringLiteral("b.wav"),                  // relative to the working folder
        QStringLiteral("--platform"),             // not a file
        dir.File(QStringLiteral("sub/a.aiff")),   // absolute
        dir.File(QStringLiteral("sub")),          // a folder
        QStringLiteral("missing.wav"),
        QString(),
        QStringLiteral("./sub/../with blank.wav"),
        QStringLiteral("b.wav"),                  // again: the list itself skips repeats
        QStringLiteral(".//sub///a.aiff"),
        QStringLiteral("file://localhost") + dir.File(QStringLiteral("with%20blank.wav")),
    };
    const QString base = dir.Path().chopped(1);
    EXPECT_EQ(FileArguments(args, base),
              (QStringList{dir.File(QStringLiteral("b.wav")), dir.File(QStringLiteral("sub/a.aiff")),
                           dir.File(QStringLiteral("sub")), dir.File(QStringLiteral("with blank.wav")), dir.File(QStringLiteral("b.wav")),
                           dir.File(QStringLiteral("sub/a.aiff")), dir.File(QStringLiteral("with blank.wav"))}));
    EXPECT_TRUE(FileArguments({}, base).isEmpty());
}
