#include "TempProgramFolder.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

TempProgramFolder::TempProgramFolder(const QString& exeName) : FExeName(exeName)
{
    EXPECT_TRUE(FDir.isValid());
    SetExecutablePathOverride(ExePath());
}

TempProgramFolder::~TempProgramFolder()
{
    SetExecutablePathOverride(QString());
}

QString TempProgramFolder::Path() const
{
    return FDir.path() + QLatin1Char('/');
}

QString TempProgramFolder::File(const QString& name) const
{
    return Path() + name;
}

void TempProgramFolder::Write(const QString& name, const QByteArray& data) const
{
    const QString path = File(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray TempProgramFolder::Read(const QString& name) const
{
    QFile f(File(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
