// The repaint throttle: while active, a window paints once per interval however often it
// changes, and what waits is painted when the throttle is flushed or turned off.
#include "RepaintThrottle.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {
// Counts a widget's paint events.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        Paints += event->type() == QEvent::Paint;
        return false;
    }
};

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}
} // namespace

TEST(RepaintThrottle, HoldsPaintsWithinTheIntervalAndPaintsTheNewestStateOnce)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("start"));
    auto* bar = new QProgressBar;
    bar->setRange(0, 1000);
    layout->addWidget(label);
    layout->addWidget(bar);
    window.show();
    Settle();
    PaintCounter labelPaints, barPaints;
    label->installEventFilter(&labelPaints);
    bar->installEventFilter(&barPaints);

    // An interval no test run outlasts: only the first request passes, the rest wait.
    TRepaintThrottle throttle(&window, 3'600'000);
    throttle.SetActive(true);
    label->setText(QStringLiteral("first"));
    Settle();
    EXPECT_EQ(labelPaints.Paints, 1);
    for (int i = 1; i <= 50; ++i) {
        label->setText(QStringLiteral("file %1").arg(i));
        bar->setValue(i * 20); // QProgressBar asks for an immediate repaint
        Settle();
    }
    EXPECT_TRUE(throttle.Holding());
    EXPECT_EQ(labelPaints.Paints, 1);
    EXPECT_EQ(barPaints.Paints, 0);
    EXPECT_EQ(label->text(), QStringLiteral("file 50")); // the widgets hold the newest state

    throttle.Flush();
    EXPECT_FALSE(throttle.Holding());
    EXPECT_EQ(labelPaints.Paints, 2);
    EXPECT_EQ(barPaints.Paints, 1);

    // Turned off, every change paints at once again, and what waited is painted first.
    label->setText(QStringLiteral("held"));
    Settle();
    EXPECT_TRUE(throttle.Holding());
    throttle.SetActive(false);
    EXPECT_EQ(labelPaints.Paints, 3);
    label->setText(QStringLiteral("free"));
    Settle();
    EXPECT_EQ(labelPaints.Paints, 4);
}
