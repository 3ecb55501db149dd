// The main window's Help commands: the update check's configuration and the about box.
#include "Main.h"
#include "MainWindowParts.h"
#include "ScriptedDialogs.h"
#include "TempProgramFolder.h"
#include "WebFileInfo.h"
#include "About.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

TEST(MainHelp, WebFileInfo1IsConfiguredForTheProductPage)
{
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;
    TFormMain form(settings);
    ASSERT_NE(form.WebFileInfo1, nullptr);
    const TWebFileInfo& wfi = *form.WebFileInfo1;
    EXPECT_EQ(wfi.parent(), &form);
    EXPECT_EQ(wfi.DateFormat(), wfidNone);
    EXPECT_EQ(wfi.VersionFormat(), wfivBuildNumber);
    EXPECT_TRUE(wfi.Options() == (TWfiOptions{wfioDisplayUI, wfioDisplayReadMe, wfioExitDuringUpdate}));
    EXPECT_EQ(wfi.InfoTags().VersionTag, QStringLiteral("tw-version"));
    EXPECT_EQ(wfi.InfoTags().RunParamsTag, QString());
    // Its windows take the main window's font, not a font of another system.
    EXPECT_TRUE(wfi.UIOwnerFont());
    EXPECT_EQ(wfi.UIFont(), form.font());
}

TEST(MainHelp, AboutOpensTheAboutBoxModallyOverTheWindow)
{
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;
    TFormMain form(settings);
    form.show();
    QString title;
    bool scrolling = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto* about = dynamic_cast<TFormAbout*>(QApplication::activeModalWidget())) {
            title = about->windowTitle();
            scrolling = about->SecretPanel->Active();
            about->close();
        }
    });
    poll.start(5);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &guard, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    guard.start(10000);
    wintest::Part(form, "ActionAbout")->trigger();
    EXPECT_EQ(title, QStringLiteral("About Tonewright"));
    EXPECT_TRUE(scrolling);
    EXPECT_EQ(form.findChildren<TFormAbout*>().size(), 0); // destroyed after closing
    EXPECT_TRUE(boxes.Asked().empty());
}
