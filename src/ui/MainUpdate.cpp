#include "Main.h"

#include "AppPaths.h"
#include "WebFileInfo.h"

#include <QCoreApplication>

void ConfigureWebFileInfo1(TWebFileInfo& wfi)
{
    wfi.SetDateFormat(wfidNone);
    TWfiTags tags;
    tags.AuthorTag = QStringLiteral("tw-author");
    tags.AuthorEMailTag = QStringLiteral("tw-mail");
    tags.DateTag = QStringLiteral("tw-date");
    tags.DownloadTag = QStringLiteral("tw-url");
    tags.ProductNameTag = QStringLiteral("tw-name");
    tags.ReadMeTag = QStringLiteral("tw-readme");
    tags.RedirectTag = QStringLiteral("tw-redirect");
    tags.VersionTag = QStringLiteral("tw-version");
    tags.Sha256Tag = QStringLiteral("tw-sha256");
    wfi.SetInfoTags(tags);
    wfi.SetOptions({wfioDisplayUI, wfioDisplayReadMe, wfioExitDuringUpdate});
    wfi.SetVersionFormat(wfivBuildNumber);
    wfi.SetProxyHost(QString());
    wfi.SetInstalledFromPackage(IsInstalledProgramFolder(QCoreApplication::applicationDirPath()));
}
