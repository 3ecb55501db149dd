#pragma once
// The encoder's command line: the options made from the encoder settings, the quoting of file
// arguments, and the whole line the batch hands to the console runner.
#include "Settings.h"

#include <QString>
#include <QStringList>

// " -quit -<bitrate>[ -MONO][ -CRC][ -DELETE][ -ORIGINAL][ -COPY][ -PRIVATE][ -COPYRIGHT][ -PRIO=...]"
// from the settings record, each option after one blank; "-VBR=<level>" takes the bitrate's place
// when Vbr holds a level. A priority above 5 (highest) adds no priority option.
QString BuildEncoderOptions(const TSettings& values);

// One argument between double quotes, written so that the runner's command-line split gives it
// back unchanged: a quote inside it becomes \" with the backslashes before it doubled, and the
// backslashes before the closing quote are doubled. Other backslashes stay as they are.
QString QuoteCommandLineArgument(const QString& argument);

// The encoder's path as the first item: as stored, without quotes; the runner finds a path with
// blanks by trying its prefixes that end before a blank as files. Quoted only where that would
// go wrong: a path holding a double quote, starting or ending with a blank, or one whose shorter
// prefix at a blank names an existing file that would be started instead.
QString EncoderPathItem(const QString& encoderPath);

// The files as the encoder's arguments. An argument ending in ".mp3" right after an input names
// that input's MP3 (BladeEnc's "input output.mp3"), so a listed file ending in ".mp3" would be
// taken for the previous file's output and overwritten: the previous file's MP3 is named first.
QStringList EncoderFileArguments(const QStringList& files);

// The whole command line: the encoder's path, the options, then each file's arguments, in the
// given order, after one blank and quoted.
QString BuildEncoderCommandLine(const QString& encoderPath, const QString& options, const QStringList& files);
// The same with the arguments after the options taken as they are, each after one blank and quoted.
QString BuildRunCommandLine(const QString& encoderPath, const QString& options, const QStringList& arguments);

// What one argument takes of the kernel's argument space when a child is started: its bytes
// in the file-name encoding, its terminating NUL and the pointer to it.
qint64 ArgumentCost(const QString& argument);

// The file groups (each file's arguments: a source, or a source and its MP3, as
// TOutputPlan::FileGroups gives them) in runs of the encoder, in list order, each run as many
// whole groups as fit: the command line of each run (the encoder's path, the options, `leading`,
// which every run carries, such as "-OUTDIR=", and the run's groups) takes at most `room` bytes
// of argument space (ArgumentCost). A group that does not fit even alone gets a run of its own,
// whose start then fails with the system's reason. No runs for no groups.
QList<QList<QStringList>> SplitIntoRuns(const QString& encoderPath, const QString& options, const QStringList& leading,
                                        const QList<QStringList>& groups, qint64 room);
