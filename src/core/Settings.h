#pragma once
// The settings record and its keys in the settings file: sections "System", "Flags",
// "Mp3Flags", "Output" and "Toolbar". QtCore only.
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

// The variable-bitrate levels, as "lame -V": 0 best and largest, 9 smallest; VbrOff: Bitrate holds.
constexpr std::int32_t VbrOff = -1;
constexpr std::int32_t VbrBest = 0;
constexpr std::int32_t VbrSmallest = 9;
bool IsVbrLevel(std::int32_t value);

struct TSettings {
    QString BladeEncPath;
    std::int32_t Bitrate = 128;
    std::int32_t Vbr = VbrOff;  // LAME's variable-bitrate level 0..9 in place of Bitrate, or VbrOff
    std::uint8_t Priority = 1;
    bool Mono = false;
    bool Crc = false;
    bool DeleteSource = false;
    std::uint8_t Mp3Flags = 0; // set of TMp3Flag
    QString OutputFolder;        // where the MP3s go; empty: beside their sources
    bool KeepSubfolders = false; // below OutputFolder, each source's folder below the list's shared one
    bool SkipExisting = false;   // files whose MP3 exists are left out of a batch
    // Written on their own when the user changes them, not with the others.
    std::int32_t ToolbarLayout = 3; // 1 icons, 2 captions, 3 both; another value changes nothing
    bool ToolbarVisible = true;

    bool operator==(const TSettings&) const = default;
};

// The keys of the settings file are one table in Settings.cpp: section, key, field and its read
// and write rule; a new setting is a field here and a row there.

// Reads every key over `settings`: a missing or malformed key keeps its value, except the
// four MPEG flags, which read as off, and a VBR that is neither a level nor VbrOff, which reads
// as off (the constant bitrate, not a level the encoder would refuse).
void ReadSettings(const TIniFile& ini, TSettings& settings);
// Writes the keys of sections "System", "Flags", "Mp3Flags" and "Output" into `ini` (UpdateFile stores
// them); the toolbar's keys are written on their own.
void WriteSettings(TIniFile& ini, const TSettings& settings);
// Writes the key(s) of one field of `settings`, given by its address: &settings.ToolbarLayout.
void WriteSettingOf(TIniFile& ini, const TSettings& settings, const void* field);
