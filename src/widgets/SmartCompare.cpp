#include "SmartCompare.h"

namespace {
// The first character of a format that is neither a letter nor quoted: its field separator.
QChar SeparatorOf(const QString& format, QChar fallback)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return fallback;
}

bool ReadUInt(QStringView s, int& value)
{
    if (s.isEmpty() || s.size() > 9)
        return false;
    value = 0;
    for (const QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    return true;
}

std::optional<QDate> ReadDate(QStringView text, const TDateRules& rules)
{
    const QList<QStringView> parts = text.split(rules.DateSeparator);
    if (parts.size() != 3)
        return std::nullopt;
    int f[3];
    for (int i = 0; i < 3; ++i)
        if (!ReadUInt(parts.at(i).trimmed(), f[i]))
            return std::nullopt;
    int y = 0, m = 0, d = 0;
    qsizetype yearDigits = 0;
    switch (rules.Order) {
    case TDateRules::doMDY: m = f[0]; d = f[1]; y = f[2]; yearDigits = parts.at(2).trimmed().size(); break;
    case TDateRules::doDMY: d = f[0]; m = f[1]; y = f[2]; yearDigits = parts.at(2).trimmed().size(); break;
    case TDateRules::doYMD: y = f[0]; m = f[1]; d = f[2]; yearDigits = parts.at(0).trimmed().size(); break;
    }
    if (yearDigits <= 2)
        y += QDate::currentDate().year() / 100 * 100;
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> ReadTime(QStringView text, const TDateRules& rules)
{
    text = text.trimmed();
    int pm = -1; // -1 no designator, 0 am, 1 pm
    for (int i = 0; i < 2 && pm < 0; ++i) {
        const QString designators[] = {i == 0 ? rules.AmText : rules.PmText,
                                       i == 0 ? QStringLiteral("AM") : QStringLiteral("PM")};
        for (const QString& d : designators) {
            if (d.isEmpty())
                continue;
            if (text.endsWith(d, Qt::CaseInsensitive)) {
                text = text.chopped(d.size()).trimmed();
                pm = i;
                break;
            }
            if (text.startsWith(d, Qt::CaseInsensitive)) {
                text = text.mid(d.size()).trimmed();
                pm = i;
                break;
            }
        }
    }
    const QList<QStringView> parts = text.split(rules.TimeSeparator);
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int h = 0, m = 0, s = 0, ms = 0;
    if (!ReadUInt(parts.at(0), h) || !ReadUInt(parts.at(1), m))
        return std::nullopt;
    if (parts.size() == 3) {
        QStringView sec = parts.at(2);
        const qsizetype dot = sec.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            if (!ReadUInt(sec.mid(dot + 1), ms) || ms > 999)
                return std::nullopt;
            sec = sec.left(dot);
        }
        if (!ReadUInt(sec, s))
            return std::nullopt;
    }
    if (pm >= 0) {
        if (h < 1 || h > 12)
            return std::nullopt;
        h = h % 12 + (pm == 1 ? 12 : 0);
    }
    const QTime time(h, m, s, ms);
    if (!time.isValid())
        return std::nullopt;
    return time;
}
} // namespace

