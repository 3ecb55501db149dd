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

namespace {
bool EndsInMp3(const QString& path)
{
    return path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
}
} // namespace

QStringList EncoderFileArguments(const QStringList& files)
{
    QStringList arguments;
    for (qsizetype i = 0; i < files.size(); ++i) {
        arguments << files.at(i);
        if (i + 1 < files.size() && EndsInMp3(files.at(i + 1)))
            arguments << Mp3PathFor(files.at(i));
    }
    return arguments;
}

QString BuildEncoderCommandLine(const QString& encoderPath, const QString& options, const QStringList& files)
{
    QString line = EncoderPathItem(encoderPath) + options;
    for (const QString& file : EncoderFileArguments(files)) {
        line += QLatin1Char(' ');
        line += QuoteCommandLineArgument(file);
    }
    return line;
}

qint64 ArgumentCost(const QString& argument)
{
    return QFile::encodeName(argument).size() + 1 + qint64(sizeof(char*));
}

QList<QStringList> SplitIntoRuns(const QString& encoderPath, const QString& options, const QStringList& files,
                                 qint64 room)
{
    qint64 fixed = ArgumentCost(encoderPath);
    for (const QString& option : options.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        fixed += ArgumentCost(option);
    fixed += qint64(sizeof(char*)); // the null pointer that ends the list

    QList<QStringList> runs;
    qint64 used = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& file = files.at(i);
        // With the MP3 named for it when a listed MP3 follows (an over-estimate at a run's end).
        const qint64 cost = ArgumentCost(file)
                            + (i + 1 < files.size() && EndsInMp3(files.at(i + 1)) ? ArgumentCost(Mp3PathFor(file)) : 0);
        if (runs.isEmpty() || (!runs.last().isEmpty() && used + cost > room)) {
            runs.append(QStringList());
            used = fixed;
        }
        runs.last().append(file);
        used += cost;
    }
    return runs;
}
