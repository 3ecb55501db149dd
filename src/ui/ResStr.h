#pragma once
// Every text the user sees, in one table. Fixed literals elsewhere are kept for encoder
// keywords, file names and formats only. Each area keeps its texts in its own block below.
#include <QString>

namespace ResStr {

// --- message box captions and the default error display ---
inline const QString CaptionHint = QStringLiteral("Hint");
inline const QString CaptionError = QStringLiteral("Error");
inline const QString CaptionQuestion = QStringLiteral("Question");
inline const QString UnknownError = QStringLiteral("An unknown error occurred.");

// --- program start, file list, main window, settings ---

// --- batch run, output interpreter, progress window, tray, log, shutdown ---

// --- update check ---

} // namespace ResStr
