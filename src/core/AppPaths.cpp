#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

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
    // program in <prefix>/lib/tonewright/, beside our BladeEnc. Before the application object
    // exists (a later start handing its files over) the kernel's link says the same.
    if (!QCoreApplication::instance())
        return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
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

bool IsInstalledProgramFolder(const QString& folder)
{
    QString dir = folder;
    if (dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    if (!dir.endsWith(QLatin1String("/lib/tonewright")))
        return false;
    const QString prefix = dir.chopped(int(QLatin1String("/lib/tonewright").size()));
    return QFileInfo(prefix + QStringLiteral("/share/applications/tonewright.desktop")).isFile();
}

QString SettingsFolder(const QString& settingsName)
{
    const QString folder = ProgramFolder();
    // access() asks the file system itself, so a read-only mount counts as not writable. An
    // installed program never writes beside itself, whoever runs it: a file root left there
    // would outlive the package and become every new user's settings.
    if (!IsInstalledProgramFolder(folder) && ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
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

QString CleanFilePath(const QString& path, const QString& workingFolder)
{
    QString local = path;
    for (const QLatin1String prefix : {QLatin1String("file://localhost/"), QLatin1String("file:///"),
                                       QLatin1String("//localhost/")}) {
        if (local.startsWith(prefix, Qt::CaseInsensitive)) {
            local = local.mid(prefix.size() - 1);
            if (prefix.startsWith(QLatin1String("file:")))
                local = QUrl::fromPercentEncoding(local.toUtf8());
            break;
        }
    }
    // cleanPath keeps a leading "//" (a network path elsewhere); here it is just "/".
    while (local.startsWith(QLatin1String("//")))
        local.remove(0, 1);
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(local));
}

QStringList FileArguments(const QStringList& arguments, const QString& workingFolder)
{
    QStringList files;
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        const QString path = CleanFilePath(argument, workingFolder);
        const QFileInfo info(path);
        if (info.isFile() || info.isDir())
            files << path;
    }
    return files;
}
