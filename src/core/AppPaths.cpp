#include "AppPaths.h"

#include <QCoreApplication>

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
