#include "TrayController.h"

#include "Dialogs.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "Progress.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

TTrayController::TTrayController(QWidget* main) : QObject(main), m_main(main)
{
    RxTrayIcon1 = new TRxTrayIcon(this);
    RxTrayIcon1->SetIcon(main->windowIcon().isNull() ? TRxTrayIcon::DefaultIcon() : main->windowIcon());
    RxTrayIcon1->SetHint(ResStr::TrayInitialHint);

    PopupMenuTray = new QMenu(main);
    MenuItemTrayShow = PopupMenuTray->addAction(ResStr::TrayShow);
    MenuItemTrayExit = PopupMenuTray->addAction(ResStr::TrayStopEncodingDesign);
    connect(MenuItemTrayShow, &QAction::triggered, this, Guarded([this](bool) { MenuItemTrayShowClick(); }));
    connect(MenuItemTrayExit, &QAction::triggered, this, Guarded([this](bool) { MenuItemTrayExitClick(); }));

    RxTrayIcon1->SetPopupMenu(PopupMenuTray);
    RxTrayIcon1->OnPopup = [this](TRxTrayIcon*) { RunGuarded([this] { PopupMenuTrayPopup(); }); };
    RxTrayIcon1->OnDblClick = [this](TRxTrayIcon*) { RunGuarded([this] { RxTrayIcon1DblClick(); }); };
}

void TTrayController::HideToTray()
{
    // With no notification area there would be no way back to the hidden windows.
    if (!TRxTrayIcon::Available())
        return;
    // The icon first: should it fail, the windows are still on screen.
    RxTrayIcon1->SetActive(true);
    if (TFormProgress* progress = Progress())
        progress->hide();
    m_main->hide();
}

void TTrayController::RxTrayIcon1DblClick()
{
    m_main->show();
    if (m_main->isMinimized())
        m_main->showNormal();
    TFormProgress* progress = Progress();
    if (progress && progress->InModalLoop()) {
        progress->show();
        progress->raise();
        progress->activateWindow();
    } else {
        m_main->raise();
        m_main->activateWindow();
    }
    RxTrayIcon1->SetActive(false);
}

void TTrayController::MenuItemTrayShowClick()
{
    RxTrayIcon1DblClick();
}

void TTrayController::PopupMenuTrayPopup()
{
    MenuItemTrayExit->setText(Progress() ? ResStr::TrayStopEncoding : ResStr::TrayExitProgram);
}

void TTrayController::MenuItemTrayExitClick()
{
    if (TFormProgress* progress = Progress()) {
        // The close request asks "Really abort encoding?" and, on Yes, ends the run with Cancel.
        progress->close();
        return;
    }
    // Ending the program from the tray: the icon leaves with the window, whose close ends the
    // program also while it is hidden.
    RxTrayIcon1->SetActive(false);
    m_main->close();
}
