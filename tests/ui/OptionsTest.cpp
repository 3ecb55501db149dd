// The options dialog: load and store, the OK check, the path editor and its browse button, the
// keyboard order and layout, and the Options command from the main window to the encoder.
#include "AsNobody.h"
#include "ConsoleIO.h"
#include "LayoutCheck.h"
#include "OptionsRules.h"
#include "BatchRun.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "RxSlider.h"
#include "ScriptedDialogs.h"
#include "Spin.h"
#include "TempProgramFolder.h"
#include "TitleBarButton.h"
#include "Globals.h"
#include "Options.h"
#include "Progress.h"
#include "ResStr.h"
#include "WindowTestSupport.h"

#include <QAccessible>
#include <QAbstractButton>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QDir>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace wintest;

namespace {
const QString Question = QStringLiteral(
    "The file you've selected isn't named \"BladeEnc\".\r\nAre you sure that you've selected the right file?");

class Options : public ::testing::Test {
protected:
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;

    void SetUp() override
    {
        SetDefaultSettings(settings);
        settings.BladeEncPath = QStringLiteral("/opt/enc/BladeEnc");
    }

    // A dialog loaded from `settings`, shown (not modal) so that its OK closes it.
    std::unique_ptr<TFormOptions> Loaded()
    {
        auto dialog = std::make_unique<TFormOptions>(nullptr);
        dialog->Load(settings);
        dialog->show();
        return dialog;
    }
};

// Runs `action` inside the Options command's modal loop once the dialog shows; a dialog still
// open after the hang guard is cancelled and fails the test.
void WhenOptionsShow(TFormMain& main, std::function<void(TFormOptions&)> action)
{
    auto* timer = new QTimer(&main);
    timer->setInterval(10);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    auto acted = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, &main, [action, started, acted] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<TFormOptions*>(w); dialog && dialog->isVisible()) {
                if (!*acted) {
                    *acted = true;
                    action(*dialog);
                } else if (started->hasExpired(20000)) {
                    ADD_FAILURE() << "the options dialog stayed open";
                    dialog->reject();
                }
                return;
            }
    });
    timer->start();
}
// Encodes `file` with the fake encoder through the Encode command and returns the arguments the
// encoder was started with; `argsOut` is where the fake writes them.
QList<QByteArray> ArgumentsOfABatch(TFormMain& main, const QString& argsOut, const QString& file)
{
    qputenv("FAKE_BLADEENC_ARGS_OUT", QFile::encodeName(argsOut));
    qputenv("FAKE_BLADEENC_SCRIPT_TEXT", "print Files to encode: 0\n");
    main.AddFile(file);
    main.ActionList1Update();
    wintest::Part(main, "ActionEncode")->trigger();
    (void)QTest::qWaitFor([&] { return !main.Batch->GUI2Console1->Running(); }, WaitGuardMs);
    qunsetenv("FAKE_BLADEENC_ARGS_OUT");
    qunsetenv("FAKE_BLADEENC_SCRIPT_TEXT");

    QFile out(argsOut);
    if (!out.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> args = out.readAll().split('\0');
    args.removeLast(); // after the last NUL
    return args;
}
} // namespace

