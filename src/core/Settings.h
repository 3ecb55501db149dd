#pragma once
// The settings record and its keys in the settings file: sections "System", "Flags" and
// "Mp3Flags". QtCore only.
#include <QString>

#include <cstdint>

class TIniFile;

// MPEG header flags held in TSettings::Mp3Flags.
enum TMp3Flag : std::uint8_t {
    mfOriginal = 1,
    mfCopy = 2,
    mfPrivate = 4,
    mfCopyright = 8,
};

struct TSettings {
    QString BladeEncPath;
    std::int32_t Bitrate = 128;
    std::uint8_t Priority = 1;
    bool Mono = false;
    bool Crc = false;
    bool DeleteSource = false;
    std::uint8_t Mp3Flags = 0; // set of TMp3Flag
};

// Reads the ten keys over `settings`: a missing or malformed key keeps its value, except the
// four MPEG flags, which read as off.
void ReadSettings(const TIniFile& ini, TSettings& settings);
// Writes the ten keys into `ini` (UpdateFile stores them).
void WriteSettings(TIniFile& ini, const TSettings& settings);
