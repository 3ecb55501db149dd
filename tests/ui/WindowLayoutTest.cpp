// The windows built from layouts: each is at least its design size, and at the default font as
// at a much larger one, in English as in German, every text is shown whole; a larger font or a
// longer text grows the window.
#include "About.h"
#include "LayoutCheck.h"
#include "Log.h"
#include "Main.h"
#include "Options.h"
#include "Progress.h"
#include "ResStr.h"
#include "Shutdown.h"
#include "TempProgramFolder.h"
#include "Translations.h"
#include "UpdateWindows.h"

#include <QApplication>
#include <QFont>
#include <QScopeGuard>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

struct WindowCase {
    const char* Name;
    QSize Design;
    std::function<std::unique_ptr<QWidget>(QWidget* owner)> Make;
};

std::vector<WindowCase> Windows()
{
    return {
        {"options", QSize(330, 301), [](QWidget* o) { return std::make_unique<TFormOptions>(o); }},
        {"about", QSize(257, 203), [](QWidget* o) { return std::make_unique<TFormAbout>(o, QStringLiteral(TW_VERSION_FIXTURE)); }},
        {"progress", QSize(371, 178),
         [](QWidget* o) {
             auto w = std::make_unique<TFormProgress>(o);
             // The longest texts a run writes into the rows that share a line.
             w->LabelStatusETA->setText(ResStr::ProgressEstimatedTime + QStringLiteral("99:59:59"));
             w->LabelStatus->setText(ResStr::ProgressStatus + QStringLiteral("100.0%"));
             w->LabelInput->setText(ResStr::ProgressInputFormat + QStringLiteral("11.025 kHz stereo"));
             w->LabelOutput->setText(ResStr::ProgressOutputFormat + QStringLiteral("320 kBit stereo"));
             return w;
         }},
        {"log", QSize(0, 0), [](QWidget* o) { return std::make_unique<TFormLog>(o); }},
        {"countdown", QSize(172, 164), [](QWidget* o) { return std::make_unique<TFormShutdown>(o); }},
        {"update wait", TWebWaitWindow::DesignSize,
         [](QWidget* o) { return std::make_unique<TWebWaitWindow>(o, o->font(), ResStr::WfiCheckingForUpdate); }},
        {"download progress", TWebDlProgress::DesignSize,
         [](QWidget* o) {
             auto w = std::make_unique<TWebDlProgress>(o, o->font());
             w->lblDownloading->setText(ResStr::WfiDownloadingUpdate);
             w->lblProgress->setText(ResStr::WfiBytesOfReceived.arg(QStringLiteral("1,234,567"), QStringLiteral("2,000,000")));
             return w;
         }},
        {"read-me", TWebReadMeWindow::MinimumSize,
         [](QWidget* o) { return std::make_unique<TWebReadMeWindow>(o, o->font(), ResStr::WfiReadMeCaption); }},
    };
}

} // namespace

TEST(WindowLayout, EveryWindowKeepsItsDesignSizeAndCutsNoText)
{
    struct Setting {
        const char* Language;
        qreal Scale;
    };
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    for (const Setting& setting : {Setting{"en", 1.0}, Setting{"en", 2.5}, Setting{"de", 1.0}, Setting{"de", 2.5}}) {
        const TTranslations translations{QStringList{QLatin1String(setting.Language)}};
        // German must really be on, or this would check the English texts twice.
        ASSERT_EQ(translations.Program(), setting.Language == std::string("de"));
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * setting.Scale);
        QApplication::setFont(font);
        for (const WindowCase& c : Windows()) {
            SCOPED_TRACE(std::string(c.Name) + " in " + setting.Language + " at " + std::to_string(setting.Scale) + "x");
            QWidget owner;
            std::unique_ptr<QWidget> window = c.Make(&owner);
            EXPECT_GE(window->minimumWidth(), c.Design.width());
            EXPECT_GE(window->minimumHeight(), c.Design.height());
            EXPECT_GE(window->width(), c.Design.width());
            EXPECT_GE(window->height(), c.Design.height());
            EXPECT_EQ(CutTexts(window.get()), QStringList());
        }
    }
}

TEST(WindowLayout, ALargerFontGrowsTheWindowsInsteadOfCuttingThem)
{
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    QWidget owner;
    const QSize normal = TFormShutdown(&owner).minimumSize();
    const QSize progress = TWebDlProgress(&owner, owner.font()).minimumSize();
    QFont big = original;
    big.setPointSizeF(original.pointSizeF() * 2.5);
    QApplication::setFont(big);
    QWidget bigOwner;
    EXPECT_GT(TFormShutdown(&bigOwner).minimumWidth(), normal.width());
    EXPECT_GT(TWebDlProgress(&bigOwner, bigOwner.font()).minimumHeight(), progress.height());
    // The fixed windows too: the about box and the encoding progress.
    EXPECT_GT(TFormAbout(&bigOwner).height(), 203);
    EXPECT_GT(TFormProgress(&bigOwner).height(), 178);
}

TEST(WindowLayout, TheMainWindowShowsEveryToolbarButtonInEveryLanguage)
{
    for (const char* language : {"en", "de"}) {
        SCOPED_TRACE(language);
        const TTranslations translations{QStringList{QLatin1String(language)}};
        TempProgramFolder folder;
        TSettings settings;
        TFormMain main(settings);
        auto* toolBar = main.findChild<QToolBar*>(QStringLiteral("ToolBar1"));
        main.show();
        ASSERT_NE(toolBar, nullptr);
        for (QAction* action : toolBar->actions())
            if (!action->isSeparator() && action->isVisible()) {
                EXPECT_TRUE(toolBar->widgetForAction(action)->isVisible()) << action->text().toStdString();
            }
    }
}
