#include "ProgramArguments.h"

#include "ResStr.h"

namespace {

// Qt's documented command-line options (QGuiApplication, QApplication and the X11 platform).
// Qt also accepts them with two dashes.
const QStringList QtOptionsWithValue = {
    QStringLiteral("platform"),        QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),          QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),    QStringLiteral("session"),            QStringLiteral("style"),
    QStringLiteral("stylesheet"),      QStringLiteral("display"),            QStringLiteral("geometry"),
};
const QStringList QtFlags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"), QStringLiteral("dograb"),
};
// Of those with a value, the ones Qt also takes as "-name=value".
const QStringList QtOptionsWithEquals = {QStringLiteral("style"), QStringLiteral("stylesheet")};

// The option's name without its dashes, or empty when `argument` is not written like one of Qt's.
QString QtOptionName(const QString& argument)
{
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals > 0 && QtOptionsWithEquals.contains(name.left(equals)))
        return name.left(equals);
    return QtOptionsWithValue.contains(name) || QtFlags.contains(name) ? name : QString();
}

TProgramArguments Refused(const QString& error)
{
    TProgramArguments result;
    result.Action = paRefused;
    result.Error = error;
    return result;
}

} // namespace

TProgramArguments ParseProgramArguments(const QStringList& arguments)
{
    TProgramArguments result;
    QString error;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            result.Files << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            result.Action = paHelp;
            return result;
        }
        if (argument == QLatin1String("--version")) {
            result.Action = paVersion;
            return result;
        }
        if (!error.isEmpty())
            continue; // the first fault is the one reported; a later --help still answers
        const QString name = QtOptionName(argument);
        if (name.isEmpty()) {
            error = ResStr::CommandLineUnknownOption.arg(argument);
        } else if (QtOptionsWithValue.contains(name) && !argument.contains(QLatin1Char('='))) {
            if (i + 1 == arguments.size())
                error = ResStr::CommandLineMissingValue.arg(argument);
            else
                result.QtOptions << argument << arguments[++i];
        } else {
            result.QtOptions << argument;
        }
    }
    return error.isEmpty() ? result : Refused(error);
}

QString ProgramHelpText()
{
    return ResStr::CommandLineHelp;
}

QString ProgramVersionText()
{
    return ResStr::CommandLineVersion.arg(ResStr::CurrentVersion);
}
