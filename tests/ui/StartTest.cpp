// What program start does to the program folder.
#include "Main.h"
#include "ScriptedDialogs.h"
#include "TempProgramFolder.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <fcntl.h>

TEST(Start, RemovesTemporaryFilesThatAKilledSaveLeftBehind)
{
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    const QStringList old = {QStringLiteral(".tonewright.ini.Ab12Cd"), QStringLiteral(".Tonewright.log.x9Y8z7")};
    const QString young = QStringLiteral(".tonewright.ini.Young1");
    const timespec then{::time(nullptr) - 120, 0};
    const timespec times[2] = {then, then};
    for (const QString& name : old) {
        folder.Write(name, "half a save");
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder.File(name)).constData(), times, 0), 0);
    }
    folder.Write(young, "a save in progress");

    TSettings settings;
    auto main = std::make_unique<TFormMain>(settings);
    for (const QString& name : old)
        EXPECT_FALSE(QFileInfo::exists(folder.File(name))) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(folder.File(young)));
    EXPECT_TRUE(QFileInfo::exists(folder.File(QStringLiteral("tonewright.ini"))));
    main.reset();
}
