#include "IniFile.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>


namespace {
bool ParseHex(QStringView digits, std::int32_t* value)
{
    if (digits.isEmpty())
        return false;
    std::uint64_t result = 0;
    for (QChar c : digits) {
        int d;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            d = c.unicode() - 'a' + 10;
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        else
            return false;
        result = result * 16 + static_cast<std::uint64_t>(d);
        if (result > 0xFFFFFFFFull)
            return false;
    }
    *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
    return true;
}

bool ParseDecimal(QStringView text, std::int32_t* value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return false;
    std::int64_t result = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        result = result * 10 + (c.unicode() - '0');
        if (result > 2147483648LL)
            return false;
    }
    if (negative)
        result = -result;
    if (result > 2147483647LL)
        return false;
    *value = static_cast<std::int32_t>(result);
    return true;
}

QString CutValue(const QString& value)
{
    if (value.size() <= IniMaxValueLength)
        return value;
    qsizetype n = IniMaxValueLength;
    // Never leave half of a surrogate pair at the end.
    if (value.at(n - 1).isHighSurrogate())
        --n;
    return value.left(n);
}
} // namespace

EIniFileError::EIniFileError(TReason reason, const QString& path, const QString& section, const QString& key)
    : Exception(reason == irUnableToWrite ? QStringLiteral("cannot write %1").arg(path)
                                          : QStringLiteral("%1: a line break in %2/%3").arg(path, section, key)),
      Reason(reason), Path(path), Section(section), Key(key)
{
}

bool ParseIniInteger(const QString& text, std::int32_t* value)
{
    if (text.size() > 2 && text.at(0) == QLatin1Char('0')
        && (text.at(1) == QLatin1Char('x') || text.at(1) == QLatin1Char('X')))
        return ParseHex(QStringView(text).mid(2), value);
    if (text.startsWith(QLatin1Char('$')))
        return ParseHex(QStringView(text).mid(1), value);
    return ParseDecimal(text, value);
}

TIniFile::TIniFile(const QString& path) : m_path(path)
{
    const QFileInfo info(path);
    m_existed = info.exists();
    if (!m_existed)
        return;
    QFile file(path);
    m_unreadable = true;
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    m_unreadable = false;

    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        qsizetype stop = end;
        if (stop > start && data.at(stop - 1) == '\r')
            --stop;
        m_lines << ParseLine(data.mid(start, stop - start), m_lines.isEmpty());
        if (end < data.size())  // a last line without one gains the break of the line before
            m_lines.last().Break = data.mid(stop, end + 1 - stop);
        start = end + 1;
    }
}

TIniFile::Line TIniFile::ParseLine(const QByteArray& raw, bool first)
{
    Line line;
    line.Raw = raw;
    QString text = QString::fromUtf8(raw);
    if (first && text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        line.IsSection = true;
        line.Section = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        return line;
    }
    if (text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('#')))
        return line;
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return line;
    line.Key = text.left(eq).trimmed();
    line.Value = text.mid(eq + 1).trimmed();
    return line;
}

qsizetype TIniFile::FindSection(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if (m_lines.at(i).IsSection && m_lines.at(i).Section.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

qsizetype TIniFile::SectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && !m_lines.at(i).IsSection)
        ++i;
    return i;
}

qsizetype TIniFile::FindKey(const QString& section, const QString& key) const
{
    const qsizetype header = FindSection(section);
    if (header < 0)
        return -1;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (!m_lines.at(i).Key.isEmpty() && m_lines.at(i).Key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const qsizetype i = FindKey(section, key);
    return i < 0 ? defaultValue : CutValue(m_lines.at(i).Value);
}

std::int32_t TIniFile::ReadInteger(const QString& section, const QString& key, std::int32_t defaultValue) const
{
    std::int32_t value = defaultValue;
    if (!ParseIniInteger(ReadString(section, key, QString()), &value))
        return defaultValue;
    return value;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        throw EIniFileError(EIniFileError::irValueHasLineBreak, m_path, section, key);

    const qsizetype existing = FindKey(section, key);
    if (existing >= 0) {
        Line& line = m_lines[existing];
        // The same value keeps its line as written ("Layout = 3" stays so).
        if (line.Value == value)
            return;
        m_changed = true;
        line.Raw = (line.Key + QLatin1Char('=') + value).toUtf8();
        line.Break.clear();
        line.Value = value.trimmed();
        return;
    }
    m_changed = true;
    const Line keyLine = ParseLine((key + QLatin1Char('=') + value).toUtf8(), false);
    const qsizetype header = FindSection(section);
    if (header < 0) {
        m_lines << ParseLine((QLatin1Char('[') + section + QLatin1Char(']')).toUtf8(), m_lines.isEmpty());
        m_lines << keyLine;
        return;
    }
    // After the section's last non-blank line, so blank lines before the next section stay there.
    qsizetype at = SectionEnd(header);
    while (at > header + 1 && m_lines.at(at - 1).Raw.trimmed().isEmpty())
        --at;
    m_lines.insert(at, keyLine);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, std::int32_t value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray TIniFile::Content() const
{
    QByteArray data;
    QByteArray previous = "\n";
    for (const Line& line : m_lines) {
        if (!line.Break.isEmpty())
            previous = line.Break;
        data += line.Raw;
        data += previous;
    }
    return data;
}

void TIniFile::UpdateFile() const
{
    // Replacing a file that could not be read would throw its content away.
    if (m_unreadable)
        throw EIniFileError(EIniFileError::irUnableToWrite, m_path);
    // Nothing to change: a read-only file that already holds the content is no failure, and
    // its time stamp stays as it was.
    if (m_existed && !m_changed)
        return;
    if (!ReplaceWritableFile(m_path, Content()))
        throw EIniFileError(EIniFileError::irUnableToWrite, m_path);
}
