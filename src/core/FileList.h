#pragma once
// The rules of one file-list entry: how a path splits into name and folder, how size and
// modification time are shown, and the index that finds an already listed file quickly.
#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>

// One row of the file list: four texts, and the size and time that Bytes and Date show, by which
// those columns sort. The full path is Folder + File.
struct TFileEntry {
    QString File;   // name without folder
    QString Folder; // ends in "/" (empty for a bare name)
    QString Bytes;  // size with the locale's digit grouping, "-1" when missing or a folder
    QString Date;   // locale's short date, a blank and its long time (time left out at midnight)
    qint64 Size = -1;     // what Bytes shows
    qint64 Modified = 0;  // what Date shows: milliseconds since 1970 (UTC)

    QString FullPath() const { return Folder + File; }
    bool operator==(const TFileEntry&) const = default;
};

struct TSplitPath {
    QString Folder; // everything up to and including the last "/"
    QString Name;   // what follows the last "/"
};

// Splits at the last "/". A colon is an ordinary character of a file name here.
TSplitPath SplitPath(const QString& path);

// A byte count as a whole number with the default locale's digit grouping ("1,234,567").
QString FormatBytes(qint64 bytes);

// The default locale's short date format with a two-digit year widened to four digits, so
// that dates of different centuries stay distinct and sortable.
QString ShortDateFormat(const QLocale& locale = QLocale());
// The default locale's long time format without the time-zone name and what framed or led up
// to it ("H:mm:ss (t)" becomes "H:mm:ss").
QString LongTimeFormat(const QLocale& locale = QLocale());

// The value shown when a modification time cannot be read: 30 December 1899.
QDate NoFileDate();

// A local time as the list shows it: short date + " " + long time, the time left out when it
// is exactly midnight (to the second). An invalid time shows as NoFileDate() alone.
QString FormatFileDate(const QDateTime& localTime);

// Reads the file's size and modification time and makes its entry. Any path is accepted:
// a missing file or a folder gets Bytes "-1"; an unreadable time gets NoFileDate().
TFileEntry MakeFileEntry(const QString& path);

// Which entries are listed, by name and folder exactly (letter case counts, as on the file system). Counts keys,
// so two rows with the same key (briefly, while a row is moved) are tracked correctly.
class TFileListIndex {
public:
    void Clear() { m_counts.clear(); }
    void Add(const QString& file, const QString& folder);
    void Remove(const QString& file, const QString& folder);
    bool Contains(const QString& file, const QString& folder) const;
    qsizetype Size() const { return m_counts.size(); }

    static QString Key(const QString& file, const QString& folder);

private:
    QHash<QString, int> m_counts;
};
