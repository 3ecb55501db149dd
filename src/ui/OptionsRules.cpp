#include "OptionsRules.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "OutputInterpreter.h"
#include "Globals.h"
#include "ResStr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

bool IsValidFileName(const QString& path)
{
    // Any other character is legal in a Linux path; a double quote would break the quoting of
    // the editor's text, and no path holds a NUL.
    for (const QChar c : path)
        if (c == QLatin1Char('"') || c.isNull())
            return false;
    return true;
}

QString PathEditText(const QString& path)
{
    if (path.contains(QLatin1Char(' ')) && !path.startsWith(QLatin1Char('"')))
        return QLatin1Char('"') + path + QLatin1Char('"');
    return path;
}

QString FirstCommandLineItem(const QString& text)
{
    return SplitCommandLineArguments(text).value(0);
}

QString PathFromEditText(const QString& text)
{
    if (!text.isEmpty() && QFileInfo(text).isFile())
        return text;
    return FirstCommandLineItem(text);
}

bool IsBladeEncName(const QString& path)
{
    return FileNamePart(path).toLower() == QLatin1String("bladeenc");
}

int BitratePosition(std::int32_t bitrate)
{
    int position = 8;
    const QString text = QString::number(bitrate);
    for (int p = 1; p <= Bitrates.size(); ++p)
        if (Bitrates.at(p - 1) == text)
            position = p;
    return position;
}

std::int32_t BitrateAtPosition(int position)
{
    return Bitrates.value(position - 1, Bitrates.value(7)).toInt();
}

namespace {
constexpr std::int32_t RecommendedVbrLevel = 2;
} // namespace

int VbrPosition(std::int32_t level)
{
    return VbrSmallest - (IsVbrLevel(level) ? level : RecommendedVbrLevel);
}

std::int32_t VbrLevelAtPosition(int position)
{
    const std::int32_t level = VbrSmallest - position;
    return IsVbrLevel(level) ? level : RecommendedVbrLevel;
}

int VbrTypicalKbit(std::int32_t level)
{
    static constexpr int Averages[] = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};
    return IsVbrLevel(level) ? Averages[level] : 0;
}

QString VbrLevelText(std::int32_t level)
{
    return ResStr::OptionsVbrValue.arg(level).arg(VbrTypicalKbit(level));
}

int PriorityPosition(int priority)
{
    return priority >= 0 && priority < PriorityNames().size() ? priority : 3;
}

QString BrowseStartFolder(const QString& currentPath, const QString& remembered)
{
    const qsizetype slash = currentPath.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        const QString folder = currentPath.left(slash + 1);
        if (QFileInfo(folder).isDir())
            return folder;
    }
    if (!remembered.isEmpty())
        return remembered;
    return ProgramFolder();
}

QString OutputFolderProblem(const QString& folder)
{
    if (folder.trimmed().isEmpty())
        return ResStr::OutputFolderEmpty;
    if (folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r')) || folder.contains(QChar()))
        return ResStr::InvalidFileName.arg(folder);
    if (!folder.startsWith(QLatin1Char('/')))
        return ResStr::OutputFolderNotAbsolute.arg(folder);
    // The deepest part of the path that exists decides: the encoder creates the folders below it.
    QString existing = QDir::cleanPath(folder);
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/"))
        existing = existing.left(std::max<qsizetype>(existing.lastIndexOf(QLatin1Char('/')), 1));
    if (!QFileInfo(existing).isDir())
        return ResStr::OutputFolderBlocked.arg(folder, existing);
    // access() asks as this user, as the encoder will run: the folder must take new entries.
    if (::access(QFile::encodeName(existing).constData(), W_OK | X_OK) != 0)
        return ResStr::OutputFolderNotWritable.arg(folder, existing);
    return {};
}