TEST_F(Options, LoadShowsTheTableEntriesAndStoreWritesThemBack)
{
    settings.Bitrate = 128;
    settings.Priority = 4;
    settings.Crc = true;
    settings.Mp3Flags = mfCopy | mfCopyright;
    auto d = Loaded();
    EXPECT_EQ(d->RxSliderBitrate->Value(), 9);
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("128 kBit"));
    EXPECT_EQ(d->LabelPriority->text(), QStringLiteral("Higher"));
    EXPECT_EQ(d->EditBladeEnc->text(), QStringLiteral("/opt/enc/BladeEnc"));
    const auto ticked = [&] {
        QList<bool> t;
        for (QCheckBox* c : {d->CheckBoxMono, d->CheckBoxCrc, d->CheckBoxDelete, d->CheckBoxOriginal, d->CheckBoxCopy,
                             d->CheckBoxPrivate, d->CheckBoxCopyright})
            t << c->isChecked();
        return t;
    };
    EXPECT_EQ(ticked(), (QList<bool>{false, true, false, false, true, false, true}));

    // Values in no table entry show the defaults, and OK stores them untouched.
    settings.Bitrate = 100;
    settings.Priority = 9;
    d = Loaded();
    EXPECT_EQ(d->RxSliderBitrate->Value(), 8);
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("112 kBit"));
    EXPECT_EQ(d->LabelPriority->text(), QStringLiteral("Normal"));
    d->CheckBoxPrivate->setChecked(true);
    d->CheckBoxCopy->setChecked(false);
    d->Store(settings);
    EXPECT_EQ(settings.Bitrate, 112);
    EXPECT_EQ(settings.Priority, 3);
    EXPECT_EQ(settings.Mp3Flags, mfPrivate | mfCopyright);
    EXPECT_TRUE(settings.Crc);
    EXPECT_EQ(settings.BladeEncPath, QStringLiteral("/opt/enc/BladeEnc"));
}

TEST_F(Options, TheOkCheckAsksOnlyAboutANewPathNotNamedBladeEnc)
{
    // The stored path, whatever its name: no question.
    settings.BladeEncPath = QStringLiteral("/opt/enc/lame");
    auto d = Loaded();
    d->ButtonOK->click();
    // Named BladeEnc in other letters: no question.
    auto renamed = Loaded();
    renamed->EditBladeEnc->setText(QStringLiteral("/usr/bin/bladeENC"));
    renamed->ButtonOK->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(renamed->result(), QDialog::Accepted);
    EXPECT_TRUE(boxes.Asked().empty());

    // Another name asks; No and Cancel keep the dialog open with its contents, Yes accepts.
    d = Loaded();
    d->EditBladeEnc->setText(QStringLiteral("/usr/bin/encoder"));
    d->CheckBoxMono->setChecked(true);
    boxes.Answer(IDNO);
    boxes.Answer(IDCANCEL);
    boxes.Answer(IDYES);
    d->ButtonOK->click();
    d->ButtonOK->click();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->EditBladeEnc->text(), QStringLiteral("/usr/bin/encoder"));
    EXPECT_TRUE(d->CheckBoxMono->isChecked());
    d->ButtonOK->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    ASSERT_EQ(boxes.Asked().size(), 3u);
    EXPECT_EQ(boxes.Asked()[0].Text, Question);
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Question"));
    EXPECT_EQ(boxes.Asked()[0].Flags, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION));

    // An empty path asks too; Yes stores it empty.
    d = Loaded();
    d->EditBladeEnc->clear();
    boxes.Answer(IDYES);
    d->ButtonOK->click();
    EXPECT_EQ(boxes.Asked().size(), 4u);
    d->Store(settings);
    EXPECT_EQ(settings.BladeEncPath, QString());
}

TEST_F(Options, PathsWithBlanksAreShownQuotedAndReadBackWhole)
{
    const QString existing = folder.File(QStringLiteral("my tools/Blade Enc"));
    folder.Write(QStringLiteral("my tools/Blade Enc"), "x");
    settings.BladeEncPath = existing;
    auto d = Loaded();
    EXPECT_EQ(d->EditBladeEnc->text(), QLatin1Char('"') + existing + QLatin1Char('"'));
    EXPECT_EQ(d->BladeEncPath(), existing);

    // Typed without quotes: an existing file is taken whole, any other text's first item.
    d->EditBladeEnc->setText(existing);
    EXPECT_EQ(d->BladeEncPath(), existing);
    d->EditBladeEnc->setText(QStringLiteral("/no such/Blade Enc"));
    EXPECT_EQ(d->BladeEncPath(), QStringLiteral("/no"));
    d->EditBladeEnc->setText(QStringLiteral("\"/no such/BladeEnc\" -x"));
    EXPECT_EQ(d->BladeEncPath(), QStringLiteral("/no such/BladeEnc"));

    // A path the editor could not show again (a double quote in it) is refused at OK.
    folder.Write(QStringLiteral("odd\"dir/BladeEnc"), "x");
    const QString quoted = folder.File(QStringLiteral("odd\"dir/BladeEnc"));
    d->EditBladeEnc->setText(quoted);
    boxes.Answer(IDOK);
    d->ButtonOK->click();
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Invalid file name - ") + quoted);
}

