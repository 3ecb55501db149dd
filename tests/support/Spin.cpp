#include "Spin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

bool SpinUntil(const std::function<bool()>& done, int guardMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // wakes the wait below for conditions that change without an event
    wake.start(2);
    while (!done()) {
        if (clock.elapsed() > guardMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void SpinFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    SpinUntil([&] { return clock.elapsed() >= ms; }, ms + 60000);
}
