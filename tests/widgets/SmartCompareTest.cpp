#include "FileList.h"
#include "SmartCompare.h"

#include <gtest/gtest.h>

namespace {
class SmartCompare : public ::testing::Test {
protected:
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    static void UseLocale(const char* name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    static int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
    static QString Listed(int year, int month, int day, int h = 0, int m = 0, int s = 0)
    {
        return FormatFileDate(QDateTime(QDate(year, month, day), QTime(h, m, s)));
    }
};
} // namespace

TEST_F(SmartCompare, NumbersOnlyWithoutSeparatorsOrTrailingBlanks)
{
    UseLocale("en_US");
    const TSmartComparer c;
    EXPECT_LT(c.Compare(QStringLiteral("95"), QStringLiteral("700")), 0);
    // A size with a thousands separator is text: 1,024 before 95.
    EXPECT_LT(c.Compare(QStringLiteral("1,024"), QStringLiteral("95")), 0);
    EXPECT_LT(c.Compare(QStringLiteral("-1"), QStringLiteral("-0.5")), 0);

    EXPECT_EQ(ReadDecimal(QStringLiteral("  -1.5e3")), -1500.0);
    EXPECT_EQ(ReadDecimal(QStringLiteral("+2E-1")), 0.2);
    EXPECT_EQ(ReadDecimal(QStringLiteral(".5")), 0.5);
    for (const char* no : {"", " ", "1.5 ", "1,5", "1e", "1e+", ".", "-", "1.2.3", "12a", "0x10"})
        EXPECT_FALSE(ReadDecimal(QString::fromLatin1(no))) << no;
}

TEST_F(SmartCompare, ListedDatesCompareAsMomentsInEveryDateOrder)
{
    for (const char* locale : {"en_US", "en_GB", "de_DE", "sv_SE"}) {
        UseLocale(locale);
        const TSmartComparer c;
        EXPECT_LT(c.Compare(Listed(2026, 3, 9, 14, 5, 7), Listed(2026, 3, 10, 9, 0, 1)), 0) << locale;
        // Text order would say otherwise in one of the orders: the moment decides.
        EXPECT_GT(c.Compare(Listed(2026, 3, 9), Listed(2026, 2, 10)), 0) << locale;
        EXPECT_LT(c.Compare(Listed(2025, 12, 31, 23, 59, 59), Listed(2026, 1, 1)), 0) << locale;
        // Same day: the time decides (a date alone is midnight).
        EXPECT_LT(c.Compare(Listed(2026, 3, 9), Listed(2026, 3, 9, 0, 0, 1)), 0) << locale;
        EXPECT_LT(c.Compare(Listed(2026, 3, 9, 9, 0, 0), Listed(2026, 3, 9, 10, 0, 0)), 0) << locale;
    }
}

TEST_F(SmartCompare, DateAndTimeTestsFollowTheLocalesSeparators)
{
    UseLocale("en_US");
    const TDateRules us = TDateRules::Of(QLocale());
    EXPECT_TRUE(ReadMoment(QStringLiteral("12/7/2026"), us));
    EXPECT_FALSE(ReadMoment(QStringLiteral("12/7"), us)); // one separator: no date
    EXPECT_FALSE(ReadMoment(QStringLiteral("13/7/2026"), us));
    EXPECT_EQ(ReadMoment(QStringLiteral("9:30 PM"), us)->time(), QTime(21, 30));
    // Folders hold the date separator and fail the parse: they compare as text.
    EXPECT_FALSE(ReadMoment(QStringLiteral("/music/"), us));
    EXPECT_FALSE(ReadMoment(QStringLiteral("/music/2026/"), us));

    UseLocale("de_DE");
    const TDateRules de = TDateRules::Of(QLocale());
    EXPECT_EQ(ReadMoment(QStringLiteral("10.03.2026"), de)->date(), QDate(2026, 3, 10));
    EXPECT_FALSE(ReadMoment(QStringLiteral("1.024"), de)); // a German size is no date
    const TSmartComparer c;
    EXPECT_LT(c.Compare(QStringLiteral("9:00"), QStringLiteral("10:00")), 0);
    EXPECT_LT(c.Compare(QStringLiteral("1.024"), QStringLiteral("95")), 0);
}

TEST_F(SmartCompare, TextsUseTheCollationWithLetterCaseCounted)
{
    UseLocale("en_US");
    const TSmartComparer c;
    EXPECT_NE(c.Compare(QStringLiteral("song.wav"), QStringLiteral("Song.wav")), 0);
    EXPECT_LT(c.Compare(QStringLiteral("apple"), QStringLiteral("Banana")), 0); // not code-point order
    EXPECT_LT(c.Compare(QStringLiteral("/music/a/"), QStringLiteral("/music/B/")), 0);
    // Mixed kinds in one pair fall to the text rule.
    EXPECT_EQ(Sign(c.Compare(QStringLiteral("10"), QStringLiteral("9:00"))),
              Sign(c.CompareText(QStringLiteral("10"), QStringLiteral("9:00"))));
}

TEST_F(SmartCompare, DigitRunsInTextsCompareByValueInEveryLocale)
{
    QList<QLocale> locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    locales << QLocale::c() << QLocale(QStringLiteral("C.UTF-8"));
    for (const QLocale& locale : locales) {
        const TSmartComparer c(locale);
        const std::string name = locale.name().toStdString();
        EXPECT_LT(c.Compare(QStringLiteral("track2.wav"), QStringLiteral("track10.wav")), 0) << name;
        EXPECT_LT(c.CompareText(QStringLiteral("track2.wav"), QStringLiteral("track10.wav")), 0) << name;
        EXPECT_LT(c.Compare(QStringLiteral("/music/cd9/"), QStringLiteral("/music/cd10/")), 0) << name;
        EXPECT_NE(c.Compare(QStringLiteral("song.wav"), QStringLiteral("Song.wav")), 0) << name;
    }
}

TEST(NaturalCompare, DigitRunsByValueTheRestByCodePoint)
{
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"track2", "track10", -1}, {"track10", "track2", 1}, {"a", "a", 0},       {"a9b", "a10a", -1},
        {"x007", "x7", 1},         {"x07", "x007", -1},      {"x7y", "x007z", -1}, {"B", "a", -1},
        {"a", "ab", -1},           {"1", "a", -1},           {"file99999999999999999999", "file100000000000000000000", -1},
        {"", "0", -1},
    };
    for (const auto& c : cases) {
        const int r = NaturalCompare(QString::fromLatin1(c.a), QString::fromLatin1(c.b));
        EXPECT_EQ(r < 0 ? -1 : (r > 0 ? 1 : 0), c.sign) << c.a << " " << c.b;
    }
}
