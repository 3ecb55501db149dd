#pragma once
// The settings record and the state of the running batch (`GlobalVars`, main thread only),
// and the settings file (beside the executable, or in the user's configuration folder).
#include "Settings.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// The settings (TSettings, kept in the settings file) and the running batch's state.
struct TGlobalVars : TSettings {
    std::int32_t FilesToEncode = 0;
    std::int32_t FilesDone = 0;
    QStringList Log;
    bool ErrorOccurred = false;
    QString CurrentFile;
    double FilePercent = 0;
    double BatchPercent = 0;
};

extern TGlobalVars GlobalVars;

// The fourteen bitrates the options offer, ascending, as texts.
extern const QStringList Bitrates;
// The names of the priority levels 0 (idle) to 5 (highest), indexed by level.
extern const QStringList PriorityNames;

// The settings file: the executable's file name lower-cased with its extension replaced by (or,
// without one, extended by) ".ini", in SettingsFolder(): beside the executable or in the user's
// configuration folder.
QString SettingsFilePath();
// "Tonewright.log" in the settings file's folder.
QString LogFilePath();
// The encoder used when the settings name none: "BladeEnc" in the program folder.
QString DefaultBladeEncPath();

// The settings defaults of program start: the default encoder, a constant 128 kbit/s, priority 1,
// every flag off, no announced files.
void SetDefaultSettings();

// Reads the settings file over the values in GlobalVars; when no file exists, creates it from
// them and returns false. Raises "Unable to write to %1" when that creation fails. The settings
// file's own errors (EIniFileError) reach callers of these functions as the window's texts.
bool LoadSettings();
// Writes the settings keys of sections "System", "Flags", "Mp3Flags" and "Output" in one atomic
// replacement of the file. Raises "Unable to write to %1" on failure.
void SaveSettings();
// Writes the key of one field of GlobalVars (&GlobalVars.ToolbarLayout), keeping the rest of the
// file. Raises "Unable to write to %1" on failure.
void SaveSettingOf(const void* field);
// Write one key each, keeping the rest of the file. Raise "Unable to write to %1" on failure.
void WriteIniInteger(const QString& section, const QString& key, std::int32_t value);
void WriteIniBool(const QString& section, const QString& key, bool value);
// Read one key each from the file as it is now; a missing key or a malformed value gives
// the default.
std::int32_t ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue);
bool ReadIniBool(const QString& section, const QString& key, bool defaultValue);
