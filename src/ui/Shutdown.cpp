#include "Shutdown.h"

#include "Dialogs.h"
#include "ResStr.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The design size is the window's minimum; longer texts or a larger font grow it.
constexpr QSize DesignSize{172, 164};
// Long enough for the user to answer an authentication dialog.
constexpr int AuthorizationTimeoutMs = 300000;

QLabel* MakeLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

TFormShutdown::TFormShutdown(QWidget* owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::ShutdownCaption);

    Label2 = MakeLabel(this, ResStr::ShutdownWarning);
    QFont big = font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() > 0 ? big.pointSizeF() * 14.0 / 8.0 : 14.0);
    Label2->setFont(big);
    Label1 = MakeLabel(this, ResStr::ShutdownText);
    Label3 = MakeLabel(this, ResStr::ShutdownTimeLeft);
    LabelTimeLeft = MakeLabel(this, QString::number(CountdownSeconds));
    // Room for two digits whatever the count shows.
    LabelTimeLeft->setMinimumWidth(std::max(24, LabelTimeLeft->fontMetrics().horizontalAdvance(QStringLiteral("00"))));

    auto* buttons = new QDialogButtonBox(this);
    buttons->setCenterButtons(true);
    Button1 = buttons->addButton(ResStr::ShutdownCancel, QDialogButtonBox::RejectRole);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { done(IDCANCEL); });

    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(Label3);
    timeRow->addWidget(LabelTimeLeft);
    timeRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->addWidget(Label2);
    layout->addWidget(Label1);
    layout->addLayout(timeRow);
    layout->addStretch(1);
    layout->addWidget(buttons);
    ensurePolished();
    setMinimumSize(DesignSize.expandedTo(layout->minimumSize()));
    resize(minimumSize());
    Button1->setFocus();

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
