#include "Main.h"

#include "AppPaths.h"
#include "WebFileInfo.h"

#include <QCoreApplication>

void ConfigureWebFileInfo1(TWebFileInfo& wfi)
{
    wfi.SetDateFormat(wfidNone);
    wfi.SetInfoTags(TonewrightPageTags());
    wfi.SetOptions({wfioDisplayUI, wfioDisplayReadMe, wfioExitDuringUpdate});
    wfi.SetVersionFormat(wfivBuildNumber);
    wfi.SetProxyHost(QString());
    wfi.SetInstalledFromPackage(IsInstalledProgramFolder(QCoreApplication::applicationDirPath()));
}
