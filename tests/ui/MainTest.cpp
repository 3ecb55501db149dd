#include "AudioTree.h"
#include "DefaultSettings.h"
#include "EnhListView.h"
#include "FileListModel.h"
#include "MainFileList.h"
#include "FileSizeLimit.h"
#include "BatchRun.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "TrayController.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "ScriptedDialogs.h"
#include "Spin.h"
#include "TempProgramFolder.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

// Qt's own entry for delivering a shortcut as the platform does when a key is pressed.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

namespace {
// Lets the event loop wait once, as it does when the user is idle.
void Idle()
{
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
}

// "f00", "f01", ...: `count` names with `digits` digits.
QStringList Numbered(int count, int digits)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("f%1").arg(i, digits, 10, QLatin1Char('0'));
    return names;
}

QStringList Names(const TFormMain& form)
{
    QStringList names;
    for (const TFileEntry& e : form.FileEntries())
        names << e.File;
    return names;
}

// A drag as the platform delivers it: enter at the first point, move over the rest, drop.
// Returns whether the list accepted the drag.
bool Drag(TEnhListView* list, const QMimeData* data, const QList<QPoint>& path, const QPoint& dropAt,
          Qt::DropActions offered = Qt::MoveAction)
{
    QDragEnterEvent enter(path.first(), offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    for (const QPoint& p : path) {
        QDragMoveEvent move(p, offered, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
    }
    QDropEvent drop(QPointF(dropAt), offered, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    return drop.isAccepted();
}

QStringList FullPaths(const TFormMain& form)
{
    QStringList paths;
    for (const TFileEntry& e : form.FileEntries())
        paths << e.FullPath();
    return paths;
}

QStringList CheckedIn(const QMenu* menu)
{
    QStringList checked;
    for (const QAction* a : menu->actions())
        if (a->isChecked())
            checked << a->text();
    return checked;
}

class MainWindow : public ::testing::Test {
protected:
    void TearDown() override { form.reset(); }

    TFormMain& Create()
    {
        form = std::make_unique<TFormMain>(settings);
        return *form;
    }
    TFormMain& CreateShown()
    {
        Create();
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        Idle();
        return *form;
    }
    QByteArray Ini() const { return folder.Read(QStringLiteral("tonewright.ini")); }
    void Fill(const QStringList& names)
    {
        for (const QString& n : names)
            form->AddFile(QStringLiteral("/music/") + n);
    }
    void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        qt_sendShortcutOverrideEvent(QApplication::focusWidget() ? static_cast<QObject*>(QApplication::focusWidget())
                                                                 : form.get(),
                                     0, key, mods, QString(), false, 1);
    }
    void Select(const QList<int>& rows)
    {
        form->ListViewFiles->clearSelection();
        for (int r : rows)
            form->ListViewFiles->selectionModel()->select(form->FileList->index(r, 0),
                                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QString CountText() const { return wintest::Part<QLabel>(*form, "StatusPanelCount")->text(); }
    // The window's parts by their object names.
    QAction* Act(const char* name) const { return wintest::Part(*form, name); }
    // A command as the user gives it: the enabling rules have run since the last change.
    void Run(const char* name)
    {
        form->ActionList1Update();
        Act(name)->trigger();
    }
    QToolBar* Bar() const { return wintest::Part<QToolBar>(*form, "ToolBar1"); }

    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    TSettings settings;
    std::unique_ptr<TFormMain> form;
};
} // namespace

TEST_F(MainWindow, FirstStartWritesTheSettingsAndTheRestoredLayout)
{
    Create();
    EXPECT_EQ(Ini(), DefaultSettingsText(folder.Path()) + "[Toolbar]\nLayout=3\n");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tonewright 1.2"));
    EXPECT_EQ(wintest::Part<QLabel>(*form, "StatusPanelProduct")->text(), QStringLiteral("Tonewright 1.2"));
    EXPECT_EQ(CountText(), QStringLiteral("No files"));
    EXPECT_EQ(settings.BladeEncPath, folder.File(QStringLiteral("BladeEnc")));
    EXPECT_EQ(settings.Bitrate, 128);
    EXPECT_EQ(settings.Priority, 1);
    EXPECT_TRUE(Act("ActionToolbarBoth")->isChecked());
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_TRUE(Act("ActionToolbar")->isChecked());
    EXPECT_TRUE(Bar()->isVisibleTo(form.get()));
    EXPECT_TRUE(boxes.Asked().empty());
}

TEST_F(MainWindow, StartReadsTheSettingsAndTheStoredLayout)
{
    folder.Write(QStringLiteral("tonewright.ini"), "[System]\nBitrate=256\n[Toolbar]\nLayout=2\nVisible=0\n");
    Create();
    EXPECT_EQ(settings.Bitrate, 256);
    EXPECT_TRUE(Act("ActionToolbarCaptions")->isChecked());
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_FALSE(Act("ActionToolbar")->isChecked());
    EXPECT_FALSE(Bar()->isVisibleTo(form.get()));
    // The layout writes itself back unchanged; the file exists, so no settings are added.
    EXPECT_EQ(Ini(), QByteArray("[System]\nBitrate=256\n[Toolbar]\nLayout=2\nVisible=0\n"));
}

TEST_F(MainWindow, AnUnknownLayoutKeepsTheDesignStateAndTheValue)
{
    folder.Write(QStringLiteral("tonewright.ini"), "[Toolbar]\nLayout=7\n");
    Create();
    EXPECT_TRUE(Act("ActionToolbarIcons")->isChecked());
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(Ini(), QByteArray("[Toolbar]\nLayout=7\n"));
}

TEST_F(MainWindow, ThePreviousLogIsReadBackAndEnablesLastLog)
{
    folder.Write(QStringLiteral("Tonewright.log"), "line one\r\nline two\n");
    Create();
    EXPECT_EQ(form->Batch->Log(), (QStringList{QStringLiteral("line one"), QStringLiteral("line two")}));
    Idle();
    EXPECT_TRUE(Act("ActionViewLog")->isEnabled());
}

TEST_F(MainWindow, WithoutALogLastLogIsGreyed)
{
    Create();
    EXPECT_TRUE(form->Batch->Log().isEmpty());
    Idle();
    EXPECT_FALSE(Act("ActionViewLog")->isEnabled());
}

TEST_F(MainWindow, AStartThatCannotWriteShowsTheErrorAndSkipsTheRest)
{
    folder.Write(QStringLiteral("Tonewright.log"), "old run\n");
    boxes.Answer(IDOK);
    {
        FileSizeLimit limit(8);
        Create();
    }
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Unable to write to ") + folder.File(QStringLiteral("tonewright.ini")));
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Error"));
    // The log is read after the settings: skipped.
    EXPECT_TRUE(form->Batch->Log().isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tonewright 1.2"));
    EXPECT_FALSE(QFileInfo::exists(folder.File(QStringLiteral("tonewright.ini"))));
}

TEST_F(MainWindow, DisplayModesAreRadioEntriesInBothMenusAndPersistAtOnce)
{
    Create();
    Act("ActionToolbarIcons")->trigger();
    Act("ActionToolbarCaptions")->trigger();
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_TRUE(Ini().endsWith("[Toolbar]\nLayout=2\n"));
    Act("ActionToolbarIcons")->trigger();
    EXPECT_EQ(CheckedIn(wintest::Part<QMenu>(*form, "MenuViewDisplay")), QStringList{ResStr::ActionToolbarIconsCaption});
    EXPECT_EQ(CheckedIn(wintest::Part<QMenu>(*form, "PopupMenuToolbarDisplay")), QStringList{ResStr::ActionToolbarIconsCaption});
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(Bar()->widgetForAction(Act("ActionEncode"))->size(), QSize(24, 24));
    EXPECT_TRUE(Ini().endsWith("[Toolbar]\nLayout=1\n"));

    Act("ActionToolbarBoth")->trigger();
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_GT(Bar()->widgetForAction(Act("ActionChooseFiles"))->sizeHint().width(), 24);
    EXPECT_TRUE(Ini().endsWith("[Toolbar]\nLayout=3\n"));
}

TEST_F(MainWindow, ShowToolbarHidesShowsPersistsAndGreysTheModes)
{
    Create();
    Act("ActionToolbar")->trigger();
    EXPECT_FALSE(Act("ActionToolbar")->isChecked());
    EXPECT_FALSE(Bar()->isVisibleTo(form.get()));
    EXPECT_TRUE(Ini().endsWith("Layout=3\nVisible=0\n"));
    Idle();
    EXPECT_FALSE(Act("ActionToolbarIcons")->isEnabled());
    EXPECT_FALSE(Act("ActionToolbarCaptions")->isEnabled());
    EXPECT_FALSE(Act("ActionToolbarBoth")->isEnabled());

    Act("ActionToolbar")->trigger();
    EXPECT_TRUE(Bar()->isVisibleTo(form.get()));
    EXPECT_TRUE(Ini().endsWith("Layout=3\nVisible=1\n"));
    Idle();
    EXPECT_TRUE(Act("ActionToolbarBoth")->isEnabled());
}

TEST_F(MainWindow, AToolbarChangeThatCannotBeSavedShowsTheErrorButTakesEffect)
{
    Create();
    const QByteArray before = Ini();
    boxes.Answer(IDOK);
    {
        FileSizeLimit limit(8);
        Act("ActionToolbarIcons")->trigger();
    }
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Unable to write to ") + folder.File(QStringLiteral("tonewright.ini")));
    EXPECT_EQ(Bar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(Ini(), before);
}

TEST_F(MainWindow, DuplicatesAreTheSamePathExactly)
{
    Create();
    form->AddFile(QStringLiteral("/Music/Track1.wav"));
    form->AddFile(QStringLiteral("/Music/track1.wav")); // letter case makes another file here
    form->AddFile(QStringLiteral("/Music/TRACK1.WAV"));
    form->AddFile(QStringLiteral("/Music/Track1.wav"));
    EXPECT_EQ(form->FileCount(), 3);
    form->AddFile(QStringLiteral("/music/Track1.wav"));
    form->AddFile(QStringLiteral("/Other/Track1.wav"));
    EXPECT_EQ(form->FileCount(), 5);
    EXPECT_EQ(form->FileEntries().at(1).FullPath(), QStringLiteral("/Music/track1.wav"));
    EXPECT_EQ(CountText(), QStringLiteral("5 files"));
    EXPECT_TRUE(boxes.Asked().empty());
}

TEST_F(MainWindow, RowsShowTheFourTextsOfAFile)
{
    Create();
    folder.Write(QStringLiteral("a.wav"), QByteArray(10, 'x'));
    form->AddFile(folder.File(QStringLiteral("a.wav")));
    form->AddFile(QStringLiteral("/gone/b.wav"));
    const TFileEntry a = MakeFileEntry(folder.File(QStringLiteral("a.wav")));
    EXPECT_EQ(form->FileEntries().at(0), a);
    EXPECT_EQ(form->FileEntries().at(1).Bytes, QStringLiteral("-1"));
    EXPECT_EQ(form->FileList->index(0, 2).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
}

TEST_F(MainWindow, CountTextFollowsAddsDeletesAndClear)
{
    Create();
    Fill({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(CountText(), QStringLiteral("3 files"));
    Select({0});
    Run("ActionDelete");
    EXPECT_EQ(CountText(), QStringLiteral("2 files"));
    Select({1});
    Run("ActionDelete");
    EXPECT_EQ(CountText(), QStringLiteral("One file"));
    Run("ActionClearList");
    EXPECT_EQ(CountText(), QStringLiteral("No files"));
    form->AddFile(QStringLiteral("/x/a"));
    EXPECT_EQ(CountText(), QStringLiteral("One file"));
}

TEST_F(MainWindow, ChooseFilesAddsTheNewOnesInDialogOrder)
{
    Create();
    Fill({QStringLiteral("t1.wav"), QStringLiteral("t2.wav"), QStringLiteral("t3.wav")});
    QStringList chosen;
    for (int i = 1; i <= 7; ++i)
        chosen << QStringLiteral("/new/n%1.wav").arg(i);
    chosen.insert(2, QStringLiteral("/music/t1.wav"));
    chosen.insert(5, QStringLiteral("/music/t2.wav"));
    chosen.insert(9, QStringLiteral("/music/t3.wav"));
    ASSERT_EQ(chosen.size(), 10);
    dialogs.AnswerOpen(chosen);
    Act("ActionChooseFiles")->trigger();

    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("t1.wav"), QStringLiteral("t2.wav"), QStringLiteral("t3.wav"),
                                         QStringLiteral("n1.wav"), QStringLiteral("n2.wav"), QStringLiteral("n3.wav"),
                                         QStringLiteral("n4.wav"), QStringLiteral("n5.wav"), QStringLiteral("n6.wav"),
                                         QStringLiteral("n7.wav")}));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].Filter, ResStr::ChooseFilesFilter);
    EXPECT_TRUE(dialogs.Requests()[0].Filter.startsWith(QStringLiteral("Audio-Files|*.wav;*.aif;*.aiff;*.flac;*.ogg;*.oga;*.opus|")));
    EXPECT_EQ(dialogs.Requests()[0].FilterIndex, 1);
    EXPECT_TRUE(dialogs.Requests()[0].MultiSelect);
    EXPECT_EQ(CountText(), QStringLiteral("10 files"));

    dialogs.AnswerOpen({});
    Act("ActionChooseFiles")->trigger();
    EXPECT_EQ(form->FileCount(), 10);
}

TEST_F(MainWindow, AddFolderAddsEveryAudioFileUnderItOnceWhileTheStatusBarCounts)
{
    Create();
    AudioTree tree;
    form->AddFile(QStringLiteral("/music/first.wav"));
    form->AddFile(tree.Expected[3]); // listed already: stays where it is, once
    dialogs.AnswerFolder(tree.Root);
    Act("ActionAddFolder")->trigger();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].Title, ResStr::AddFolderTitle);
    // The folder is read off the main thread: its files arrive through the event loop.
    EXPECT_TRUE(form->ReadingFolder());
    EXPECT_TRUE(CountText().startsWith(QStringLiteral("Reading folder... "))) << CountText().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->ReadingFolder(); }, WaitGuardMs));

    QStringList expected = {QStringLiteral("/music/first.wav"), tree.Expected[3]};
    for (const QString& path : tree.Expected)
        if (!expected.contains(path))
            expected << path;
    EXPECT_EQ(FullPaths(*form), expected);
    EXPECT_EQ(CountText(), ResStr::SomeFiles.arg(expected.size()));

    dialogs.AnswerFolder(tree.Root); // again: every file is listed already
    dialogs.AnswerFolder(QString()); // cancelled
    Act("ActionAddFolder")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->ReadingFolder(); }, WaitGuardMs));
    Act("ActionAddFolder")->trigger();
    EXPECT_FALSE(form->ReadingFolder());
    EXPECT_EQ(FullPaths(*form), expected);
}

