#include "Shutdown.h"

#include "Dialogs.h"
#include "ResStr.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int ClientWidth = 172;
constexpr int ClientHeight = 164;
constexpr int StripHeight = 41;
constexpr int ButtonWidth = 75;
// Long enough for the user to answer an authentication dialog.
constexpr int AuthorizationTimeoutMs = 300000;

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    label->adjustSize();
    return label;
}
} // namespace

TFormShutdown::TFormShutdown(QWidget* owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::ShutdownCaption);

    Label2 = new QLabel(ResStr::ShutdownWarning, this);
    QFont big = font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() > 0 ? big.pointSizeF() * 14.0 / 8.0 : 14.0);
    Label2->setFont(big);
    Label2->setTextFormat(Qt::PlainText);
    Label2->move(16, 8);
    Label2->adjustSize();

    Label1 = MakeLabel(this, ResStr::ShutdownText, 16, 40);
    Label3 = MakeLabel(this, ResStr::ShutdownTimeLeft, 16, 88);
    // The seconds stand right of "Time left:", further right when the font needs it.
    LabelTimeLeft = MakeLabel(this, QString::number(CountdownSeconds), std::max(64, Label3->geometry().right() + 5), 88);
    LabelTimeLeft->setMinimumWidth(24);

    // The desktop's font may be wider than the one the layout was drawn for: widen, never clip.
    const int needed = std::max({Label1->geometry().right(), Label2->geometry().right(),
                                 LabelTimeLeft->geometry().right()}) + 16;
    const int width = std::max(ClientWidth, needed);
    const int height = std::max(ClientHeight, LabelTimeLeft->geometry().bottom() + 12 + StripHeight);
    setFixedSize(width, height);

    Button1 = new QPushButton(ResStr::ShutdownCancel, this);
    Button1->setGeometry((width - ButtonWidth) / 2, height - StripHeight + 8, ButtonWidth, 25);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    Button1->setFocus();
    connect(Button1, &QPushButton::clicked, this, [this] { done(IDCANCEL); });

    SecondsLeft = CountdownSeconds;
    LabelTimeLeft->setText(QString::number(SecondsLeft));
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { RunGuarded([this] { Timer1Timer(); }); });
    Timer1->start();
}

void TFormShutdown::Timer1Timer()
{
    --SecondsLeft;
    if (SecondsLeft < 0)
        done(IDOK);
    else
        LabelTimeLeft->setText(QString::number(SecondsLeft));
}

int TFormShutdown::ShowModal()
{
    if (parentWidget())
        CenterOverOwner(this, parentWidget());
    const int result = exec();
    return result == IDOK ? int(IDOK) : int(IDCANCEL);
}

void TFormShutdown::done(int result)
{
    Timer1->stop();
    QDialog::done(result);
}

void TFormShutdown::reject()
{
    // Escape and the close box.
    done(IDCANCEL);
}

QString ShutdownWindows()
{
    // No privilege of the process to adjust first: logind and polkit decide when the request
    // arrives.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    // Interactive: where polkit wants the user's password (a remote session, another user
    // logged in), it asks for it rather than refusing outright.
    call << true;
    call.setInteractiveAuthorizationAllowed(true);
    QDBusConnection bus = QDBusConnection::systemBus();
    QString error;
    if (bus.isConnected()) {
        // The user may take a while over the password; the windows keep painting meanwhile.
        const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, AuthorizationTimeoutMs);
        if (reply.type() == QDBusMessage::ErrorMessage)
            error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    }
    return error;
}
