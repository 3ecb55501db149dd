#include "Main.h"

#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EnhListView.h"
#include "LogFile.h"
#include "MainImages.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "WebFileInfo.h"
#include "about.h"
#include "globals.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {
const QString SectionToolbar = QStringLiteral("Toolbar");
const QString KeyLayout = QStringLiteral("Layout");
const QString KeyVisible = QStringLiteral("Visible");

enum TColumn { colFile = 0, colFolder = 1, colBytes = 2, colDate = 3 };

// Up to this many selected rows are deleted one by one (keeping the scroll position); more
// are removed in one pass over the list, which stays fast for very long lists.
constexpr int DeleteOneByOneLimit = 64;

QAction* NewAction(QObject* owner, const QString& caption, const QString& hint)
{
    auto* action = new QAction(caption, owner);
    action->setToolTip(hint);
    return action;
}

QTreeWidgetItem* NewRow(const TFileEntry& entry)
{
    auto* item = new QTreeWidgetItem(QStringList{entry.File, entry.Folder, entry.Bytes, entry.Date});
    item->setTextAlignment(colBytes, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

TFileEntry EntryOf(const QTreeWidgetItem* item)
{
    return {item->text(colFile), item->text(colFolder), item->text(colBytes), item->text(colDate)};
}
} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    // The program's picture in the title bar and the task bar, also for the windows it owns; the
    // tray icon shows the same one.
    if (windowIcon().isNull())
        setWindowIcon(TRxTrayIcon::DefaultIcon());

    CreateActions();
    CreateList();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    setMinimumSize(100, 100);
    resize(536, 374);
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    ListViewFiles->setFocus();

    // The enabling rules follow the data whenever the event loop is about to wait for input.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        m_idleConnection = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                                   [this] { ActionList1Update(); });
    ActionList1Update();

    WebFileInfo1 = new TWebFileInfo(this);
    ConfigureWebFileInfo1(*WebFileInfo1);

    CreateTray();
    CreateBatchRunner();
    FormCreate();
}

TFormMain::~TFormMain()
{
    disconnect(m_idleConnection);
    // The rows are destroyed with the list after this window's members are gone: their
    // notifications must no longer reach the index.
    if (ListViewFiles)
        disconnect(ListViewFiles->model(), nullptr, this, nullptr);
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
                ActionToolbar, ActionToolbarIcons, ActionToolbarCaptions, ActionToolbarBoth, ActionViewLog});
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

void TFormMain::CreateList()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    ListViewFiles = new TEnhListView(panel);
    ListViewFiles->setObjectName(QStringLiteral("ListViewFiles"));
    layout->addWidget(ListViewFiles);
    setCentralWidget(panel);

    ListViewFiles->setColumnCount(4);
    ListViewFiles->setHeaderLabels({ResStr::ColumnFile, ResStr::ColumnFolder, ResStr::ColumnBytes, ResStr::ColumnDate});
    ListViewFiles->headerItem()->setTextAlignment(colBytes, Qt::AlignRight | Qt::AlignVCenter);
    const int widths[] = {100, 150, 75, 100};
    for (int c = 0; c < 4; ++c)
        ListViewFiles->setColumnWidth(c, widths[c]);

    ListViewFiles->OnDragOver = [this](TEnhListView* sender, QObject* source, const QPoint& pos, bool& accept) {
        RunGuarded([&] { ListViewFilesDragOver(sender, source, pos, accept); });
    };
    ListViewFiles->OnDragDrop = [this](TEnhListView* sender, QObject* source, const QPoint& pos) {
        RunGuarded([&] { ListViewFilesDragDrop(sender, source, pos); });
    };

    ListViewFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenuList->popup(ListViewFiles->viewport()->mapToGlobal(pos));
    });

    // The index of listed files follows every change of the rows, whoever makes it.
    QAbstractItemModel* model = ListViewFiles->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        if (parent.isValid())
            return;
        if (!m_indexStale)
            for (int r = first; r <= last; ++r)
                if (const QTreeWidgetItem* item = ListViewFiles->topLevelItem(r))
                    m_index.Add(item->text(colFile), item->text(colFolder));
        UpdateFileCount();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid() || m_indexStale)
                    return;
                for (int r = first; r <= last; ++r)
                    if (const QTreeWidgetItem* item = ListViewFiles->topLevelItem(r))
                        m_index.Remove(item->text(colFile), item->text(colFolder));
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { UpdateFileCount(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        m_indexStale = true;
        UpdateFileCount();
    });
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { m_indexStale = true; });
}

void TFormMain::CreateStatusBar()
{
    StatusBar1 = statusBar();
    StatusPanelProduct = new QLabel(StatusBar1);
    StatusPanelProduct->setFixedWidth(100);
    StatusPanelCount = new QLabel(StatusBar1);
    StatusPanelCount->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanelProduct);
    StatusBar1->addWidget(StatusPanelCount);
}