TEST_F(MainWindow, DroppedOrGivenFoldersAreExpandedInTheirPlaceAndLaterPathsWaitBehindThem)
{
    Create();
    AudioTree tree;
    const QString before = tree.Dir.path() + QStringLiteral("/elsewhere/song.oga");
    // A drop as the file manager sends it: a URL per line; a file, the folder, a file in it again.
    form->UOTextTarget1Drop(nullptr, QStringLiteral("file://") + before + QStringLiteral("\r\n") + tree.Root
                                         + QStringLiteral("/\r\n") + tree.Expected[0] + QStringLiteral("\r\n"));
    EXPECT_EQ(FullPaths(*form), QStringList{before}) << "what comes before the folder is listed at once";
    // Handed over by a later start while the folder is read: after its files.
    form->AddPaths({QStringLiteral("/music/later.wav"), tree.Root + QStringLiteral("/Artist B")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->ReadingFolder(); }, WaitGuardMs));
    EXPECT_EQ(FullPaths(*form), QStringList{before} + tree.Expected + QStringList{QStringLiteral("/music/later.wav")});
    EXPECT_EQ(CountText(), ResStr::SomeFiles.arg(tree.Expected.size() + 2));
}

TEST_F(MainWindow, ClosingTheWindowStopsReadingAFolder)
{
    Create();
    AudioTree tree;
    form->AddPaths({tree.Root, QStringLiteral("/music/after.wav")});
    ASSERT_TRUE(form->ReadingFolder());
    form->QuitApplication = [] {};
    form->close();
    EXPECT_FALSE(form->ReadingFolder());
    QTest::qWait(50);
    EXPECT_EQ(form->FileCount(), 0) << "nothing arrives after the close";
}