TEST_F(Options, EveryLinuxPathButADoubleQuoteIsAFileName)
{
    const struct {
        const char* path;
        bool valid;
    } cases[] = {
        {"/opt/enc [0.94]/BladeEnc", true}, {"/opt/<a>|b/BladeEnc", true}, {"/opt/a*b?/BladeEnc", true},
        {"/opt/a:b\\c/BladeEnc", true},     {"/opt/a\"b/BladeEnc", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidFileName(QString::fromUtf8(c.path)), c.valid) << c.path;

    // Chosen in the editor, such a path is taken and stored.
    const QString bracketed = QStringLiteral("/opt/enc [0.94]/BladeEnc");
    auto d = Loaded();
    d->EditBladeEnc->setText(PathEditText(bracketed));
    d->ButtonOK->click();
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    d->Store(settings);
    EXPECT_EQ(settings.BladeEncPath, bracketed);
}

TEST_F(Options, BrowseStartsAtThePathShowsTheChoiceAndRemembersItsFolder)
{
    ScriptedFileDialogs files;
    settings.BladeEncPath = folder.File(QStringLiteral("BladeEnc"));
    auto d = Loaded();
    const QString chosen = folder.File(QStringLiteral("new dir/BladeEnc"));
    files.AnswerOpen({chosen});
    d->ActionBrowse->trigger();
    ASSERT_EQ(files.Requests().size(), 1u);
    const FileDialogRequest& r = files.Requests()[0];
    EXPECT_EQ(r.Title, QStringLiteral("Browse for BladeEnc"));
    EXPECT_EQ(ToQtFilters(r.Filter), (QStringList{QStringLiteral("BladeEnc (BladeEnc)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(r.FilterIndex, 1);
    EXPECT_EQ(r.InitialDir, folder.Path());
    EXPECT_EQ(r.FileName, QStringLiteral("BladeEnc"));
    EXPECT_TRUE(r.DefaultExt.isEmpty());
    EXPECT_FALSE(r.MultiSelect);
    EXPECT_EQ(d->EditBladeEnc->text(), QLatin1Char('"') + chosen + QLatin1Char('"'));

    // The chosen folder does not exist: the next browse starts in the remembered one; a cancel
    // changes nothing.
    files.AnswerOpen({});
    d->ActionBrowse->trigger();
    EXPECT_EQ(files.Requests()[1].InitialDir, folder.File(QStringLiteral("new dir/")));
    EXPECT_EQ(d->EditBladeEnc->text(), QLatin1Char('"') + chosen + QLatin1Char('"'));

    // Nothing to start from: the program's own folder.
    auto fresh = std::make_unique<TFormOptions>(nullptr);
    files.AnswerOpen({});
    fresh->ActionBrowse->trigger();
    EXPECT_EQ(files.Requests()[2].InitialDir, folder.Path());
}

TEST_F(Options, TabGoesThroughBitrateModeSlidersFlagsOptionsPathAndButtons)
{
    auto d = Loaded();
    QList<QWidget*> order;
    QWidget* w = d->CheckBoxOriginal;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(d.get()) && w->isEnabled())
            order << w;
        w = w->nextInFocusChain();
    } while (w != d->CheckBoxOriginal);
    EXPECT_EQ(order, (QList<QWidget*>{d->CheckBoxOriginal, d->CheckBoxCopy, d->CheckBoxPrivate, d->CheckBoxCopyright,
                                      d->CheckBoxMono, d->CheckBoxCrc, d->CheckBoxDelete, d->EditBladeEnc,
                                      d->RadioButtonBeside, d->RadioButtonFolder, d->CheckBoxSkipExisting,
                                      d->ButtonOK, d->ButtonCancel, d->RadioButtonCbr, d->RadioButtonVbr,
                                      d->RxSliderBitrate, d->RxSliderPriority}));
    // Each slider's caption leads to it.
    EXPECT_EQ(d->LabelCurrentBitrate->buddy(), d->RxSliderBitrate);
    EXPECT_EQ(d->LabelCurrentPriority->buddy(), d->RxSliderPriority);
    EXPECT_EQ(d->focusWidget(), d->CheckBoxOriginal);
    EXPECT_TRUE(d->ButtonOK->isDefault());
}

TEST_F(Options, NothingIsCutOrOverlapsAndOnlyTheCaptionsAreBold)
{
    for (std::int32_t vbr : {VbrOff, 0}) {
        SCOPED_TRACE(vbr);
        settings.Vbr = vbr;
        auto d = Loaded();
        EXPECT_GE(d->width(), 330);
        EXPECT_GE(d->height(), 301);
        const QList<QGroupBox*> groups = d->PanelTop->findChildren<QGroupBox*>();
        ASSERT_EQ(groups.size(), 6);
        for (QGroupBox* g : groups) {
            EXPECT_TRUE(g->font().bold());
            EXPECT_TRUE(d->PanelTop->rect().contains(g->geometry())) << g->title().toStdString();
            for (QGroupBox* other : groups) {
                if (other != g) {
                    EXPECT_FALSE(g->geometry().intersects(other->geometry()));
                }
            }
            for (QWidget* child : g->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                EXPECT_FALSE(child->font().bold());
                if (!child->isVisible())
                    continue;  // the slider of the other bitrate mode: laid out when it shows
                EXPECT_TRUE(g->contentsRect().contains(child->geometry())) << g->title().toStdString();
                EXPECT_GE(child->width(), child->minimumSizeHint().width());
            }
        }
        EXPECT_FALSE(d->ButtonOK->geometry().intersects(d->ButtonCancel->geometry()));
        EXPECT_EQ(CutTexts(d.get()), QStringList());
    }
}

TEST_F(Options, SlidersAndTheTrayButtonSpeakToAssistiveTechnology)
{
    struct Case {
        std::int32_t vbr;
        TRxSlider* TFormOptions::*slider;
        const char *name, *value;
        int min, max;
        const char* clamped;  // after a value far past the end
    } cases[] = {
        {VbrOff, &TFormOptions::RxSliderBitrate, "Bitrate", "128 kBit", 1, 14, "320 kBit"},
        {2, &TFormOptions::RxSliderVbr, "Variable bitrate", "V2, about 190 kBit", 0, 9, "V0, about 245 kBit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.Bitrate = 128;
        settings.Vbr = c.vbr;
        auto d = Loaded();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(d.get()->*c.slider);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Slider);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(a->text(QAccessible::Value), QString::fromUtf8(c.value));
        QAccessibleValueInterface* v = a->valueInterface();
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->minimumValue().toInt(), c.min);
        EXPECT_EQ(v->maximumValue().toInt(), c.max);
        v->setCurrentValue(99);
        EXPECT_EQ(d->LabelBitrate->text(), QString::fromUtf8(c.clamped));
        EXPECT_EQ(a->text(QAccessible::Value), QString::fromUtf8(c.clamped));
    }

    TFormProgress progress(nullptr);
    QAccessibleInterface* tray = QAccessible::queryAccessibleInterface(progress.TrayButton);
    EXPECT_EQ(tray->role(), QAccessible::Button);
    EXPECT_FALSE(tray->text(QAccessible::Name).isEmpty());
}

TEST_F(Options, CancelAfterChangingEverythingLeavesSettingsAndFileAlone)
{
    TFormMain main(settings);
    const QByteArray before = folder.Read(QStringLiteral("tonewright.ini"));
    ASSERT_FALSE(before.isEmpty());
    const TSettings saved = settings;
    WhenOptionsShow(main, [](TFormOptions& d) {
        for (QCheckBox* c : d.findChildren<QCheckBox*>())
            c->click();
        d.RxSliderBitrate->SetValue(1);
        d.RxSliderPriority->SetValue(5);
        d.EditBladeEnc->setText(QStringLiteral("/elsewhere/BladeEnc"));
        d.ButtonCancel->click();
    });
    wintest::Part(main, "ActionOptions")->trigger();
    EXPECT_EQ(folder.Read(QStringLiteral("tonewright.ini")), before);
    EXPECT_TRUE(settings == saved);
}

TEST_F(Options, EveryStoredPathOpensTheDialogAlsoOneTheEditorCannotQuote)
{
    TFormMain main(settings);
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"/opt/a|b/BladeEnc", "/opt/a|b/BladeEnc"},
        {"/opt/enc [0.94]/BladeEnc", "\"/opt/enc [0.94]/BladeEnc\""},
        {"/opt/<x>/BladeEnc", "/opt/<x>/BladeEnc"},
        {"/opt/a\"b/BladeEnc", "/opt/a\"b/BladeEnc"}, // shown as it is, to be mended
    };
    for (const auto& c : cases) {
        settings.BladeEncPath = QString::fromUtf8(c.stored);
        QString shownPath = QStringLiteral("(no dialog)");
        WhenOptionsShow(main, [&](TFormOptions& d) {
            shownPath = d.EditBladeEnc->text();
            d.ButtonCancel->click();
        });
        wintest::Part(main, "ActionOptions")->trigger();
        EXPECT_EQ(shownPath, QString::fromUtf8(c.shown)) << c.stored;
        EXPECT_TRUE(boxes.Asked().empty()) << c.stored;
    }

    // Mended in the dialog.
    WhenOptionsShow(main, [&](TFormOptions& d) {
        d.EditBladeEnc->setText(QStringLiteral("/opt/ab/BladeEnc"));
        d.ButtonOK->click();
    });
    wintest::Part(main, "ActionOptions")->trigger();
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_EQ(settings.BladeEncPath, QStringLiteral("/opt/ab/BladeEnc"));
}

