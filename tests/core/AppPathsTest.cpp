// Where the settings file and the log go, and which start arguments become list entries.
#include "AppPaths.h"
#include "TempProgramFolder.h"
#include "globals.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {
// Sets an environment variable for the life of the object.
class EnvValue {
public:
    EnvValue(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~EnvValue()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};
} // namespace

TEST(SettingsPlace, TheUserConfigurationFolderFollowsAnAbsoluteXdgConfigHomeOnly)
{
    {
        EnvValue xdg("XDG_CONFIG_HOME", "/scratch/conf");
        EXPECT_EQ(UserConfigFolder(), QStringLiteral("/scratch/conf/tonewright/"));
    }
    for (const QByteArray& unusable : {QByteArray(), QByteArray("relative/conf")}) {
        EnvValue xdg("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(UserConfigFolder(), QDir::homePath() + QStringLiteral("/.config/tonewright/"));
    }
}

TEST(SettingsPlace, AWritableProgramFolderKeepsSettingsAndLogBesideTheProgram)
{
    QTemporaryDir config;
    EnvValue xdg("XDG_CONFIG_HOME", config.path().toUtf8());
    TempProgramFolder folder;
    EXPECT_EQ(SettingsFilePath(), folder.File(QStringLiteral("tonewright.ini")));
    EXPECT_EQ(LogFilePath(), folder.File(QStringLiteral("Tonewright.log")));
    EXPECT_FALSE(QFileInfo::exists(config.filePath(QStringLiteral("tonewright")))) << "nothing made in the user's folder";
}

TEST(SettingsPlace, AProgramFolderThatCannotBeWrittenSendsThemToTheUsersFolderCreatedOnDemand)
{
    QTemporaryDir config;
    EnvValue xdg("XDG_CONFIG_HOME", config.path().toUtf8());
    // A program folder that cannot take files (for root too): it lies below a regular file.
    TempProgramFolder scratch;
    scratch.Write(QStringLiteral("plain-file"), "x");
    SetExecutablePathOverride(scratch.File(QStringLiteral("plain-file/Tonewright")));

    const QString expected = config.path() + QStringLiteral("/tonewright/");
    EXPECT_EQ(SettingsFilePath(), expected + QStringLiteral("tonewright.ini"));
    EXPECT_EQ(LogFilePath(), expected + QStringLiteral("Tonewright.log"));
    EXPECT_TRUE(QFileInfo(expected).isDir());
    // The default encoder stays beside the program.
    EXPECT_EQ(DefaultBladeEncPath(), scratch.File(QStringLiteral("plain-file/BladeEnc")));

    // And the settings are written there and read back.
    GlobalVars = TGlobalVars{};
    SetDefaultSettings();
    EXPECT_FALSE(LoadSettings());
    EXPECT_TRUE(QFileInfo::exists(expected + QStringLiteral("tonewright.ini")));
    EXPECT_TRUE(LoadSettings());
    GlobalVars = TGlobalVars{};
}

TEST(StartArguments, OnlyExistingRegularFilesBecomeAbsolutePathsInTheGivenOrder)
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
    };
    const QString base = dir.Path().chopped(1);
    EXPECT_EQ(FileArguments(args, base),
              (QStringList{dir.File(QStringLiteral("b.wav")), dir.File(QStringLiteral("sub/a.aiff")),
                           dir.File(QStringLiteral("with blank.wav")), dir.File(QStringLiteral("b.wav"))}));
    EXPECT_TRUE(FileArguments({}, base).isEmpty());
}
