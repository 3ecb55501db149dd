#include "UpdatePage.h"

#include "DownloadFile.h"
#include "Errors.h"

#include <QDate>

#include <utility>

namespace {

const QString MetaKeyword = QStringLiteral("META HTTP-EQUIV");
const QString ContentKeyword = QStringLiteral("CONTENT=");
constexpr int TagSearchLength = 1000;

// Text up to the next double quote within TagSearchLength characters from `start`; empty
// without one.
QString UpToQuote(const QString& line, qsizetype start)
{
    if (start < 0 || start > line.size())
        return {};
    const QString window = line.mid(start, TagSearchLength);
    const qsizetype quote = window.indexOf(QLatin1Char('"'));
    return quote < 0 ? QString() : window.left(quote);
}

// A version part as a decimal integer; anything else reads as 0.
int VersionPart(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

} // namespace

QStringList WfiSplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

bool ExtractTagName(const QString& line, QString* name)
{
    const qsizetype at = line.toUpper().indexOf(MetaKeyword);
    if (at < 0)
        return false;
    // The keyword, an equals sign and a quote: the name follows them directly.
    *name = UpToQuote(line, at + MetaKeyword.size() + 2);
    return true;
}

QString ExtractTagContent(const QString& line)
{
    const qsizetype at = line.indexOf(ContentKeyword);
    return UpToQuote(line, at >= 0 ? at + ContentKeyword.size() + 1 : 8);
}

bool WfiIsNewerVersion(const QString& current, const QString& page, TWfiVersionFormat format)
{
    if (format == wfivSimpleString)
        return QString::compare(page, current, Qt::CaseSensitive) > 0;
    QString c = current;
    QString p = page;
    for (;;) {
        const qsizetype cDot = c.indexOf(QLatin1Char('.'));
        const qsizetype pDot = p.indexOf(QLatin1Char('.'));
        const int cPart = VersionPart(cDot < 0 ? c : c.left(cDot));
        const int pPart = VersionPart(pDot < 0 ? p : p.left(pDot));
        if (cPart != pPart)
            return cPart < pPart;
        if (cDot < 0)
            return false; // the current version's parts bound the comparison
        c = c.mid(cDot + 1);
        p = pDot < 0 ? QString() : p.mid(pDot + 1);
    }
}

double ParseDFSDate(const QString& text)
{
    static const QString months = QStringLiteral("JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC");
    const qsizetype found = text.size() >= 3 ? months.indexOf(text.left(3).toUpper()) : -1;
    const int month = found < 0 ? 0 : static_cast<int>((found + 1 + 2) / 3);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    bool dayOk = false;
    bool yearOk = false;
    const int day = comma >= 2 ? text.mid(comma - 2, 2).trimmed().toInt(&dayOk) : 0;
    const int year = text.size() >= 4 ? text.right(4).toInt(&yearOk) : 0;
    const QDate date(year, month, day);
    if (!dayOk || !yearOk || !date.isValid())
        throw Exception(QStringLiteral("'%1' is not a valid date").arg(text));
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date));
}

QString FormatThousands(qint64 n)
{
    const bool negative = n < 0;
    QString digits = QString::number(n);
    if (negative)
        digits.remove(0, 1);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return negative ? QLatin1Char('-') + digits : digits;
}

QString DownloadFileNameOf(const QString& url)
{
    return url.mid(url.lastIndexOf(QLatin1Char('/')) + 1).left(1000);
}

QString SafeDownloadName(const QString& name)
{
    QString safe = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    safe = safe.mid(safe.lastIndexOf(QLatin1Char('\\')) + 1);
    while (safe.startsWith(QLatin1Char('.')))
        safe.remove(0, 1);
    safe.remove(QChar(0));
    return safe.trimmed().isEmpty() ? QStringLiteral("update") : safe;
}

bool IsWebAddress(const QString& url, bool secureOnly)
{
    const QString lower = url.left(8).toLower();
    return (lower.startsWith(QLatin1String("https://")) && url.size() > 8)
           || (!secureOnly && lower.startsWith(QLatin1String("http://")) && url.size() > 7);
}

bool TWfiTags::NamesAny() const
{
    for (const QString* tag : {&ProductNameTag, &ReadMeTag, &ReadMeExtTag, &VersionTag, &DateTag, &AuthorTag,
                               &DownloadTag, &RedirectTag, &RunParamsTag})
        if (!tag->isEmpty())
            return true;
    return false;
}

TWfiTags TonewrightPageTags()
{
    TWfiTags tags;
    tags.AuthorTag = QStringLiteral("tw-author");
    tags.AuthorEMailTag = QStringLiteral("tw-mail");
    tags.DateTag = QStringLiteral("tw-date");
    tags.DownloadTag = QStringLiteral("tw-url");
    tags.ProductNameTag = QStringLiteral("tw-name");
    tags.ReadMeTag = QStringLiteral("tw-readme");
    tags.RedirectTag = QStringLiteral("tw-redirect");
    tags.VersionTag = QStringLiteral("tw-version");
    tags.Sha256Tag = QStringLiteral("tw-sha256");
    return tags;
}

TUpdatePage TUpdatePage::Parse(const QStringList& lines, const TWfiTags& tags, TWfiDateFormat dateFormat)
{
    TUpdatePage page;
    const std::pair<const QString*, QString*> targets[] = {
        {&tags.ProductNameTag, &page.ProductName}, {&tags.ReadMeTag, &page.ReadMe},
        {&tags.ReadMeExtTag, &page.ReadMeExt},     {&tags.VersionTag, &page.Version},
        {&tags.DateTag, &page.DateText},           {&tags.AuthorTag, &page.Author},
        {&tags.AuthorEMailTag, &page.AuthorEMail}, {&tags.DownloadTag, &page.DownloadUrl},
        {&tags.RedirectTag, &page.RedirectUrl},    {&tags.RunParamsTag, &page.RunParams},
        {&tags.Sha256Tag, &page.Sha256},
    };
    for (const QString& line : lines) {
        QString name;
        if (!ExtractTagName(line, &name))
            continue;
        for (const auto& [tag, value] : targets)
            if (*tag == name)
                *value = ExtractTagContent(line);
    }
    if (!page.DateText.isEmpty() && dateFormat == wfidDFSDate)
        page.Date = ParseDFSDate(page.DateText);
    return page;
}

QString TUpdatePage::DownloadFileName() const
{
    return SafeDownloadName(DownloadFileNameOf(DownloadUrl));
}

TDownloadRefusal TUpdatePage::CheckDownload() const
{
    if (!IsWebAddress(DownloadUrl, true))
        return TDownloadRefusal::NotSecure;
    if (!Sha256.isEmpty() && !IsSha256Hex(Sha256.trimmed()))
        return TDownloadRefusal::BadSha256;
    return TDownloadRefusal::None;
}
