#pragma once
// Brings the running program forward for a later start that the desktop launched: ends the
// launcher's startup notification (the busy cursor, "Opening...") and asks the window manager to
// activate the window with the time stamp of the launch, which focus-stealing prevention accepts.
// X11 only (the xcb platform); elsewhere it does nothing. Main thread only.
#include <QByteArray>

class QWidget;

// The text of the X11 startup notification message that ends the launch `startupId`:
// "remove: ID=<id>", the id quoted when it holds blanks, quotes or backslashes.
QByteArray StartupRemoveMessage(const QByteArray& startupId);
// The launch's X server time stamp, from the "_TIME<n>" the launcher puts at the end of the id;
// 0 when it has none.
quint32 StartupIdTime(const QByteArray& startupId);

// For the top-level `window`, shown: sends StartupRemoveMessage to the root window and a
// _NET_ACTIVE_WINDOW request stamped with StartupIdTime. Nothing for an empty id or off X11.
void ActivateForLaunch(QWidget* window, const QByteArray& startupId);
