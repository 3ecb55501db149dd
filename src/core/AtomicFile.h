#pragma once
// Replaces a file's whole content so that readers only ever see the old or the new content:
// a crash, a full disk or a refused write leaves the previous file as it was.
#include <QByteArray>
#include <QString>

// Writes `data` to a temporary file in the same folder, flushes it to disk and renames it over
// `path`. Keeps the old file's permission bits. Returns false (and removes the temporary file)
// when any step fails.
bool WriteFileAtomically(const QString& path, const QByteArray& data);
