#pragma once
// Where the program's own files live: the settings file, the log and the default encoder
// all sit beside the running executable. Tests point this at a temporary program folder.
#include <QString>

// Full path of the running executable (symlinks resolved), or the override set for tests.
QString ExecutablePath();
// The executable's folder, ending in "/".
QString ProgramFolder();
// Makes ExecutablePath() answer `path` instead; an empty text restores the real one.
void SetExecutablePathOverride(const QString& path);
