// A program that starts like Tonewright and ends as soon as its main window is on screen, for
// the start-up benchmark. "bare": an empty QMainWindow (the floor Qt itself sets); "main": the
// program's main window with the translations of LANGUAGE's locale, as the program loads them.
#include "Main.h"

#if __has_include("Translations.h")
#include "Translations.h"
#endif

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <cstring>
#include <memory>

int main(int argc, char* argv[])
{
    const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
    QApplication app(argc, argv);
    TSettings settings;  // read from the file by the main window
    std::unique_ptr<QMainWindow> window;
    if (bare) {
        window = std::make_unique<QMainWindow>();
    } else {
#if __has_include("Translations.h")
        static const TTranslations translations;
#endif
        window = std::make_unique<TFormMain>(settings);
    }
    window->show();
    // Ends once the events queued by showing the window (the first paint among them) are done.
    QTimer::singleShot(0, &app, [] { QCoreApplication::quit(); });
    return QApplication::exec();
}
