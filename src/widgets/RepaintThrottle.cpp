#include "RepaintThrottle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

TRepaintThrottle::TRepaintThrottle(QWidget* window, int intervalMs)
    : QObject(window), m_window(window), m_interval(intervalMs)
{
    window->installEventFilter(this);
}

void TRepaintThrottle::SetActive(bool active)
{
    if (!active)
        Flush();
    m_active = active;
}

void TRepaintThrottle::Flush()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    if (!m_window)
        return;
    // The window's paint manager still has its dirty region and counts on this request.
    m_lastPaint.start();
    QEvent request(QEvent::UpdateRequest);
    m_passing = true;
    QCoreApplication::sendEvent(m_window, &request);
    m_passing = false;
}

bool TRepaintThrottle::eventFilter(QObject* watched, QEvent* event)
{
    // Qt asks a window to paint its dirty region with an UpdateRequest, also for a widget's
    // immediate repaint(), which QProgressBar calls whenever its value moves.
    if (event->type() != QEvent::UpdateRequest || watched != m_window || !m_active || m_passing)
        return false;
    if (m_timer.isActive())
        return true;
    if (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= m_interval) {
        m_lastPaint.start();
        return false;
    }
    m_timer.start(int(m_interval - m_lastPaint.elapsed()), this);
    return true;
}

void TRepaintThrottle::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        Flush();
    else
        QObject::timerEvent(event);
}
