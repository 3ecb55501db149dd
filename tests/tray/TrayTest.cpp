// The notification-area icon and the main window's tray commands on a real X server with a tray
// host: what the desktop shows, hiding to the tray during a run and coming back.
#include "BatchRun.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "TrayController.h"

#include "ConsoleIO.h"

#include "Dialogs.h"
#include "MockBus.h"
#include "QtPrinters.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "ScriptedDialogs.h"
#include "Spin.h"
#include "TempProgramFolder.h"
#include "TitleBarButton.h"
#include "Progress.h"
#include "WindowTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolTip>
#include <QHelpEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace wintest;

namespace {
bool TrayHostUp()
{
    static const bool up = QTest::qWaitFor([] { return TRxTrayIcon::Available(); }, 20000);
    return up;
}

// How many pixels on the screen have the default icon's disc colour.
int IconPixelsOnScreen()
{
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QColor disc(0x1f, 0x4e, 0x8c);
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c(shot.pixel(x, y));
            if (std::abs(c.red() - disc.red()) < 14 && std::abs(c.green() - disc.green()) < 14
                && std::abs(c.blue() - disc.blue()) < 14)
                ++count;
        }
    return count;
}

// Qt's X11 tray widget that carries the icon inside the tray host.
QWidget* TrayIconWidget()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qstrcmp(w->metaObject()->className(), "QSystemTrayIconSys") == 0 && w->isVisible())
            return w;
    return nullptr;
}

// The tooltip the user sees on hovering the icon in the tray host, or empty when none shows.
QString HoverToolTip()
{
    QWidget* w = TrayIconWidget();
    if (!w)
        return QStringLiteral("<no icon>");
    QToolTip::hideText();
    QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(w, &hover);
    (void)QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000);
    const QString text = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return text;
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setQuitOnLastWindowClosed(false);
        ASSERT_TRUE(TrayHostUp()) << "no tray host on the X server (trayer)";
    }
};
} // namespace

