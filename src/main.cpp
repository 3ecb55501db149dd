// Tonewright: a desktop front-end for the BladeEnc MP3 encoder.
#include "Main.h"
#include "ResStr.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ResStr::AppTitle);
    TFormMain form;
    form.show();
    return QApplication::exec();
}