TEST_F(MainWindow, DeleteRemovesTheSelectedRowsAndKeepsTheOthersInOrder)
{
    Create();
    Fill({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")});
    Select({0, 2, 3});
    Run("ActionDelete");
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("b"), QStringLiteral("e")}));
    // A deleted file can be added again; a kept one still counts as listed.
    form->AddFile(QStringLiteral("/music/a"));
    form->AddFile(QStringLiteral("/music/b"));
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("b"), QStringLiteral("e"), QStringLiteral("a")}));

    // Without a selection nothing happens.
    form->ListViewFiles->clearSelection();
    Run("ActionDelete");
    EXPECT_EQ(form->FileCount(), 3);
}

TEST_F(MainWindow, DeletingManyRowsAtOnceKeepsOrderAndIndex)
{
    Create();
    const QStringList names = Numbered(300, 3);
    Fill(names);
    QList<int> even;
    for (int i = 0; i < 300; i += 2)
        even << i;
    Select(even);
    Run("ActionDelete");
    QStringList odd;
    for (int i = 1; i < 300; i += 2)
        odd << names.at(i);
    EXPECT_EQ(Names(*form), odd);
    EXPECT_EQ(CountText(), QStringLiteral("150 files"));
    form->AddFile(QStringLiteral("/music/f000"));
    form->AddFile(QStringLiteral("/music/f001"));
    EXPECT_EQ(form->FileCount(), 151);
    EXPECT_EQ(Names(*form).last(), QStringLiteral("f000"));
}

