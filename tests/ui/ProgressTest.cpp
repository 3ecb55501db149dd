#include "Progress.h"

#include "Dialogs.h"
#include "QtPrinters.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "ScriptedDialogs.h"
#include "TitleBarButton.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace wintest;

TEST(ProgressWindow, OpensWithTheBareDisplayAndCancelAsDefaultButton)
{
    QWidget owner;
    TFormProgress form(&owner);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Encoding in progress"));
    // Fixed in size; its design size is checked with the other windows'.
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.Finished);
    for (QProgressBar* bar : {form.ProgressBarStatus, form.ProgressBarBatch}) {
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 1000);
        EXPECT_EQ(bar->value(), 0);
    }
    EXPECT_EQ(form.LabelStatus->text(), QStringLiteral("Status=0%"));
    EXPECT_EQ(form.LabelBatch->text(), QStringLiteral("Batch=0%"));
    EXPECT_EQ(form.LabelStatusETA->text(), QStringLiteral("Estimated time: "));
    EXPECT_EQ(form.LabelBatchETA->text(), QStringLiteral("Estimated time: "));
    EXPECT_EQ(form.LabelWorking->text(), QStringLiteral("Working on "));
    EXPECT_EQ(form.LabelInput->text(), QStringLiteral("Inputformat: "));
    EXPECT_EQ(form.LabelOutput->text(), QStringLiteral("Outputformat: "));
    EXPECT_EQ(form.CheckBoxShutdown->text(), QStringLiteral("Shutdown computer when done"));
    EXPECT_FALSE(form.CheckBoxShutdown->isChecked());
    EXPECT_TRUE(form.ButtonCancel->isDefault());
    // A file name is shown as it is: no markup, no accelerator.
    EXPECT_EQ(form.LabelWorking->textFormat(), Qt::PlainText);

    // ResetDisplay brings everything back after a run has written to it.
    form.LabelWorking->setText(QStringLiteral("Working on x.wav"));
    TFormProgress::SetBarPosition(form.ProgressBarBatch, 700);
    form.ResetDisplay();
    EXPECT_EQ(form.LabelWorking->text(), QStringLiteral("Working on "));
    EXPECT_EQ(form.ProgressBarBatch->value(), 0);
}

TEST(ProgressWindow, TextsSharingALineFitWithoutBeingCutOrOverlapping)
{
    QWidget owner;
    TFormProgress form(&owner);
    // The longest texts the encoder's lines produce, as the run writes them.
    form.LabelStatusETA->setText(QStringLiteral("Estimated time: 99:59:59"));
    form.LabelStatus->setText(QStringLiteral("Status=100.0%"));
    form.LabelBatchETA->setText(QStringLiteral("Estimated time: 99:59:59"));
    form.LabelBatch->setText(QStringLiteral("Batch=100.0%"));
    form.LabelInput->setText(QStringLiteral("Inputformat: 11.025 kHz stereo"));
    form.LabelOutput->setText(QStringLiteral("Outputformat: 320 kBit stereo"));
    const QRect client = form.rect();
    const auto fits = [](const QLabel* label) {
        return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
    };
    const std::pair<QLabel*, QLabel*> rows[] = {{form.LabelStatusETA, form.LabelStatus},
                                                {form.LabelBatchETA, form.LabelBatch},
                                                {form.LabelInput, form.LabelOutput}};
    for (const auto& [left, right] : rows) {
        EXPECT_TRUE(fits(left)) << left->text().toStdString();
        EXPECT_TRUE(fits(right)) << right->text().toStdString();
        EXPECT_LT(left->geometry().right(), right->geometry().left()) << left->text().toStdString();
        EXPECT_TRUE(client.contains(left->geometry())) << left->text().toStdString();
        EXPECT_TRUE(client.contains(right->geometry())) << right->text().toStdString();
        // Right-aligned texts end where the bars end.
        EXPECT_EQ(right->geometry().right(), form.ProgressBarStatus->geometry().right());
    }
    EXPECT_TRUE(client.contains(form.TrayButton->geometry()));
    EXPECT_FALSE(form.TrayButton->geometry().intersects(form.LabelStatus->geometry()));
    EXPECT_GE(form.CheckBoxShutdown->width(), form.CheckBoxShutdown->sizeHint().width());
    // The Cancel button stays centred (at x 148 in the design size), at least 75 x 25.
    EXPECT_NEAR(form.ButtonCancel->geometry().center().x(), form.width() / 2, 1);
    EXPECT_GE(form.ButtonCancel->width(), 75);
    EXPECT_GE(form.ButtonCancel->height(), 25);
}

