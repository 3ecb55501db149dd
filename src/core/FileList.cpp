#include "FileList.h"

#include <QFileInfo>

namespace {
// Walks a QLocale format string and hands each run of one unquoted letter to `token`, which
// returns its replacement; quoted parts are kept as they stand.
template <class F>
QString RewriteFormat(const QString& format, F token)
{
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? format.size() : end + 1;
            out += format.mid(i, stop - i);
            i = stop;
            continue;
        }
        if (c.isLetter()) {
            qsizetype j = i;
            while (j < format.size() && format.at(j) == c)
                ++j;
            out += token(c, j - i);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}
} // namespace

TSplitPath SplitPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return {path.left(slash + 1), path.mid(slash + 1)};
}

QString FormatBytes(qint64 bytes)
{
    QLocale locale;
    // The C locale leaves grouping out by default; the list always groups.
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<qlonglong>(bytes));
}

QString ShortDateFormat(const QLocale& locale)
{
    return RewriteFormat(locale.dateFormat(QLocale::ShortFormat), [](QChar c, qsizetype n) {
        if (c == QLatin1Char('y') && n == 2)
            return QStringLiteral("yyyy");
        return QString(n, c);
    });
}

QString LongTimeFormat(const QLocale& locale)
{
    // The zone letter goes with what framed it or led up to it: "H:mm:ss (t)", "HH:mm:ss, t",
    // "APh:mm:ss [t]", "t HH:mm:ss". A marker stands for it, so quoted text stays as it is.
    const QChar zone(0xFFFF);
    QString format = RewriteFormat(locale.timeFormat(QLocale::LongFormat), [zone](QChar c, qsizetype n) {
        return c == QLatin1Char('t') ? QString(zone) : QString(n, c);
    });
    static const QString around[][2] = {{QStringLiteral("("), QStringLiteral(")")}, {QStringLiteral("["), QStringLiteral("]")}};
    for (const auto& pair : around)
        format.replace(pair[0] + zone + pair[1], zone);
    const qsizetype at = format.indexOf(zone);
    if (at < 0)
        return format.simplified();
    const auto separator = [](QChar c) { return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';'); };
    qsizetype from = at, to = at + 1;
    if (at == 0) {
        while (to < format.size() && separator(format.at(to)))
            ++to;
    } else {
        while (from > 0 && separator(format.at(from - 1)))
            --from;
    }
    format.remove(from, to - from);
    return format.simplified();
}

QDate NoFileDate()
{
    return QDate(1899, 12, 30);
}

QString FormatFileDate(const QDateTime& localTime)
{
    const QLocale locale;
    if (!localTime.isValid())
        return locale.toString(NoFileDate(), ShortDateFormat(locale));
    const QString date = locale.toString(localTime.date(), ShortDateFormat(locale));
    const QTime t = localTime.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return date;
    return date + QLatin1Char(' ') + locale.toString(t, LongTimeFormat(locale));
}

TFileEntry MakeFileEntry(const QString& path)
{
    const TSplitPath split = SplitPath(path);
    const QFileInfo info(path);
    TFileEntry entry;
    entry.File = split.Name;
    entry.Folder = split.Folder;
    entry.Size = info.exists() && !info.isDir() ? info.size() : -1;
    entry.Bytes = FormatBytes(entry.Size);
    const QDateTime modified = info.exists() ? info.lastModified().toLocalTime() : QDateTime();
    entry.Date = FormatFileDate(modified);
    entry.Modified = modified.isValid() ? modified.toMSecsSinceEpoch() : QDateTime(NoFileDate(), QTime(0, 0)).toMSecsSinceEpoch();
    return entry;
}

QString TFileListIndex::Key(const QString& file, const QString& folder)
{
    // Exact: names that differ only in letter case are different files here. A file name never
    // holds "/", so the folder after it cannot blur the boundary.
    return file + QLatin1Char('/') + folder;
}

void TFileListIndex::Add(const QString& file, const QString& folder)
{
    ++m_counts[Key(file, folder)];
}

void TFileListIndex::Remove(const QString& file, const QString& folder)
{
    const auto it = m_counts.find(Key(file, folder));
    if (it == m_counts.end())
        return;
    if (--it.value() <= 0)
        m_counts.erase(it);
}

bool TFileListIndex::Contains(const QString& file, const QString& folder) const
{
    return m_counts.contains(Key(file, folder));
}
