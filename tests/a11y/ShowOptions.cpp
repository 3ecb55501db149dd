// Shows the options dialog loaded with 128 kbit/s and normal priority, until it is closed or
// killed, for a screen reader's view of it over the accessibility bus.
#include "Globals.h"
#include "Options.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    GlobalVars.BladeEncPath = QStringLiteral("/opt/enc/BladeEnc");
    GlobalVars.Bitrate = 128;
    GlobalVars.Priority = 3;
    TFormOptions dialog(nullptr);
    dialog.Load();
    dialog.show();
    return app.exec();
}