TEST_F(TrayTest, TheIconShowsOnlyWhileActiveWithTheHintCutForItsTooltip)
{
    QObject owner;
    TRxTrayIcon icon(&owner);
    const int before = IconPixelsOnScreen();

    const QString longHint = QString(70, QLatin1Char('A')) + QStringLiteral("|second part");
    icon.SetHint(longHint);
    EXPECT_EQ(icon.Hint(), longHint);
    EXPECT_FALSE(icon.SystemTrayIcon()->isVisible()) << "a hint alone shows nothing";

    icon.SetActive(true);
    EXPECT_TRUE(icon.Active());
    EXPECT_EQ(icon.SystemTrayIcon()->toolTip(), QString(63, QLatin1Char('A')));
    EXPECT_TRUE(QTest::qWaitFor([&] { return IconPixelsOnScreen() > before + 20; }, WaitGuardMs)) << "the icon never appeared";
    EXPECT_EQ(HoverToolTip(), QString(63, QLatin1Char('A')));

    // A change shows at once on the shown icon.
    icon.SetHint(QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%|x"));
    EXPECT_EQ(icon.SystemTrayIcon()->toolTip(), QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%"));
    EXPECT_EQ(HoverToolTip(), QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%"));
    icon.SetHint(QStringLiteral("|nothing before the bar"));
    EXPECT_EQ(icon.SystemTrayIcon()->toolTip(), QString());

    icon.SetActive(false);
    EXPECT_FALSE(icon.Active());
    EXPECT_TRUE(QTest::qWaitFor([&] { return IconPixelsOnScreen() <= before; }, WaitGuardMs)) << "the icon stayed";

    // Shown again, it carries the hint set while it was away.
    icon.SetHint(QStringLiteral("Finished encoding"));
    icon.SetActive(true);
    EXPECT_EQ(icon.SystemTrayIcon()->toolTip(), QStringLiteral("Finished encoding"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return IconPixelsOnScreen() > before + 20; }, WaitGuardMs));
    icon.SetActive(false);
}

TEST_F(TrayTest, DuringARunTheWindowsHideToTheTrayAndComeBackWhileTheRunGoesOn)
{
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;
    TFormMain main(settings);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }, WaitGuardMs));
    EXPECT_FALSE(main.Tray->RxTrayIcon1->Active());
    EXPECT_EQ(main.Tray->RxTrayIcon1->Hint(), QStringLiteral("Encoding in progress"));

    auto* form = new TFormProgress(&main);
    main.Batch->ProgressForm = form;
    form->OnTrayButtonClick = [&] { main.Tray->HideToTray(); };
    EXPECT_TRUE(form->TrayButton->isEnabled()) << "the desktop has a tray here";

    const auto hidden = [&] {
        EXPECT_FALSE(main.isVisible());
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(main.Tray->RxTrayIcon1->Active());
        EXPECT_TRUE(form->InModalLoop()) << "hiding must not end the run";
    };
    const auto back = [&] {
        EXPECT_TRUE(main.isVisible());
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(main.Tray->RxTrayIcon1->Active());
        EXPECT_TRUE(form->InModalLoop());
    };

    const int result = RunModal(*form, {
        [&] { Click(form->TrayButton); },
        [&] {
            hidden();
            ASSERT_TRUE(QTest::qWaitFor([] { return TrayIconWidget() != nullptr; }, WaitGuardMs));
            // A right click on the icon opens the menu; its second item names the running batch.
            QWidget* iconWidget = TrayIconWidget();
            Mouse(iconWidget, QEvent::MouseButtonPress, QPoint(4, 4), Qt::RightButton, Qt::RightButton);
            Mouse(iconWidget, QEvent::MouseButtonRelease, QPoint(4, 4), Qt::RightButton, Qt::NoButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return main.Tray->PopupMenuTray->isVisible(); }, WaitGuardMs));
            EXPECT_EQ(main.Tray->MenuItemTrayExit->text(), QStringLiteral("Stop encoding"));
            EXPECT_EQ(main.Tray->MenuItemTrayShow->text(), QStringLiteral("Show"));
            main.Tray->PopupMenuTray->hide();
        },
        [&] {
            // A left double click on the icon brings everything back.
            QWidget* iconWidget = TrayIconWidget();
            ASSERT_NE(iconWidget, nullptr);
            Mouse(iconWidget, QEvent::MouseButtonPress, QPoint(4, 4), Qt::LeftButton, Qt::LeftButton);
            Mouse(iconWidget, QEvent::MouseButtonRelease, QPoint(4, 4), Qt::LeftButton, Qt::NoButton);
            // The double click takes the icon, and the widget carrying it, away.
            Mouse(iconWidget, QEvent::MouseButtonDblClick, QPoint(4, 4), Qt::LeftButton, Qt::LeftButton);
        },
        [&] {
            back();
            Click(form->TrayButton);
        },
        [&] {
            hidden();
            main.Tray->MenuItemTrayShow->trigger();
        },
        [&] {
            back();
            Click(form->TrayButton);
        },
        [&] {
            hidden();
            // "Stop encoding" asks first; No keeps the run going, still hidden.
            boxes.Answer(IDNO);
            main.Tray->MenuItemTrayExit->trigger();
        },
        [&] {
            hidden();
            boxes.Answer(IDYES);
            main.Tray->MenuItemTrayExit->trigger();
        },
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("Really abort encoding?"));

    // After the run the windows stay hidden; the menu now offers to end the program.
    main.Batch->ProgressForm = nullptr;
    delete form;
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(main.Tray->RxTrayIcon1->Active());
    main.Tray->PopupMenuTray->popup(QPoint(10, 10));
    EXPECT_EQ(main.Tray->MenuItemTrayExit->text(), QStringLiteral("Exit Tonewright"));
    main.Tray->PopupMenuTray->hide();

    main.Tray->MenuItemTrayExit->trigger();
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(main.Tray->RxTrayIcon1->Active()) << "the icon leaves with the program";
}

