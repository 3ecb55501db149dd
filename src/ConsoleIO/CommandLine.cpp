#include "CommandLine.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

// Reads one item starting at a non-blank position and leaves pos after it.
QString ReadItem(const QString& text, qsizetype& pos)
{
    QString item;
    bool grouping = false;
    const qsizetype n = text.size();
    while (pos < n) {
        const QChar c = text[pos];
        if (!grouping && IsBlank(c))
            break;
        if (c == u'\\') {
            qsizetype end = pos;
            while (end < n && text[end] == u'\\')
                ++end;
            const qsizetype count = end - pos;
            if (end < n && text[end] == u'"') {
                item.append(QString(count / 2, u'\\'));
                if (count % 2 != 0)
                    item.append(u'"');
                else
                    grouping = !grouping;
                pos = end + 1;
            } else {
                item.append(QString(count, u'\\'));
                pos = end;
            }
        } else if (c == u'"') {
            grouping = !grouping;
            ++pos;
        } else {
            item.append(c);
            ++pos;
        }
    }
    return item;
}

// The spawn looks a name without a '/' up in PATH, so the look-up here does the same.
bool NamesExistingFile(const QString& candidate)
{
    if (candidate.contains(u'/')) {
        const QFileInfo info(candidate);
        return info.isFile();
    }
    return !ResolveProgramPath(candidate).isEmpty();
}

}  // namespace

QString ResolveProgramPath(const QString& program)
{
    if (program.contains(u'/'))
        return program;
    if (program.isEmpty())
        return {};
    QString path = qEnvironmentVariable("PATH");
    if (path.isNull())
        path = QStringLiteral("/bin:/usr/bin");
    for (const QString& folder : path.split(u':')) {
        const QFileInfo info(QDir(folder.isEmpty() ? QStringLiteral(".") : folder), program);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

QStringList SplitCommandLineArguments(const QString& arguments)
{
    QStringList items;
    qsizetype pos = 0;
    const qsizetype n = arguments.size();
    for (;;) {
        while (pos < n && IsBlank(arguments[pos]))
            ++pos;
        if (pos >= n)
            break;
        items.append(ReadItem(arguments, pos));
    }
    return items;
}

QStringList SplitCommandLine(const QString& commandLine)
{
    qsizetype start = 0;
    qsizetype end = commandLine.size();
    while (start < end && IsBlank(commandLine[start]))
        ++start;
    while (end > start && IsBlank(commandLine[end - 1]))
        --end;

    qsizetype firstBlank = start;
    while (firstBlank < end && !IsBlank(commandLine[firstBlank]))
        ++firstBlank;
    const bool firstUnquoted =
        !QStringView(commandLine).sliced(start, firstBlank - start).contains(u'"');

    if (firstUnquoted && firstBlank < end) {
        // Prefixes ending just before a blank, then the whole text, shortest first; none may
        // hold a quote, since a quote would make the rest a grouped item.
        for (qsizetype pos = firstBlank; pos <= end; ++pos) {
            if (pos < end && commandLine[pos] == u'"')
                break;
            const bool candidateEnd = pos == end || (IsBlank(commandLine[pos]) && !IsBlank(commandLine[pos - 1]));
            if (!candidateEnd)
                continue;
            const QString program = commandLine.mid(start, pos - start);
            if (NamesExistingFile(program)) {
                QStringList items{program};
                items.append(SplitCommandLineArguments(commandLine.mid(pos)));
                return items;
            }
        }
    }
    return SplitCommandLineArguments(commandLine);
}
