#pragma once
// TWebFileInfo: the update check. It fetches the product's information page over HTTPS, reads
// its tags, compares the version with the running program's and leads the user through the
// messages, the read-me, the save dialog and the download. Main thread only.
//
// Built into tw_ui, not into tw_net: it shows windows (wait, progress and read-me windows built
// in code) and asks through the program's replaceable message box and file dialogs (Dialogs.h),
// and tw_ui's main window owns it. tw_net under it stays QtCore only.
#include "HttpProt.h"

#include <QDialog>
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QUrl;

enum TWfiDateFormat { wfidDFSDate, wfidNone };
enum TWfiVersionFormat { wfivBuildNumber, wfivSimpleString };
// wfioRunUpdate and wfioExitDuringUpdate are kept for the settings that name them; a downloaded
// file is never started.
enum TWfiOption { wfioAlwaysOverwrite, wfioDisplayUI, wfioDisplayReadMe, wfioRunUpdate, wfioExitDuringUpdate };

// A set of TWfiOption, first value = bit 0.
class TWfiOptions {
public:
    TWfiOptions() = default;
    TWfiOptions(std::initializer_list<TWfiOption> options)
    {
        for (TWfiOption o : options)
            FBits |= 1u << o;
    }
    bool Has(TWfiOption o) const { return (FBits & (1u << o)) != 0; }
    TWfiOptions With(TWfiOption o) const
    {
        TWfiOptions r = *this;
        r.FBits |= 1u << o;
        return r;
    }
    unsigned Bits() const { return FBits; }
    bool operator==(const TWfiOptions&) const = default;

private:
    unsigned FBits = 0;
};

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
};

using TDownloadProgressEvent = std::function<void(QObject* Sender, qint64 BytesReceived, qint64 FileSize)>;

// --- the page's rules, reachable without windows ---
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
// A saved name without extension gets ".EXE" (first filter) or ".ZIP" (second).
QString WithFilterExtension(const QString& path, int filterIndex);
// The page's file name for a download into a folder, made safe: no folder parts, not hidden,
// not "." or ".."; "update" when nothing usable is left.
QString SafeDownloadName(const QString& name);

// The download's progress window, built in code.
class TWebDlProgress : public QDialog {
public:
    explicit TWebDlProgress(QWidget* parent, const QFont& font);

    QProgressBar* pbarProgress = nullptr;
    QLabel* lblDownloading = nullptr;
    QLabel* lblProgress = nullptr;
    QPushButton* btnCancel = nullptr;
    bool Cancelled = false;
    // Abandons the running download; set by the component.
    std::function<void()> AbortDownload;

    void btnCancelClick();
    // Esc and the close box cancel like the button: the window closes when the request ends.
    void reject() override;
};

class TWebFileInfo : public QObject {
public:
    static constexpr int MaxRedirectPages = 10;
    // The information page and the read-me are read into memory up to this size.
    static constexpr qint64 MaxPageSize = 1024 * 1024;

    explicit TWebFileInfo(QObject* owner = nullptr);
    ~TWebFileInfo() override;

