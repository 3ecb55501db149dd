#pragma once
// The log file of a run ("Tonewright.log" beside the executable): one line of text per line,
// UTF-8, lines ending in CR LF.
#include <QString>
#include <QStringList>

// The file's lines, split at CR LF or LF (a final line break ends the last line, it does not
// start an empty one). Empty when the file is missing or cannot be read.
QStringList LoadLogFile(const QString& path);

// Writes every line followed by CR LF, UTF-8, replacing the file atomically. False when the
// write failed; the old file is then left as it was.
bool SaveLogFile(const QString& path, const QStringList& lines);
