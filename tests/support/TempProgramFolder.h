#pragma once
// Gives a test its own program folder: the executable path points into a fresh temporary
// folder, so the settings file and the log live there and never touch the real ones.
#include <QString>
#include <QTemporaryDir>

class TempProgramFolder {
public:
    explicit TempProgramFolder(const QString& exeName = QStringLiteral("tonewright"));
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    // The folder, ending in "/".
    QString Path() const;
    // Path() + name.
    QString File(const QString& name) const;
    QString ExePath() const { return File(FExeName); }

    // Writes `data` to File(name), creating folders as needed.
    void Write(const QString& name, const QByteArray& data) const;
    // The file's bytes, or an empty array when it does not exist.
    QByteArray Read(const QString& name) const;

private:
    QTemporaryDir FDir;
    QString FExeName;
};