TEST_F(Options, ChangesMadeInTheDialogGoThroughTheSettingsFileOntoTheEncodersCommandLine)
{
    const struct {
        const char* what;
        std::function<void(TFormOptions&)> change;
        std::int32_t bitrate;  // the constant bitrate is kept while a level is chosen
        QList<QByteArray> args;
    } cases[] = {
        {"constant bitrate",
         [](TFormOptions& d) {
             Key(d.RxSliderBitrate, Qt::Key_Right); // 160
             Key(d.RxSliderBitrate, Qt::Key_Right); // 192
             Key(d.RxSliderPriority, Qt::Key_Right); // Lower
             d.CheckBoxMono->click();
             d.CheckBoxOriginal->click();
         },
         192,
         {"-quit", "-192", "-MONO", "-ORIGINAL", "-PRIO=LOWER"}},
        {"variable bitrate",
         [](TFormOptions& d) {
             d.RadioButtonVbr->click();
             Key(d.RxSliderVbr, Qt::Key_Right); // V1
             Key(d.RxSliderVbr, Qt::Key_Right); // V0
         },
         128,
         {"-quit", "-VBR=0", "-PRIO=LOWEST"}},
        {"output folder",
         [](TFormOptions& d) {
             d.RadioButtonFolder->click();
             d.EditOutputFolder->setText(QDir::tempPath() + QStringLiteral("/not made/mp3 [1]"));
         },
         128,
         {"-quit", "-128", "-PRIO=LOWEST", QFile::encodeName(QDir::tempPath() + QStringLiteral("/not made/mp3 [1]")).prepend("-OUTDIR=")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TFormMain main(settings);
        main.show();
        SetDefaultSettings(settings);
        settings.BladeEncPath = QString::fromUtf8(TW_FAKE_BLADEENC);
        WhenOptionsShow(main, [&](TFormOptions& d) {
            c.change(d);
            d.ButtonOK->click();
        });
        wintest::Part(main, "ActionOptions")->trigger();

        // What the next start reads is what the encoder gets.
        SetDefaultSettings(settings);
        ASSERT_TRUE(LoadSettings(settings));
        EXPECT_EQ(settings.Bitrate, c.bitrate);
        const QList<QByteArray> args = ArgumentsOfABatch(main, folder.File(QStringLiteral("args")), QStringLiteral("/music/a b.wav"));
        EXPECT_EQ(args, c.args + QList<QByteArray>{"/music/a b.wav"});
        EXPECT_TRUE(boxes.Asked().empty());
    }
}

TEST_F(Options, VariableBitrateLevelsLoadShowAndStore)
{
    struct Case {
        std::int32_t stored;
        bool vbrChosen;
        int position;
        const char* label;
        std::int32_t storedBack;  // OK without a change
    } cases[] = {
        {VbrOff, false, 7, "128 kBit", VbrOff},  // off: the slider waits on the recommended V2
        {0, true, 9, "V0, about 245 kBit", 0},
        {2, true, 7, "V2, about 190 kBit", 2},
        {4, true, 5, "V4, about 165 kBit", 4},
        {9, true, 0, "V9, about 65 kBit", 9},
        {12, false, 7, "128 kBit", VbrOff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.Bitrate = 128;
        settings.Vbr = c.stored;
        auto d = Loaded();
        EXPECT_EQ(d->RadioButtonVbr->isChecked(), c.vbrChosen);
        EXPECT_EQ(d->RadioButtonCbr->isChecked(), !c.vbrChosen);
        EXPECT_EQ(d->RxSliderVbr->isVisible(), c.vbrChosen);
        EXPECT_EQ(d->RxSliderBitrate->isVisible(), !c.vbrChosen);
        EXPECT_EQ(d->RxSliderVbr->Value(), c.position);
        EXPECT_EQ(d->LabelBitrate->text(), QString::fromUtf8(c.label));
        d->Store(settings);
        EXPECT_EQ(settings.Vbr, c.storedBack);
        EXPECT_EQ(settings.Bitrate, 128);
    }

    // Switching keeps each slider's place; the label and caption follow the chosen one.
    settings.Vbr = VbrOff;
    settings.Bitrate = 192;
    auto d = Loaded();
    d->RadioButtonVbr->click();
    EXPECT_EQ(d->LabelCurrentBitrate->text(), QStringLiteral("Current level:"));
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("V2, about 190 kBit"));
    d->RxSliderVbr->SetValue(3);
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("V6, about 115 kBit"));
    d->RxSliderBitrate->SetValue(1);  // out of sight: the label stays with the level
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("V6, about 115 kBit"));
    d->Store(settings);
    EXPECT_EQ(settings.Vbr, 6);
    d->RadioButtonCbr->click();
    EXPECT_EQ(d->LabelCurrentBitrate->text(), QStringLiteral("Current bitrate:"));
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("32 kBit"));
    d->Store(settings);
    EXPECT_EQ(settings.Vbr, VbrOff);
    EXPECT_EQ(settings.Bitrate, 32);
}

