#pragma once
// The main window: the file list, and the actions, menus, toolbar and status bar it builds from
// its command table (MainCommands.h), whose handlers are its private members. The batch run
// (BatchRun.h) and the tray (TrayController.h) are classes of their own that it owns and
// connects. Main thread only.
#include <QList>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QString>

#include <array>
#include <functional>
#include <memory>

#include "FileList.h"
#include "MainCommands.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolBar;
class QCloseEvent;
class QUrl;
class TBatchRun;
class TEnhListView;
class TFileListModel;
class TRepaintThrottle;
class TUOTextTarget;
class TWebFileInfo;
class TGUI2Console;
class TTrayController;
class IBatchUser;

// The configuration of the main window's update check: the "tw-" tags of the product page,
// its options and formats (MainUpdate.cpp).
void ConfigureWebFileInfo1(TWebFileInfo& wfi);

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    TEnhListView* ListViewFiles = nullptr;
    TFileListModel* FileList = nullptr; // the rows ListViewFiles shows

    // Opens a URL in the user's browser; tests replace it.
    std::function<void(const QUrl&)> OpenUrl;
    // Ends the application's event loop once the main window's close has gone through: no other
    // window closing ends the program. Tests replace it.
    std::function<void()> QuitApplication;
    // The update check of "Check for update".
    TWebFileInfo* WebFileInfo1 = nullptr;
    // The batch run and the tray, each a class of its own.
    TTrayController* Tray = nullptr;
    TBatchRun* Batch = nullptr;

    // Appends one file by its full path unless it is listed already (the same path exactly).
    void AddFile(const QString& path);
    // The list's entries in their order, and the number of them.
    QList<TFileEntry> FileEntries() const;
    int FileCount() const;
    // Adds every non-empty line of a dropped text as a file, in order.
    void UOTextTarget1Drop(QObject* Sender, const QString& dropText);

    // The enabling rules: sets every command's enabled state. Runs whenever the event loop is
    // about to wait and once more before any command runs.
    void ActionList1Update();
    // The client width at which the list's columns fit without scrolling: the window's first
    // width is at least this.
    int WidthForColumns() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    // A new font resizes the status-bar panels.
    void changeEvent(QEvent* event) override;

private:
    // The command table's rows (MainCommands.h), in TMainCommand order.
    static QList<TMainCommandRow> CommandTable();
    QAction* Command(TMainCommand id) const { return m_commands[id]; }
    // Connects `action` so that it re-evaluates the enabling rules and then, when still
    // enabled, runs `handler` inside the default error display.
    void BindAction(QAction* action, void (TFormMain::*handler)());
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateList();
    void CreateStatusBar();
    void FitStatusPanels();
    void ApplyToolbarMode(int layout);

    // Runs once from the constructor; an error in a step is shown and skips the remaining steps.
    void FormCreate();
    // Asked before the window closes; never refuses.
    void FormCloseQuery(bool& CanClose);

    // --- the file list: members defined in MainFileList.cpp ---
    // Removes the rows of these full paths.
    void RemoveFiles(const QStringList& paths);
    // Writes "No files" / "One file" / "%1 files" into the second status-bar panel.
    void UpdateFileCount();
    // In-list moving of the focused entry.
    void ListViewFilesDragOver(TEnhListView* Sender, QObject* Source, const QPoint& pos, bool& Accept);
    void ListViewFilesDragDrop(TEnhListView* Sender, QObject* Source, const QPoint& pos);
    // After a sort by a column header: the rows are in sorted order, the arrow shows it.
    void ListViewFilesSortFinished(TEnhListView* Sender, int Column, bool Ascending);

    // --- command handlers (the work of each command) ---
    void ActionChooseFilesExecute();
    void ActionDeleteExecute();
    void ActionClearListExecute();
    void ActionClearFinishedExecute();
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
    // The batch run's handlers, by the names the rules give them; each forwards to Batch.
    void ActionEncodeExecute();
    void ActionViewLogExecute();
    void GUI2Console1Line(TGUI2Console* Sender, const QByteArray& Line);
    void GUI2Console1Done(TGUI2Console* Sender);
    void GUI2Console1Error(TGUI2Console* Sender, const QString& Message);

    std::array<QAction*, mcCount> m_commands{};
    QActionGroup* m_toolbarDisplayGroup = nullptr;
    QMenu* m_popupMenuList = nullptr;    // right-click on the file list
    QMenu* m_popupMenuToolbar = nullptr; // right-click on the toolbar
    QToolBar* m_toolBar = nullptr;
    QLabel* m_statusPanelProduct = nullptr; // first panel: "Tonewright 1.2"
    QLabel* m_statusPanelCount = nullptr;   // second panel: the file count text
    TUOTextTarget* m_textTarget = nullptr;  // files dropped from the file manager onto the list
    QMetaObject::Connection m_idleConnection;
    std::unique_ptr<IBatchUser> m_batchUser;
    // The rows of the running or last batch, by position in its list: a status reaches its row
    // wherever the row has gone since (rows removed since have an invalid index).
    QList<QPersistentModelIndex> m_batchRows;
    TRepaintThrottle* m_repaints = nullptr; // active while a batch runs
};
