#pragma once
// What the tray icon says when a batch ends while the program is hidden in the tray, so the user
// learns of the end without opening the window.
#include <QString>

// "Tonewright: encoding finished" or "... finished with errors" for a batch that ran to its end
// while the windows were hidden in the tray; empty when there is nothing to say (the windows are on
// screen, or the user stopped the batch and knows).
QString BatchEndTrayMessage(bool hiddenInTray, int progressResult, bool errorOccurred);
