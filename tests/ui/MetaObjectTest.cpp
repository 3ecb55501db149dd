// Every QObject class of the program carries its own meta-object (Q_OBJECT): without it,
// qobject_cast and findChildren<T*> take any object of its base class for one of these.
#include "About.h"
#include "BatchRun.h"
#include "ConsoleHandOver.h"
#include "ConsoleIO.h"
#include "DownloadFile.h"
#include "EnhListView.h"
#include "FileListModel.h"
#include "HttpProt.h"
#include "Log.h"
#include "Main.h"
#include "Options.h"
#include "Progress.h"
#include "RxSlider.h"
#include "RxTrayIcon.h"
#include "Shutdown.h"
#include "SingleInstance.h"
#include "SleepInhibitor.h"
#include "TitleBarButton.h"
#include "TrayController.h"
#include "UOTextTarget.h"
#include "UpdateWindows.h"
#include "WSocket.h"
#include "WebFileInfo.h"

#include <gtest/gtest.h>

#define TW_META(T) {&T::staticMetaObject, #T}

TEST(MetaObjects, EveryQObjectClassNamesItself)
{
    const struct {
        const QMetaObject* meta;
        const char* name;
    } classes[] = {
        TW_META(TBatchRun),        TW_META(TCustomWSocket),   TW_META(TDownloadFile),   TW_META(TEnhListView),
        TW_META(TFileListModel),   TW_META(TFormAbout),       TW_META(TFormLog),        TW_META(TFormMain),
        TW_META(TFormOptions),     TW_META(TFormProgress),    TW_META(TFormShutdown),   TW_META(TGUI2Console),
        TW_META(TGrowingDialog),   TW_META(THttpCli),         TW_META(ConsoleIODetail::HandOverQueue),   TW_META(TListViewDragData),
        TW_META(TRxSlider),        TW_META(TRxTrayIcon),      TW_META(TSecretPanel),    TW_META(TSingleInstance),
        TW_META(TSleepInhibitor),  TW_META(TTitleBarButton),  TW_META(TTrayController), TW_META(TUOTextTarget),
        TW_META(TWSocket),         TW_META(TWebDlProgress),   TW_META(TWebFileInfo),    TW_META(TWebReadMeWindow),
        TW_META(TWebWaitWindow),
    };
    for (const auto& c : classes)
        EXPECT_STREQ(c.meta->className(), c.name);
}
