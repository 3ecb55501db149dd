#pragma once
// Rules of the main window's file list that tests reach without a window.
#include <QFontMetrics>
#include <QList>
#include <QStringList>

class QLabel;

// The widths of the columns File, Folder, Bytes and Date for the list's font: the design
// widths scaled by the font's average character width, widened so that a ten-digit size and a
// full date and time fit.
QList<int> FileListColumnWidths(const QFontMetrics& metrics);

// The width of a status-bar panel: its design width, or wider when one of `texts` needs it in
// the panel's font.
int StatusPanelWidth(const QLabel* panel, int designWidth, const QStringList& texts);
