#pragma once
// The main window's command table (the actions that menu entries, toolbar buttons and shortcuts
// mirror), its menus, the toolbar and the status bar, as TFormMain builds them. Main thread only.
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

struct TMainCommands {
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
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanelProduct = nullptr; // first panel: "Tonewright 1.2"
    QLabel* StatusPanelCount = nullptr;   // second panel: the file count text
};
