#pragma once
// The settings file a first start writes into the program folder `programFolder` (ending in
// "/"): the encoder beside the program and the option defaults.
#include <QByteArray>
#include <QString>

inline QByteArray DefaultSettingsText(const QString& programFolder)
{
    return "[System]\nBladeEnc=" + programFolder.toUtf8()
           + "BladeEnc\nBitrate=128\nVBR=-1\nPriority=1\n[Flags]\nMono=0\nCrc=0\nDelete=0\n"
             "[Mp3Flags]\nOriginal=0\nCopy=0\nPrivate=0\nCopyright=0\n"
             "[Output]\nFolder=\nKeepSubfolders=0\nSkipExisting=0\n";
}