TEST_F(MainWindow, ClearListEmptiesTheListAndItsIndex)
{
    Create();
    Fill({QStringLiteral("a"), QStringLiteral("b")});
    Idle();
    Act("ActionClearList")->trigger();
    EXPECT_EQ(form->FileCount(), 0);
    Fill({QStringLiteral("a")});
    EXPECT_EQ(form->FileCount(), 1);
}

TEST_F(MainWindow, RowsChangedByOtherCodeStillFollowTheDuplicateRule)
{
    Create();
    Fill({QStringLiteral("a"), QStringLiteral("b")});
    TFileEntry moved = form->FileList->Entry(0);
    moved.Folder = QStringLiteral("/elsewhere/");
    form->FileList->SetEntry(0, moved);
    form->AddFile(QStringLiteral("/music/a"));
    form->AddFile(QStringLiteral("/elsewhere/a"));
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_F(MainWindow, EnablingFollowsTheListWhenIdle)
{
    Create();
    Idle();
    EXPECT_FALSE(Act("ActionEncode")->isEnabled());
    EXPECT_FALSE(Act("ActionClearList")->isEnabled());
    EXPECT_FALSE(Act("ActionDelete")->isEnabled());
    EXPECT_FALSE(Bar()->widgetForAction(Act("ActionEncode"))->isEnabled());
    EXPECT_TRUE(Act("ActionChooseFiles")->isEnabled());
    EXPECT_TRUE(Act("ActionOptions")->isEnabled());
    EXPECT_TRUE(Act("ActionAbout")->isEnabled());

    Fill({QStringLiteral("a"), QStringLiteral("b")});
    Idle();
    EXPECT_TRUE(Act("ActionEncode")->isEnabled());
    EXPECT_TRUE(Act("ActionClearList")->isEnabled());
    EXPECT_TRUE(Bar()->widgetForAction(Act("ActionEncode"))->isEnabled());
    EXPECT_FALSE(Act("ActionDelete")->isEnabled());

    Select({1});
    Idle();
    EXPECT_TRUE(Act("ActionDelete")->isEnabled());
    Run("ActionClearList");
    Idle();
    EXPECT_FALSE(Act("ActionDelete")->isEnabled());
    EXPECT_FALSE(Act("ActionEncode")->isEnabled());
}

TEST_F(MainWindow, ShortcutsRunTheirCommands)
{
    CreateShown();
    Fill({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    form->ListViewFiles->setFocus();
    Select({1});
    Idle();
    Press(Qt::Key_Delete);
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));

    Idle();
    Press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(form->FileCount(), 0);
}

TEST_F(MainWindow, EveryVisibleMenuEntryHasAMnemonicOrAShortcutAndNoMenuRepeatsALetter)
{
    CreateShown();
    std::vector<QMenu*> menus{wintest::Part<QMenu>(*form, "PopupMenuList")};
    for (QAction* top : form->menuBar()->actions())
        if (top->menu())
            menus.push_back(top->menu());
    for (std::size_t i = 0; i < menus.size(); ++i) {
        QStringList letters;
        for (QAction* action : menus[i]->actions()) {
            if (!action->isVisible() || action->isSeparator())
                continue;
            if (action->menu())
                menus.push_back(action->menu());
            const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
            EXPECT_TRUE(!mnemonic.isEmpty() || !action->shortcut().isEmpty()) << action->text().toStdString();
            if (!mnemonic.isEmpty()) {
                EXPECT_FALSE(letters.contains(mnemonic.toString())) << action->text().toStdString();
                letters << mnemonic.toString();
            }
        }
    }
}

TEST_F(MainWindow, TheShortcutOfACommandThatBecameDisabledDoesNothing)
{
    CreateShown();
    settings.BladeEncPath = folder.ExePath(); // an encoder that exists: Encode would get as far as the list
    folder.Write(QStringLiteral("tonewright"), "#!/bin/sh\n");
    Fill({QStringLiteral("a")});
    Idle();
    ASSERT_TRUE(Act("ActionEncode")->isEnabled());
    // The list empties without an idle pass in between: the shortcut still finds the command
    // enabled, and the check before it runs must stop it (else "There are no files to encode!").
    form->FileList->Clear();
    form->ListViewFiles->setFocus();
    Press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(boxes.Asked().empty()) << boxes.Asked().front().Text.toStdString();
    EXPECT_FALSE(Act("ActionEncode")->isEnabled());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->inherits("TFormProgress") && w->isVisible());
}

