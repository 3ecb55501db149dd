#pragma once
// Our reader and writer of INI-style text files: "[Section]" lines and "Key=Value" lines,
// names matched without regard to case. Writing replaces a value in place, puts a new key at
// the end of its section and a new section at the end of the file, and keeps every other line
// byte for byte, its line break included. QtCore only; one thread at a time.
#include "Errors.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// Why a settings file could not be written; the window shows it in its own words (ResStr).
class EIniFileError : public Exception {
public:
    enum TReason { irUnableToWrite, irValueHasLineBreak };
    EIniFileError(TReason reason, const QString& path, const QString& section = {}, const QString& key = {});
    TReason Reason;
    QString Path;
    QString Section; // irValueHasLineBreak: where the value was to go
    QString Key;
};

// The integer rules of the settings file: "0x"/"0X" (with at least one digit after it) or "$"
// followed by hexadecimal digits (up to 32 bits, read as a signed 32-bit pattern), or a decimal
// number with optional sign that fits 32 bits. False for anything else, `*value` untouched.
bool ParseIniInteger(const QString& text, std::int32_t* value);

// The longest text a value reads as; longer values are cut.
inline constexpr qsizetype IniMaxValueLength = 2047;

class TIniFile {
public:
    // Reads the file at once; a missing or unreadable file reads as an empty one.
    explicit TIniFile(const QString& path);

    const QString& Path() const { return m_path; }
    // Whether something (a file, or anything else) stood at the path when it was read.
    bool Existed() const { return m_existed; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    std::int32_t ReadInteger(const QString& section, const QString& key, std::int32_t defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Change the content in memory; UpdateFile() stores it. A value holding a line break
    // would break the file apart and is refused (irValueHasLineBreak).
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, std::int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Replaces the file atomically with the current content; raises irUnableToWrite when the
    // file system refuses or the old file could not be read, leaving it as it was. Does nothing
    // when the file already holds the content.
    void UpdateFile() const;

    // The content as it would be written.
    QByteArray Content() const;

private:
    struct Line {
        QByteArray Raw;  // as in the file, without its line break
        QByteArray Break; // its own line break; empty for a new or changed line, which takes
                          // the break of the line before it
        QString Section; // the name when this line opens a section, else empty
        bool IsSection = false;
        QString Key;     // the trimmed key name of a "Key=Value" line, else empty
        QString Value;   // the trimmed value of a "Key=Value" line
    };
    static Line ParseLine(const QByteArray& raw, bool first);
    qsizetype FindSection(const QString& section) const;
    qsizetype SectionEnd(qsizetype header) const;
    qsizetype FindKey(const QString& section, const QString& key) const;

    QString m_path;
    bool m_existed = false;
    bool m_unreadable = false; // something stood at the path but could not be read
    bool m_changed = false;    // a write changed the content since it was read
    QList<Line> m_lines;
};
