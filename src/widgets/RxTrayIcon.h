#pragma once
// TRxTrayIcon: an icon in the desktop's notification area with a tooltip hint, a pop-up menu
// and a double-click event, shown only while Active. Main thread only.
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class TRxTrayIcon : public QObject {
    Q_OBJECT

public:
    // The longest tooltip the notification area takes.
    static constexpr int MaxToolTipLength = 63;

    explicit TRxTrayIcon(QObject* owner);
    ~TRxTrayIcon() override;

    // True: the icon is in the notification area. Setting it adds or removes the icon.
    bool Active() const { return FActive; }
    void SetActive(bool active);

    // The tooltip text; a change shows at once on an active icon.
    QString Hint() const { return FHint; }
    void SetHint(const QString& hint);
    // What the notification area shows of the hint (see TrayToolTip).
    QString ToolTip() const { return TrayToolTip(FHint); }

    // The icon's image; by default a small picture drawn here.
    QIcon Icon() const { return FImage; }
    void SetIcon(const QIcon& icon);

    // The menu a right click opens (not owned); null: no menu.
    QMenu* PopupMenu() const { return FMenu; }
    void SetPopupMenu(QMenu* menu);

    // Shows `text` in a message from the icon while it is active, where the desktop shows such
    // messages; an empty text, an inactive icon or a desktop without messages shows nothing.
    void ShowMessage(const QString& text, bool warning = false);

    // A left double click on the icon; where the desktop's tray is a StatusNotifier host, which
    // never reports double clicks, the click (activation) instead.
    std::function<void(TRxTrayIcon*)> OnDblClick;
    // Runs just before the pop-up menu opens, so the owner can set its items.
    std::function<void(TRxTrayIcon*)> OnPopup;

    // Whether an activation of the icon counts as the double click.
    static bool IsDblClick(QSystemTrayIcon::ActivationReason reason, bool statusNotifierHost);
    // Whether the session's tray is a StatusNotifier host (the icon is then an item on the
    // session bus, as Qt chooses when such a host is registered).
    static bool StatusNotifierHost();
    // Whether the desktop offers a notification area at all.
    static bool Available();
    // The part of `hint` before its first "|", cut to 63 characters (never inside a surrogate pair).
    static QString TrayToolTip(const QString& hint);
    // The picture used when the owner sets none.
    static QIcon DefaultIcon();

    // The platform icon, for tests that look at what the desktop is given.
    QSystemTrayIcon* SystemTrayIcon() const { return FIcon; }

private:
    QSystemTrayIcon* FIcon = nullptr;
    QPointer<QMenu> FMenu;
    QMetaObject::Connection FMenuConnection;
    QIcon FImage;
    QString FHint;
    bool FActive = false;
};
