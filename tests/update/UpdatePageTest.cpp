// The product page's rules without a connection: reading the tags, comparing versions, the
// download's name and whether it may be fetched.
#include "Errors.h"
#include "UpdatePage.h"

#include <gtest/gtest.h>

namespace {

QString Meta(const char* tag, const char* value)
{
    return QStringLiteral("<META HTTP-EQUIV=\"%1\" CONTENT=\"%2\">").arg(QLatin1String(tag), QLatin1String(value));
}

} // namespace

TEST(UpdatePageRules, VersionsTagsAndNumbers)
{
    struct Case {
        const char* Page;
        bool Newer;
    };
    for (const Case& c : {Case{"1.2.0", false}, {"1.2.1", true}, {"1.3", true}, {"2", true}, {"1.10.0", true},
                          {"1.2", false}, {"1.1.9", false}, {"1.2.0.5", false}, {"newer", false}, {"01.2.0", false}})
        EXPECT_EQ(WfiIsNewerVersion(QStringLiteral("1.2.0"), QLatin1String(c.Page), wfivBuildNumber), c.Newer) << c.Page;
    EXPECT_TRUE(WfiIsNewerVersion(QStringLiteral("1.2.0"), QStringLiteral("1.2.0a"), wfivSimpleString));
    EXPECT_FALSE(WfiIsNewerVersion(QStringLiteral("1.2.0"), QStringLiteral("1.10"), wfivSimpleString));

    QString name;
    EXPECT_TRUE(ExtractTagName(QStringLiteral("<META HTTP-EQUIV=\"open"), &name)); // no closing quote
    EXPECT_EQ(name, QString());
    EXPECT_EQ(ExtractTagContent(QStringLiteral("<META HTTP-EQUIV=\"v\" CONTENT=\"") + QString(1000, QLatin1Char('9'))
                                + QStringLiteral("\">")),
              QString());
    EXPECT_EQ(FormatThousands(999), QStringLiteral("999"));
    EXPECT_EQ(FormatThousands(-1234567), QStringLiteral("-1,234,567"));
    EXPECT_EQ(ParseDFSDate(QStringLiteral("dec  9, 1999")), 36503.0);
    EXPECT_THROW(ParseDFSDate(QStringLiteral("Feb 31, 2001")), Exception);
    EXPECT_EQ(WfiSplitLines(QStringLiteral("a\r\nb\rc\n\nd")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString(), QStringLiteral("d")}));
}

TEST(UpdatePageRules, ParseTakesTheNamedTagsTheLastLineWinning)
{
    const QStringList lines = {Meta("tw-version", "1.0"), QStringLiteral("<p>text</p>"), Meta("tw-version", "1.3.0"),
                               Meta("TW-URL", "https://example.org/x.tar.gz"), Meta("tw-url", "https://example.org/dl/tonewright.tar.gz"),
                               Meta("tw-date", "Jan 05, 2027"), Meta("unknown", "ignored")};
    const TUpdatePage page = TUpdatePage::Parse(lines, TonewrightPageTags(), wfidDFSDate);
    EXPECT_EQ(page.Version, QStringLiteral("1.3.0"));
    EXPECT_EQ(page.DownloadUrl, QStringLiteral("https://example.org/dl/tonewright.tar.gz")); // tag names match exactly
    EXPECT_EQ(page.DateText, QStringLiteral("Jan 05, 2027"));
    EXPECT_EQ(page.Date, 46392.0);
    EXPECT_EQ(page.DownloadFileName(), QStringLiteral("tonewright.tar.gz"));
    EXPECT_EQ(page.ProductName, QString()); // not asked for

    EXPECT_EQ(TUpdatePage::Parse(lines, TonewrightPageTags(), wfidNone).Date, 0.0);
    EXPECT_THROW(TUpdatePage::Parse({Meta("tw-date", "soon")}, TonewrightPageTags(), wfidDFSDate), Exception);

    TWfiTags none;
    EXPECT_FALSE(none.NamesAny());
    none.Sha256Tag = QStringLiteral("tw-sha256"); // a digest alone is nothing to fetch a page for
    EXPECT_FALSE(none.NamesAny());
    EXPECT_TRUE(TonewrightPageTags().NamesAny());
}

TEST(UpdatePageRules, DownloadNamesAndWhatMayBeFetched)
{
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("setup.exe"), QStringLiteral("setup.exe")},
        {QStringLiteral(".."), QStringLiteral("update")},
        {QStringLiteral(".bashrc"), QStringLiteral("bashrc")},
        {QStringLiteral("a/../b.deb"), QStringLiteral("b.deb")},
        {QStringLiteral("a\\..\\c.deb"), QStringLiteral("c.deb")},
        {QString(), QStringLiteral("update")},
    };
    for (const auto& [in, out] : names)
        EXPECT_EQ(SafeDownloadName(in), out) << in.toStdString();

    const QString digest(64, QLatin1Char('a'));
    struct Case {
        QString Url;
        QString Sha256;
        TDownloadRefusal Refusal;
    };
    const Case cases[] = {
        {QStringLiteral("https://example.org/a.deb"), QString(), TDownloadRefusal::None},
        {QStringLiteral("HTTPS://example.org/a.deb"), digest, TDownloadRefusal::None},
        {QStringLiteral("https://example.org/a.deb"), QStringLiteral(" ") + digest + QStringLiteral(" "), TDownloadRefusal::None},
        {QStringLiteral("http://example.org/a.deb"), QString(), TDownloadRefusal::NotSecure},
        {QStringLiteral("https://"), QString(), TDownloadRefusal::NotSecure},
        {QString(), QString(), TDownloadRefusal::NotSecure},
        {QStringLiteral("https://example.org/a.deb"), QStringLiteral("abc"), TDownloadRefusal::BadSha256},
        {QStringLiteral("https://example.org/a.deb"), QString(64, QLatin1Char('g')), TDownloadRefusal::BadSha256},
    };
    for (const Case& c : cases) {
        TUpdatePage page;
        page.DownloadUrl = c.Url;
        page.Sha256 = c.Sha256;
        EXPECT_EQ(page.CheckDownload(), c.Refusal) << c.Url.toStdString() << " " << c.Sha256.toStdString();
    }
    EXPECT_TRUE(IsWebAddress(QStringLiteral("http://x"), false));
    EXPECT_FALSE(IsWebAddress(QStringLiteral("http://"), false));
    EXPECT_FALSE(IsWebAddress(QStringLiteral("ftp://x"), false));
}
