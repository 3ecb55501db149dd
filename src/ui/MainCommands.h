#pragma once
// The main window's command table: one row per command (the menu entries, toolbar buttons and
// shortcuts that mirror it): its object name, caption, hint, shortcut, image and handler.
// TFormMain builds its actions from it. Main thread only.
#include <QKeySequence>
#include <QString>

class TFormMain;

enum TMainCommand {
    mcChooseFiles,
    mcAddFolder,
    mcEncode,
    mcDelete,
    mcClearList,
    mcClearFinished,
    mcOptions,
    mcAbout,
    mcToolbar,         // checkable: Qt inverts the check before the handler runs
    mcToolbarIcons,    // the three display modes form one exclusive group
    mcToolbarCaptions,
    mcToolbarBoth,
    mcViewLog,
    mcOpenFilelist,    // hidden
    mcExit,
    mcQuickEncode,     // hidden
    mcContents,        // hidden
    mcKeywordSearch,   // hidden
    mcCheckForUpdate,
    mcBladeEncHomepage,
    mcTonewrightHomepage,
    mcCount
};

enum TCommandKind : unsigned char {
    ckPlain,
    ckCheckable,    // on/off, checked at start
    ckDisplayMode,  // one of the toolbar's exclusive display modes
    ckHidden,       // kept in its menu, never shown
};

struct TMainCommandRow {
    TMainCommand Id;
    const char* ObjectName; // what tests find with findChild<QAction*>
    QString Caption;
    QString Hint;
    QKeySequence Shortcut;
    int Image;              // a TMainImage, or -1 for none
    TCommandKind Kind;
    void (TFormMain::*Handler)(); // null: no work of its own
};
