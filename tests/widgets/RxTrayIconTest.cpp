#include "RxTrayIcon.h"

#include "QtPrinters.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

TEST(TrayToolTip, IsTheHintBeforeItsFirstBarCutTo63CharactersNeverInHalfACharacter)
{
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(QStringLiteral("short|rest|more")), QStringLiteral("short"));
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(QStringLiteral("|rest")), QString());
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(QString(63, QLatin1Char('c'))), QString(63, QLatin1Char('c')));
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(QString(64, QLatin1Char('c'))), QString(63, QLatin1Char('c')));
    // The bar beyond the cut does not matter.
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(QString(70, QLatin1Char('d')) + QStringLiteral("|x")), QString(63, QLatin1Char('d')));
    // 62 letters and a character outside the basic plane (two UTF-16 units) across the cut.
    const QString hint = QString(62, QLatin1Char('b')) + QString::fromUcs4(U"\U0001F3B5") + QStringLiteral("tail");
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(hint), QString(62, QLatin1Char('b')));
    const QString fits = QString(61, QLatin1Char('b')) + QString::fromUcs4(U"\U0001F3B5") + QStringLiteral("tail");
    EXPECT_EQ(TRxTrayIcon::TrayToolTip(fits), fits.left(63));
}

TEST(TrayIcon, KeepsItsHintAndMenuWhateverTheDesktopOffers)
{
    QObject owner;
    TRxTrayIcon icon(&owner);
    EXPECT_FALSE(icon.Active());
    EXPECT_FALSE(icon.Icon().isNull()) << "an icon of its own";
    icon.SetHint(QStringLiteral("Starting...|"));
    EXPECT_EQ(icon.Hint(), QStringLiteral("Starting...|"));
    EXPECT_EQ(icon.ToolTip(), QStringLiteral("Starting..."));
    EXPECT_EQ(icon.SystemTrayIcon()->toolTip(), QStringLiteral("Starting..."));

    QMenu menu;
    int popups = 0;
    icon.OnPopup = [&](TRxTrayIcon* sender) {
        EXPECT_EQ(sender, &icon);
        ++popups;
    };
    icon.SetPopupMenu(&menu);
    EXPECT_EQ(icon.PopupMenu(), &menu);
    Q_EMIT menu.aboutToShow();
    EXPECT_EQ(popups, 1);

    // Another menu replaces the first: the old one no longer reports.
    QMenu other;
    icon.SetPopupMenu(&other);
    Q_EMIT menu.aboutToShow();
    Q_EMIT other.aboutToShow();
    EXPECT_EQ(popups, 2);

    int doubleClicks = 0;
    icon.OnDblClick = [&](TRxTrayIcon*) { ++doubleClicks; };
    Q_EMIT icon.SystemTrayIcon()->activated(QSystemTrayIcon::Trigger);
    Q_EMIT icon.SystemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(doubleClicks, 1);
}

TEST(TrayIcon, AClickCountsAsTheDoubleClickOnlyWhereTheTrayNeverReportsDoubleClicks)
{
    EXPECT_TRUE(TRxTrayIcon::IsDblClick(QSystemTrayIcon::DoubleClick, false));
    EXPECT_TRUE(TRxTrayIcon::IsDblClick(QSystemTrayIcon::DoubleClick, true));
    EXPECT_TRUE(TRxTrayIcon::IsDblClick(QSystemTrayIcon::Trigger, true));
    // An XEmbed tray reports both: there a single click leaves the windows where they are.
    EXPECT_FALSE(TRxTrayIcon::IsDblClick(QSystemTrayIcon::Trigger, false));
    EXPECT_FALSE(TRxTrayIcon::IsDblClick(QSystemTrayIcon::Context, true));
    EXPECT_FALSE(TRxTrayIcon::IsDblClick(QSystemTrayIcon::MiddleClick, true));
    // The tests' session bus is a dead address: no host.
    EXPECT_FALSE(TRxTrayIcon::StatusNotifierHost());
}
