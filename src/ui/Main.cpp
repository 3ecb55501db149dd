#include "Main.h"

#include "AtomicFile.h"
#include "BatchRun.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EnhListView.h"
#include "FileListModel.h"
#include "LogFile.h"
#include "MainFileList.h"
#include "MainImages.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "TrayController.h"
#include "WebFileInfo.h"
#include "About.h"
#include "Globals.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>

namespace {
const QString SectionToolbar = QStringLiteral("Toolbar");
const QString KeyLayout = QStringLiteral("Layout");
const QString KeyVisible = QStringLiteral("Visible");

QAction* NewAction(QObject* owner, const QString& caption, const QString& hint)
{
    auto* action = new QAction(caption, owner);
    action->setToolTip(hint);
    return action;
}
} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    // Only Exit ends the program (closeEvent): a message box or any other window closing while
    // this one is hidden in the tray would otherwise count as the last window and quit.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    // The program's picture in the title bar and the task bar, for every window of the program,
    // also a message box shown while none is active and so without an owner; the tray icon shows
    // the same one.
    if (QGuiApplication::windowIcon().isNull())
        QGuiApplication::setWindowIcon(TRxTrayIcon::DefaultIcon());

    CreateActions();
    CreateList();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    setMinimumSize(100, 100);
    // 536 x 374 with the frame, wider when the running font's columns need it, centred on the
    // screen by the frame, as the other windows are centred over this one.
    const QScreen* s = screen();
    PlaceOnScreen(this, QSize(std::max(536, WidthForColumns()), 374), s ? s->availableGeometry() : QRect());
    ListViewFiles->setFocus();

    // The enabling rules follow the data whenever the event loop is about to wait for input.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        m_idleConnection = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                   [this] { ActionList1Update(); });
    ActionList1Update();

    QuitApplication = [] { QCoreApplication::quit(); };
    Tray = new TTrayController(this);
    m_batchUser = std::make_unique<TBatchWindows>(this, *Tray);
    Batch = new TBatchRun(this, *m_batchUser);
    Tray->ProgressWindow = [this] { return Batch->ProgressForm; };
    // A handler's failure goes back to the runner, which reports it through OnError: the line
    // handler needs no error display of its own. The end and error handlers cannot hand a failure
    // on, so they run inside the default error display.
    TGUI2Console* runner = Batch->GUI2Console1;
    runner->OnLine = [this](TGUI2Console* sender, const QByteArray& line) { GUI2Console1Line(sender, line); };
    runner->OnDone = Guarded([this](TGUI2Console* sender) { GUI2Console1Done(sender); });
    runner->OnError = Guarded([this](TGUI2Console* sender, const QString& message) { GUI2Console1Error(sender, message); });
    WebFileInfo1 = new TWebFileInfo(this);
    ConfigureWebFileInfo1(*WebFileInfo1);
    WebFileInfo1->OpenUrl = [this](const QUrl& url) {
        if (OpenUrl)
            OpenUrl(url);
    };
    FormCreate();
}

TFormMain::~TFormMain()
{
    disconnect(m_idleConnection);
    // The rows are destroyed after this window's members are gone: their notifications must
    // no longer reach the count panel.
    if (FileList)
        disconnect(FileList, nullptr, this, nullptr);
}

void TFormMain::BindAction(QAction* action, void (TFormMain::*handler)())
{
    connect(action, &QAction::triggered, this, [this, action, handler] {
        RunGuarded([&] {
            ActionList1Update();
            if (!action->isEnabled())
                return;
            (this->*handler)();
        });
    });
}

