// Only Exit ends the program: no other window closing may, also while every window is hidden in
// the tray. Runs the application's own event loop, as the program does.
#include "Dialogs.h"
#include "BatchRun.h"
#include "Main.h"
#include "TrayController.h"
#include "TempProgramFolder.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {
// Clicks the default button of the first real message box that shows.
void DismissNextMessageBox(QObject* context)
{
    auto* timer = new QTimer(context);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, context, [timer] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->defaultButton()) {
                timer->stop();
                timer->deleteLater();
                box->defaultButton()->click();
                return;
            }
    });
    timer->start();
}
} // namespace

TEST(ProgramLifetime, AMessageBoxClosingWhileEveryWindowIsHiddenLeavesTheProgramRunningUntilExit)
{
    TempProgramFolder folder;
    TSettings settings;
    auto main = std::make_unique<TFormMain>(settings);
    main->show();
    bool survivedTheBox = false;
    int answer = 0;
    {
        // Timers die with this object, so none of them can reach a later test's event loop.
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            main->hide(); // hidden in the tray: no window is visible
            DismissNextMessageBox(&context);
            answer = ShowMessageBox(QStringLiteral("Really abort encoding?"), QStringLiteral("Question"),
                                    MB_YESNOCANCEL | MB_ICONQUESTION);
            QTimer::singleShot(100, &context, [&] {
                survivedTheBox = true;
                // Exit from the tray, with the window still hidden: that one ends the program.
                main->Tray->PopupMenuTrayPopup();
                main->Tray->MenuItemTrayExit->trigger();
            });
        });
        QTimer::singleShot(20000, &context, [] {
            ADD_FAILURE() << "Exit did not end the program";
            QCoreApplication::exit(99);
        });
        EXPECT_EQ(QApplication::exec(), 0);
    }
    EXPECT_EQ(answer, IDYES);
    EXPECT_TRUE(survivedTheBox) << "the program ended when the message box closed";
}
