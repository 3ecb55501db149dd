// The windows under a window manager that frames them: the main window 536 x 374 with its frame
// and centred on the screen by it; the secondary windows centred over their owner by the outer
// frames, and the log window 400 x 250 with its frame.
#include "DesktopActivation.h"
#include "Dialogs.h"
#include "Log.h"
#include "Main.h"
#include "Shutdown.h"
#include "Spin.h"
#include "TempProgramFolder.h"
#include "Progress.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScopeGuard>
#include <QTimer>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <functional>
#include <ostream>

static void PrintTo(const QRect& r, std::ostream* os)
{
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {
class WindowFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.resize(536, 374);
        owner.move(100, 100);
        owner.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !FrameMarginsOf(&owner).isNull(); }, WaitGuardMs))
            << "no window manager framed the owner (openbox, scripts/install-deps)";
    }

    // Runs `show` (a modal loop) and, from inside it, waits until `window` is framed and centred
    // (or the hang guard ends), records its outer rectangle and calls `close`.
    QRect FrameWhileShown(QWidget* window, const std::function<void()>& show, const std::function<void()>& close)
    {
        QRect frame;
        QTimer::singleShot(0, window, [&] {
            (void)QTest::qWaitFor([&] {
                return window->isVisible() && !FrameMarginsOf(window).isNull()
                       && window->frameGeometry().topLeft()
                              == CenteredPosition(owner.frameGeometry(), window->frameGeometry().size());
            }, WaitGuardMs);
            frame = window->frameGeometry();
            close();
        });
        show();
        return frame;
    }

    QRect Centred(const QSize& outer) const
    {
        return {CenteredPosition(owner.frameGeometry(), outer), outer};
    }

    QMainWindow owner;
};
} // namespace

TEST_F(WindowFrames, TheLogWindowIsFourHundredByTwoHundredFiftyWithItsFrameAndCentred)
{
    TFormLog log(&owner);
    const QRect frame = FrameWhileShown(&log, [&] { log.ShowModal(); }, [&] { log.done(IDOK); });
    EXPECT_EQ(frame, Centred(QSize(400, 250)));
    EXPECT_LT(log.height(), 250) << "the client area is the outer size less the frame";
}

TEST_F(WindowFrames, TheCountdownIsCentredByItsFrame)
{
    TFormShutdown countdown(&owner);
    countdown.Timer1->stop();
    const QRect frame = FrameWhileShown(&countdown, [&] { countdown.ShowModal(); }, [&] { countdown.done(IDCANCEL); });
    EXPECT_EQ(frame, Centred(countdown.frameGeometry().size()));
    EXPECT_GT(frame.height(), countdown.height());
}

TEST_F(WindowFrames, TheProgressWindowIsCentredByItsFrame)
{
    TFormProgress progress(&owner);
    const QRect frame = FrameWhileShown(&progress, [&] { progress.ShowModal(); }, [&] {
        progress.Finished = true;
        progress.SetModalResult(IDOK);
    });
    EXPECT_EQ(frame, Centred(progress.frameGeometry().size()));
    EXPECT_GT(frame.height(), progress.height());
}

TEST(MainWindowFrame, TheMainWindowIs536By374WithItsFrameOrWiderForItsColumnsAndCentredOnTheScreenByIt)
{
    TempProgramFolder folder;
    TSettings settings;
    TFormMain main(settings);
    main.show();
    const QRect area = main.screen()->availableGeometry();
    // The columns need their width inside the frame.
    const auto expected = [&] {
        const QMargins frame = FrameMarginsOf(&main);
        const QSize outer(std::max(536, main.WidthForColumns() + frame.left() + frame.right()), 374);
        return QRect(CenteredPosition(area, outer), outer);
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !FrameMarginsOf(&main).isNull() && main.frameGeometry() == expected(); }, 10000))
        << "framed at " << main.frameGeometry().x() << "," << main.frameGeometry().y() << " "
        << main.frameGeometry().width() << "x" << main.frameGeometry().height();
    EXPECT_LT(main.height(), 374) << "the client area is the outer size less the frame";
}

namespace {
xcb_atom_t AtomNamed(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}
} // namespace

TEST(LaunchActivation, ALaterStartsLaunchIsEndedOnTheRootWindowAndItsWindowActivated)
{
    // A launcher's view: a client of its own that watches the root window for startup messages.
    xcb_connection_t* launcher = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(launcher));
    const auto closeLauncher = qScopeGuard([launcher] { xcb_disconnect(launcher); });
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(launcher)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(launcher, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t begin = AtomNamed(launcher, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = AtomNamed(launcher, "_NET_STARTUP_INFO");
    xcb_flush(launcher);

    QWidget window;
    window.resize(200, 100);
    window.show();
    QWidget other; // has the focus before
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return other.isActiveWindow(); }, 10000));

    const QByteArray id = "tw-test launch \"42\"_TIME0";
    ActivateForLaunch(&window, id);

    QByteArray received;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(launcher)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == begin)
                    received.clear();
                if (message->type == begin || message->type == more)
                    received.append(reinterpret_cast<const char*>(message->data.data8), 20);
            }
            std::free(event);
        }
        return received.contains('\0');
    }, 10000));
    EXPECT_EQ(received.left(received.indexOf('\0')), QByteArray("remove: ID=\"tw-test launch \\\"42\\\"_TIME0\""));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isActiveWindow(); }, 10000)) << "the window was not activated";
}
