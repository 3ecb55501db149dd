#include "BatchEndNotice.h"

#include "Dialogs.h"
#include "ResStr.h"

QString BatchEndTrayMessage(bool hiddenInTray, int progressResult, bool errorOccurred)
{
    if (!hiddenInTray || progressResult == IDCANCEL)
        return {};
    return errorOccurred ? ResStr::TrayBatchFinishedWithErrors : ResStr::TrayBatchFinished;
}
