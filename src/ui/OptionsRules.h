#pragma once
// The rules of the options dialog that need no window: the encoder path as the path editor shows
// and reads it back, the check of the encoder's name, and the slider positions of the stored
// bitrate, variable-bitrate level and priority.
#include <QString>

#include <cstdint>

// True when `path` holds no double quote (and no NUL): the editor could not show it quoted.
bool IsValidFileName(const QString& path);
// The path as the editor shows it: in double quotes when it holds a blank and does not already
// begin with a double quote.
QString PathEditText(const QString& path);
// The first item of `text` split as a command line (quotes group and are removed); empty for blanks.
QString FirstCommandLineItem(const QString& text);
// The path read back from the editor's text: the whole text when a file of exactly that name
// exists, else its first command-line item.
QString PathFromEditText(const QString& text);
// True when the file name of `path` (FileNamePart of OutputInterpreter.h) is "BladeEnc" in any letter case.
bool IsBladeEncName(const QString& path);

// The bitrate slider's position (1..14) of a stored bitrate: the table entry that equals it,
// position 8 (112 kbit/s) when none does.
int BitratePosition(std::int32_t bitrate);
// The bitrate of a slider position.
std::int32_t BitrateAtPosition(int position);
// The variable-bitrate slider runs from the smallest level (9) on the left to the best (0) on
// the right: positions 0..9. A stored value that is no level shows the recommended level 2.
int VbrPosition(std::int32_t level);
std::int32_t VbrLevelAtPosition(int position);
// LAME's typical average bitrate of a level in kbit/s (its documented table), and the slider's
// text for it, "V2, about 190 kBit".
int VbrTypicalKbit(std::int32_t level);
QString VbrLevelText(std::int32_t level);
// The priority slider's position (0..5) of a stored level: the level itself, 3 (normal) for any other.
int PriorityPosition(int priority);

// The folder the browse dialog opens in: the current path's folder when it exists, else the one
// remembered from the last choice, else the program's own folder (where the bundled encoder lies).
QString BrowseStartFolder(const QString& currentPath, const QString& remembered);

// Why the output folder typed in the editor cannot take the MP3s, in the window's words; empty
// when it can: it exists as a folder this user may write, or the deepest part of it that exists
// is such a folder, so that the encoder can create the rest. An empty text, a path not starting
// at "/" and one holding a line break (the settings file could not keep it) are refused too.
QString OutputFolderProblem(const QString& folder);