TDateRules TDateRules::Of(const QLocale& locale)
{
    TDateRules rules;
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    rules.DateSeparator = SeparatorOf(date, QLatin1Char('/'));
    rules.TimeSeparator = SeparatorOf(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    const qsizetype y = date.indexOf(QLatin1Char('y'));
    const qsizetype m = date.indexOf(QLatin1Char('M'));
    const qsizetype d = date.indexOf(QLatin1Char('d'));
    if (y >= 0 && m >= 0 && y < m)
        rules.Order = doYMD;
    else if (d >= 0 && m >= 0 && d < m)
        rules.Order = doDMY;
    else
        rules.Order = doMDY;
    rules.AmText = locale.amText();
    rules.PmText = locale.pmText();
    return rules;
}

std::optional<QDateTime> ReadMoment(const QString& text, const TDateRules& rules)
{
    // A date part needs the separator twice: 12/7 alone is no date, 12/7/2026 is.
    bool hasDate = false;
    const qsizetype first = text.indexOf(rules.DateSeparator);
    if (first >= 0)
        hasDate = first == text.size() - 1 || text.indexOf(rules.DateSeparator, first + 1) >= 0;
    const bool hasTime = text.contains(rules.TimeSeparator);
    if (!hasDate && !hasTime)
        return std::nullopt;

    const QStringView trimmed = QStringView(text).trimmed();
    if (hasDate && hasTime) {
        const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
        if (blank < 0)
            return std::nullopt;
        const auto date = ReadDate(trimmed.left(blank), rules);
        const auto time = date ? ReadTime(trimmed.mid(blank + 1), rules) : std::nullopt;
        if (!time)
            return std::nullopt;
        return QDateTime(*date, *time, Qt::UTC);
    }
    if (hasDate) {
        const auto date = ReadDate(trimmed, rules);
        if (!date)
            return std::nullopt;
        return QDateTime(*date, QTime(0, 0), Qt::UTC);
    }
    const auto time = ReadTime(trimmed, rules);
    if (!time)
        return std::nullopt;
    return QDateTime(QDate(1899, 12, 30), *time, Qt::UTC);
}

std::optional<double> ReadDecimal(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    auto digit = [&](qsizetype k) { return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9'); };
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (digit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (digit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        if (!digit(i))
            return std::nullopt;
        while (digit(i))
            ++i;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(QStringView(text).mid(start), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int NaturalCompare(const QString& a, const QString& b)
{
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a.at(i)) && digit(b.at(j))) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && digit(a.at(ei)))
                ++ei;
            while (ej < b.size() && digit(b.at(ej)))
                ++ej;
            // By value: without leading zeros the longer run is the larger number.
            qsizetype si = i, sj = j;
            while (si + 1 < ei && a.at(si) == QLatin1Char('0'))
                ++si;
            while (sj + 1 < ej && b.at(sj) == QLatin1Char('0'))
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            for (qsizetype k = 0; k < ei - si; ++k)
                if (a.at(si + k) != b.at(sj + k))
                    return a.at(si + k) < b.at(sj + k) ? -1 : 1;
            // Same value: "7" before "007".
            if (ei - i != ej - j)
                return ei - i < ej - j ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

TSmartComparer::TSmartComparer(const QLocale& locale) : m_rules(TDateRules::Of(locale)), m_collator(locale)
{
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
    m_collator.setNumericMode(true);
    m_collator.setIgnorePunctuation(false);
    // Qt's collation of the C locale compares code points and leaves the numeric mode aside.
    m_collatorCountsDigits = m_collator.compare(QStringLiteral("a2"), QStringLiteral("a10")) < 0;
}

TSmartKey TSmartComparer::TextKeyOf(const QString& text) const
{
    TSmartKey key;
    if (m_collatorCountsDigits)
        key.Text = m_collator.sortKey(text);
    else
        key.Plain = text;
    return key;
}

TSmartKey TSmartComparer::KeyOf(const QString& text, bool textKey) const
{
    TSmartKey key = textKey ? TextKeyOf(text) : TSmartKey();
    if (const auto moment = ReadMoment(text, m_rules))
        key.Moment = moment->toMSecsSinceEpoch();
    key.Number = ReadDecimal(text);
    return key;
}

int TSmartComparer::Compare(const TSmartKey& a, const TSmartKey& b)
{
    if (a.Moment && b.Moment)
        return *a.Moment < *b.Moment ? -1 : (*a.Moment > *b.Moment ? 1 : 0);
    if (a.Number && b.Number)
        return *a.Number < *b.Number ? -1 : (*a.Number > *b.Number ? 1 : 0);
    if (a.Text && b.Text)
        return a.Text->compare(*b.Text);
    if (a.Plain && b.Plain)
        return NaturalCompare(*a.Plain, *b.Plain);
    return 0;
}

int TSmartComparer::Compare(const QString& a, const QString& b) const
{
    return Compare(KeyOf(a), KeyOf(b));
}

int TSmartComparer::CompareText(const QString& a, const QString& b) const
{
    return m_collatorCountsDigits ? m_collator.compare(a, b) : NaturalCompare(a, b);
}
