#include "Main.h"

#include "AtomicFile.h"
#include "BatchRun.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EnhListView.h"
#include "FileListModel.h"
#include "FolderReader.h"
#include "LogFile.h"
#include "MainFileList.h"
#include "MainImages.h"
#include "RepaintThrottle.h"
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

TFormMain::TFormMain(TSettings& settings, QWidget* parent) : QMainWindow(parent), m_settings(settings)
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
    ListViewFiles->setFocus();

    // The enabling rules follow the data whenever the event loop is about to wait for input.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        m_idleConnection = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                   [this] { ActionList1Update(); });
    ActionList1Update();

    QuitApplication = [] { QCoreApplication::quit(); };
    Tray = new TTrayController(this);
    m_batchUser = std::make_unique<TBatchWindows>(this, *Tray);
    Batch = new TBatchRun(this, *m_batchUser, m_settings);
    Tray->ProgressWindow = [this] { return Batch->ProgressForm; };
    Batch->OnFileStatus = [this](int file, const TFileStatus& status) {
        if (file < m_batchRows.size() && m_batchRows.at(file).isValid())
            FileList->SetStatus(m_batchRows.at(file).row(), status);
    };
    // While a batch changes the statuses many times a second the window paints ten times.
    m_repaints = new TRepaintThrottle(this, 100);
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

    // 536 x 374 with the frame, wider when the running font's columns or the language's toolbar
    // captions need it (no button may hide behind the toolbar's extension arrow), centred on the
    // screen by the frame, as the other windows are centred over this one. After the settings,
    // which choose the toolbar's captions.
    const QScreen* s = screen();
    PlaceOnScreen(this, QSize(536, 374), s ? s->availableGeometry() : QRect(),
                  std::max(WidthForColumns(), m_toolBar->sizeHint().width()));
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

QList<TMainCommandRow> TFormMain::CommandTable()
{
    using namespace ResStr;
    const QKeySequence none;
    return {
        {mcChooseFiles, "ActionChooseFiles", ActionChooseFilesCaption, ActionChooseFilesHint,
         QKeySequence(Qt::CTRL | Qt::Key_O), miChooseFiles, ckPlain, &TFormMain::ActionChooseFilesExecute},
        {mcAddFolder, "ActionAddFolder", ActionAddFolderCaption, ActionAddFolderHint,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), miAddFolder, ckPlain, &TFormMain::ActionAddFolderExecute},
        {mcEncode, "ActionEncode", ActionEncodeCaption, ActionEncodeHint, QKeySequence(Qt::CTRL | Qt::Key_E),
         miEncode, ckPlain, &TFormMain::ActionEncodeExecute},
        {mcDelete, "ActionDelete", ActionDeleteCaption, ActionDeleteHint, QKeySequence(Qt::Key_Delete), miDelete,
         ckPlain, &TFormMain::ActionDeleteExecute},
        {mcClearList, "ActionClearList", ActionClearListCaption, ActionClearListHint,
         QKeySequence(Qt::CTRL | Qt::Key_Delete), miClearList, ckPlain, &TFormMain::ActionClearListExecute},
        {mcClearFinished, "ActionClearFinished", ActionClearFinishedCaption, ActionClearFinishedHint, none, -1,
         ckPlain, &TFormMain::ActionClearFinishedExecute},
        {mcOptions, "ActionOptions", ActionOptionsCaption, ActionOptionsHint, none, miOptions, ckPlain,
         &TFormMain::ActionOptionsExecute},
        {mcAbout, "ActionAbout", ActionAboutCaption, ActionAboutHint, none, miAbout, ckPlain,
         &TFormMain::ActionAboutExecute},
        {mcToolbar, "ActionToolbar", ActionToolbarCaption, ActionToolbarHint, none, -1, ckCheckable,
         &TFormMain::ActionToolbarExecute},
        {mcToolbarIcons, "ActionToolbarIcons", ActionToolbarIconsCaption, ActionToolbarIconsHint, none, -1,
         ckDisplayMode, &TFormMain::ActionToolbarIconsExecute},
        {mcToolbarCaptions, "ActionToolbarCaptions", ActionToolbarCaptionsCaption, ActionToolbarCaptionsHint, none,
         -1, ckDisplayMode, &TFormMain::ActionToolbarCaptionsExecute},
        {mcToolbarBoth, "ActionToolbarBoth", ActionToolbarBothCaption, ActionToolbarBothHint, none, -1,
         ckDisplayMode, &TFormMain::ActionToolbarBothExecute},
        {mcViewLog, "ActionViewLog", ActionViewLogCaption, ActionViewLogHint, none, -1, ckPlain,
         &TFormMain::ActionViewLogExecute},
        {mcOpenFilelist, "MenuOpenFilelist", MenuOpenFilelistCaption, {}, none, -1, ckHidden, nullptr},
        // Spelled out: QKeySequence::Quit is empty under a Windows-style key scheme (Qt's fallback theme).
        {mcExit, "MenuExit", MenuExitCaption, {}, QKeySequence(Qt::CTRL | Qt::Key_Q), -1, ckPlain,
         &TFormMain::ExitClick},
        {mcQuickEncode, "MenuQuickEncode", MenuQuickEncodeCaption, {}, none, -1, ckHidden, nullptr},
        {mcContents, "MenuContents", MenuContentsCaption, {}, none, -1, ckHidden, nullptr},
        {mcKeywordSearch, "MenuKeywordSearch", MenuKeywordSearchCaption, {}, none, -1, ckHidden, nullptr},
        {mcCheckForUpdate, "MenuCheckForUpdate", MenuCheckForUpdateCaption, {}, none, -1, ckPlain,
         &TFormMain::CheckForUpdateClick},
        {mcBladeEncHomepage, "MenuBladeEncHomepage", MenuBladeEncHomepageCaption, {}, none, -1, ckPlain,
         &TFormMain::BladeEncHomepageClick},
        {mcTonewrightHomepage, "MenuTonewrightHomepage", MenuTonewrightHomepageCaption, {}, none, -1, ckPlain,
         &TFormMain::TonewrightHomepageClick},
    };
}