TEST_F(TrayTest, ExitTonewrightClosesTheMainWindowEvenWhileItIsHidden)
{
    TempProgramFolder folder;
    TSettings settings;
    TFormMain main(settings);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }, WaitGuardMs));
    // Hidden in the tray after a run: the close must still reach the window.
    main.Tray->RxTrayIcon1->SetActive(true);
    main.hide();
    bool closeAsked = false;
    class Probe : public QObject {
    public:
        explicit Probe(bool& flag) : m_flag(flag) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Close)
                m_flag = true;
            return false;
        }
        bool& m_flag;
    } probe(closeAsked);
    main.installEventFilter(&probe);
    main.Tray->PopupMenuTrayPopup();
    EXPECT_EQ(main.Tray->MenuItemTrayExit->text(), QStringLiteral("Exit Tonewright"));
    main.Tray->MenuItemTrayExit->trigger();
    EXPECT_TRUE(closeAsked) << "the main window's close handling must run";
    EXPECT_FALSE(main.Tray->RxTrayIcon1->Active());
    main.removeEventFilter(&probe);
}

namespace {
// The texts of the message balloon Qt shows beside an XEmbed tray icon; empty when none shows.
QStringList BalloonTexts()
{
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qstrcmp(w->metaObject()->className(), "QBalloonTip") == 0 && w->isVisible())
            for (const QLabel* label : w->findChildren<QLabel*>())
                texts << label->text();
    return texts;
}
} // namespace

TEST_F(TrayTest, ABatchThatEndsWhileHiddenInTheTraySaysSoInAMessage)
{
    ASSERT_TRUE(QSystemTrayIcon::supportsMessages());
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;
    TFormMain main(settings);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }, WaitGuardMs));
    settings.BladeEncPath = QString::fromUtf8(TW_FAKE_BLADEENC);
    main.AddFile(QStringLiteral("/a/x.wav"));
    // The user hides the windows once the encoder is at work.
    const auto handle = main.Batch->GUI2Console1->OnLine;
    main.Batch->GUI2Console1->OnLine = [&](TGUI2Console* sender, const QByteArray& line) {
        if (main.isVisible())
            main.Tray->HideToTray();
        handle(sender, line);
    };
    const auto encode = [&](const QByteArray& script) {
        qputenv("FAKE_BLADEENC_SCRIPT_TEXT", script);
        main.ActionList1Update();
        wintest::Part(main, "ActionEncode")->trigger();
        (void)QTest::qWaitFor([&] { return !main.Batch->GUI2Console1->Running(); }, WaitGuardMs);
    };

    encode("print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n");
    EXPECT_FALSE(main.isVisible()) << "the windows stay hidden after the batch";
    EXPECT_TRUE(QTest::qWaitFor([] { return BalloonTexts().contains(QStringLiteral("Tonewright: encoding finished")); }, WaitGuardMs))
        << BalloonTexts().join(QLatin1Char('|')).toStdString();

    // An encoder line nobody knows: the batch ends with an error, and the message says so.
    boxes.Answer(IDNO);
    encode("print Files to encode: 1\nprint something else\n");
    EXPECT_TRUE(QTest::qWaitFor([] {
        return BalloonTexts().contains(QStringLiteral("Tonewright: encoding finished with errors"));
    }, WaitGuardMs)) << BalloonTexts().join(QLatin1Char('|')).toStdString();

    main.Tray->RxTrayIcon1DblClick();
    qunsetenv("FAKE_BLADEENC_SCRIPT_TEXT");
}