TEST(ProgressWindow, NewTextsInTheShownWindowLayOutNothing)
{
    // A batch of short files changes the texts several times per file: laying out the whole window
    // each time cost most of the program's time.
    QWidget owner;
    TFormProgress form(&owner);
    form.show();
    QCoreApplication::processEvents();
    struct LayoutCounter : QObject {
        int Requests = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            Requests += e->type() == QEvent::LayoutRequest;
            return false;
        }
    } counter;
    form.installEventFilter(&counter);
    const auto writeTexts = [&](int n) {
        form.LabelStatus->setText(QStringLiteral("Status=%1.0%").arg(n % 100));
        form.LabelStatusETA->setText(QStringLiteral("Estimated time: 0:00:%1").arg(n % 60));
        form.LabelBatch->setText(QStringLiteral("Batch=%1.0%").arg(n % 100));
        form.LabelBatchETA->setText(QStringLiteral("Estimated time: 99:59:59"));
        form.SetWorkingText(QStringLiteral("Working on: /music/Artist %1/Track %1.wav").arg(n));
        form.LabelInput->setText(QStringLiteral("Inputformat: 11.025 kHz stereo"));
        form.LabelOutput->setText(QStringLiteral("Outputformat: 320 kBit stereo"));
        QCoreApplication::processEvents();
    };
    for (int n = 0; n < 20; ++n)
        writeTexts(n);
    EXPECT_EQ(counter.Requests, 0);
}

TEST(ProgressWindow, BarPositionsOutsideTheRangeShowClamped)
{
    QProgressBar bar;
    bar.setRange(0, 1000);
    TFormProgress::SetBarPosition(&bar, 500);
    EXPECT_EQ(bar.value(), 500);
    // A bare setValue would leave the bar at 500 here.
    TFormProgress::SetBarPosition(&bar, 1200);
    EXPECT_EQ(bar.value(), 1000);
    TFormProgress::SetBarPosition(&bar, -3);
    EXPECT_EQ(bar.value(), 0);
    TFormProgress::SetBarPosition(&bar, 1000);
    EXPECT_EQ(bar.value(), 1000);
    TFormProgress::SetBarPosition(nullptr, 5); // no bar: nothing happens
}

