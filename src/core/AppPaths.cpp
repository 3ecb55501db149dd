#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {
QString& Override()
{
    static QString path;
    return path;
}
} // namespace

QString ExecutablePath()
{
    if (!Override().isEmpty())
        return Override();
    // Resolves symlinks: through the installed <prefix>/bin/tonewright link this is the real
    // program in <prefix>/lib/tonewright/, beside our BladeEnc.
    return QCoreApplication::applicationFilePath();
}

QString ProgramFolder()
{
    const QString exe = ExecutablePath();
    return exe.left(exe.lastIndexOf(QLatin1Char('/')) + 1);
}

void SetExecutablePathOverride(const QString& path)
{
    Override() = path;
}

QString UserConfigFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is invalid for this variable and would follow the working folder around.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + QStringLiteral("tonewright/");
}

QString SettingsFolder(const QString& settingsName)
{
    const QString folder = ProgramFolder();
    // access() asks the file system itself, so a read-only mount counts as not writable.
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return folder;
    const QString config = UserConfigFolder();
    // A failure shows later, as the settings write's own "Unable to write to ..." message.
    QDir().mkpath(config);
    // Every write replaces the whole file, which a folder that cannot be written refuses: a settings
    // file found there (a portable copy on a read-only medium, an administrator's presets) is where
    // the user's own file starts from, instead of an error at every start.
    if (!QFileInfo::exists(config + settingsName) && QFileInfo::exists(folder + settingsName))
        QFile::copy(folder + settingsName, config + settingsName);
    return config;
}

QStringList FileArguments(const QStringList& arguments, const QString& workingFolder)
{
    const QDir base(workingFolder);
    QStringList files;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        const QFileInfo info(base.absoluteFilePath(argument));
        if (info.isFile())
            files << QDir::cleanPath(info.absoluteFilePath());
    }
    return files;
}