void TFormMain::CreateActions()
{
    m_toolbarDisplayGroup = new QActionGroup(this);
    m_toolbarDisplayGroup->setExclusive(true);
    for (const TMainCommandRow& row : CommandTable()) {
        auto* action = new QAction(row.Caption, this);
        action->setObjectName(QLatin1String(row.ObjectName));
        action->setToolTip(row.Hint);
        action->setShortcut(row.Shortcut);
        if (row.Image >= 0)
            action->setIcon(MainImage(TMainImage(row.Image)));
        switch (row.Kind) {
        case ckPlain: break;
        case ckCheckable: action->setCheckable(true); action->setChecked(true); break;
        case ckDisplayMode: action->setCheckable(true); m_toolbarDisplayGroup->addAction(action); break;
        case ckHidden: action->setVisible(false); break;
        }
        if (row.Handler) {
            BindAction(action, row.Handler);
            // Shortcuts work while this window is active, also with the toolbar hidden.
            addAction(action);
        }
        m_commands[row.Id] = action;
    }
    Command(mcToolbarIcons)->setChecked(true);
}

void TFormMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    const auto addMenu = [this](QWidget* parent, const char* name, const QString& caption) {
        auto* menu = new QMenu(caption, parent);
        menu->setObjectName(QLatin1String(name));
        // The enabling rules run before any menu shows.
        connect(menu, &QMenu::aboutToShow, this, [this] { ActionList1Update(); });
        return menu;
    };
    const auto addTo = [this](QMenu* menu, std::initializer_list<TMainCommand> ids) {
        for (TMainCommand id : ids)
            menu->addAction(Command(id));
    };

    QMenu* file = addMenu(bar, "MenuFile", ResStr::MenuFileCaption);
    bar->addMenu(file);
    addTo(file, {mcChooseFiles, mcAddFolder, mcOpenFilelist});
    file->addSeparator();
    addTo(file, {mcExit});

    QMenu* edit = addMenu(bar, "MenuEdit", ResStr::MenuEditCaption);
    bar->addMenu(edit);
    addTo(edit, {mcDelete, mcClearList, mcClearFinished});
    edit->addSeparator();
    addTo(edit, {mcOptions});

    QMenu* actions = addMenu(bar, "MenuActions", ResStr::MenuActionsCaption);
    bar->addMenu(actions);
    addTo(actions, {mcQuickEncode, mcEncode});

    QMenu* view = addMenu(bar, "MenuView", ResStr::MenuViewCaption);
    bar->addMenu(view);
    QMenu* viewToolbar = addMenu(view, "MenuViewToolbar", ResStr::MenuToolbarCaption);
    view->addMenu(viewToolbar);
    addTo(viewToolbar, {mcToolbar});
    QMenu* viewDisplay = addMenu(viewToolbar, "MenuViewDisplay", ResStr::MenuDisplayCaption);
    viewToolbar->addMenu(viewDisplay);
    viewDisplay->addActions(m_toolbarDisplayGroup->actions());
    addTo(view, {mcViewLog});

    QMenu* help = addMenu(bar, "MenuHelp", ResStr::MenuHelpCaption);
    bar->addMenu(help);
    addTo(help, {mcContents, mcKeywordSearch});
    help->addSeparator()->setVisible(false);
    addTo(help, {mcCheckForUpdate});
    help->addSeparator();
    addTo(help, {mcBladeEncHomepage, mcTonewrightHomepage});
    help->addSeparator();
    addTo(help, {mcAbout});

    m_popupMenuList = addMenu(this, "PopupMenuList", QString());
    addTo(m_popupMenuList, {mcChooseFiles, mcAddFolder});
    m_popupMenuList->addSeparator();
    addTo(m_popupMenuList, {mcDelete, mcClearList, mcClearFinished});
    m_popupMenuList->addSeparator();
    addTo(m_popupMenuList, {mcEncode, mcOptions});

    m_popupMenuToolbar = addMenu(this, "PopupMenuToolbar", QString());
    addTo(m_popupMenuToolbar, {mcToolbar});
    QMenu* popupDisplay = addMenu(m_popupMenuToolbar, "PopupMenuToolbarDisplay", ResStr::MenuDisplayCaption);
    m_popupMenuToolbar->addMenu(popupDisplay);
    popupDisplay->addActions(m_toolbarDisplayGroup->actions());
}