void TFormMain::CreateActions()
{
    ActionChooseFiles = NewAction(this, ResStr::ActionChooseFilesCaption, ResStr::ActionChooseFilesHint);
    ActionChooseFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ActionChooseFiles->setIcon(MainImage(miChooseFiles));

    ActionEncode = NewAction(this, ResStr::ActionEncodeCaption, ResStr::ActionEncodeHint);
    ActionEncode->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    ActionEncode->setIcon(MainImage(miEncode));

    ActionDelete = NewAction(this, ResStr::ActionDeleteCaption, ResStr::ActionDeleteHint);
    ActionDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    ActionDelete->setIcon(MainImage(miDelete));

    ActionClearList = NewAction(this, ResStr::ActionClearListCaption, ResStr::ActionClearListHint);
    ActionClearList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    ActionClearList->setIcon(MainImage(miClearList));

    ActionOptions = NewAction(this, ResStr::ActionOptionsCaption, ResStr::ActionOptionsHint);
    ActionOptions->setIcon(MainImage(miOptions));

    ActionAbout = NewAction(this, ResStr::ActionAboutCaption, ResStr::ActionAboutHint);
    ActionAbout->setIcon(MainImage(miAbout));

    ActionToolbar = NewAction(this, ResStr::ActionToolbarCaption, ResStr::ActionToolbarHint);
    ActionToolbar->setCheckable(true);
    ActionToolbar->setChecked(true);

    ToolbarDisplayGroup = new QActionGroup(this);
    ToolbarDisplayGroup->setExclusive(true);
    ActionToolbarIcons = NewAction(this, ResStr::ActionToolbarIconsCaption, ResStr::ActionToolbarIconsHint);
    ActionToolbarCaptions = NewAction(this, ResStr::ActionToolbarCaptionsCaption, ResStr::ActionToolbarCaptionsHint);
    ActionToolbarBoth = NewAction(this, ResStr::ActionToolbarBothCaption, ResStr::ActionToolbarBothHint);
    for (QAction* a : {ActionToolbarIcons, ActionToolbarCaptions, ActionToolbarBoth}) {
        a->setCheckable(true);
        ToolbarDisplayGroup->addAction(a);
    }
    ActionToolbarIcons->setChecked(true);

    ActionViewLog = NewAction(this, ResStr::ActionViewLogCaption, ResStr::ActionViewLogHint);

    MenuOpenFilelist = NewAction(this, ResStr::MenuOpenFilelistCaption, QString());
    MenuOpenFilelist->setVisible(false);
    MenuExit = NewAction(this, ResStr::MenuExitCaption, QString());
    // Spelled out: QKeySequence::Quit is empty under a Windows-style key scheme (Qt's fallback theme).
    MenuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    MenuQuickEncode = NewAction(this, ResStr::MenuQuickEncodeCaption, QString());
    MenuQuickEncode->setVisible(false);
    MenuContents = NewAction(this, ResStr::MenuContentsCaption, QString());
    MenuContents->setVisible(false);
    MenuKeywordSearch = NewAction(this, ResStr::MenuKeywordSearchCaption, QString());
    MenuKeywordSearch->setVisible(false);
    MenuCheckForUpdate = NewAction(this, ResStr::MenuCheckForUpdateCaption, QString());
    MenuBladeEncHomepage = NewAction(this, ResStr::MenuBladeEncHomepageCaption, QString());
    MenuTonewrightHomepage = NewAction(this, ResStr::MenuTonewrightHomepageCaption, QString());

    BindAction(ActionChooseFiles, &TFormMain::ActionChooseFilesExecute);
    BindAction(ActionEncode, &TFormMain::ActionEncodeExecute);
    BindAction(ActionDelete, &TFormMain::ActionDeleteExecute);
    BindAction(ActionClearList, &TFormMain::ActionClearListExecute);
    BindAction(ActionOptions, &TFormMain::ActionOptionsExecute);
    BindAction(ActionAbout, &TFormMain::ActionAboutExecute);
    BindAction(ActionToolbar, &TFormMain::ActionToolbarExecute);
    BindAction(ActionToolbarIcons, &TFormMain::ActionToolbarIconsExecute);
    BindAction(ActionToolbarCaptions, &TFormMain::ActionToolbarCaptionsExecute);
    BindAction(ActionToolbarBoth, &TFormMain::ActionToolbarBothExecute);
    BindAction(ActionViewLog, &TFormMain::ActionViewLogExecute);
    BindAction(MenuExit, &TFormMain::ExitClick);
    BindAction(MenuCheckForUpdate, &TFormMain::CheckForUpdateClick);
    BindAction(MenuBladeEncHomepage, &TFormMain::BladeEncHomepageClick);
    BindAction(MenuTonewrightHomepage, &TFormMain::TonewrightHomepageClick);

    // Shortcuts work while this window is active, also with the toolbar hidden.
    addActions({ActionChooseFiles, ActionEncode, ActionDelete, ActionClearList, ActionOptions, ActionAbout,
                ActionToolbar, ActionToolbarIcons, ActionToolbarCaptions, ActionToolbarBoth, ActionViewLog,
                MenuExit});
}