TEST_F(MainWindow, DraggingAnEntryOntoTheFirstMovesItToTheTop)
{
    CreateShown();
    Fill({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    TEnhListView* list = form->ListViewFiles;
    list->setCurrentIndex(form->FileList->index(2, 0));
    form->ListViewFiles->SetShowSortArrows(true);

    TListViewDragData data(list);
    const QPoint onFirst = list->visualRect(form->FileList->index(0, 0)).center();
    EXPECT_TRUE(Drag(list, &data, {onFirst}, onFirst));

    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("d")}));
    EXPECT_EQ(list->currentIndex().data().toString(), QStringLiteral("c"));
    EXPECT_FALSE(list->ShowSortArrows());
    EXPECT_EQ(list->UpdateLock(), 0);
    EXPECT_EQ(CountText(), QStringLiteral("4 files"));
}

TEST_F(MainWindow, DroppingBelowTheLastEntryMovesItToTheEnd)
{
    CreateShown();
    Fill({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    TEnhListView* list = form->ListViewFiles;
    list->setCurrentIndex(form->FileList->index(0, 0));
    Select({0, 1}); // only the focused entry moves
    list->selectionModel()->setCurrentIndex(form->FileList->index(0, 0), QItemSelectionModel::NoUpdate);

    TListViewDragData data(list);
    const QRect last = list->visualRect(form->FileList->index(3, 0));
    const QPoint below(last.center().x(), last.bottom() + 3 * last.height());
    ASSERT_LT(below.y(), list->viewport()->height());
    EXPECT_TRUE(Drag(list, &data, {list->visualRect(form->FileList->index(1, 0)).center(), last.center(), below}, below));

    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("a")}));
    // The index survives the move: neither name can be added twice.
    form->AddFile(QStringLiteral("/music/a"));
    form->AddFile(QStringLiteral("/music/d"));
    EXPECT_EQ(form->FileCount(), 4);
}

TEST_F(MainWindow, OutsideDropsNeverMoveAndRowDragsNeverAdd)
{
    CreateShown();
    Fill({QStringLiteral("a"), QStringLiteral("b")});
    TEnhListView* list = form->ListViewFiles;
    list->setCurrentIndex(form->FileList->index(1, 0));
    const QPoint onFirst = list->visualRect(form->FileList->index(0, 0)).center();

    // Plain text and rows of another list are refused, even when dropped without an accepted drag.
    QMimeData text;
    text.setText(QStringLiteral("/tmp/x.wav"));
    TEnhListView otherList;
    TListViewDragData otherRows(&otherList);
    for (const QMimeData* refused : {static_cast<const QMimeData*>(&text), static_cast<const QMimeData*>(&otherRows)}) {
        EXPECT_FALSE(Drag(list, refused, {onFirst}, onFirst));
        QDropEvent drop(QPointF(onFirst), Qt::MoveAction, refused, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    }

    // Files from the file manager dropped on a row are added at the end; the focused row stays.
    // A "file://localhost/" address is the same local file.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x.wav")), QUrl(QStringLiteral("file://localhost/tmp/x.wav")),
                   QUrl(QStringLiteral("file://localhost/tmp/y%20z.wav"))});
    EXPECT_TRUE(Drag(list, &files, {onFirst}, onFirst, Qt::CopyAction | Qt::MoveAction));
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("x.wav"),
                                         QStringLiteral("y z.wav")}));
    EXPECT_EQ(form->FileEntries().last().Folder, QStringLiteral("/tmp/"));
    EXPECT_EQ(CountText(), QStringLiteral("4 files"));
}

