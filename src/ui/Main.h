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
#include "Settings.h"

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
class TFolderReader;
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
    // `settings` (read from the settings file at creation, written back on change) must outlive
    // the window.
    explicit TFormMain(TSettings& settings, QWidget* parent = nullptr);
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
    // Adds full paths in their order, each file by AddFile and each folder as every audio file
    // under it (read on a worker thread while the status bar counts; later paths wait for it).
    void AddPaths(const QStringList& paths);
    // Whether a folder is being read, or paths wait behind one.
    bool ReadingFolder() const;
    // Adds every non-empty line of a dropped text as AddPaths does, in order.
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
    // A folder's files, read by m_folderReader: those not listed yet join the list.
    void AddEntries(const QList<TFileEntry>& entries);
    // Writes "No files" / "One file" / "%1 files" into the second status-bar panel, or the
    // running count while a folder is read.
    void UpdateFileCount();
    // In-list moving of the focused entry.
    void ListViewFilesDragOver(TEnhListView* Sender, QObject* Source, const QPoint& pos, bool& Accept);
    void ListViewFilesDragDrop(TEnhListView* Sender, QObject* Source, const QPoint& pos);
    // After a sort by a column header: the rows are in sorted order, the arrow shows it.
    void ListViewFilesSortFinished(TEnhListView* Sender, int Column, bool Ascending);

    // --- command handlers (the work of each command) ---
    void ActionChooseFilesExecute();
    void ActionAddFolderExecute();
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

    TSettings& m_settings;
    std::array<QAction*, mcCount> m_commands{};
    QActionGroup* m_toolbarDisplayGroup = nullptr;
    QMenu* m_popupMenuList = nullptr;    // right-click on the file list
    QMenu* m_popupMenuToolbar = nullptr; // right-click on the toolbar
    QToolBar* m_toolBar = nullptr;
    QLabel* m_statusPanelProduct = nullptr; // first panel: "Tonewright 1.2"
    QLabel* m_statusPanelCount = nullptr;   // second panel: the file count text
    TUOTextTarget* m_textTarget = nullptr;  // files dropped from the file manager onto the list
    TFolderReader* m_folderReader = nullptr; // the paths being added, folders read off this thread
    QMetaObject::Connection m_idleConnection;
    std::unique_ptr<IBatchUser> m_batchUser;
    // The rows of the running or last batch, by position in its list: a status reaches its row
    // wherever the row has gone since (rows removed since have an invalid index).
    QList<QPersistentModelIndex> m_batchRows;
    TRepaintThrottle* m_repaints = nullptr; // active while a batch runs
};
