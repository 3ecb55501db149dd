#pragma once
// TRepaintThrottle: paints a window at most once per interval while it is active, as a batch of
// short files changes the progress window and the file list hundreds of times a second. The
// widgets take every change at once, so whoever reads them sees the newest state; only the
// window's paint requests wait, and the paint that ends the wait covers everything changed
// meanwhile (only what changed, as usual). Main thread only.
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

class TRepaintThrottle : public QObject {
    Q_OBJECT

public:
    // Watches `window` (a top-level widget) and goes with it.
    TRepaintThrottle(QWidget* window, int intervalMs);

    // Inactive, every paint request passes at once; turning it off paints what waits.
    void SetActive(bool active);
    bool Active() const { return m_active; }
    // Paints what waits now (a window about to hide shows its last state first).
    void Flush();
    // Whether a paint waits for the interval to end.
    bool Holding() const { return m_timer.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QPointer<QWidget> m_window;
    int m_interval;
    bool m_active = false;
    bool m_passing = false; // the held request is being delivered
    QElapsedTimer m_lastPaint;
    QBasicTimer m_timer;
};
