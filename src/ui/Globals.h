#pragma once
// The settings file of the settings record (TSettings, which the application owns and hands to
// the windows that need it): beside the executable, or in the user's configuration folder.
#include "Settings.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// The fourteen bitrates the options offer, ascending, as texts.
extern const QStringList Bitrates;
// The names of the priority levels 0 (idle) to 5 (highest), indexed by level, in the language
// of the moment (a list built once would keep the language of program start).
QStringList PriorityNames();

// The settings file: the executable's file name lower-cased with its extension replaced by (or,
// without one, extended by) ".ini", in SettingsFolder(): beside the executable or in the user's
// configuration folder.
QString SettingsFilePath();
// "Tonewright.log" in the settings file's folder.
QString LogFilePath();
// The encoder used when the settings name none: "BladeEnc" in the program folder.
QString DefaultBladeEncPath();

// Sets `settings` to the defaults of program start: the default encoder, a constant 128 kbit/s,
// priority 1, every flag off.
void SetDefaultSettings(TSettings& settings);

// Reads the settings file over the values in `settings`; when no file exists, creates it from
// them and returns false. Raises "Unable to write to %1" when that creation fails. The settings
// file's own errors (EIniFileError) reach callers of these functions as the window's texts.
bool LoadSettings(TSettings& settings);
// Writes the settings keys of sections "System", "Flags", "Mp3Flags" and "Output" in one atomic
// replacement of the file. Raises "Unable to write to %1" on failure.
void SaveSettings(const TSettings& settings);
// Writes the key of one field of `settings` (&settings.ToolbarLayout), keeping the rest of the
// file. Raises "Unable to write to %1" on failure.
void SaveSettingOf(const TSettings& settings, const void* field);
// Write one key each, keeping the rest of the file. Raise "Unable to write to %1" on failure.
void WriteIniInteger(const QString& section, const QString& key, std::int32_t value);
void WriteIniBool(const QString& section, const QString& key, bool value);
// Read one key each from the file as it is now; a missing key or a malformed value gives
// the default.
std::int32_t ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue);
bool ReadIniBool(const QString& section, const QString& key, bool defaultValue);