void TFormMain::CreateMenus()
{
    QMenuBar* bar = menuBar();

    MenuFile = bar->addMenu(ResStr::MenuFileCaption);
    MenuFile->addAction(ActionChooseFiles);
    MenuFile->addAction(MenuOpenFilelist);
    MenuFile->addSeparator();
    MenuFile->addAction(MenuExit);

    MenuEdit = bar->addMenu(ResStr::MenuEditCaption);
    MenuEdit->addAction(ActionDelete);
    MenuEdit->addAction(ActionClearList);
    MenuEdit->addSeparator();
    MenuEdit->addAction(ActionOptions);

    MenuActions = bar->addMenu(ResStr::MenuActionsCaption);
    MenuActions->addAction(MenuQuickEncode);
    MenuActions->addAction(ActionEncode);

    MenuView = bar->addMenu(ResStr::MenuViewCaption);
    MenuViewToolbar = MenuView->addMenu(ResStr::MenuToolbarCaption);
    MenuViewToolbar->addAction(ActionToolbar);
    MenuViewDisplay = MenuViewToolbar->addMenu(ResStr::MenuDisplayCaption);
    MenuViewDisplay->addActions(ToolbarDisplayGroup->actions());
    MenuView->addAction(ActionViewLog);

    MenuHelp = bar->addMenu(ResStr::MenuHelpCaption);
    MenuHelp->addAction(MenuContents);
    MenuHelp->addAction(MenuKeywordSearch);
    MenuHelp->addSeparator()->setVisible(false);
    MenuHelp->addAction(MenuCheckForUpdate);
    MenuHelp->addSeparator();
    MenuHelp->addAction(MenuBladeEncHomepage);
    MenuHelp->addAction(MenuTonewrightHomepage);
    MenuHelp->addSeparator();
    MenuHelp->addAction(ActionAbout);

    PopupMenuList = new QMenu(this);
    PopupMenuList->addAction(ActionChooseFiles);
    PopupMenuList->addSeparator();
    PopupMenuList->addAction(ActionDelete);
    PopupMenuList->addAction(ActionClearList);
    PopupMenuList->addSeparator();
    PopupMenuList->addAction(ActionEncode);
    PopupMenuList->addAction(ActionOptions);

    PopupMenuToolbar = new QMenu(this);
    PopupMenuToolbar->addAction(ActionToolbar);
    PopupMenuToolbarDisplay = PopupMenuToolbar->addMenu(ResStr::MenuDisplayCaption);
    PopupMenuToolbarDisplay->addActions(ToolbarDisplayGroup->actions());

    for (QMenu* menu : {MenuFile, MenuEdit, MenuActions, MenuView, MenuViewToolbar, MenuViewDisplay, MenuHelp,
                        PopupMenuList, PopupMenuToolbar, PopupMenuToolbarDisplay})
        connect(menu, &QMenu::aboutToShow, this, [this] { ActionList1Update(); });
}

void TFormMain::CreateToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionChooseFiles);
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionEncode);
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionDelete);
    ToolBar1->addAction(ActionClearList);
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionOptions);
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActionAbout);

    ToolBar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ToolBar1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenuToolbar->popup(ToolBar1->mapToGlobal(pos)); });
    // The design state: pictures without captions.
    ApplyToolbarMode(1);
}

void TFormMain::CreateStatusBar()
{
    StatusBar1 = statusBar();
    StatusPanelProduct = new QLabel(StatusBar1);
    StatusPanelCount = new QLabel(StatusBar1);
    StatusBar1->addWidget(StatusPanelProduct);
    StatusBar1->addWidget(StatusPanelCount);
    FitStatusPanels();
}

void TFormMain::FitStatusPanels()
{
    // The designed widths, wider where the running font needs it for the panels' texts.
    StatusPanelProduct->setFixedWidth(StatusPanelWidth(StatusPanelProduct, 100, {ResStr::ProductCaption}));
    StatusPanelCount->setMinimumWidth(
        StatusPanelWidth(StatusPanelCount, 50, {ResStr::NoFiles, ResStr::OneFile, ResStr::SomeFiles.arg(99999)}));
}

void TFormMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange && StatusPanelProduct)
        FitStatusPanels();
}

void TFormMain::FormCreate()
{
    RunGuarded([this] {
        setWindowTitle(ResStr::ProductCaption);
        FileList->Clear();
        StatusPanelProduct->setText(ResStr::ProductCaption);
        UpdateFileCount();

        // What a kill in the middle of a save left behind.
        RemoveStaleTemporaryFiles(SettingsFilePath());
        RemoveStaleTemporaryFiles(LogFilePath());
        SetDefaultSettings();
        LoadSettings();

        GlobalVars.Log = LoadLogFile(LogFilePath());

        switch (ReadIniInteger(SectionToolbar, KeyLayout, 3)) {
        case 1: ActionToolbarIcons->setChecked(true); ActionToolbarIconsExecute(); break;
        case 2: ActionToolbarCaptions->setChecked(true); ActionToolbarCaptionsExecute(); break;
        case 3: ActionToolbarBoth->setChecked(true); ActionToolbarBothExecute(); break;
        default: break;
        }
        const bool visible = ReadIniBool(SectionToolbar, KeyVisible, true);
        ActionToolbar->setChecked(visible);
        ToolBar1->setVisible(visible);
    });
    ActionList1Update();
}

