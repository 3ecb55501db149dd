#include "Settings.h"

#include "IniFile.h"

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

bool IsVbrLevel(std::int32_t value)
{
    return value >= VbrBest && value <= VbrSmallest;
}

void ReadSettings(const TIniFile& ini, TSettings& s)
{
    s.BladeEncPath = ini.ReadString(SectionSystem, QStringLiteral("BladeEnc"), s.BladeEncPath);
    s.Bitrate = ini.ReadInteger(SectionSystem, QStringLiteral("Bitrate"), s.Bitrate);
    s.Vbr = ini.ReadInteger(SectionSystem, QStringLiteral("VBR"), s.Vbr);
    if (!IsVbrLevel(s.Vbr))
        s.Vbr = VbrOff;
    s.Priority = static_cast<std::uint8_t>(ini.ReadInteger(SectionSystem, QStringLiteral("Priority"), s.Priority) & 0xFF);
    s.Mono = ini.ReadBool(SectionFlags, QStringLiteral("Mono"), s.Mono);
    s.Crc = ini.ReadBool(SectionFlags, QStringLiteral("Crc"), s.Crc);
    s.DeleteSource = ini.ReadBool(SectionFlags, QStringLiteral("Delete"), s.DeleteSource);
    s.Mp3Flags = 0;
    for (const FlagKey& f : Mp3FlagKeys)
        if (ini.ReadBool(SectionMp3Flags, QLatin1String(f.Key), false))
            s.Mp3Flags |= f.Flag;
}

void WriteSettings(TIniFile& ini, const TSettings& s)
{
    ini.WriteString(SectionSystem, QStringLiteral("BladeEnc"), s.BladeEncPath);
    ini.WriteInteger(SectionSystem, QStringLiteral("Bitrate"), s.Bitrate);
    ini.WriteInteger(SectionSystem, QStringLiteral("VBR"), s.Vbr);
    ini.WriteInteger(SectionSystem, QStringLiteral("Priority"), s.Priority);
    ini.WriteBool(SectionFlags, QStringLiteral("Mono"), s.Mono);
    ini.WriteBool(SectionFlags, QStringLiteral("Crc"), s.Crc);
    ini.WriteBool(SectionFlags, QStringLiteral("Delete"), s.DeleteSource);
    for (const FlagKey& f : Mp3FlagKeys)
        ini.WriteBool(SectionMp3Flags, QLatin1String(f.Key), (s.Mp3Flags & f.Flag) != 0);
}