TEST(ProgressWindowClose, NoOrCancelKeepsTheRunGoingAndTheEndClosesWithOkWithoutAQuestion)
{
    QWidget owner;
    TFormProgress form(&owner);
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDNO);
    boxes.Answer(IDCANCEL);
    const int result = RunModal(form, {
        [&] { form.ButtonCancel->click(); },
        [&] {
            EXPECT_TRUE(form.isVisible());
            EXPECT_TRUE(form.InModalLoop());
            form.close(); // the close box
        },
        [&] {
            EXPECT_TRUE(form.InModalLoop());
            RunEnds(form);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(form.ModalResult(), IDOK);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Really abort encoding?"));
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Question"));
    EXPECT_EQ(boxes.Asked()[0].Flags, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION));
}

TEST(ProgressWindowClose, EveryCloseRequestAsksAndYesEndsWithCancel)
{
    const std::vector<std::pair<const char*, std::function<void(TFormProgress&)>>> requests = {
        {"Cancel button", [](TFormProgress& f) { f.ButtonCancel->click(); }},
        {"Escape", [](TFormProgress& f) { Key(f.ButtonCancel, Qt::Key_Escape); }},
        {"Enter", [](TFormProgress& f) { Key(f.ButtonCancel, Qt::Key_Return); }},
        {"Enter on the check box",
         [](TFormProgress& f) {
             f.CheckBoxShutdown->setFocus();
             Key(f.CheckBoxShutdown, Qt::Key_Enter);
         }},
        {"close box", [](TFormProgress& f) { f.close(); }},
        {"reject", [](TFormProgress& f) { f.reject(); }},
    };
    for (const auto& [name, request] : requests) {
        SCOPED_TRACE(name);
        QWidget owner;
        TFormProgress form(&owner);
        ScriptedMessageBoxes boxes;
        boxes.Answer(IDYES);
        const int result = RunModal(form, {[&] { request(form); }});
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(boxes.Asked().size(), 1u);
        EXPECT_FALSE(form.CheckBoxShutdown->isChecked()) << "Enter must not tick the box";
    }
}

TEST(ProgressWindowClose, TheRunEndingWhileTheQuestionIsOpenClosesWithCancelWhateverTheAnswer)
{
    for (const int answer : {int(IDYES), int(IDNO), int(IDCANCEL)}) {
        SCOPED_TRACE(answer);
        QWidget owner;
        TFormProgress form(&owner);
        ScriptedMessageBoxes boxes;
        boxes.OnNextBox([&](const AskedMessage&) {
            EXPECT_TRUE(form.Asking());
            // The end-of-run handler arrives through the box's own loop.
            RunEnds(form);
            // A second close request meanwhile (the tray's "Stop encoding") asks nothing more.
            form.close();
        });
        boxes.Answer(answer);
        const int result = RunModal(form, {[&] { form.ButtonCancel->click(); }});
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(boxes.Asked().size(), 1u);
        EXPECT_FALSE(form.Asking());
    }
}

TEST(ProgressWindowClose, ARequestAfterTheRunEndedOrOutsideTheLoopAsksNothing)
{
    QWidget owner;
    TFormProgress form(&owner);
    ScriptedMessageBoxes boxes; // any question would fail the test
    form.close();
    Key(form.ButtonCancel, Qt::Key_Escape);
    EXPECT_EQ(boxes.Asked().size(), 0u);

    // The end arrives, then a close request before the loop has returned: the result stays OK.
    const int result = RunModal(form, {[&] {
        RunEnds(form);
        form.close();
    }});
    EXPECT_EQ(result, IDOK);
    form.close(); // after the loop
    EXPECT_EQ(boxes.Asked().size(), 0u);
}

TEST(ProgressWindowModal, HidingAndShowingKeepTheLoopAndItsEventsRunning)
{
    QWidget owner;
    TFormProgress form(&owner);
    int ticksWhileHidden = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &form, [&] {
        if (!form.isVisible())
            ++ticksWhileHidden;
    });
    QElapsedTimer hiddenFor;
    const int result = RunModal(form, {
        [&] {
            EXPECT_TRUE(form.isVisible());
            EXPECT_TRUE(form.isModal());
            form.hide();
            ticker.start(1);
            hiddenFor.start();
        },
        [&] {
            // Stay hidden until the event loop has served a few timer events.
            while (ticksWhileHidden < 3 && hiddenFor.elapsed() < 10000)
                QApplication::processEvents(QEventLoop::AllEvents, 50);
            EXPECT_TRUE(form.InModalLoop());
            form.show();
        },
        [&] {
            EXPECT_TRUE(form.isVisible());
            EXPECT_TRUE(form.InModalLoop());
            form.hide();
        },
        [&] { RunEnds(form); }, // the run ends while the window is hidden
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_GE(ticksWhileHidden, 3);
    EXPECT_FALSE(form.InModalLoop());
    EXPECT_FALSE(form.isVisible());
}

TEST(ProgressWindowModal, ARunThatEndedBeforeTheLoopStartedReturnsAtOnce)
{
    QWidget owner;
    TFormProgress form(&owner);
    RunEnds(form);
    EXPECT_EQ(form.ShowModal(), IDOK);
    EXPECT_FALSE(form.isVisible());

    // A stale result without the end of the run does not end a new loop.
    TFormProgress second(&owner);
    second.SetModalResult(IDCANCEL);
    EXPECT_EQ(RunModal(second, {[&] {
                  EXPECT_TRUE(second.InModalLoop());
                  RunEnds(second);
              }}),
              IDOK);
}

TEST(ProgressWindowModal, DestroyingTheWindowInsideItsLoopEndsTheLoopAsCancel)
{
    QWidget owner;
    auto* form = new TFormProgress(&owner);
    QTimer::singleShot(0, &owner, [form] { delete form; });
    EXPECT_EQ(form->ShowModal(), IDCANCEL);
}

TEST(ProgressWindow, MinimizingTakesTheApplicationAlongAndRestoringBringsItBack)
{
    QWidget owner;
    owner.show();
    TFormProgress form(&owner);
    form.show();
    form.showMinimized();
    EXPECT_TRUE(owner.isMinimized());

    owner.showNormal();
    EXPECT_FALSE(owner.isMinimized());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.isVisible());
}

// Qt's own entry for delivering a shortcut as the platform does when a key is pressed.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

TEST(ProgressWindow, TheTrayButtonHidesToTheTrayOnlyWhereTheDesktopHasOne)
{
    QWidget owner;
    TFormProgress form(&owner);
    EXPECT_EQ(form.TrayButton->isEnabled(), TRxTrayIcon::Available());
    // It sits in the top right corner, clear of the labels (which end where the bars end, at
    // x 353 in the design size).
    EXPECT_GT(form.TrayButton->x(), form.ProgressBarStatus->geometry().right());
    EXPECT_LE(form.TrayButton->geometry().right(), form.width() - 1);

    int clicks = 0;
    form.OnTrayButtonClick = [&] { ++clicks; };
    form.TrayButton->setEnabled(true);
    Click(form.TrayButton);
    EXPECT_EQ(clicks, 1);

    // The keyboard's way to the same command, Ctrl+T, also only while the button can be used.
    form.show();
    QApplication::setActiveWindow(&form);
    const auto pressCtrlT = [&] {
        qt_sendShortcutOverrideEvent(form.ButtonCancel, 0, Qt::Key_T, Qt::ControlModifier, QString(), false, 1);
    };
    pressCtrlT();
    EXPECT_EQ(clicks, 2);
    form.TrayButton->setEnabled(false);
    pressCtrlT();
    EXPECT_EQ(clicks, 2);
    form.TrayButton->setEnabled(true);

    // An error in the handler reaches the error display, not the event loop.
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDOK);
    form.OnTrayButtonClick = [] { throw std::runtime_error("tray gone"); };
    form.TrayButton->OnClick(form.TrayButton, 0, false);
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("tray gone"));
}

TEST(ProgressWindow, TheFileNameIsShownWholeWhenItFitsAndElidedToTheRoomWhenNot)
{
    QWidget owner;
    TFormProgress form(&owner);
    const QLabel* label = form.LabelWorking;
    const int room = label->contentsRect().width();
    // Around the width of the label, in wide and narrow letters and scripts that are laid out.
    for (const QString& piece : {QStringLiteral("Wm"), QStringLiteral("il"), QStringLiteral("Ta"),
                                 QStringLiteral("\u05D0\u05D1"), QStringLiteral("\u0645\u0631")}) {
        for (int n = 1; n <= 80; ++n) {
            const QString text = QStringLiteral("Working on ") + piece.repeated(n) + QStringLiteral(".wav");
            SCOPED_TRACE(text.toStdString());
            form.SetWorkingText(text);
            const bool fits = label->fontMetrics().horizontalAdvance(text) <= room;
            EXPECT_EQ(label->text() == text, fits);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), room);
            EXPECT_EQ(label->toolTip(), text);
        }
    }
}
