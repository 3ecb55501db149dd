#pragma once
// TUpdatePage: what the product's information page says about the newest version, read from
// its META HTTP-EQUIV tags, and the rules that judge it: which version is newer, where a
// redirect leads, whether its download may be fetched and under which name. A value without
// windows or connections; the update check (tw_ui) fetches the page and acts on it.
#include <QString>
#include <QStringList>

enum TWfiDateFormat { wfidDFSDate, wfidNone };
enum TWfiVersionFormat { wfivBuildNumber, wfivSimpleString };

// The names of the page's tags that fill the matching values; empty: not looked for.
struct TWfiTags {
    QString AuthorTag;
    QString AuthorEMailTag;
    QString DateTag;
    QString DownloadTag;
    QString ProductNameTag;
    QString ReadMeTag;
    QString ReadMeExtTag;
    QString RedirectTag;
    QString RunParamsTag;
    QString VersionTag;
    // The download's SHA-256 in hexadecimal; a download of another digest is an error.
    QString Sha256Tag;

    // Whether any tag but the digest's is named: a page is only worth fetching then.
    bool NamesAny() const;
};

// The tags of Tonewright's own product page ("tw-version", "tw-url", ...).
TWfiTags TonewrightPageTags();

// Why a page's download may not be fetched.
enum class TDownloadRefusal { None, NotSecure, BadSha256 };

struct TUpdatePage {
    // A chain of redirect pages is followed this far (a page that names itself ends here too).
    static constexpr int MaxRedirectPages = 10;

    QString ProductName;
    QString Author;
    QString AuthorEMail;
    QString DateText;
    // DateText as days since 30 December 1899 when it was read as a date, else 0.
    double Date = 0;
    QString ReadMe;
    QString ReadMeExt;
    QString Version;
    QString DownloadUrl;
    QString RedirectUrl;
    QString RunParams;
    QString Sha256;

    // The values of `lines` named by `tags`; a later line overrides an earlier one. With
    // wfidDFSDate the date is parsed, which throws Exception when it is no date.
    static TUpdatePage Parse(const QStringList& lines, const TWfiTags& tags, TWfiDateFormat dateFormat);

    // The read-me to show: ReadMe, else ReadMeExt; empty when the page names none.
    QString ReadMeUrl() const { return ReadMe.isEmpty() ? ReadMeExt : ReadMe; }
    // The name a download is saved under by default, safe to put into a folder.
    QString DownloadFileName() const;
    TDownloadRefusal CheckDownload() const;
};

// --- the rules, each reachable on its own ---
// The lines of a text; a line ends at CR, LF or CR LF.
QStringList WfiSplitLines(const QString& text);
// The tag name of a "META HTTP-EQUIV" line (any letter case, one blank between the words);
// false when the line has no such keyword. A name without a closing quote is empty.
bool ExtractTagName(const QString& line, QString* name);
// The value after the first "CONTENT=" (capitals only) up to the next quote; without
// "CONTENT=" it is cut from the 9th character of the line. Empty past 999 characters.
QString ExtractTagContent(const QString& line);
// Whether `page` is newer than `current`; with wfivBuildNumber the parts of `current` bound the
// comparison.
bool WfiIsNewerVersion(const QString& current, const QString& page, TWfiVersionFormat format);
// "Jan 05, 2001" as days since 30 December 1899; throws Exception when it is no date.
double ParseDFSDate(const QString& text);
// 1234567 as "1,234,567", whatever the locale.
QString FormatThousands(qint64 n);
// The part of a URL after its last "/" (the whole URL without one), at most 1000 characters.
QString DownloadFileNameOf(const QString& url);
// The page's file name for a download into a folder, made safe: no folder parts, not hidden,
// not "." or ".."; "update" when nothing usable is left.
QString SafeDownloadName(const QString& name);
// "https://" and more (any case); with `secureOnly` false "http://" and more as well.
bool IsWebAddress(const QString& url, bool secureOnly);
