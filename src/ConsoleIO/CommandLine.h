#pragma once
// Splits one command-line text into the program and its arguments, by the rules Windows
// programs use for their command lines. No shell is ever involved.
//
// Items are separated by runs of blanks (space or tab); blanks at the start and the end are
// ignored. Inside an item:
//   - A double quote toggles grouping and is removed; while grouping, blanks belong to the
//     item. `""` gives an empty item; an unclosed quote groups up to the end of the text.
//   - Backslashes are literal, unless they come directly before a double quote: then
//     2n backslashes + quote give n backslashes, and the quote toggles grouping;
//     2n+1 backslashes + quote give n backslashes and a literal quote (no toggle).
//   - Nothing else is special: a doubled quote inside a group just closes and reopens it
//     ("a""b" gives ab).
// The program (first item): when the text up to its first blank holds no double quote and the
// text has blanks, the prefixes of the (trimmed) text that end just before a blank, and the
// whole text, are tried from the shortest on, as long as they hold no double quote; the
// first that names an existing file (not a folder) is the program, taken literally, and
// the rest is split into arguments as above. A candidate without a '/' counts when it names
// a file in one of the folders of PATH (as the spawn looks it up). When none exists, the
// program is the first item by the rules above.
//
// Examples:
//   a b\"c "d e" f\\"g h"   -> a | b"c | d e | f\g h
//   /opt/my apps/enc -x     -> /opt/my apps/enc | -x   (when "/opt/my" is not a file
//                                                        and "/opt/my apps/enc" is one)
#include <QString>
#include <QStringList>

// The file the spawn starts for `program`: a path with a '/' as it is; a bare name looked up
// in the folders of PATH ("/bin:/usr/bin" without one; an empty folder is the working folder),
// as the first executable file of that name there, with its absolute path. Empty when a bare
// name names no such file.
QString ResolveProgramPath(const QString& program);

// The program first, then its arguments; empty for a text of blanks only.
QStringList SplitCommandLine(const QString& commandLine);
// The same rules without the program look-up: every item, as an argument.
QStringList SplitCommandLineArguments(const QString& arguments);
