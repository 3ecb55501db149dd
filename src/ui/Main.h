#pragma once
// The main window: the file list, the command table (actions), menus, toolbar and status bar.
// Main thread only. The batch run and the tray add their members in the marked blocks below.
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>

#include "FileList.h"

class QAction;
class QActionGroup;
class QCloseEvent;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QTreeWidgetItem;
class QUrl;
class TEnhListView;
class TWebFileInfo;
class TFormProgress;
class TRxTrayIcon;
class TGUI2Console;
class TOutputInterpreter;
class IProgressDisplay;

// The configuration of the main window's update check: the "tw-" tags of the product page,
// its options and formats (MainUpdate.cpp).
void ConfigureWebFileInfo1(TWebFileInfo& wfi);

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // --- command table: menu entries and toolbar buttons mirror these ---
    QAction* ActionChooseFiles = nullptr;
    QAction* ActionEncode = nullptr;
    QAction* ActionDelete = nullptr;
    QAction* ActionClearList = nullptr;
    QAction* ActionOptions = nullptr;
    QAction* ActionAbout = nullptr;
    QAction* ActionToolbar = nullptr;         // checkable: Qt inverts the check before the handler runs
    QAction* ActionToolbarIcons = nullptr;    // the three display modes form one exclusive group
    QAction* ActionToolbarCaptions = nullptr;
    QAction* ActionToolbarBoth = nullptr;
    QAction* ActionViewLog = nullptr;
    QActionGroup* ToolbarDisplayGroup = nullptr;

    // Menu entries that are not actions of the table.
    QAction* MenuOpenFilelist = nullptr;  // hidden
    QAction* MenuExit = nullptr;
    QAction* MenuQuickEncode = nullptr;   // hidden
    QAction* MenuContents = nullptr;      // hidden
    QAction* MenuKeywordSearch = nullptr; // hidden
    QAction* MenuCheckForUpdate = nullptr;
    QAction* MenuBladeEncHomepage = nullptr;
    QAction* MenuTonewrightHomepage = nullptr;

    QMenu* MenuFile = nullptr;
    QMenu* MenuEdit = nullptr;
    QMenu* MenuActions = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuViewToolbar = nullptr;
    QMenu* MenuViewDisplay = nullptr;
    QMenu* MenuHelp = nullptr;
    QMenu* PopupMenuList = nullptr;    // right-click on the file list
    QMenu* PopupMenuToolbar = nullptr; // right-click on the toolbar
    QMenu* PopupMenuToolbarDisplay = nullptr;

    QToolBar* ToolBar1 = nullptr;
    TEnhListView* ListViewFiles = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanelProduct = nullptr; // first panel: "Tonewright 1.2"
    QLabel* StatusPanelCount = nullptr;   // second panel: the file count text

    // Opens a URL in the user's browser; tests replace it.
    std::function<void(const QUrl&)> OpenUrl;
    // The update check of "Check for update".
    TWebFileInfo* WebFileInfo1 = nullptr;

    // --- start and close ---
    // Runs once from the constructor; an error in a step is shown and skips the remaining steps.
    void FormCreate();
    // Asked before the window closes; never refuses.
    void FormCloseQuery(bool& CanClose);

    // --- the file list ---
    // Appends one file by its full path unless it is listed already (name without regard to
    // case, folder exactly).
    void AddFile(const QString& path);
    // Writes "No files" / "One file" / "%1 files" into the second status-bar panel.
    void UpdateFileCount();
    // The list's entries in their order, and the number of them.
    QList<TFileEntry> FileEntries() const;
    int FileCount() const;
    // Adds every non-empty line of a dropped text as a file, in order.
    void UOTextTarget1Drop(QObject* Sender, const QString& dropText);

    // --- command handlers (the work of each command) ---
    void ActionChooseFilesExecute();
    void ActionDeleteExecute();
    void ActionClearListExecute();
    void ActionOptionsExecute();
    void ActionAboutExecute();
    void ActionToolbarExecute();
    void ActionToolbarIconsExecute();
    void ActionToolbarCaptionsExecute();
    void ActionToolbarBothExecute();
    void ExitClick();
    void CheckForUpdateClick();
    void BladeEncHomepageClick();
    void TonewrightHomepageClick();

    // The enabling rules: sets every command's enabled state. Runs whenever the event loop is
    // about to wait and once more before any command runs.
    void ActionList1Update();

    // In-list moving of the focused entry.
    void ListViewFilesDragOver(TEnhListView* Sender, QObject* Source, const QPoint& pos, bool& Accept);
    void ListViewFilesDragDrop(TEnhListView* Sender, QObject* Source, const QPoint& pos);

