// Tonewright: a desktop front-end for the BladeEnc MP3 encoder.
#include "AppPaths.h"
#include "Dialogs.h"
#include "Main.h"
#include "ResStr.h"
#include "SingleInstance.h"
#include "globals.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ResStr::AppTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("tonewright"));

    // Files given as arguments ("Open with", a terminal) join the list; a program already running
    // on the same settings file takes them instead.
    const QStringList files = FileArguments(QApplication::arguments().mid(1), QDir::currentPath());
    TSingleInstance instance(SettingsFilePath());
    if (!instance.Start(files))
        return 0;

    TFormMain form;
    instance.OnFiles = [&form](TSingleInstance*, const QStringList& handed) {
        RunGuarded([&] {
            for (const QString& file : handed)
                form.AddFile(file);
            form.MenuItemTrayShowClick(); // the window comes forward, also from the tray
        });
    };
    form.show();
    RunGuarded([&] {
        for (const QString& file : files)
            form.AddFile(file);
    });
    return QApplication::exec();
}