    bool Active() const { return FActive; }
    // Only false can be assigned.
    void SetActive(bool value);
    QString CurrentVersion() const { return FCurrentVersion; }
    void SetCurrentVersion(const QString& value) { FCurrentVersion = value; }
    TWfiDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TWfiDateFormat value) { FDateFormat = value; }
    QString DownloadURL() const { return FDownloadURL; }
    QString HomeURL() const { return FHomeURL; }
    // Ignored unless it begins with "https://" or "http://" (any case) and names more.
    void SetHomeURL(const QString& value);
    // What HTTPS trusts; the system's store unless set (tests hand in their own authority).
    void SetTlsContext(std::shared_ptr<TTlsContext> context) { m_tlsContext = std::move(context); }
    // An installed program (from a package) never downloads updates: a newer version is
    // announced with its release notes and the product page opens in the browser.
    bool InstalledFromPackage() const { return m_installed; }
    void SetInstalledFromPackage(bool value) { m_installed = value; }
    const TWfiTags& InfoTags() const { return FInfoTags; }
    void SetInfoTags(const TWfiTags& value) { FInfoTags = value; }
    QString LastError() const { return FLastError; }
    TWfiOptions Options() const { return FOptions; }
    // wfioDisplayUI is always added.
    void SetOptions(TWfiOptions value) { FOptions = value.With(wfioDisplayUI); }
    QString ProductName() const { return FProductName; }
    QString ProductAuthor() const { return FProductAuthor; }
    QString ProductAuthorEMail() const { return FProductAuthorEMail; }
    double ProductDate() const { return FProductDate; }
    QString ProductDateStr() const { return FProductDateStr; }
    QString ProductReadMe() const { return FProductReadMe; }
    QString ProductReadMeExt() const { return FProductReadMeExt; }
    QString ProductVersion() const { return FProductVersion; }
    QString ProxyHost() const { return FProxyHost; }
    void SetProxyHost(const QString& value) { FProxyHost = value; }
    int ProxyPort() const { return FProxyPort; }
    void SetProxyPort(int value) { FProxyPort = value; }
    QString RunParams() const { return FRunParams; }
    // While UIOwnerFont holds, the owner window's font.
    QFont UIFont() const;
    void SetUIFont(const QFont& value);
    bool UIOwnerFont() const { return FUIOwnerFont; }
    void SetUIOwnerFont(bool value) { FUIOwnerFont = value; }
    TWfiVersionFormat VersionFormat() const { return FVersionFormat; }
    void SetVersionFormat(TWfiVersionFormat value) { FVersionFormat = value; }
    QString RedirectURL() const { return FRedirectURL; }
    QString DownloadFileName() const { return FDownloadFileName; }
    QString DownloadPath() const { return FDownloadPath; }
    QString DownloadSha256() const { return m_downloadSha256; }

    TDownloadProgressEvent OnDownloadProgress;
    // Opens a web address in the user's browser; tests replace it. Downloaded files are never
    // opened with another program.
    std::function<void(const QUrl& url)> OpenUrl;

    // The interactive check; true when the user got as far as a finished download.
    bool CheckForUpdate();
    // Fetches and parses the page (following its redirect tags); true at once when Active.
    bool RetrieveInfo();
    bool ShowReadMe(bool Ask);
    bool DownloadUpdate(const QString& Path);
    bool IsNewerVersion() const;
    // Fills the values from the page's lines.
    void ParseInfoLines(const QStringList& lines);
    void ReportProgress(qint64 BytesReceived, qint64 FileSize);

    // The windows built in code; each becomes the current one of its kind.
    QDialog* CreateWaitWindow(const QString& text);
    TWebDlProgress* CreateProgressWindow();
    // Fetches the read-me (ProductReadMe, else ProductReadMeExt) as text and builds its window;
    // none when the fetch failed.
    std::unique_ptr<QDialog> CreateReadMeWindow();

    THttpCli* HttpCli() const { return FHttpCli; }
    QDialog* WaitWindow() const { return FWaitWindow.get(); }
    TWebDlProgress* ProgressWindow() const { return FProgressWindow.get(); }

private:
    bool RetrievePage(int page);
    bool DownloadFile(const QString& URL, const QString& LocalPath, const QString& Title);
    void EnsureClient();
    void ApplyProxy();
    // Starts a GET of `url` into `stream` and shows `window` modally until RequestDone.
    void FetchModal(const QString& url, QIODevice* stream, QDialog* window, qint64 maxSize);
    // An installed program's answer to a newer version.
    void AnnounceToInstalledProgram();
    void RequestDone(QObject* Sender, THttpRequest RqType, std::uint16_t Error);
    void InstallExceptionHandler();
    void RestoreExceptionHandler();
    void AppExceptionHandler(std::exception_ptr error);
    void ClearValues();
    QWidget* OwnerWindow() const;
    void ShowConnectionError();
    void ShowDownloadError();

    bool FActive = false;
    QString FCurrentVersion;
    TWfiDateFormat FDateFormat = wfidDFSDate;
    QString FDownloadURL;
    QString FHomeURL;
    TWfiTags FInfoTags;
    QString FLastError;
    TWfiOptions FOptions{wfioDisplayUI, wfioDisplayReadMe, wfioRunUpdate, wfioExitDuringUpdate};
    QString FProductName;
    QString FProductAuthor;
    QString FProductAuthorEMail;
    double FProductDate = 0;
    QString FProductDateStr;
    QString FProductReadMe;
    QString FProductReadMeExt;
    QString FProductVersion;
    QString FProxyHost;
    int FProxyPort = 80;
    QString FRunParams;
    mutable QFont FUIFont;
    bool FUIOwnerFont = true;
    TWfiVersionFormat FVersionFormat = wfivBuildNumber;
    QString FRedirectURL;
    QString FDownloadFileName;
    QString FDownloadPath;

    // Created at the first fetch, a child destroyed with the component; its OnRequestDone goes
    // to RequestDone (what a separate relay object did elsewhere).
    THttpCli* FHttpCli = nullptr;
    bool FRequestFinished = true;
    // The current wait window; it stays over a chain of redirect pages.
    std::unique_ptr<QDialog> FWaitWindow;
    std::unique_ptr<TWebDlProgress> FProgressWindow;
    bool FHandlerInstalled = false;
    TExceptionHandler FSavedHandler;
    std::shared_ptr<TTlsContext> m_tlsContext;
    bool m_installed = false;
    QString m_downloadSha256;
};
