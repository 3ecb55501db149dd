#pragma once
// The encoder's command line: the options made from the encoder settings, the quoting of file
// arguments, and the whole line the batch hands to the console runner.
#include <QString>
#include <QStringList>

#include <cstdint>

// The settings the options are made of, as held in the settings record.
struct TEncoderOptionValues {
    std::int32_t Bitrate = 128;
    int Priority = 1;           // 0 idle .. 5 highest; any other value adds no priority option
    bool Mono = false;
    bool Crc = false;
    bool DeleteSource = false;
    std::uint8_t Mp3Flags = 0;  // 1 original, 2 copy, 4 private, 8 copyright
};

// " -quit -<bitrate>[ -MONO][ -CRC][ -DELETE][ -ORIGINAL][ -COPY][ -PRIVATE][ -COPYRIGHT][ -PRIO=...]",
// each option after one blank.
QString BuildEncoderOptions(const TEncoderOptionValues& values);

// One argument between double quotes, written so that the runner's command-line split gives it
// back unchanged: a quote inside it becomes \" with the backslashes before it doubled, and the
// backslashes before the closing quote are doubled. Other backslashes stay as they are.
QString QuoteCommandLineArgument(const QString& argument);

// The encoder's path as the first item: as stored, without quotes; the runner finds a path with
// blanks by trying its prefixes that end before a blank as files. Quoted only where that would
// go wrong: a path holding a double quote, starting or ending with a blank, or one whose shorter
// prefix at a blank names an existing file that would be started instead.
QString EncoderPathItem(const QString& encoderPath);

// The whole command line: the encoder's path, the options, then each file, in the given order,
// after one blank and quoted.
QString BuildEncoderCommandLine(const QString& encoderPath, const QString& options, const QStringList& files);
