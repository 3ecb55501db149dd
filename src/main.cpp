// Tonewright: a desktop front-end for the BladeEnc MP3 encoder.
#include "Dialogs.h"
#include "Main.h"
#include "ResStr.h"
#include "WSocket.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ResStr::AppTitle);
    // Errors that escape a network event handler go to the program's error display.
    SetApplicationExceptionHandler([](std::exception_ptr error) { RunGuarded([&] { std::rethrow_exception(error); }); });
    TFormMain form;
    form.show();
    return QApplication::exec();
}
