#pragma once
// The list view's comparison of cell texts by kind: moments (date, time or both, in the
// locale's short date order and separators), decimal numbers, otherwise the locale's
// collation with letter case counted and runs of digits compared by their value ("track2"
// before "track10"). Each text's kind and key are worked out once (TSmartKey) so a sort
// compares keys only.
#include <QCollator>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>
#include <utility>

// What of the locale the date and time test uses.
struct TDateRules {
    enum TOrder { doMDY, doDMY, doYMD };
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    TOrder Order = doMDY;
    QString AmText;
    QString PmText;

    static TDateRules Of(const QLocale& locale);
};

// The moment a text reads as (date with time, date alone, or time alone on 30 December 1899);
// nothing when the text is no date or time.
std::optional<QDateTime> ReadMoment(const QString& text, const TDateRules& rules);

// The number a text reads as: blanks, sign, digits with a full stop, an exponent; nothing may
// follow. Thousands separators are no part of a number.
std::optional<double> ReadDecimal(const QString& text);

struct TSmartKey {
    std::optional<qint64> Moment; // milliseconds
    std::optional<double> Number;
    std::optional<QCollatorSortKey> Text; // left out where the column never needs it
    // Instead of Text where the locale's collation cannot count digit runs by value (the C
    // locale): the text itself, compared by NaturalCompare.
    std::optional<QString> Plain;
};

// Compares texts code point by code point, except that runs of ASCII digits compare by their
// value; of two runs of equal value the one with fewer leading zeros sorts first.
int NaturalCompare(const QString& a, const QString& b);

// The comparison rules with the locale they use.
class TSmartComparer {
public:
    explicit TSmartComparer(const QLocale& locale = QLocale());

    // With `textKey` off the collation key is left empty (a column of only moments or only
    // numbers never needs it).
    TSmartKey KeyOf(const QString& text, bool textKey = true) const;
    // < 0, 0, > 0 as the first key sorts before, with or after the second.
    static int Compare(const TSmartKey& a, const TSmartKey& b);
    // The same rule for two texts (assSmart).
    int Compare(const QString& a, const QString& b) const;
    // The text rule alone (assDefault).
    int CompareText(const QString& a, const QString& b) const;
    // The key of the text rule alone.
    TSmartKey TextKeyOf(const QString& text) const;

private:
    TDateRules m_rules;
    QCollator m_collator;
    bool m_collatorCountsDigits = true;
};
