#include "RxTrayIcon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

TRxTrayIcon::TRxTrayIcon(QObject* owner) : QObject(owner)
{
    FIcon = new QSystemTrayIcon(this);
    FImage = DefaultIcon();
    FIcon->setIcon(FImage);
    connect(FIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // The session bus is asked only about a click: a double click counts on every desktop.
        if (OnDblClick && IsDblClick(reason, reason == QSystemTrayIcon::Trigger && StatusNotifierHost()))
            OnDblClick(this);
    });
}

TRxTrayIcon::~TRxTrayIcon()
{
    // Leave the notification area before the menu (owned elsewhere) may go.
    FIcon->hide();
    FIcon->setContextMenu(nullptr);
}

void TRxTrayIcon::SetActive(bool active)
{
    if (FActive == active)
        return;
    FActive = active;
    if (active) {
        FIcon->setToolTip(ToolTip());
        FIcon->show();
    } else {
        FIcon->hide();
    }
}

void TRxTrayIcon::SetHint(const QString& hint)
{
    if (hint == FHint)
        return;
    FHint = hint;
    const QString tip = ToolTip();
    if (FIcon->toolTip() != tip)
        FIcon->setToolTip(tip);
}

void TRxTrayIcon::SetIcon(const QIcon& icon)
{
    FImage = icon.isNull() ? DefaultIcon() : icon;
    FIcon->setIcon(FImage);
}

void TRxTrayIcon::ShowMessage(const QString& text, bool warning)
{
    if (text.isEmpty() || !FActive || !QSystemTrayIcon::supportsMessages())
        return;
    // The text is the whole message: it goes in as the title, which every desktop shows.
    FIcon->showMessage(text, QString(), warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void TRxTrayIcon::SetPopupMenu(QMenu* menu)
{
    if (FMenuConnection)
        disconnect(FMenuConnection);
    FMenu = menu;
    FIcon->setContextMenu(menu);
    if (menu)
        FMenuConnection = connect(menu, &QMenu::aboutToShow, this, [this] {
            if (OnPopup)
                OnPopup(this);
        });
}

bool TRxTrayIcon::IsDblClick(QSystemTrayIcon::ActivationReason reason, bool statusNotifierHost)
{
    // A StatusNotifier host sends Activate for a click and never a double click: there the
    // click is the only way to bring the windows back.
    return reason == QSystemTrayIcon::DoubleClick || (statusNotifierHost && reason == QSystemTrayIcon::Trigger);
}

bool TRxTrayIcon::StatusNotifierHost()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool TRxTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString TRxTrayIcon::TrayToolTip(const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    QString tip = bar < 0 ? hint : hint.left(bar);
    if (tip.size() > MaxToolTipLength) {
        qsizetype length = MaxToolTipLength;
        // Half a surrogate pair would show as a broken character.
        if (tip.at(length - 1).isHighSurrogate())
            --length;
        tip.truncate(length);
    }
    return tip;
}

QIcon TRxTrayIcon::DefaultIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size / 16.0;
        // A dark blue disc with a white quaver: the encoder at work.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x4e, 0x8c));
        p.drawEllipse(QRectF(0.5 * s, 0.5 * s, 15 * s, 15 * s));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(4 * s, 9.5 * s, 4 * s, 3 * s));
        p.drawRect(QRectF(7 * s, 3.5 * s, 1.2 * s, 7.5 * s));
        QPainterPath flag;
        flag.moveTo(8.2 * s, 3.5 * s);
        flag.cubicTo(10.5 * s, 4.5 * s, 11.5 * s, 6 * s, 11 * s, 8 * s);
        flag.cubicTo(10.5 * s, 6.5 * s, 9.5 * s, 6 * s, 8.2 * s, 6 * s);
        flag.closeSubpath();
        p.drawPath(flag);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
