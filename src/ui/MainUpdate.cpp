#include "Main.h"

#include "WebFileInfo.h"

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
    wfi.SetInfoTags(tags);
    wfi.SetOptions({wfioDisplayUI, wfioDisplayReadMe, wfioExitDuringUpdate});
    wfi.SetUIFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    wfi.SetVersionFormat(wfivBuildNumber);
    wfi.SetProxyHost(QString());
}