void TFormMain::FormCreate()
{
    RunGuarded([this] {
        setWindowTitle(ResStr::ProductCaption);
        // The batch block's ProgressForm starts empty: no batch runs.
        ListViewFiles->clear();
        StatusPanelProduct->setText(ResStr::ProductCaption);
        UpdateFileCount();

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
    GUI2Console1->Stop();
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    RunGuarded([&] { FormCloseQuery(canClose); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TFormMain::RebuildIndexIfStale()
{
    if (!m_indexStale)
        return;
    m_index.Clear();
    for (int r = 0, n = ListViewFiles->topLevelItemCount(); r < n; ++r) {
        const QTreeWidgetItem* item = ListViewFiles->topLevelItem(r);
        m_index.Add(item->text(colFile), item->text(colFolder));
    }
    m_indexStale = false;
}

void TFormMain::AddFile(const QString& path)
{
    RebuildIndexIfStale();
    const TSplitPath split = SplitPath(path);
    if (m_index.Contains(split.Name, split.Folder))
        return;
    ListViewFiles->addTopLevelItem(NewRow(MakeFileEntry(path)));
    ListViewFiles->SetShowSortArrows(false);
}

void TFormMain::UpdateFileCount()
{
    const int n = ListViewFiles->topLevelItemCount();
    if (n == 0)
        StatusPanelCount->setText(ResStr::NoFiles);
    else if (n == 1)
        StatusPanelCount->setText(ResStr::OneFile);
    else
        StatusPanelCount->setText(ResStr::SomeFiles.arg(n));
}

QList<TFileEntry> TFormMain::FileEntries() const
{
    QList<TFileEntry> entries;
    const int n = ListViewFiles->topLevelItemCount();
    entries.reserve(n);
    for (int r = 0; r < n; ++r)
        entries << EntryOf(ListViewFiles->topLevelItem(r));
    return entries;
}

int TFormMain::FileCount() const
{
    return ListViewFiles->topLevelItemCount();
}

void TFormMain::UOTextTarget1Drop(QObject*, const QString& dropText)
{
    ListViewFiles->BeginUpdate();
    try {
        for (QString line : dropText.split(QLatin1Char('\n'))) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (!line.isEmpty())
                AddFile(line);
        }
    } catch (...) {
        ListViewFiles->EndUpdate();
        throw;
    }
    ListViewFiles->EndUpdate();
}

void TFormMain::ActionChooseFilesExecute()
{
    FileDialogRequest request;
    request.Parent = this;
    request.Filter = ResStr::ChooseFilesFilter;
    request.FilterIndex = 1;
    request.MultiSelect = true;
    const QStringList paths = ShowOpenFilesDialog(request);
    ListViewFiles->BeginUpdate();
    try {
        for (const QString& path : paths)
            AddFile(path);
    } catch (...) {
        ListViewFiles->EndUpdate();
        throw;
    }
    ListViewFiles->EndUpdate();
}

void TFormMain::ActionDeleteExecute()
{
    const QModelIndexList selected = ListViewFiles->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const int n = ListViewFiles->topLevelItemCount();
    std::vector<bool> marked(static_cast<size_t>(n), false);
    int count = 0;
    for (const QModelIndex& index : selected)
        if (!index.parent().isValid() && index.row() < n && !marked[static_cast<size_t>(index.row())]) {
            marked[static_cast<size_t>(index.row())] = true;
            ++count;
        }

    ListViewFiles->BeginUpdate();
    if (count <= DeleteOneByOneLimit) {
        for (int r = n - 1; r >= 0; --r)
            if (marked[static_cast<size_t>(r)])
                delete ListViewFiles->takeTopLevelItem(r);
    } else {
        const QList<QTreeWidgetItem*> all = ListViewFiles->invisibleRootItem()->takeChildren();
        QList<QTreeWidgetItem*> kept;
        kept.reserve(n - count);
        for (int r = 0; r < all.size(); ++r) {
            if (r < n && marked[static_cast<size_t>(r)])
                delete all.at(r);
            else
                kept << all.at(r);
        }
        ListViewFiles->addTopLevelItems(kept);
    }
    ListViewFiles->EndUpdate();
    UpdateFileCount();
}

void TFormMain::ActionClearListExecute()
{
    ListViewFiles->clear();
    UpdateFileCount();
}

void TFormMain::ActionOptionsExecute()
{
    // The options dialog attaches here.
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
    const bool hasRows = ListViewFiles->topLevelItemCount() > 0;
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

void TFormMain::ListViewFilesDragOver(TEnhListView*, QObject* Source, const QPoint&, bool& Accept)
{
    Accept = Source == ListViewFiles;
}

void TFormMain::ListViewFilesDragDrop(TEnhListView*, QObject*, const QPoint& pos)
{
    QTreeWidgetItem* under = ListViewFiles->itemAt(pos);
    QTreeWidgetItem* target = under ? under : ListViewFiles->DropTarget();
    const int count = ListViewFiles->topLevelItemCount();
    // Below every row without a row met on the way: the last row serves.
    if (!target && count > 0) {
        const QRect last = ListViewFiles->visualItemRect(ListViewFiles->topLevelItem(count - 1));
        if (pos.y() > last.bottom())
            target = ListViewFiles->topLevelItem(count - 1);
    }
    QTreeWidgetItem* moving = ListViewFiles->currentItem();
    if (!target || !moving)
        return;

    ListViewFiles->BeginUpdate();
    const int offset = under ? 0 : 1;
    const int at = ListViewFiles->indexOfTopLevelItem(target) + offset;
    QTreeWidgetItem* moved = NewRow(EntryOf(moving));
    ListViewFiles->insertTopLevelItem(at, moved);
    delete ListViewFiles->takeTopLevelItem(ListViewFiles->indexOfTopLevelItem(moving));
    ListViewFiles->setCurrentItem(moved);
    ListViewFiles->SetShowSortArrows(false);
    ListViewFiles->EndUpdate();
}
