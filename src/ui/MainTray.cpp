// The main window's notification-area icon: hiding the program in the tray while a batch runs,
// bringing it back, and the icon's menu.
#include "Main.h"

#include "Dialogs.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "progress.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

void TFormMain::CreateTray()
{
    QuitApplication = [] { QCoreApplication::quit(); };
    RxTrayIcon1 = new TRxTrayIcon(this);
    RxTrayIcon1->SetIcon(windowIcon().isNull() ? TRxTrayIcon::DefaultIcon() : windowIcon());
    RxTrayIcon1->SetHint(ResStr::TrayInitialHint);

    PopupMenuTray = new QMenu(this);
    MenuItemTrayShow = PopupMenuTray->addAction(ResStr::TrayShow);
    MenuItemTrayExit = PopupMenuTray->addAction(ResStr::TrayStopEncodingDesign);
    connect(MenuItemTrayShow, &QAction::triggered, this, Guarded([this](bool) { MenuItemTrayShowClick(); }));
    connect(MenuItemTrayExit, &QAction::triggered, this, Guarded([this](bool) { MenuItemTrayExitClick(); }));

    RxTrayIcon1->SetPopupMenu(PopupMenuTray);
    RxTrayIcon1->OnPopup = [this](TRxTrayIcon*) { RunGuarded([this] { PopupMenuTrayPopup(); }); };
    RxTrayIcon1->OnDblClick = [this](TRxTrayIcon*) { RunGuarded([this] { RxTrayIcon1DblClick(); }); };
}

void TFormMain::HideToTray()
{
    // With no notification area there would be no way back to the hidden windows.
    if (!TRxTrayIcon::Available())
        return;
    // The icon first: should it fail, the windows are still on screen.
    RxTrayIcon1->SetActive(true);
    if (ProgressForm)
        ProgressForm->hide();
    hide();
}

void TFormMain::RxTrayIcon1DblClick()
{
    show();
    if (isMinimized())
        showNormal();
    if (ProgressForm && ProgressForm->InModalLoop()) {
        ProgressForm->show();
        ProgressForm->raise();
        ProgressForm->activateWindow();
    } else {
        raise();
        activateWindow();
    }
    RxTrayIcon1->SetActive(false);
}

void TFormMain::MenuItemTrayShowClick()
{
    RxTrayIcon1DblClick();
}

void TFormMain::PopupMenuTrayPopup()
{
    MenuItemTrayExit->setText(ProgressForm ? ResStr::TrayStopEncoding : ResStr::TrayExitProgram);
}

void TFormMain::MenuItemTrayExitClick()
{
    if (ProgressForm) {
        // The close request asks "Really abort encoding?" and, on Yes, ends the run with Cancel.
        ProgressForm->close();
        return;
    }
    // Ending the program from the tray: the icon leaves with the window, whose close ends the
    // program also while it is hidden.
    RxTrayIcon1->SetActive(false);
    close();
}