namespace {
QString WatcherService() { return QStringLiteral("org.kde.StatusNotifierWatcher"); }

// The services that registered an item with the watcher, in order.
QStringList RegisteredItems(QDBusConnection& bus)
{
    QStringList services;
    for (const QVariantList& call : MockMethodCalls(bus, WatcherService(), QStringLiteral("/StatusNotifierWatcher"),
                                                    QStringLiteral("RegisterStatusNotifierItem")))
        for (const QVariant& arg : call)
            services << arg.toString();
    return services;
}

// The tooltip title the item offers the desktop: ToolTip is (icon name, pixmaps, title, text).
QString ItemToolTip(QDBusConnection& bus, const QString& service)
{
    const QDBusMessage reply = CallOnBus(bus, service, QStringLiteral("/StatusNotifierItem"),
                                         QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                         {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("ToolTip")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QStringLiteral("<no reply: %1>").arg(reply.errorMessage());
    const QDBusArgument tip = reply.arguments().at(0).value<QDBusVariant>().variant().value<QDBusArgument>();
    QString iconName, title, text;
    tip.beginStructure();
    tip >> iconName;
    tip.beginArray();
    while (!tip.atEnd()) {
        tip.beginStructure();
        int w = 0, h = 0;
        QByteArray bytes;
        tip >> w >> h >> bytes;
        tip.endStructure();
    }
    tip.endArray();
    tip >> title >> text;
    tip.endStructure();
    return title;
}
} // namespace

// The child half of the StatusNotifier tests: it runs only in a process the parent test starts
// with a private session bus (Qt decides per process which kind of tray it talks to), and talks
// to that bus as "item-probe".
class DISABLED_StatusNotifierChild : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QByteArray address = qgetenv("TW_TRAY_TEST_SESSION_BUS");
        if (address.isEmpty())
            GTEST_SKIP() << "started by StatusNotifierTray only";
        qputenv("DBUS_SESSION_BUS_ADDRESS", address); // before the first tray call
        ASSERT_TRUE(TRxTrayIcon::Available());
        bus = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("item-probe"));
        ASSERT_TRUE(bus.isConnected());
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("item-probe")); }

    QDBusConnection bus{QString()};
};

// The icon registers with the watcher and offers its tooltip, cut as the tray cuts it.
TEST_F(DISABLED_StatusNotifierChild, TheIconRegistersAndOffersItsCutToolTip)
{

    QObject owner;
    TRxTrayIcon icon(&owner);
    icon.SetHint(QString(70, QLatin1Char('A')) + QStringLiteral("|second part"));
    EXPECT_TRUE(RegisteredItems(bus).isEmpty()) << "nothing shows before the icon is active";
    icon.SetActive(true);
    QStringList items;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(items = RegisteredItems(bus)).isEmpty(); }, WaitGuardMs));
    const QString service = items.constFirst();
    EXPECT_EQ(ItemToolTip(bus, service), QString(63, QLatin1Char('A')));

    icon.SetHint(QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%|x"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ItemToolTip(bus, service) == QStringLiteral("Track 1.wav: 12.3%, Batch: 4.1%"); }, WaitGuardMs))
        << ItemToolTip(bus, service).toStdString();

    icon.SetActive(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bus.interface()->isServiceRegistered(service).value(); }, WaitGuardMs))
        << "the item must leave the desktop";
}

// A StatusNotifier host reports a click on the icon as Activate and never as a double click, so
// Activate must bring the windows back.
TEST_F(DISABLED_StatusNotifierChild, ActivateOnTheItemBringsTheHiddenWindowsBack)
{
    EXPECT_TRUE(TRxTrayIcon::StatusNotifierHost());

    TempProgramFolder folder;
    TSettings settings;
    TFormMain main(settings);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }, WaitGuardMs));
    // The mock keeps the registrations of earlier tests: this icon's is the one that comes next.
    const qsizetype before = RegisteredItems(bus).size();
    main.Tray->HideToTray();
    ASSERT_FALSE(main.isVisible());
    QStringList items;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (items = RegisteredItems(bus)).size() > before; }, WaitGuardMs));
    const QDBusMessage reply = CallOnBus(bus, items.constLast(), QStringLiteral("/StatusNotifierItem"),
                                   QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {0, 0});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }, WaitGuardMs)) << "the windows stay hidden";
    EXPECT_FALSE(main.Tray->RxTrayIcon1->Active());
}

TEST(StatusNotifierTray, ADesktopWithAStatusNotifierHostGetsTheIconAndItsCutToolTipOverDBus)
{
    MockBus watcher(QStringLiteral(TW_SNI_TEMPLATE), WatcherService());
    ASSERT_TRUE(watcher.Ready) << "dbus-daemon and python3-dbusmock (scripts/install-deps) are needed";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TW_TRAY_TEST_SESSION_BUS"), watcher.Address);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DISABLED_StatusNotifierChild.*"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(child.waitForFinished(150000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
}
