#include "RxSlider.h"
#include "WindowTestSupport.h"

#include <QApplication>
#include <QKeySequence>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace wintest;

namespace {
// A repeat clock the test ticks by hand.
class FakeRepeatTimer : public IRepeatTimer {
public:
    int Interval = -1;
    bool Running = false;
    void Start(int intervalMs) override { Interval = intervalMs, Running = true; }
    void Stop() override { Running = false; }
    bool Active() const override { return Running; }
    void Tick()
    {
        if (Running && OnTimer)
            OnTimer();
    }
};

struct Slider {
    TRxSlider widget;
    FakeRepeatTimer* timer = nullptr;
    std::vector<int> changes; // the value at every notification

    Slider(int min, int max, int value)
    {
        widget.resize(137, 32);
        widget.SetRange(min, max);
        widget.SetValue(value);
        auto fake = std::make_unique<FakeRepeatTimer>();
        timer = fake.get();
        widget.SetRepeatTimer(std::move(fake));
        widget.OnChange = [this](TRxSlider* sender) { changes.push_back(sender->Value()); };
    }
    QPoint At(int value, int dy = 12) const { return {widget.PositionX(value), dy}; }
};
} // namespace

TEST(RxSlider, KeysStepAndJumpAndEveryChangeButNoRepeatIsReported)
{
    Slider s(1, 14, 9);
    Key(&s.widget, Qt::Key_Right);
    Key(&s.widget, Qt::Key_Left);
    Key(&s.widget, Qt::Key_Left);
    Key(&s.widget, Qt::Key_End);
    Key(&s.widget, Qt::Key_Right); // already at the maximum: nothing
    Key(&s.widget, Qt::Key_Home);
    Key(&s.widget, Qt::Key_Left);  // already at the minimum: nothing
    EXPECT_EQ(s.changes, (std::vector<int>{10, 9, 8, 14, 1}));

    s.changes.clear();
    s.widget.SetValue(1);   // the value it has
    s.widget.SetValue(-7);  // clamped to the value it has
    s.widget.SetValue(99);
    s.widget.SetRange(0, 5);
    EXPECT_EQ(s.changes, (std::vector<int>{14, 5})) << "clamped into the range, also when the range shrinks";
    EXPECT_EQ(s.widget.Value(), 5);
}

TEST(RxSlider, ArrowsPagesAndTheWheelStepItAsAnySlider)
{
    Slider s(1, 14, 9);
    EXPECT_EQ(s.widget.focusPolicy(), Qt::WheelFocus) << "reached by Tab, a click and the wheel";
    EXPECT_EQ(s.widget.PageStep(), 4);
    const struct {
        int key;
        int value;
    } keys[] = {
        {Qt::Key_Up, 10}, {Qt::Key_Down, 9},      {Qt::Key_Down, 8},     {Qt::Key_PageUp, 12},
        {Qt::Key_PageUp, 14}, {Qt::Key_PageDown, 10}, {Qt::Key_PageDown, 6}, {Qt::Key_PageDown, 2},
        {Qt::Key_PageDown, 1},
    };
    for (const auto& k : keys) {
        Key(&s.widget, k.key);
        EXPECT_EQ(s.widget.Value(), k.value) << QKeySequence(k.key).toString().toStdString();
    }

    // The wheel: a notch up one step up, down one down; half notches add up.
    s.widget.SetValue(5);
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(20, 10), s.widget.mapToGlobal(QPointF(20, 10)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&s.widget, &event);
        EXPECT_TRUE(event.isAccepted());
    };
    wheel(120);
    EXPECT_EQ(s.widget.Value(), 6);
    wheel(-240);
    EXPECT_EQ(s.widget.Value(), 4);
    wheel(60);
    EXPECT_EQ(s.widget.Value(), 4);
    wheel(60);
    EXPECT_EQ(s.widget.Value(), 5);

    Slider few(0, 5, 3);
    EXPECT_EQ(few.widget.PageStep(), 2);
}

TEST(RxSlider, AHeldClickBesideTheThumbRepeatsOnlyWhileThePointerStaysOnThatSide)
{
    Slider s(0, 10, 5);
    const QPoint farRight = s.At(9);
    Press(&s.widget, farRight);
    EXPECT_EQ(s.changes, (std::vector<int>{6})) << "one step toward the click at once";
    EXPECT_TRUE(s.timer->Running);
    EXPECT_EQ(s.timer->Interval, 400);
    s.timer->Tick();
    s.timer->Tick();
    EXPECT_EQ(s.widget.Value(), 8);

    // The pointer moved to the thumb's other side: ticks do nothing.
    Move(&s.widget, s.At(2));
    s.timer->Tick();
    EXPECT_EQ(s.widget.Value(), 8);
    // Back to the right of the thumb: stepping goes on, and stops once the thumb is under it.
    Move(&s.widget, s.At(9));
    s.timer->Tick();
    s.timer->Tick();
    s.timer->Tick();
    EXPECT_EQ(s.widget.Value(), 9);
    Release(&s.widget, s.At(9));
    EXPECT_FALSE(s.timer->Running);

    // A click on the left steps down once; without holding, no repeat follows.
    s.changes.clear();
    Press(&s.widget, QPoint(1, 12));
    Release(&s.widget, QPoint(1, 12));
    s.timer->Tick();
    EXPECT_EQ(s.changes, (std::vector<int>{8}));
}

TEST(RxSlider, DraggingTheThumbFollowsTheNearestPositionAndStaysInRange)
{
    Slider s(1, 14, 9);
    const int step = s.widget.PositionX(2) - s.widget.PositionX(1);
    // Grabbed 3 pixels right of the thumb's centre: the grab offset is kept.
    Press(&s.widget, s.At(9) + QPoint(3, 0));
    EXPECT_TRUE(s.widget.Dragging());
    EXPECT_TRUE(s.changes.empty()) << "pressing the thumb changes nothing";
    Move(&s.widget, s.At(5) + QPoint(3 + step / 2 - 1, 0)); // just short of half way to 6
    EXPECT_EQ(s.widget.Value(), 5);
    Move(&s.widget, s.At(5) + QPoint(3 + step / 2 + 1, 0));
    EXPECT_EQ(s.widget.Value(), 6);
    Move(&s.widget, QPoint(-200, 12));
    EXPECT_EQ(s.widget.Value(), 1);
    Move(&s.widget, QPoint(500, 12));
    EXPECT_EQ(s.widget.Value(), 14);
    Release(&s.widget, QPoint(500, 12));
    EXPECT_FALSE(s.widget.Dragging());
    EXPECT_EQ(s.changes, (std::vector<int>{5, 6, 1, 14})) << "each change reported at once";
    EXPECT_FALSE(s.timer->Running) << "a drag never repeats";
}