TEST_F(MainWindow, HeaderClicksSortTheFilesAndTheArrowShowsWhileTheyAreSorted)
{
    struct Locale {
        Locale() { QLocale::setDefault(QLocale(QStringLiteral("en_US"))); }
        ~Locale() { QLocale::setDefault(QLocale::c()); }
    } en_US;
    CreateShown();
    // Start-up: sorted by "File", ascending, over the empty list.
    EXPECT_TRUE(form->ListViewFiles->ShowSortArrows());
    EXPECT_EQ(form->ListViewFiles->SortColumn(), 0);
    EXPECT_TRUE(form->ListViewFiles->SortAscending());

    struct File { const char* name; int size; QDateTime modified; };
    const File files[] = {{"b.wav", 700, QDateTime(QDate(2026, 3, 10), QTime(10, 0))},
                          {"a.wav", 95, QDateTime(QDate(2026, 3, 9), QTime(11, 0))},
                          {"c.wav", 1024, QDateTime(QDate(2026, 3, 9), QTime(9, 0))}};
    for (const File& f : files) {
        const QString name = QString::fromLatin1(f.name);
        folder.Write(name, QByteArray(f.size, 'x'));
        QFile file(folder.File(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(f.modified, QFileDevice::FileModificationTime));
        file.close();
        form->AddFile(folder.File(name));
    }
    EXPECT_FALSE(form->ListViewFiles->ShowSortArrows());
    QHeaderView* header = form->ListViewFiles->header();
    const auto click = [&](int column) { Q_EMIT header->sectionClicked(column); };

    click(0); // the sort column, but the rows added since broke its order: ascending
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("a.wav"), QStringLiteral("b.wav"), QStringLiteral("c.wav")}));
    EXPECT_TRUE(form->ListViewFiles->SortAscending());
    EXPECT_TRUE(form->ListViewFiles->ShowSortArrows());
    click(0); // under its arrow: reversed
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("c.wav"), QStringLiteral("b.wav"), QStringLiteral("a.wav")}));
    click(2); // by size, though "1,024" holds a separator
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("a.wav"), QStringLiteral("b.wav"), QStringLiteral("c.wav")}));
    click(3);
    click(3); // 10 March first when descending, though "3/10/2026" is the smaller text
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("b.wav"), QStringLiteral("a.wav"), QStringLiteral("c.wav")}));

    // Dragging a row puts the list out of sort order: the arrow goes, no sort follows.
    TEnhListView* list = form->ListViewFiles;
    list->setCurrentIndex(form->FileList->index(2, 0));
    TListViewDragData data(list);
    const QPoint onFirst = list->visualRect(form->FileList->index(0, 0)).center();
    EXPECT_TRUE(Drag(list, &data, {onFirst}, onFirst));
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("c.wav"), QStringLiteral("b.wav"), QStringLiteral("a.wav")}));
    EXPECT_FALSE(list->ShowSortArrows());
    EXPECT_FALSE(list->SortPending());
    EXPECT_EQ(CountText(), QStringLiteral("3 files"));
}

