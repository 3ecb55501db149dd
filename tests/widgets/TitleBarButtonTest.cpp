#include "TitleBarButton.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

using namespace wintest;

namespace {
struct Clicks {
    int Count = 0;
    int Index = -1;
    bool Toggled = false;
    void Attach(TTitleBarButton& b)
    {
        b.OnClick = [this](TTitleBarButton*, int index, bool toggled) {
            ++Count;
            Index = index;
            Toggled = toggled;
        };
    }
};

const QPoint Inside(5, 5);
const QPoint Outside(40, 30);
} // namespace

TEST(TitleBarButton, ReleaseOverTheButtonClicksWithItsIndexAndToggleState)
{
    TTitleBarButton button;
    Clicks clicks;
    clicks.Attach(button);
    button.SetToggled(true);

    Press(&button, Inside);
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(clicks.Count, 0) << "a press alone is no click";
    Release(&button, QPoint(15, 13)); // the last pixel still counts as over it
    EXPECT_EQ(clicks.Count, 1);
    EXPECT_EQ(clicks.Index, 0);
    EXPECT_TRUE(clicks.Toggled);
    EXPECT_TRUE(button.Toggled()) << "clicking leaves the toggle state alone";
    EXPECT_FALSE(button.Down());
    EXPECT_FALSE(button.Tracking());
}

TEST(TitleBarButton, LooksPressedOnlyWhileThePointerIsOverItAndReleasingElsewhereDoesNothing)
{
    TTitleBarButton button;
    Clicks clicks;
    clicks.Attach(button);

    Press(&button, Inside);
    Move(&button, Outside);
    EXPECT_FALSE(button.Down());
    EXPECT_TRUE(button.Tracking());
    Move(&button, QPoint(16, 5)); // one pixel right of the button
    EXPECT_FALSE(button.Down());
    Move(&button, Inside);
    EXPECT_TRUE(button.Down());
    Move(&button, QPoint(-1, 5));
    Release(&button, QPoint(-1, 5));
    EXPECT_EQ(clicks.Count, 0);
    EXPECT_FALSE(button.Down());

    // Out and back in before the release is a click.
    Press(&button, Inside);
    Move(&button, Outside);
    Move(&button, Inside);
    Release(&button, Inside);
    EXPECT_EQ(clicks.Count, 1);
}

TEST(TitleBarButton, OnlyALeftPressThatStartedOnItCounts)
{
    TTitleBarButton button;
    Clicks clicks;
    clicks.Attach(button);

    Press(&button, Inside, Qt::RightButton);
    EXPECT_FALSE(button.Down());
    Release(&button, Inside, Qt::RightButton);
    Release(&button, Inside); // a release with no press on the button
    EXPECT_EQ(clicks.Count, 0);

    // Disabled while held: the later release must not click.
    Press(&button, Inside);
    button.setEnabled(false);
    EXPECT_FALSE(button.Down());
    button.setEnabled(true);
    Release(&button, Inside);
    EXPECT_EQ(clicks.Count, 0);

    // Without a handler a click is simply nothing.
    button.OnClick = nullptr;
    Press(&button, Inside);
    Release(&button, Inside);
}

TEST(TitleBarButton, DrawsTheCornerMarkOnItsFaceMovedWhileSunken)
{
    TTitleBarButton button;
    button.resize(button.sizeHint());
    EXPECT_EQ(button.size(), QSize(TTitleBarButton::ButtonWidth, TTitleBarButton::ButtonHeight));

    // Face at (2, 2): the mark runs (8, 10) - (12, 10) - (12, 6); sunken, 2 further right and down.
    const auto black = [](const QImage& image, int x, int y) { return QColor(image.pixel(x, y)).lightness() < 40; };
    const QImage up = button.grab().toImage();
    EXPECT_TRUE(black(up, 10, 10)) << "horizontal stroke";
    EXPECT_TRUE(black(up, 12, 7)) << "vertical stroke";
    EXPECT_FALSE(black(up, 5, 5)) << "the face is not black";

    Press(&button, Inside);
    const QImage down = button.grab().toImage();
    EXPECT_TRUE(black(down, 12, 12));
    EXPECT_TRUE(black(down, 14, 9));
    EXPECT_NE(up, down);
    Release(&button, Outside);
}
