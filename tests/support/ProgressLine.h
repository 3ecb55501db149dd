#pragma once
// The encoder's progress line ("Status:") with its four fields right-aligned in their columns,
// as the encoder writes it and the output interpreter cuts it.
#include <QString>

// `file` in 8-14 followed by "%", `fileTime` in 26-34, `batch` in 51-55, `batchTime` in 67-75.
inline QString ProgressLine(const QString& file, const QString& fileTime, const QString& batch,
                            const QString& batchTime)
{
    QString line = QStringLiteral("Status:");
    line += file.rightJustified(7, QLatin1Char(' '));      // 8-14
    line += QStringLiteral("%          ");                  // 15-25
    line += fileTime.rightJustified(9, QLatin1Char(' '));  // 26-34
    line += QString(16, QLatin1Char(' '));                  // 35-50
    line += batch.rightJustified(5, QLatin1Char(' '));     // 51-55
    line += QString(11, QLatin1Char(' '));                  // 56-66
    line += batchTime.rightJustified(9, QLatin1Char(' ')); // 67-75
    return line;
}