TEST_F(MainWindow, DateAndBytesSortByTimeAndSizeInEveryLocale)
{
    struct Restore {
        ~Restore() { QLocale::setDefault(QLocale::c()); }
    } restore;
    Create();
    struct File { const char* name; qint64 size; QDateTime modified; };
    // Listed in neither order; "5 GB" is a sparse file.
    const File files[] = {{"ten.wav", 95, QDateTime(QDate(2025, 3, 10), QTime(9, 0, 7))},
                          {"nine.wav", 5'000'000'000LL, QDateTime(QDate(2025, 3, 9), QTime(14, 30, 5))},
                          {"track10.wav", 1'024, QDateTime(QDate(2025, 3, 9), QTime(8, 0, 1))},
                          {"track2.wav", 700, QDateTime(QDate(2025, 3, 10), QTime(13, 0, 2))}};
    for (const File& f : files) {
        QFile file(folder.File(QString::fromLatin1(f.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(f.size));
        ASSERT_TRUE(file.setFileTime(f.modified, QFileDevice::FileModificationTime));
    }
    const QStringList byDate = {QStringLiteral("track10.wav"), QStringLiteral("nine.wav"), QStringLiteral("ten.wav"),
                                QStringLiteral("track2.wav")};
    const QStringList bySize = {QStringLiteral("ten.wav"), QStringLiteral("track2.wav"), QStringLiteral("track10.wav"),
                                QStringLiteral("nine.wav")};
    const QStringList byName = {QStringLiteral("nine.wav"), QStringLiteral("ten.wav"), QStringLiteral("track2.wav"),
                                QStringLiteral("track10.wav")};
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 500);
    for (const QLocale& locale : locales) {
        QLocale::setDefault(locale);
        form->FileList->Clear();
        for (const File& f : files)
            form->AddFile(folder.File(QString::fromLatin1(f.name)));
        const std::string name = locale.name().toStdString();
        form->ListViewFiles->SortByColumn(TFileListModel::colDate, true);
        EXPECT_EQ(Names(*form), byDate) << name;
        form->ListViewFiles->SortByColumn(TFileListModel::colBytes, true);
        EXPECT_EQ(Names(*form), bySize) << name;
        form->ListViewFiles->SortByColumn(TFileListModel::colFile, true);
        EXPECT_EQ(Names(*form), byName) << name;
        // Nothing is left of the time zone: no empty brackets, no dangling separator.
        for (const TFileEntry& e : form->FileEntries()) {
            EXPECT_FALSE(e.Date.contains(QStringLiteral("()")) || e.Date.contains(QStringLiteral("[]"))) << name << " " << e.Date.toStdString();
            EXPECT_EQ(e.Date, e.Date.trimmed()) << name;
            EXPECT_FALSE(e.Date.endsWith(QLatin1Char(',')) || e.Date.endsWith(QLatin1Char(';'))) << name << " " << e.Date.toStdString();
        }
    }
}

TEST_F(MainWindow, ARowDroppedBelowTheLastAfterTheListScrolledGoesToTheEnd)
{
    CreateShown();
    QStringList names = Numbered(40, 2);
    Fill(names);
    TEnhListView* list = form->ListViewFiles;
    // Leave half a row of room below the last row once scrolled to the end.
    const int rowHeight = list->visualRect(form->FileList->index(0, 0)).height();
    const int viewport = list->viewport()->height();
    form->resize(form->width(), form->height() + (rowHeight / 2 - viewport % rowHeight + rowHeight) % rowHeight);
    Idle();
    ASSERT_GT(list->viewport()->height() % rowHeight, 2);
    list->setCurrentIndex(form->FileList->index(3, 0));

    TListViewDragData data(list);
    const QPoint nearBottom(20, list->viewport()->height() - 2);
    QDragEnterEvent enter(nearBottom, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(nearBottom, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    const QModelIndex before = list->DropTarget();
    ASSERT_TRUE(before.isValid());
    // The list scrolls to its end under the resting pointer, as the edge scrolling does.
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    ASSERT_GT(list->verticalScrollBar()->value(), 0);
    EXPECT_NE(list->DropTarget().row(), before.row());
    EXPECT_EQ(list->DropTarget(), list->RowAt(nearBottom.y()));
    QDropEvent drop(QPointF(nearBottom), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);

    ASSERT_TRUE(list->BelowLastRow(nearBottom.y()));
    names.move(3, 39);
    EXPECT_EQ(Names(*form), names);
}

TEST_F(MainWindow, AtElevenPointsTheColumnsFitTheWindowAndThePanelsTheirTexts)
{
    struct RestoreFont {
        QFont before = QApplication::font();
        ~RestoreFont() { QApplication::setFont(before); }
    } restore;
    QFont eleven = QApplication::font();
    eleven.setPointSize(11); // GNOME's default
    QApplication::setFont(eleven);
    CreateShown();
    TEnhListView* list = form->ListViewFiles;
    ASSERT_GT(list->header()->length() + 2 * list->frameWidth(), 536) << "the font should not fit the design";
    EXPECT_LE(list->header()->length(), list->viewport()->width());
    EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
    EXPECT_GE(form->frameGeometry().width(), 536);
    EXPECT_EQ(form->frameGeometry().height(), 374) << "the outer size, frame included";

    QLabel* const count = wintest::Part<QLabel>(*form, "StatusPanelCount");
    for (QLabel* panel : {wintest::Part<QLabel>(*form, "StatusPanelProduct"), count}) {
        const QString text = panel == count ? QStringLiteral("12345 files") : panel->text();
        panel->setText(text);
        EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(text)) << text.toStdString();
    }
    EXPECT_EQ(wintest::Part<QLabel>(*form, "StatusPanelProduct")->text(), QStringLiteral("Tonewright 1.2"));
}

TEST_F(MainWindow, DroppedTextAddsEveryLine)
{
    Create();
    // Cleaned as command-line paths are: one file is one row, whichever way it was written.
    form->UOTextTarget1Drop(nullptr, QStringLiteral("/a/1.wav\r\n/a/2.wav\n\n/a/1.WAV\n/a/./1.wav\n/a//b/../2.wav\n"));
    EXPECT_EQ(Names(*form), (QStringList{QStringLiteral("1.wav"), QStringLiteral("2.wav"), QStringLiteral("1.WAV")}));
    EXPECT_EQ(form->ListViewFiles->UpdateLock(), 0);
}

TEST_F(MainWindow, AddingAFileSwitchesTheSortArrowsOff)
{
    Create();
    form->ListViewFiles->SetShowSortArrows(true);
    form->AddFile(QStringLiteral("/a/1.wav"));
    EXPECT_FALSE(form->ListViewFiles->ShowSortArrows());
}

TEST_F(MainWindow, WindowLayoutColumnsAndFocus)
{
    CreateShown();
    EXPECT_EQ(form->minimumSize(), QSize(100, 100));
    EXPECT_EQ(QApplication::focusWidget(), form->ListViewFiles);
    const QAbstractItemModel* header = form->ListViewFiles->model();
    EXPECT_EQ(header->headerData(0, Qt::Horizontal).toString(), QStringLiteral("File"));
    EXPECT_EQ(header->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Folder"));
    EXPECT_EQ(header->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Bytes"));
    EXPECT_EQ(header->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Date"));
    EXPECT_EQ(header->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Status"));
    EXPECT_EQ(header->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    const QList<int> widths = FileListColumnWidths(form->ListViewFiles->fontMetrics());
    ASSERT_EQ(widths.size(), 5);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(form->ListViewFiles->columnWidth(c), widths[c]) << c;
    EXPECT_EQ(form->ListViewFiles->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(form->ListViewFiles->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_GE(wintest::Part<QLabel>(*form, "StatusPanelProduct")->width(), 100);
    // The program has a picture of its own in the title bar and the task bar, also on the
    // windows it owns, and the tray shows it too.
    EXPECT_FALSE(form->windowIcon().isNull());
    QDialog owned(form.get());
    EXPECT_FALSE(owned.windowIcon().isNull());
    QDialog unowned;
    EXPECT_FALSE(unowned.windowIcon().isNull());
    EXPECT_EQ(form->Tray->RxTrayIcon1->Icon().cacheKey(), form->windowIcon().cacheKey());
}

TEST(FileListColumns, WidenWithTheFontSoSizesAndFullDatesFit)
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    QFont font = QApplication::font();
    for (int pixels : {9, 16, 24}) {
        font.setPixelSize(pixels);
        const QFontMetrics fm(font);
        const QList<int> widths = FileListColumnWidths(fm);
        EXPECT_NEAR(widths[0], 100 * fm.averageCharWidth() / 5.0, 1) << pixels;
        EXPECT_NEAR(widths[1], 150 * fm.averageCharWidth() / 5.0, 1) << pixels;
        EXPECT_GT(widths[2], fm.horizontalAdvance(QStringLiteral("9,999,999,999"))) << pixels;
        EXPECT_GT(widths[3], fm.horizontalAdvance(QStringLiteral("12/28/2028 11:58:58 PM"))) << pixels;
        EXPECT_GT(widths[4], fm.horizontalAdvance(QStringLiteral("Encoding 100%"))) << pixels;
    }
    QLocale::setDefault(QLocale::c());
}

TEST_F(MainWindow, MenusHoldTheEntriesWithTheHiddenOnesHidden)
{
    Create();
    const QList<QAction*> file = wintest::Part<QMenu>(*form, "MenuFile")->actions();
    ASSERT_EQ(file.size(), 5);
    EXPECT_EQ(file[0], Act("ActionChooseFiles"));
    EXPECT_EQ(file[1], Act("ActionAddFolder"));
    EXPECT_FALSE(file[2]->isVisible());
    EXPECT_EQ(file[2]->text(), QStringLiteral("Open filelist"));
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[4]->text(), QStringLiteral("E&xit"));
    EXPECT_FALSE(Act("MenuQuickEncode")->isVisible());
    EXPECT_FALSE(Act("MenuContents")->isVisible());
    EXPECT_FALSE(Act("MenuKeywordSearch")->isVisible());

    const QList<QAction*> popup = wintest::Part<QMenu>(*form, "PopupMenuList")->actions();
    ASSERT_EQ(popup.size(), 9);
    EXPECT_EQ(popup[0], Act("ActionChooseFiles"));
    EXPECT_EQ(popup[1], Act("ActionAddFolder"));
    EXPECT_EQ(popup[3], Act("ActionDelete"));
    EXPECT_EQ(popup[4], Act("ActionClearList"));
    EXPECT_EQ(popup[5], Act("ActionClearFinished"));
    EXPECT_EQ(popup[7], Act("ActionEncode"));
    EXPECT_EQ(popup[8], Act("ActionOptions"));
    const QList<QAction*> edit = wintest::Part<QMenu>(*form, "MenuEdit")->actions();
    ASSERT_GE(edit.size(), 3);
    EXPECT_EQ(edit[2], Act("ActionClearFinished"));

    EXPECT_EQ(Act("ActionChooseFiles")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(Act("ActionAddFolder")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    EXPECT_EQ(Act("ActionEncode")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(Act("ActionDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(Act("ActionClearList")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_EQ(Act("ActionEncode")->toolTip(), QStringLiteral("Starts encoding the listed files"));
    for (QAction* a : {Act("ActionChooseFiles"), Act("ActionAddFolder"), Act("ActionEncode"), Act("ActionDelete"), Act("ActionClearList"),
                       Act("ActionOptions"), Act("ActionAbout")})
        EXPECT_FALSE(a->icon().isNull());
}

TEST_F(MainWindow, HomePagesOpenInTheBrowser)
{
    Create();
    QList<QUrl> opened;
    form->OpenUrl = [&](const QUrl& url) { opened << url; };
    Act("MenuBladeEncHomepage")->trigger();
    Act("MenuTonewrightHomepage")->trigger();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QUrl(ResStr::BladeEncHomepageUrl));
    EXPECT_EQ(opened[1], QUrl(ResStr::TonewrightHomepageUrl));
    EXPECT_TRUE(ResStr::TonewrightHomepageUrl.startsWith(QStringLiteral("https://")));
}

TEST_F(MainWindow, ExitClosesTheWindow)
{
    CreateShown();
    ASSERT_TRUE(form->isVisible());
    Act("MenuExit")->trigger();
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindow, CtrlQExitsLikeFileExit)
{
    CreateShown();
    int quits = 0;
    form->QuitApplication = [&] { ++quits; };
    form->ListViewFiles->setFocus();
    Idle();
    Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindow, ExitTonewrightFromTheTrayEndsTheProgramAlsoWhileHidden)
{
    CreateShown();
    int quits = 0;
    form->QuitApplication = [&] { ++quits; };
    // Hidden in the tray after a run: closing a window that is already hidden does not end the
    // program by itself, which would leave it running with nothing on screen.
    form->hide();
    form->Tray->PopupMenuTrayPopup();
    ASSERT_EQ(form->Tray->MenuItemTrayExit->text(), QStringLiteral("Exit Tonewright"));
    form->Tray->MenuItemTrayExit->trigger();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(form->Tray->RxTrayIcon1->Active());
}