void TFormMain::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    // A separator before each group of buttons.
    for (const auto& group : {std::initializer_list<TMainCommand>{mcChooseFiles, mcAddFolder}, {mcEncode},
                              {mcDelete, mcClearList}, {mcOptions}, {mcAbout}}) {
        m_toolBar->addSeparator();
        for (TMainCommand id : group)
            m_toolBar->addAction(Command(id));
    }

    m_toolBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_toolBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_popupMenuToolbar->popup(m_toolBar->mapToGlobal(pos)); });
    // The design state: pictures without captions.
    ApplyToolbarMode(1);
}

void TFormMain::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    m_statusPanelProduct = new QLabel(bar);
    m_statusPanelProduct->setObjectName(QStringLiteral("StatusPanelProduct"));
    m_statusPanelCount = new QLabel(bar);
    m_statusPanelCount->setObjectName(QStringLiteral("StatusPanelCount"));
    bar->addWidget(m_statusPanelProduct);
    bar->addWidget(m_statusPanelCount);
    FitStatusPanels();
}

void TFormMain::FitStatusPanels()
{
    // The designed widths, wider where the running font needs it for the panels' texts.
    m_statusPanelProduct->setFixedWidth(StatusPanelWidth(m_statusPanelProduct, 100, {ResStr::ProductCaption}));
    m_statusPanelCount->setMinimumWidth(
        StatusPanelWidth(m_statusPanelCount, 50, {ResStr::NoFiles, ResStr::OneFile, ResStr::SomeFiles.arg(99999)}));
}

void TFormMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_statusPanelProduct)
        FitStatusPanels();
}

void TFormMain::FormCreate()
{
    RunGuarded([this] {
        setWindowTitle(ResStr::ProductCaption);
        FileList->Clear();
        m_statusPanelProduct->setText(ResStr::ProductCaption);
        UpdateFileCount();

        // What a kill in the middle of a save left behind.
        RemoveStaleTemporaryFiles(SettingsFilePath());
        RemoveStaleTemporaryFiles(LogFilePath());
        SetDefaultSettings(m_settings);
        LoadSettings(m_settings);

        Batch->SetLog(LoadLogFile(LogFilePath()));

        switch (m_settings.ToolbarLayout) {
        case 1: Command(mcToolbarIcons)->setChecked(true); ActionToolbarIconsExecute(); break;
        case 2: Command(mcToolbarCaptions)->setChecked(true); ActionToolbarCaptionsExecute(); break;
        case 3: Command(mcToolbarBoth)->setChecked(true); ActionToolbarBothExecute(); break;
        default: break;
        }
        const bool visible = m_settings.ToolbarVisible;
        Command(mcToolbar)->setChecked(visible);
        m_toolBar->setVisible(visible);
    });
    ActionList1Update();
}

void TFormMain::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    m_folderReader->Cancel();
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
    // The running batch keeps its rows: a second Encode would be refused by the run anyway.
    if (Batch->ProgressForm)
        return;
    QStringList files;
    for (const TFileEntry& entry : FileEntries())
        files << entry.FullPath();
    m_batchRows.clear();
    m_batchRows.reserve(files.size());
    for (int row = 0; row < files.size(); ++row)
        m_batchRows << QPersistentModelIndex(FileList->index(row, 0));
    m_repaints->SetActive(true);
    // The persistent rows cost every later change of the list a pass over them: held for the
    // batch only.
    const auto batchOver = qScopeGuard([this] {
        m_batchRows.clear();
        m_repaints->SetActive(false);
    });
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
    m_toolBar->setToolButtonStyle(style);
    for (QAction* action : m_toolBar->actions()) {
        auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(action));
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
    m_toolBar->setVisible(Command(mcToolbar)->isChecked());
    m_settings.ToolbarVisible = Command(mcToolbar)->isChecked();
    SaveSettingOf(m_settings, &m_settings.ToolbarVisible);
}

void TFormMain::ActionToolbarIconsExecute()
{
    Command(mcToolbarIcons)->setChecked(true);
    ApplyToolbarMode(1);
    m_settings.ToolbarLayout = 1;
    SaveSettingOf(m_settings, &m_settings.ToolbarLayout);
}

void TFormMain::ActionToolbarCaptionsExecute()
{
    Command(mcToolbarCaptions)->setChecked(true);
    ApplyToolbarMode(2);
    m_settings.ToolbarLayout = 2;
    SaveSettingOf(m_settings, &m_settings.ToolbarLayout);
}

void TFormMain::ActionToolbarBothExecute()
{
    Command(mcToolbarBoth)->setChecked(true);
    ApplyToolbarMode(3);
    m_settings.ToolbarLayout = 3;
    SaveSettingOf(m_settings, &m_settings.ToolbarLayout);
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
    Command(mcClearList)->setEnabled(hasRows);
    Command(mcClearFinished)->setEnabled(FileList->DoneCount() > 0);
    Command(mcEncode)->setEnabled(hasRows);
    Command(mcDelete)->setEnabled(selection && selection->hasSelection());
    const bool toolbarShown = Command(mcToolbar)->isChecked();
    Command(mcToolbarIcons)->setEnabled(toolbarShown);
    Command(mcToolbarCaptions)->setEnabled(toolbarShown);
    Command(mcToolbarBoth)->setEnabled(toolbarShown);
    Command(mcViewLog)->setEnabled(Batch && !Batch->Log().isEmpty());
}
