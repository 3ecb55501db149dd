#include "Globals.h"

#include "AppPaths.h"
#include "Errors.h"
#include "IniFile.h"
#include "ResStr.h"

const QStringList Bitrates = {
    QStringLiteral("32"),  QStringLiteral("40"),  QStringLiteral("48"),  QStringLiteral("56"),
    QStringLiteral("64"),  QStringLiteral("80"),  QStringLiteral("96"),  QStringLiteral("112"),
    QStringLiteral("128"), QStringLiteral("160"), QStringLiteral("192"), QStringLiteral("224"),
    QStringLiteral("256"), QStringLiteral("320"),
};

QStringList PriorityNames()
{
    return {ResStr::PriorityIdle,   ResStr::PriorityLowest, ResStr::PriorityLower,
            ResStr::PriorityNormal, ResStr::PriorityHigher, ResStr::PriorityHighest};
}

namespace {
// The settings file's errors in the program's words.
template <class F>
auto InOurWords(F work)
{
    try {
        return work();
    } catch (const EIniFileError& e) {
        if (e.Reason == EIniFileError::irValueHasLineBreak)
            throw Exception(ResStr::IniValueHasLineBreak.arg(e.Section, e.Key));
        throw Exception(ResStr::UnableToWrite.arg(e.Path));
    }
}
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

void SetDefaultSettings(TSettings& settings)
{
    settings = TSettings{};
    settings.BladeEncPath = DefaultBladeEncPath();
}

bool LoadSettings(TSettings& settings)
{
    const TIniFile ini(SettingsFilePath());
    if (!ini.Existed()) {
        SaveSettings(settings);
        return false;
    }
    ReadSettings(ini, settings);
    return true;
}

void SaveSettings(const TSettings& settings)
{
    InOurWords([&] {
        TIniFile ini(SettingsFilePath());
        WriteSettings(ini, settings);
        ini.UpdateFile();
    });
}

void SaveSettingOf(const TSettings& settings, const void* field)
{
    InOurWords([&] {
        TIniFile ini(SettingsFilePath());
        WriteSettingOf(ini, settings, field);
        ini.UpdateFile();
    });
}

void WriteIniInteger(const QString& section, const QString& key, std::int32_t value)
{
    InOurWords([&] {
        TIniFile ini(SettingsFilePath());
        ini.WriteInteger(section, key, value);
        ini.UpdateFile();
    });
}

void WriteIniBool(const QString& section, const QString& key, bool value)
{
    InOurWords([&] {
        TIniFile ini(SettingsFilePath());
        ini.WriteBool(section, key, value);
        ini.UpdateFile();
    });
}

std::int32_t ReadIniInteger(const QString& section, const QString& key, std::int32_t defaultValue)
{
    return TIniFile(SettingsFilePath()).ReadInteger(section, key, defaultValue);
}

bool ReadIniBool(const QString& section, const QString& key, bool defaultValue)
{
    return TIniFile(SettingsFilePath()).ReadBool(section, key, defaultValue);
}
