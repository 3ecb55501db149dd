// The windows built from layouts: each is at least its design size, and at the default font as
// at a much larger one every text is shown whole; a larger font grows the window.
#include "LayoutCheck.h"
#include "Options.h"
#include "Shutdown.h"
#include "UpdateWindows.h"

#include <QApplication>
#include <QFont>
#include <QScopeGuard>

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
        {"countdown", QSize(172, 164), [](QWidget* o) { return std::make_unique<TFormShutdown>(o); }},
        {"update wait", TWebWaitWindow::DesignSize,
         [](QWidget* o) { return std::make_unique<TWebWaitWindow>(o, o->font(), QStringLiteral("Checking For Update...")); }},
        {"download progress", TWebDlProgress::DesignSize,
         [](QWidget* o) {
             auto w = std::make_unique<TWebDlProgress>(o, o->font());
             w->lblDownloading->setText(QStringLiteral("Downloading Update"));
             w->lblProgress->setText(QStringLiteral("1,234,567 of 2,000,000 bytes received."));
             return w;
         }},
        {"read-me", TWebReadMeWindow::MinimumSize,
         [](QWidget* o) { return std::make_unique<TWebReadMeWindow>(o, o->font(), QStringLiteral("What is new")); }},
    };
}

} // namespace

TEST(WindowLayout, EveryWindowKeepsItsDesignSizeAndCutsNoText)
{
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    for (const qreal scale : {1.0, 2.5}) {
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * scale);
        QApplication::setFont(font);
        for (const WindowCase& c : Windows()) {
            SCOPED_TRACE(std::string(c.Name) + " at " + std::to_string(scale) + "x");
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
}
