#pragma once
// TTrayController: the main window's notification-area icon, shown only while the windows are
// hidden in the tray: hiding the program there during a batch, bringing it back, and the icon's
// menu. Main thread only.
#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TFormProgress;
class TRxTrayIcon;

class TTrayController : public QObject {
    Q_OBJECT

public:
    // Creates the icon (inactive, hint "Encoding in progress") and its menu for `main`.
    explicit TTrayController(QWidget* main);

    TRxTrayIcon* RxTrayIcon1 = nullptr;
    QMenu* PopupMenuTray = nullptr;
    QAction* MenuItemTrayShow = nullptr;
    QAction* MenuItemTrayExit = nullptr;
    // The running batch's progress window, or null when no batch runs.
    std::function<TFormProgress*()> ProgressWindow;

    // The progress window's tray button: hides the progress and main windows and shows the icon.
    // Does nothing where the desktop has no notification area (nothing could bring them back).
    void HideToTray();
    // Double click on the icon, and the menu's "Show": the windows come back and the icon goes.
    void RxTrayIcon1DblClick();
    void MenuItemTrayShowClick();
    // Just before the menu opens: "Stop encoding" while a batch runs, else "Exit Tonewright".
    void PopupMenuTrayPopup();
    // Closes the progress window as the user would (asking first), else the main window, whose
    // close ends the program also while it is hidden in the tray.
    void MenuItemTrayExitClick();

private:
    TFormProgress* Progress() const { return ProgressWindow ? ProgressWindow() : nullptr; }

    QWidget* m_main;
};
