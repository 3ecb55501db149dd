// Tonewright: a desktop front-end for the BladeEnc MP3 encoder.
#include "AppPaths.h"
#include "DesktopActivation.h"
#include "Dialogs.h"
#include "Main.h"
#include "ProgramArguments.h"
#include "ResStr.h"
#include "SingleInstance.h"
#include "TrayController.h"
#include "Translations.h"
#include "ExceptionHandler.h"
#include "Globals.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <utility>

#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    // Read before QApplication exists: --help and --version need no display, and a file name
    // never reaches Qt, which would take "-reverse" as its own option even after "--".
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    const TProgramArguments parsed = ParseProgramArguments(arguments);
    switch (parsed.Action) {
    case paHelp:
    case paVersion: {
        const QByteArray text = (parsed.Action == paHelp ? ProgramHelpText() : ProgramVersionText()).toLocal8Bit();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    case paRefused:
        std::fprintf(stderr, "%s\n", parsed.Error.toLocal8Bit().constData());
        return 2;
    case paStart:
        break;
    }
    std::vector<QByteArray> qtArgv{QByteArray(argv[0])};
    for (const QString& option : parsed.QtOptions)
        qtArgv.push_back(option.toLocal8Bit());
    std::vector<char*> qtArgvPointers;
    for (QByteArray& argument : qtArgv)
        qtArgvPointers.push_back(argument.data());
    qtArgvPointers.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgv.size());

    // Files given as arguments ("Open with", a terminal) join the list; a program already running
    // on the same settings file takes them instead. That hand-over comes before the application
    // object, which connects to the display: a later start needs none to hand its files over.
    const QStringList files = FileArguments(parsed.Files, QDir::currentPath());
    TSingleInstance instance(SettingsFilePath());
    if (!instance.Start(files, {qgetenv("DESKTOP_STARTUP_ID"), qgetenv("XDG_ACTIVATION_TOKEN")}))
        return 0;

    QApplication app(qtArgc, qtArgvPointers.data());
    QApplication::setApplicationName(ResStr::AppTitle);
    // The system locale's language when we have it (German), English otherwise.
    const TTranslations translations;
    // Errors that escape a network event handler go to the program's error display.
    SetApplicationExceptionHandler([](std::exception_ptr error) { RunGuarded([&] { std::rethrow_exception(error); }); });
    QGuiApplication::setDesktopFileName(QStringLiteral("tonewright"));

    TSettings settings; // the user's settings, read from the file by the main window
    TFormMain form(settings);
    QByteArray launch; // how the later start whose files come next was launched
    instance.OnActivate = [&launch](TSingleInstance*, const TLaunchActivation& a) { launch = a.StartupId; };
    instance.OnFiles = [&form, &launch](TSingleInstance*, const QStringList& handed) {
        RunGuarded([&] {
            form.AddPaths(handed);
            form.Tray->MenuItemTrayShowClick(); // the window comes forward, also from the tray
            ActivateForLaunch(&form, std::exchange(launch, {}));
        });
    };
    instance.AcceptHandOvers();
    form.show();
    RunGuarded([&] { form.AddPaths(files); });
    return QApplication::exec();
}