protected:
    void closeEvent(QCloseEvent* event) override;

    // Connects `action` so that it re-evaluates the enabling rules and then, when still
    // enabled, runs `handler` inside the default error display.
    void BindAction(QAction* action, void (TFormMain::*handler)());

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateList();
    void CreateStatusBar();
    void ApplyToolbarMode(int layout);
    void RebuildIndexIfStale();

    TFileListIndex m_index;
    bool m_indexStale = false;
    QMetaObject::Connection m_idleConnection;

public:
    // --- batch run: members defined in MainBatch.cpp ---
    // Runs the encoder once over the whole list and returns when the batch and the dialogs
    // after it are over.
    void ActionEncodeExecute();
    // Shows the run log of the last batch.
    void ActionViewLogExecute();
    // The encoder options (" -quit -<bitrate> ...") from the settings record.
    QString BuildEncoderOptions() const;
    // The runner's events, run on the main thread while the runner's worker waits.
    void GUI2Console1Line(TGUI2Console* Sender, const QByteArray& Line);
    void GUI2Console1Done(TGUI2Console* Sender);
    void GUI2Console1Error(TGUI2Console* Sender, const QString& Message);
    // Creates GUI2Console1 with the batch's settings and the output interpreter; once, when the
    // window is created.
    void CreateBatchRunner();

    TGUI2Console* GUI2Console1 = nullptr;
    // Reads the encoder's lines for the running batch (and keeps the progress throttle).
    TOutputInterpreter& OutputInterpreter() { return *m_outputInterpreter; }
    // Switches the computer off once the countdown has run out; tests replace it.
    std::function<void()> ShutdownComputer;

private:
    std::shared_ptr<TOutputInterpreter> m_outputInterpreter;
    std::shared_ptr<IProgressDisplay> m_progressDisplay;
    void ShowRunLog();
    void SaveRunLog();

public:
    // --- end of batch run block ---

public:
    // --- tray: members defined in MainTray.cpp ---
    // The notification-area icon, shown only while the windows are hidden in the tray, and its
    // menu. The batch run sets ProgressForm->OnTrayButtonClick to HideToTray when it creates the
    // window, and writes RxTrayIcon1's hint.
    TRxTrayIcon* RxTrayIcon1 = nullptr;
    QMenu* PopupMenuTray = nullptr;
    QAction* MenuItemTrayShow = nullptr;
    QAction* MenuItemTrayExit = nullptr;
    // The running batch's progress window; set and cleared by the batch run.
    TFormProgress* ProgressForm = nullptr;
    // Creates the icon (inactive, hint "Encoding in progress") and its menu; once, from the constructor.
    void CreateTray();
    // The progress window's tray button: hides the progress and main windows and shows the icon.
    // Does nothing where the desktop has no notification area (nothing could bring them back).
    void HideToTray();
    // Double click on the icon, and the menu's "Show": the windows come back and the icon goes.
    void RxTrayIcon1DblClick();
    void MenuItemTrayShowClick();
    // Just before the menu opens: "Stop encoding" while a batch runs, else "Exit Tonewright".
    void PopupMenuTrayPopup();
    // Closes the progress window as the user would (asking first), else the main window, which
    // ends the program also while the window is hidden in the tray.
    void MenuItemTrayExitClick();
    // Ends the application's event loop; tests replace it.
    std::function<void()> QuitApplication;
    // --- end of tray block ---
};
