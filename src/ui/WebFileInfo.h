#pragma once
// TWebFileInfo: the update check. It fetches the product's information page over HTTPS, reads
// it into a TUpdatePage, compares the version with the running program's and leads the user
// through the messages, the read-me, the save dialog and the download. Main thread only.
#include "ExceptionHandler.h"
#include "HttpProt.h"
#include "UpdatePage.h"
#include "UpdateWindows.h"

#include <QFont>
#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>

class QUrl;

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

using TDownloadProgressEvent = std::function<void(QObject* Sender, qint64 BytesReceived, qint64 FileSize)>;

class TWebFileInfo : public QObject {
    Q_OBJECT
public:
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
    // What the last page read said.
    const TUpdatePage& Page() const { return m_page; }
    QString ProxyHost() const { return FProxyHost; }
    void SetProxyHost(const QString& value) { FProxyHost = value; }
    int ProxyPort() const { return FProxyPort; }
    void SetProxyPort(int value) { FProxyPort = value; }
    // While UIOwnerFont holds, the owner window's font.
    QFont UIFont() const;
    void SetUIFont(const QFont& value);
    bool UIOwnerFont() const { return FUIOwnerFont; }
    void SetUIOwnerFont(bool value) { FUIOwnerFont = value; }
    TWfiVersionFormat VersionFormat() const { return FVersionFormat; }
    void SetVersionFormat(TWfiVersionFormat value) { FVersionFormat = value; }
    QString DownloadPath() const { return FDownloadPath; }

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
    void ReportProgress(qint64 BytesReceived, qint64 FileSize);

    // The windows built in code; each becomes the current one of its kind.
    TWebWaitWindow* CreateWaitWindow(const QString& text);
    TWebDlProgress* CreateProgressWindow();
    // Fetches the read-me (ProductReadMe, else ProductReadMeExt) as text and builds its window;
    // none when the fetch failed.
    std::unique_ptr<TWebReadMeWindow> CreateReadMeWindow();

    THttpCli* HttpCli() const { return FHttpCli; }
    TWebWaitWindow* WaitWindow() const { return FWaitWindow.get(); }
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
    QWidget* OwnerWindow() const;
    void ShowConnectionError();
    void ShowDownloadError();

    bool FActive = false;
    QString FCurrentVersion;
    TWfiDateFormat FDateFormat = wfidDFSDate;
    QString FHomeURL;
    TWfiTags FInfoTags;
    QString FLastError;
    TWfiOptions FOptions{wfioDisplayUI, wfioDisplayReadMe, wfioRunUpdate, wfioExitDuringUpdate};
    QString FProxyHost;
    int FProxyPort = 80;
    mutable QFont FUIFont;
    bool FUIOwnerFont = true;
    TWfiVersionFormat FVersionFormat = wfivBuildNumber;
    TUpdatePage m_page;
    QString FDownloadPath;

    // Created at the first fetch, a child destroyed with the component; its OnRequestDone goes
    // to RequestDone (what a separate relay object did elsewhere).
    THttpCli* FHttpCli = nullptr;
    bool FRequestFinished = true;
    // The current wait window; it stays over a chain of redirect pages.
    std::unique_ptr<TWebWaitWindow> FWaitWindow;
    std::unique_ptr<TWebDlProgress> FProgressWindow;
    bool FHandlerInstalled = false;
    TExceptionHandler FSavedHandler;
    std::shared_ptr<TTlsContext> m_tlsContext;
    bool m_installed = false;
};