TEST_F(Options, TheLevelSliderTakesTheBitrateSlidersKeys)
{
    settings.Vbr = 0;
    auto d = Loaded();
    // Left is the smaller file, as on the bitrate slider; Home the smallest.
    Key(d->RxSliderVbr, Qt::Key_Left);
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("V1, about 225 kBit"));
    Key(d->RxSliderVbr, Qt::Key_Home);
    EXPECT_EQ(d->LabelBitrate->text(), QStringLiteral("V9, about 65 kBit"));

    // A slider that hides while it has the focus hands it to the one that shows.
    d->activateWindow();
    d->RxSliderVbr->setFocus();
    ASSERT_EQ(d->focusWidget(), d->RxSliderVbr);
    d->RadioButtonCbr->setChecked(true);
    EXPECT_EQ(d->focusWidget(), d->RxSliderBitrate);
}

TEST_F(Options, TheOutputGroupLoadsStoresBrowsesAndRefusesAFolderThatCannotTakeTheMp3s)
{
    ScriptedFileDialogs files;
    const QString stored = folder.File(QStringLiteral("mp3"));
    ASSERT_TRUE(QDir().mkpath(stored));
    settings.OutputFolder = stored;
    settings.KeepSubfolders = true;
    settings.SkipExisting = true;
    auto d = Loaded();
    EXPECT_TRUE(d->RadioButtonFolder->isChecked());
    EXPECT_EQ(d->EditOutputFolder->text(), stored);
    EXPECT_TRUE(d->CheckBoxKeepSubfolders->isChecked() && d->CheckBoxKeepSubfolders->isEnabled());
    EXPECT_TRUE(d->CheckBoxSkipExisting->isChecked());

    // Browse starts at the folder typed; the choice lands in the editor, a cancel changes nothing.
    const QString chosen = folder.File(QStringLiteral("chosen"));
    files.AnswerFolder(chosen);
    files.AnswerFolder(QString());
    d->ButtonOutputBrowse->click();
    d->ButtonOutputBrowse->click();
    ASSERT_EQ(files.Requests().size(), 2u);
    EXPECT_EQ(files.Requests()[0].InitialDir, stored);
    EXPECT_EQ(files.Requests()[0].Title, ResStr::OptionsOutputBrowseTitle);
    EXPECT_EQ(d->EditOutputFolder->text(), chosen);

    // A folder that cannot take the MP3s is refused at OK; the dialog keeps everything.
    folder.Write(QStringLiteral("a file"), "x");
    const QString locked = folder.File(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(locked));
    const struct {
        QString typed, error;
    } refused[] = {
        {QStringLiteral("   "), ResStr::OutputFolderEmpty},
        {QStringLiteral("mp3/out"), ResStr::OutputFolderNotAbsolute.arg(QStringLiteral("mp3/out"))},
        {folder.File(QStringLiteral("a file/out")),
         ResStr::OutputFolderBlocked.arg(folder.File(QStringLiteral("a file/out")), folder.File(QStringLiteral("a file")))},
        {stored + QStringLiteral("\nx"), ResStr::InvalidFileName.arg(stored + QStringLiteral("\nx"))},
    };
    d->CheckBoxMono->setChecked(true);
    for (const auto& c : refused) {
        d->EditOutputFolder->setText(c.typed);
        boxes.Answer(IDOK);
        d->ButtonOK->click();
        ASSERT_FALSE(boxes.Asked().empty());
        EXPECT_EQ(boxes.Asked().back().Text, c.error);
        EXPECT_TRUE(d->isVisible() && d->CheckBoxMono->isChecked()) << c.typed.toStdString();
        EXPECT_EQ(d->EditOutputFolder->text(), c.typed);
    }
    // A folder this user may not write, asked as an ordinary user (root may write anywhere).
    const QString below = locked + QStringLiteral("/new");
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    EXPECT_EQ(RunAsNobody({folder.Path()}, [&] { return OutputFolderProblem(below) == ResStr::OutputFolderNotWritable.arg(below, locked) ? 0 : 1; }), 0);

    // One that does not exist yet below a folder that can be written is taken, and not made here.
    const QString fresh = folder.File(QStringLiteral("new/deeper/"));
    d->EditOutputFolder->setText(fresh);
    const size_t asked = boxes.Asked().size();
    d->ButtonOK->click();
    EXPECT_EQ(boxes.Asked().size(), asked);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    d->Store(settings);
    EXPECT_EQ(settings.OutputFolder, folder.File(QStringLiteral("new/deeper")));
    EXPECT_FALSE(QFileInfo::exists(fresh));

    // Beside the sources: the editor's text is not asked about and not kept.
    d->RadioButtonBeside->click();
    d->EditOutputFolder->clear();
    d->Store(settings);
    EXPECT_EQ(settings.OutputFolder, QString());
    EXPECT_FALSE(d->EditOutputFolder->isEnabled());
}

TEST_F(Options, EveryMnemonicIsUniqueInTheWindow)
{
    auto d = Loaded();
    QMap<QChar, QString> seen;
    for (QWidget* w : d->findChildren<QWidget*>()) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            text = group->title();
        const qsizetype amp = text.remove(QStringLiteral("&&")).indexOf(QLatin1Char('&'));
        if (amp < 0 || amp + 1 >= text.size())
            continue;
        const QChar key = text.at(amp + 1).toLower();
        EXPECT_FALSE(seen.contains(key)) << text.toStdString() << " and " << seen.value(key).toStdString();
        seen.insert(key, text);
    }
    EXPECT_GE(seen.size(), 5) << "the output group's choices have mnemonics";
}
