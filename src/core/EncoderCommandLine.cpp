#include "EncoderCommandLine.h"

#include "OutputPlan.h"

#include <QFile>
#include <QFileInfo>

QString BuildEncoderOptions(const TSettings& values)
{
    QString options = IsVbrLevel(values.Vbr) ? QStringLiteral(" -quit -VBR=") + QString::number(values.Vbr)
                                             : QStringLiteral(" -quit -") + QString::number(values.Bitrate);
    if (values.Mono)
        options += QStringLiteral(" -MONO");
    if (values.Crc)
        options += QStringLiteral(" -CRC");
    if (values.DeleteSource)
        options += QStringLiteral(" -DELETE");
    if (values.Mp3Flags & mfOriginal)
        options += QStringLiteral(" -ORIGINAL");
    if (values.Mp3Flags & mfCopy)
        options += QStringLiteral(" -COPY");
    if (values.Mp3Flags & mfPrivate)
        options += QStringLiteral(" -PRIVATE");
    if (values.Mp3Flags & mfCopyright)
        options += QStringLiteral(" -COPYRIGHT");
    static const char* const priorities[] = {"IDLE", "LOWEST", "LOWER", "NORMAL", "HIGHER", "HIGHEST"};
    if (values.Priority <= 5)
        options += QStringLiteral(" -PRIO=") + QLatin1String(priorities[values.Priority]);
    return options;
}

QString QuoteCommandLineArgument(const QString& argument)
{
    QString quoted;
    quoted.reserve(argument.size() + 2);
    quoted += QLatin1Char('"');
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            // 2n+1 backslashes before a quote give n backslashes and a literal quote.
            quoted += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            quoted += QLatin1Char('"');
        } else {
            quoted += QString(backslashes, QLatin1Char('\\'));
            quoted += c;
        }
        backslashes = 0;
    }
    // 2n backslashes before the closing quote give n backslashes and end the group.
    quoted += QString(backslashes * 2, QLatin1Char('\\'));
    quoted += QLatin1Char('"');
    return quoted;
}

namespace {
bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool NeedsQuotes(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (path.contains(QLatin1Char('"')) || IsBlank(path.front()) || IsBlank(path.back()))
        return true;
    for (qsizetype i = 1; i < path.size(); ++i) {
        if (IsBlank(path.at(i)) && !IsBlank(path.at(i - 1)) && QFileInfo(path.left(i)).isFile())
            return true;
    }
    return false;
}
} // namespace

QString EncoderPathItem(const QString& encoderPath)
{
    return NeedsQuotes(encoderPath) ? QuoteCommandLineArgument(encoderPath) : encoderPath;
}

QStringList EncoderFileArguments(const QStringList& files)
{
    return TOutputPlan(files, {}, false).Arguments();
}

QString BuildEncoderCommandLine(const QString& encoderPath, const QString& options, const QStringList& files)
{
    return BuildRunCommandLine(encoderPath, options, EncoderFileArguments(files));
}

QString BuildRunCommandLine(const QString& encoderPath, const QString& options, const QStringList& arguments)
{
    QString line = EncoderPathItem(encoderPath) + options;
    for (const QString& argument : arguments) {
        line += QLatin1Char(' ');
        line += QuoteCommandLineArgument(argument);
    }
    return line;
}

qint64 ArgumentCost(const QString& argument)
{
    return QFile::encodeName(argument).size() + 1 + qint64(sizeof(char*));
}

QList<QList<QStringList>> SplitIntoRuns(const QString& encoderPath, const QString& options, const QStringList& leading,
                                        const QList<QStringList>& groups, qint64 room)
{
    qint64 fixed = ArgumentCost(encoderPath);
    for (const QString& option : options.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        fixed += ArgumentCost(option);
    for (const QString& argument : leading)
        fixed += ArgumentCost(argument);
    fixed += qint64(sizeof(char*)); // the null pointer that ends the list

    QList<QList<QStringList>> runs;
    qint64 used = 0;
    for (const QStringList& group : groups) {
        qint64 cost = 0;
        for (const QString& argument : group)
            cost += ArgumentCost(argument);
        if (runs.isEmpty() || (!runs.last().isEmpty() && used + cost > room)) {
            runs.append(QList<QStringList>());
            used = fixed;
        }
        runs.last().append(group);
        used += cost;
    }
    return runs;
}
