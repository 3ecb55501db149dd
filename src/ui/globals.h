#pragma once
// The settings record and the state of the running batch (`GlobalVars`, main thread only),
// and the settings file beside the executable.
#include <QString>
#include <QStringList>

#include <cstdint>

// MPEG header flags held in TGlobalVars::Mp3Flags.
enum TMp3Flag : std::uint8_t {
    mfOriginal = 1,
    mfCopy = 2,
    mfPrivate = 4,
    mfCopyright = 8,
};

struct TGlobalVars {
    QString BladeEncPath;
    std::int32_t Bitrate = 128;
    std::uint8_t Priority = 1;
    bool Mono = false;
    bool Crc = false;
    bool DeleteSource = false;
    std::uint8_t Mp3Flags = 0; // set of TMp3Flag
    std::int32_t FilesToEncode = 0;
    std::int32_t FilesDone = 0;
    QStringList Log;
    bool ErrorOccurred = false;
    QString CurrentFile;
    double FilePercent = 0;
    double BatchPercent = 0;
};

extern TGlobalVars GlobalVars;
