#include "RxTrayIcon.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>

TRxTrayIcon::TRxTrayIcon(QObject* owner) : QObject(owner)
{
    m_icon = new QSystemTrayIcon(this);
    m_image = DefaultIcon();
    m_icon->setIcon(m_image);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick && OnDblClick)
            OnDblClick(this);
    });
}

TRxTrayIcon::~TRxTrayIcon()
{
    // Leave the notification area before the menu (owned elsewhere) may go.
    m_icon->hide();
    m_icon->setContextMenu(nullptr);
}

void TRxTrayIcon::SetActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    if (active) {
        m_icon->setToolTip(ToolTip());
        m_icon->show();
    } else {
        m_icon->hide();
    }
}

void TRxTrayIcon::SetHint(const QString& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    const QString tip = ToolTip();
    if (m_icon->toolTip() != tip)
        m_icon->setToolTip(tip);
}

void TRxTrayIcon::SetIcon(const QIcon& icon)
{
    m_image = icon.isNull() ? DefaultIcon() : icon;
    m_icon->setIcon(m_image);
}

void TRxTrayIcon::ShowMessage(const QString& text, bool warning)
{
    if (text.isEmpty() || !m_active || !QSystemTrayIcon::supportsMessages())
        return;
    // The text is the whole message: it goes in as the title, which every desktop shows.
    m_icon->showMessage(text, QString(), warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void TRxTrayIcon::SetPopupMenu(QMenu* menu)
{
    if (m_menuConnection)
        disconnect(m_menuConnection);
    m_menu = menu;
    m_icon->setContextMenu(menu);
    if (menu)
        m_menuConnection = connect(menu, &QMenu::aboutToShow, this, [this] {
            if (OnPopup)
                OnPopup(this);
        });
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
