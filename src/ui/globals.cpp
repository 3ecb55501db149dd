#include "globals.h"

#include "AppPaths.h"
#include "IniFile.h"
#include "ResStr.h"

TGlobalVars GlobalVars;

const QStringList Bitrates = {
    QStringLiteral("32"),  QStringLiteral("40"),  QStringLiteral("48"),  QStringLiteral("56"),
    QStringLiteral("64"),  QStringLiteral("80"),  QStringLiteral("96"),  QStringLiteral("112"),
    QStringLiteral("128"), QStringLiteral("160"), QStringLiteral("192"), QStringLiteral("224"),
    QStringLiteral("256"), QStringLiteral("320"),
};

const QStringList PriorityNames = {
    ResStr::PriorityIdle,   ResStr::PriorityLowest, ResStr::PriorityLower,
    ResStr::PriorityNormal, ResStr::PriorityHigher, ResStr::PriorityHighest,
};

namespace {
const QString SectionSystem = QStringLiteral("System");
const QString SectionFlags = QStringLiteral("Flags");
const QString SectionMp3Flags = QStringLiteral("Mp3Flags");

struct FlagKey {
    const char* Key;
    std::uint8_t Flag;
};
constexpr FlagKey Mp3FlagKeys[] = {
    {"Original", mfOriginal},
    {"Copy", mfCopy},
    {"Private", mfPrivate},
    {"Copyright", mfCopyright},
};
} // namespace

QString SettingsFilePath()
{
    const QString exe = ExecutablePath();
    const qsizetype slash = exe.lastIndexOf(QLatin1Char('/'));
    QString name = exe.mid(slash + 1).toLower();
    // A leading dot marks a hidden file, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    name += QStringLiteral(".ini");
    return SettingsFolder(name) + name;
}

QString LogFilePath()
{
    const QString settings = SettingsFilePath();
    return settings.left(settings.lastIndexOf(QLatin1Char('/')) + 1) + QStringLiteral("Tonewright.log");
}

QString DefaultBladeEncPath()
{
    return ProgramFolder() + QStringLiteral("BladeEnc");
}

void SetDefaultSettings()
{
    GlobalVars.BladeEncPath = DefaultBladeEncPath();
    GlobalVars.Bitrate = 128;
    GlobalVars.Priority = 1;
    GlobalVars.Mono = false;
    GlobalVars.Crc = false;
    GlobalVars.DeleteSource = false;
    GlobalVars.Mp3Flags = 0;
    GlobalVars.FilesToEncode = 0;
}

bool LoadSettings()
{
    const TIniFile ini(SettingsFilePath());
    if (!ini.Existed()) {
        SaveSettings();
        return false;
    }
    TGlobalVars& g = GlobalVars;
    g.BladeEncPath = ini.ReadString(SectionSystem, QStringLiteral("BladeEnc"), g.BladeEncPath);
    g.Bitrate = ini.ReadInteger(SectionSystem, QStringLiteral("Bitrate"), g.Bitrate);
    g.Priority = static_cast<std::uint8_t>(ini.ReadInteger(SectionSystem, QStringLiteral("Priority"), g.Priority) & 0xFF);
    g.Mono = ini.ReadBool(SectionFlags, QStringLiteral("Mono"), g.Mono);
    g.Crc = ini.ReadBool(SectionFlags, QStringLiteral("Crc"), g.Crc);
    g.DeleteSource = ini.ReadBool(SectionFlags, QStringLiteral("Delete"), g.DeleteSource);
    g.Mp3Flags = 0;
    for (const FlagKey& f : Mp3FlagKeys)
        if (ini.ReadBool(SectionMp3Flags, QLatin1String(f.Key), false))
            g.Mp3Flags |= f.Flag;
    return true;
}

void SaveSettings()
{
    TIniFile ini(SettingsFilePath());
    const TGlobalVars& g = GlobalVars;
    ini.WriteString(SectionSystem, QStringLiteral("BladeEnc"), g.BladeEncPath);
    ini.WriteInteger(SectionSystem, QStringLiteral("Bitrate"), g.Bitrate);
    ini.WriteInteger(SectionSystem, QStringLiteral("Priority"), g.Priority);
    ini.WriteBool(SectionFlags, QStringLiteral("Mono"), g.Mono);
    ini.WriteBool(SectionFlags, QStringLiteral("Crc"), g.Crc);
    ini.WriteBool(SectionFlags, QStringLiteral("Delete"), g.DeleteSource);
    for (const FlagKey& f : Mp3FlagKeys)
        ini.WriteBool(SectionMp3Flags, QLatin1String(f.Key), (g.Mp3Flags & f.Flag) != 0);
    ini.UpdateFile();
}

void WriteIniInteger(const QString& section, const QString& key, std::int32_t value)
{
    TIniFile ini(SettingsFilePath());
    ini.WriteInteger(section, key, value);
    ini.UpdateFile();
}

void WriteIniBool(const QString& section, const QString& key, bool value)
{
    TIniFile ini(SettingsFilePath());
    ini.WriteBool(section, key, value);
    ini.UpdateFile();
}

std::int32_t ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue)
{
    return TIniFile(SettingsFilePath()).ReadInteger(section, key, defaultValue);
}

bool ReadIniBool(const QString& section, const QString& key, bool defaultValue)
{
    return TIniFile(SettingsFilePath()).ReadBool(section, key, defaultValue);
}
