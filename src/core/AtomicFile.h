#pragma once
// Replaces a file's whole content so that readers only ever see the old or the new content:
// a crash, a full disk or a refused write leaves the previous file as it was.
#include <QByteArray>
#include <QString>

// Writes `data` to a temporary file in the same folder, flushes it to disk and renames it over
// `path`. Keeps the old file's permission bits. Returns false (and removes the temporary file)
// when any step fails.
bool WriteFileAtomically(const QString& path, const QByteArray& data);

// WriteFileAtomically for a file the user keeps: a symbolic link at `path` stays, and the file it
// points at is replaced; a file the user may not write (made read-only) is refused, although the
// rename over it would need only the folder's permission. False when refused or failed.
bool ReplaceWritableFile(const QString& path, const QByteArray& data);

// Removes what WriteFileAtomically leaves when the program is killed while writing `path`:
// regular files named "." + the file's name + "." + six letters or digits, in the file's own
// folder, last changed more than `minAgeSeconds` ago (a younger one may be another running
// program's write). Nothing else is touched; failures are ignored.
void RemoveStaleTemporaryFiles(const QString& path, int minAgeSeconds = 60);