void TFormMain::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    Batch->GUI2Console1->Stop();
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    RunGuarded([&] { FormCloseQuery(canClose); });
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    if (QuitApplication)
        QuitApplication();
}

void TFormMain::ActionEncodeExecute()
{
    QStringList files;
    for (const TFileEntry& entry : FileEntries())
        files << entry.FullPath();
    // Also when a step after the run fails: a deleted source listed on would fail the next batch.
    const auto dropDeleted = qScopeGuard([this] { RemoveFiles(Batch->DeletedSources()); });
    Batch->Execute(files);
}

void TFormMain::ActionViewLogExecute()
{
    Batch->ViewLog();
}

void TFormMain::GUI2Console1Line(TGUI2Console* Sender, const QByteArray& Line)
{
    Batch->Line(Sender, Line);
}

void TFormMain::GUI2Console1Done(TGUI2Console* Sender)
{
    Batch->Done(Sender);
}

void TFormMain::GUI2Console1Error(TGUI2Console* Sender, const QString& Message)
{
    Batch->Error(Sender, Message);
}

void TFormMain::ActionAboutExecute()
{
    TFormAbout about(this);
    CenterOverOwner(&about, this);
    about.exec();
}

void TFormMain::ApplyToolbarMode(int layout)
{
    const Qt::ToolButtonStyle style = layout == 1   ? Qt::ToolButtonIconOnly
                                      : layout == 2 ? Qt::ToolButtonTextOnly
                                                    : Qt::ToolButtonTextUnderIcon;
    ToolBar1->setToolButtonStyle(style);
    for (QAction* action : ToolBar1->actions()) {
        auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action));
        if (!button)
            continue;
        if (layout == 1) {
            button->setFixedSize(24, 24);
        } else {
            button->setMinimumSize(0, 0);
            button->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
    }
}

void TFormMain::ActionToolbarExecute()
{
    // The action has already inverted its check mark.
    ToolBar1->setVisible(ActionToolbar->isChecked());
    WriteIniBool(SectionToolbar, KeyVisible, ActionToolbar->isChecked());
}

void TFormMain::ActionToolbarIconsExecute()
{
    ActionToolbarIcons->setChecked(true);
    ApplyToolbarMode(1);
    WriteIniInteger(SectionToolbar, KeyLayout, 1);
}

void TFormMain::ActionToolbarCaptionsExecute()
{
    ActionToolbarCaptions->setChecked(true);
    ApplyToolbarMode(2);
    WriteIniInteger(SectionToolbar, KeyLayout, 2);
}

void TFormMain::ActionToolbarBothExecute()
{
    ActionToolbarBoth->setChecked(true);
    ApplyToolbarMode(3);
    WriteIniInteger(SectionToolbar, KeyLayout, 3);
}

void TFormMain::ExitClick()
{
    close();
}

void TFormMain::CheckForUpdateClick()
{
    // Always fetched anew; the product page is also the information page.
    WebFileInfo1->SetActive(false);
    WebFileInfo1->SetHomeURL(ResStr::TonewrightHomepageUrl);
    WebFileInfo1->SetCurrentVersion(ResStr::CurrentVersion);
    WebFileInfo1->CheckForUpdate();
}

void TFormMain::BladeEncHomepageClick()
{
    if (OpenUrl)
        OpenUrl(QUrl(ResStr::BladeEncHomepageUrl));
}

void TFormMain::TonewrightHomepageClick()
{
    if (OpenUrl)
        OpenUrl(QUrl(ResStr::TonewrightHomepageUrl));
}

void TFormMain::ActionList1Update()
{
    const bool hasRows = FileCount() > 0;
    const QItemSelectionModel* selection = ListViewFiles->selectionModel();
    ActionClearList->setEnabled(hasRows);
    ActionEncode->setEnabled(hasRows);
    ActionDelete->setEnabled(selection && selection->hasSelection());
    const bool toolbarShown = ActionToolbar->isChecked();
    ActionToolbarIcons->setEnabled(toolbarShown);
    ActionToolbarCaptions->setEnabled(toolbarShown);
    ActionToolbarBoth->setEnabled(toolbarShown);
    ActionViewLog->setEnabled(!GlobalVars.Log.isEmpty());
}
