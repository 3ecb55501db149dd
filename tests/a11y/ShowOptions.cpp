// Shows the options dialog loaded with 128 kbit/s and normal priority, until it is closed or
// killed, for a screen reader's view of it over the accessibility bus.
#include "Options.h"
#include "Settings.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TSettings settings;
    settings.BladeEncPath = QStringLiteral("/opt/enc/BladeEnc");
    settings.Bitrate = 128;
    settings.Priority = 3;
    TFormOptions dialog(nullptr);
    dialog.Load(settings);
    dialog.show();
    return app.exec();
}
