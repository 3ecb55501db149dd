// Tonewright: a desktop front-end for the BladeEnc MP3 encoder.
#include "AppPaths.h"
#include "DesktopActivation.h"
#include "Dialogs.h"
#include "Main.h"
#include "ResStr.h"
#include "SingleInstance.h"
#include "TrayController.h"
#include "WSocket.h"
#include "globals.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <utility>

int main(int argc, char* argv[])
{
    // Files given as arguments ("Open with", a terminal) join the list; a program already running
    // on the same settings file takes them instead. That hand-over comes before the application
    // object, which connects to the display: a later start needs none to hand its files over.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    const QStringList files = FileArguments(arguments, QDir::currentPath());
    TSingleInstance instance(SettingsFilePath());
    if (!instance.Start(files, {qgetenv("DESKTOP_STARTUP_ID"), qgetenv("XDG_ACTIVATION_TOKEN")}))
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(ResStr::AppTitle);
    // Errors that escape a network event handler go to the program's error display.
    SetApplicationExceptionHandler([](std::exception_ptr error) { RunGuarded([&] { std::rethrow_exception(error); }); });
    QGuiApplication::setDesktopFileName(QStringLiteral("tonewright"));

    TFormMain form;
    QByteArray launch; // how the later start whose files come next was launched
    instance.OnActivate = [&launch](TSingleInstance*, const TLaunchActivation& a) { launch = a.StartupId; };
    instance.OnFiles = [&form, &launch](TSingleInstance*, const QStringList& handed) {
        RunGuarded([&] {
            for (const QString& file : handed)
                form.AddFile(file);
            form.Tray->MenuItemTrayShowClick(); // the window comes forward, also from the tray
            ActivateForLaunch(&form, std::exchange(launch, {}));
        });
    };
    instance.AcceptHandOvers();
    form.show();
    RunGuarded([&] {
        for (const QString& file : files)
            form.AddFile(file);
    });
    return QApplication::exec();
}
