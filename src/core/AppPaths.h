#pragma once
// Where the program's own files live: the default encoder beside the running executable, the
// settings file and the log beside it too, or in the user's configuration folder when the program
// folder cannot take them (an installed program). Tests point this at a temporary program folder.
#include <QString>
#include <QStringList>

// Full path of the running executable (symlinks resolved), or the override set for tests.
QString ExecutablePath();
// The executable's folder, ending in "/".
QString ProgramFolder();
// Makes ExecutablePath() answer `path` instead; an empty text restores the real one.
void SetExecutablePathOverride(const QString& path);

// The user's configuration folder for the program, ending in "/": "$XDG_CONFIG_HOME/tonewright/",
// or "~/.config/tonewright/" when that variable is unset or not an absolute path.
QString UserConfigFolder();
// Whether `folder` is an installed program's: "<prefix>/lib/tonewright" with the menu entry in
// "<prefix>/share/applications/tonewright.desktop" (whatever staging folder the prefix lies in).
bool IsInstalledProgramFolder(const QString& folder);
// The folder of the settings file `settingsName` and of the log, ending in "/": the program folder
// when it can be written and is no installed program's (a build folder, a portable copy), else
// UserConfigFolder(), created when missing; a settings file lying in the program folder then
// seeds the user's first one.
QString SettingsFolder(const QString& settingsName);

// A path as the list keeps it: absolute (a relative one taken from `workingFolder`), with "./",
// "//" and "../" resolved; a local file URL ("file:///x", "file://localhost/x") and the
// "//localhost/x" such a URL may turn into both read as "/x".
QString CleanFilePath(const QString& path, const QString& workingFolder);

// The files and folders to add to the list at start: of the program's arguments, those that name
// an existing regular file or folder (relative ones taken from `workingFolder`), as CleanFilePath
// gives them, in the given order.
QStringList FileArguments(const QStringList& arguments, const QString& workingFolder);
