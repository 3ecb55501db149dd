#include "Settings.h"

#include "IniFile.h"

#include <type_traits>
#include <vector>

namespace {
// One key of the settings file: where it lives, how it reads over its field (a missing or
// malformed value keeps the field as it is, unless the rule says otherwise) and how it writes.
// The default is the field's initializer in TSettings.
struct TSettingKey {
    const char* Section;
    const char* Key;
    bool OnItsOwn; // written when it changes (WriteSettingOf), not by WriteSettings
    void (*Read)(const TIniFile& ini, const QString& section, const QString& key, TSettings& s);
    void (*Write)(TIniFile& ini, const QString& section, const QString& key, const TSettings& s);
    const void* (*Field)(const TSettings& s);
};

template <auto Field>
const void* AddressOf(const TSettings& s)
{
    return &(s.*Field);
}

// The plain rules, by the field's type.
template <auto Field>
TSettingKey Plain(const char* section, const char* key, bool onItsOwn = false)
{
    using T = std::remove_cvref_t<decltype(std::declval<TSettings>().*Field)>;
    TSettingKey row{section, key, onItsOwn, nullptr, nullptr, &AddressOf<Field>};
    if constexpr (std::is_same_v<T, QString>) {
        row.Read = [](const TIniFile& ini, const QString& sec, const QString& k, TSettings& s) {
            s.*Field = ini.ReadString(sec, k, s.*Field);
        };
        row.Write = [](TIniFile& ini, const QString& sec, const QString& k, const TSettings& s) {
            ini.WriteString(sec, k, s.*Field);
        };
    } else if constexpr (std::is_same_v<T, bool>) {
        row.Read = [](const TIniFile& ini, const QString& sec, const QString& k, TSettings& s) {
            s.*Field = ini.ReadBool(sec, k, s.*Field);
        };
        row.Write = [](TIniFile& ini, const QString& sec, const QString& k, const TSettings& s) {
            ini.WriteBool(sec, k, s.*Field);
        };
    } else {
        // Integers; a narrower field keeps the value's low bits.
        row.Read = [](const TIniFile& ini, const QString& sec, const QString& k, TSettings& s) {
            s.*Field = static_cast<T>(ini.ReadInteger(sec, k, s.*Field) & std::make_unsigned_t<T>(~0U));
        };
        row.Write = [](TIniFile& ini, const QString& sec, const QString& k, const TSettings& s) {
            ini.WriteInteger(sec, k, s.*Field);
        };
    }
    return row;
}

// One MPEG header flag of TSettings::Mp3Flags; missing or malformed reads as off.
template <std::uint8_t Flag>
TSettingKey Mp3Flag(const char* key)
{
    return {"Mp3Flags", key, false,
            [](const TIniFile& ini, const QString& sec, const QString& k, TSettings& s) {
                s.Mp3Flags = ini.ReadBool(sec, k, false) ? (s.Mp3Flags | Flag) : (s.Mp3Flags & ~Flag);
            },
            [](TIniFile& ini, const QString& sec, const QString& k, const TSettings& s) {
                ini.WriteBool(sec, k, (s.Mp3Flags & Flag) != 0);
            },
            &AddressOf<&TSettings::Mp3Flags>};
}

// A VBR level, or off: a value that is neither (one the encoder would refuse) reads as off.
TSettingKey VbrKey()
{
    TSettingKey row = Plain<&TSettings::Vbr>("System", "VBR");
    row.Read = [](const TIniFile& ini, const QString& sec, const QString& k, TSettings& s) {
        s.Vbr = ini.ReadInteger(sec, k, s.Vbr);
        if (!IsVbrLevel(s.Vbr))
            s.Vbr = VbrOff;
    };
    return row;
}

// Every key of the settings file, in the order a new file lists them.
const std::vector<TSettingKey>& SettingKeys()
{
    static const std::vector<TSettingKey> keys = {
        Plain<&TSettings::BladeEncPath>("System", "BladeEnc"),
        Plain<&TSettings::Bitrate>("System", "Bitrate"),
        VbrKey(),
        Plain<&TSettings::Priority>("System", "Priority"),
        Plain<&TSettings::Mono>("Flags", "Mono"),
        Plain<&TSettings::Crc>("Flags", "Crc"),
        Plain<&TSettings::DeleteSource>("Flags", "Delete"),
        Mp3Flag<mfOriginal>("Original"),
        Mp3Flag<mfCopy>("Copy"),
        Mp3Flag<mfPrivate>("Private"),
        Mp3Flag<mfCopyright>("Copyright"),
        Plain<&TSettings::OutputFolder>("Output", "Folder"),
        Plain<&TSettings::KeepSubfolders>("Output", "KeepSubfolders"),
        Plain<&TSettings::SkipExisting>("Output", "SkipExisting"),
        Plain<&TSettings::ToolbarLayout>("Toolbar", "Layout", true),
        Plain<&TSettings::ToolbarVisible>("Toolbar", "Visible", true),
    };
    return keys;
}

void WriteKey(TIniFile& ini, const TSettingKey& row, const TSettings& s)
{
    row.Write(ini, QLatin1String(row.Section), QLatin1String(row.Key), s);
}
} // namespace

bool IsVbrLevel(std::int32_t value)
{
    return value >= VbrBest && value <= VbrSmallest;
}

void ReadSettings(const TIniFile& ini, TSettings& s)
{
    for (const TSettingKey& row : SettingKeys())
        row.Read(ini, QLatin1String(row.Section), QLatin1String(row.Key), s);
}

void WriteSettings(TIniFile& ini, const TSettings& s)
{
    for (const TSettingKey& row : SettingKeys())
        if (!row.OnItsOwn)
            WriteKey(ini, row, s);
}

void WriteSettingOf(TIniFile& ini, const TSettings& s, const void* field)
{
    for (const TSettingKey& row : SettingKeys())
        if (row.Field(s) == field)
            WriteKey(ini, row, s);
}
