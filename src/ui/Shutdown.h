#pragma once
// TFormShutdown: the 30-second countdown before the computer is switched off after a batch;
// OK (1) when the count ran out, Cancel (2) when the user cancelled or closed it. And the
// shutdown request itself. Main thread only.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTimer;

class TFormShutdown : public QDialog {
    Q_OBJECT

public:
    static constexpr int CountdownSeconds = 30;

    explicit TFormShutdown(QWidget* owner);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* LabelTimeLeft = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* Timer1 = nullptr; // ticks once a second from creation until the window closes
    int SecondsLeft = CountdownSeconds;

    // One tick of the countdown (public so tests drive time): counts down and shows the seconds
    // left; on the tick after 0 the window closes with OK.
    void Timer1Timer();
    // Shows the window modally; returns 1 (OK: shut down) or 2 (Cancel).
    int ShowModal();

public Q_SLOTS:
    void done(int result) override;
    void reject() override;
};

// Asks systemd-logind over the system bus to power the computer off (PowerOff, interactive, so
// that polkit may ask for a password). Returns logind's error when it refused, else empty; a
// missing system bus is not reported.
QString ShutdownWindows();
