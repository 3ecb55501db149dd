#include "WebFileInfo.h"

#include "Dialogs.h"
#include "DownloadFile.h"
#include "ResStr.h"

#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <utility>

TWebFileInfo::TWebFileInfo(QObject* owner) : QObject(owner)
{
    OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

TWebFileInfo::~TWebFileInfo()
{
    // A handler that calls into this object must not outlive it.
    RestoreExceptionHandler();
    FWaitWindow.reset();
    FProgressWindow.reset();
}

void TWebFileInfo::SetActive(bool value)
{
    if (!value)
        FActive = false;
}

void TWebFileInfo::SetHomeURL(const QString& value)
{
    if (!IsWebAddress(value, false))
        return;
    FHomeURL = value;
    FActive = false;
}

QFont TWebFileInfo::UIFont() const
{
    if (FUIOwnerFont)
        if (const QWidget* owner = OwnerWindow())
            FUIFont = owner->font();
    return FUIFont;
}

void TWebFileInfo::SetUIFont(const QFont& value)
{
    FUIFont = value;
    FUIOwnerFont = false;
}

QWidget* TWebFileInfo::OwnerWindow() const
{
    auto* owner = qobject_cast<QWidget*>(parent());
    return owner && owner->isWindow() ? owner : nullptr;
}

bool TWebFileInfo::IsNewerVersion() const
{
    return WfiIsNewerVersion(FCurrentVersion, m_page.Version, FVersionFormat);
}

void TWebFileInfo::EnsureClient()
{
    if (FHttpCli)
        return;
    FHttpCli = new THttpCli(this);
    if (m_tlsContext)
        FHttpCli->SetTlsContext(m_tlsContext);
    FHttpCli->OnRequestDone = [this](QObject* Sender, THttpRequest RqType, std::uint16_t Error) {
        RequestDone(Sender, RqType, Error);
    };
}

void TWebFileInfo::ApplyProxy()
{
    if (FProxyHost.isEmpty()) {
        FHttpCli->SetProxy(QString());
        FHttpCli->SetProxyPort(QStringLiteral("80"));
    } else {
        FHttpCli->SetProxy(FProxyHost);
        FHttpCli->SetProxyPort(QString::number(FProxyPort));
    }
}

void TWebFileInfo::FetchModal(const QString& url, QIODevice* stream, QDialog* window, qint64 maxSize)
{
    EnsureClient();
    ApplyProxy();
    FHttpCli->SetMaxBodySize(maxSize);
    FHttpCli->SetReceiveStream(stream);
    FHttpCli->SetURL(url);
    FRequestFinished = false;
    FHttpCli->StartGet();
    if (!FRequestFinished && window)
        window->exec();
    if (!FRequestFinished) {
        // The window was closed by the error handler: the request must not outlive `stream`.
        FHttpCli->SetReceiveStream(nullptr);
        if (FHttpCli->State() != httpAborting)
            FHttpCli->Abort();
        while (!FRequestFinished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    FHttpCli->SetReceiveStream(nullptr);
}

void TWebFileInfo::RequestDone(QObject*, THttpRequest, std::uint16_t Error)
{
    FRequestFinished = true;
    FLastError = Error != 0 ? FHttpCli->ReasonPhrase() : QString();
    if (FWaitWindow && FWaitWindow->isVisible())
        FWaitWindow->done(QDialog::Accepted);
    if (FProgressWindow && FProgressWindow->isVisible())
        FProgressWindow->done(FProgressWindow->Cancelled ? QDialog::Rejected : QDialog::Accepted);
}

void TWebFileInfo::InstallExceptionHandler()
{
    if (FHandlerInstalled)
        return;
    FSavedHandler = SetApplicationExceptionHandler([this](std::exception_ptr error) { AppExceptionHandler(error); });
    FHandlerInstalled = true;
}

void TWebFileInfo::RestoreExceptionHandler()
{
    if (!FHandlerInstalled)
        return;
    FHandlerInstalled = false;
    SetApplicationExceptionHandler(std::exchange(FSavedHandler, nullptr));
}

void TWebFileInfo::AppExceptionHandler(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EHttpException& e) {
        FLastError = e.Message();
        if (FWaitWindow && FWaitWindow->isVisible())
            FWaitWindow->done(QDialog::Rejected);
        if (FProgressWindow && FProgressWindow->isVisible())
            FProgressWindow->done(QDialog::Rejected);
        if (FHttpCli) {
            FHttpCli->SetReceiveStream(nullptr);
            FHttpCli->OnDocData = nullptr;
        }
        RestoreExceptionHandler();
        ShowMessageBox(ResStr::WfiException.arg(e.Message()), ResStr::WfiExceptionCaption, MB_OK | MB_ICONWARNING);
    } catch (...) {
        // Not ours: the handler that was there, or the program's error display.
        const TExceptionHandler saved = FSavedHandler;
        if (saved)
            saved(error);
        else
            RunGuarded([&] { std::rethrow_exception(error); });
    }
}

TWebWaitWindow* TWebFileInfo::CreateWaitWindow(const QString& text)
{
    FWaitWindow = std::make_unique<TWebWaitWindow>(OwnerWindow(), UIFont(), text);
    FWaitWindow->AbortRequest = [this] {
        if (FHttpCli)
            FHttpCli->Abort();
    };
    CenterOnScreen(FWaitWindow.get(), OwnerWindow());
    return FWaitWindow.get();
}

TWebDlProgress* TWebFileInfo::CreateProgressWindow()
{
    FProgressWindow = std::make_unique<TWebDlProgress>(OwnerWindow(), UIFont());
    FProgressWindow->AbortDownload = [this] {
        if (FHttpCli)
            FHttpCli->Abort();
    };
    CenterOnScreen(FProgressWindow.get(), OwnerWindow());
    return FProgressWindow.get();
}

std::unique_ptr<TWebReadMeWindow> TWebFileInfo::CreateReadMeWindow()
{
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    FLastError.clear();
    CreateWaitWindow(ResStr::WfiRetrievingReadMe);
    try {
        FetchModal(m_page.ReadMeUrl(), &stream, FWaitWindow.get(), MaxPageSize);
    } catch (...) {
        FWaitWindow.reset();
        throw;
    }
    FWaitWindow.reset();
    const int status = FHttpCli->StatusCode();
    if (status > 200 || status <= 0) {
        FLastError = FHttpCli->ReasonPhrase();
        return nullptr;
    }
    const QString text = WfiSplitLines(QString::fromUtf8(stream.data())).join(QLatin1Char('\n'));
    auto window = std::make_unique<TWebReadMeWindow>(OwnerWindow(), UIFont(), text);
    CenterOnScreen(window.get(), OwnerWindow());
    return window;
}

bool TWebFileInfo::RetrieveInfo()
{
    if (FActive)
        return true;
    return RetrievePage(0);
}

bool TWebFileInfo::RetrievePage(int page)
{
    if (FHomeURL.isEmpty()) {
        FWaitWindow.reset();
        ShowMessageBox(ResStr::WfiMissingHomeUrl, ResStr::WfiMissingHomeUrlCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (!FInfoTags.NamesAny()) {
        FWaitWindow.reset();
        ShowMessageBox(ResStr::WfiMissingTags, ResStr::WfiMissingTagsCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    InstallExceptionHandler();

    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    FLastError.clear();
    bool ok = false;
    try {
        if (!FWaitWindow)
            CreateWaitWindow(ResStr::WfiCheckingForUpdate);
        FetchModal(page == 0 ? FHomeURL : m_page.RedirectUrl, &stream, FWaitWindow.get(), MaxPageSize);

        // A status above 200 fails even when its reason text is empty; no status at all fails too.
        bool failed = !FLastError.isEmpty();
        const int status = FHttpCli->StatusCode();
        if (status > 200) {
            FLastError = FHttpCli->ReasonPhrase();
            failed = true;
            // Only the server's own status: the client's failures (cancelled, refused, cut
            // short) are explained by the connection error that follows.
            if (FHttpCli->StatusFromServer())
                ShowMessageBox(QString::number(status), ResStr::AppTitle, MB_OK);
        } else if (status <= 0 && !failed) {
            FLastError = FHttpCli->ReasonPhrase().isEmpty() ? ResStr::WfiNoStatus : FHttpCli->ReasonPhrase();
            failed = true;
        }
        m_page = TUpdatePage();
        if (!failed) {
            m_page = TUpdatePage::Parse(WfiSplitLines(QString::fromUtf8(stream.data())), FInfoTags, FDateFormat);
            ok = true;
        }
    } catch (...) {
        FWaitWindow.reset();
        throw;
    }

    if (!m_page.RedirectUrl.isEmpty()) {
        if (page + 1 < TUpdatePage::MaxRedirectPages)
            return RetrievePage(page + 1);
        // A page that names itself, or a chain without end.
        m_page.RedirectUrl.clear();
        FLastError = ResStr::WfiTooManyRedirects;
        ok = false;
    }
    FWaitWindow.reset();
    FActive = ok;
    return ok;
}

void TWebFileInfo::ShowConnectionError()
{
    ShowMessageBox(FLastError.isEmpty() ? ResStr::WfiConnectionErrorUnknown : ResStr::WfiConnectionError.arg(FLastError),
                   ResStr::WfiConnectionErrorCaption, MB_OK | MB_ICONWARNING);
}

void TWebFileInfo::ShowDownloadError()
{
    ShowMessageBox(FLastError.isEmpty() ? ResStr::WfiDownloadErrorUnknown : ResStr::WfiDownloadError.arg(FLastError),
                   ResStr::WfiDownloadErrorCaption, MB_OK | MB_ICONWARNING);
}

bool TWebFileInfo::CheckForUpdate()
{
    if (!RetrieveInfo()) {
        ShowConnectionError();
        return false;
    }
    if (!IsNewerVersion()) {
        ShowMessageBox(ResStr::WfiNoUpdate, ResStr::WfiNoUpdateCaption, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (m_installed) {
        AnnounceToInstalledProgram();
        return false;
    }
    if (FOptions.Has(wfioDisplayReadMe))
        ShowReadMe(true);
    const QString versionText = ResStr::WfiVersionText.arg(FCurrentVersion, m_page.Version);
    if (ShowMessageBox(versionText + QLatin1Char('\n') + ResStr::WfiDownloadQuestion, ResStr::WfiUpdateAvailableCaption,
                       MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return false;

    // The name is saved as the user typed it: the page's file name proposes its extension.
    FileDialogRequest request;
    request.Parent = OwnerWindow();
    request.Filter = ResStr::WfiSaveFilter;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    const QString name = m_page.DownloadFileName();
    request.FileName = downloads.isEmpty() ? name : QDir(downloads).filePath(name);
    const QString chosen = ShowSaveFileDialog(request);
    if (chosen.isEmpty())
        return false;
    if (!DownloadUpdate(chosen)) {
        ShowDownloadError();
        return false;
    }
    return true;
}

void TWebFileInfo::AnnounceToInstalledProgram()
{
    if (!m_page.ReadMeUrl().isEmpty())
        if (std::unique_ptr<TWebReadMeWindow> window = CreateReadMeWindow())
            window->exec();
    ShowMessageBox(ResStr::WfiVersionText.arg(FCurrentVersion, m_page.Version) + QLatin1Char('\n')
                       + ResStr::WfiUpdateFromPackageManager,
                   ResStr::WfiUpdateAvailableCaption, MB_OK | MB_ICONINFORMATION);
    if (OpenUrl)
        OpenUrl(QUrl(FHomeURL));
}

bool TWebFileInfo::ShowReadMe(bool Ask)
{
    if (!FActive && !RetrieveInfo())
        return false;
    if (m_page.ReadMeUrl().isEmpty())
        return false;
    if (Ask) {
        const QString text = ResStr::WfiVersionText.arg(FCurrentVersion, m_page.Version) + QLatin1Char('\n')
                             + ResStr::WfiReadMeQuestion;
        if (ShowMessageBox(text, ResStr::WfiUpdateAvailableCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
    }
    // Either read-me is shown as text in our own window, never saved or opened elsewhere.
    if (std::unique_ptr<TWebReadMeWindow> window = CreateReadMeWindow())
        window->exec();
    return true;
}

bool TWebFileInfo::DownloadUpdate(const QString& Path)
{
    if (!FActive && !RetrieveInfo())
        return false;
    FDownloadPath = Path.endsWith(QLatin1Char('/')) ? Path + m_page.DownloadFileName() : Path;
    if (!FOptions.Has(wfioAlwaysOverwrite) && !FOptions.Has(wfioDisplayUI) && QFileInfo::exists(FDownloadPath)
        && ShowMessageBox(ResStr::WfiFileExists.arg(FDownloadPath), ResStr::WfiFileExistsCaption, MB_YESNO | MB_ICONQUESTION)
               != IDYES)
        return false;
    switch (m_page.CheckDownload()) {
    case TDownloadRefusal::NotSecure:
        FLastError = ResStr::WfiDownloadNotSecure;
        return false;
    case TDownloadRefusal::BadSha256:
        FLastError = ResStr::WfiBadSha256;
        return false;
    case TDownloadRefusal::None:
        break;
    }
    return DownloadFile(m_page.DownloadUrl, FDownloadPath, ResStr::WfiDownloadingUpdate);
}

bool TWebFileInfo::DownloadFile(const QString& URL, const QString& LocalPath, const QString& Title)
{
    FLastError.clear();
    // The file arrives beside its target and replaces it only when complete and verified: a
    // failed or cancelled download leaves an existing file as it was.
    TDownloadFile file(LocalPath);
    if (!file.Begin()) {
        FLastError = ResStr::WfiCannotCreateFile.arg(QDir::toNativeSeparators(LocalPath), file.errorString());
        return false;
    }
    EnsureClient();
    FHttpCli->OnDocData = [this](QObject*, const char*, int) {
        // Without a Content-Length in this response the size is unknown (0), not the last one's.
        ReportProgress(FHttpCli->ReceivedCount(), FHttpCli->ContentLengthReceived() ? FHttpCli->ContentLength() : 0);
    };
    TWebDlProgress* window = CreateProgressWindow();
    window->lblDownloading->setText(Title);
    bool ok = false;
    const auto cleanUp = [&] {
        FHttpCli->OnDocData = nullptr;
        FHttpCli->SetReceiveStream(nullptr);
        FProgressWindow.reset();
        if (ok && !file.Finish(m_page.Sha256)) {
            ok = false;
            FLastError = file.ErrorText();
        }
        if (!ok)
            file.Discard();
    };
    try {
        FetchModal(URL, &file, window, 0);
        const int status = FHttpCli->StatusCode();
        ok = status > 0 && status <= 200;
        if (!ok)
            FLastError = FHttpCli->ReasonPhrase().isEmpty() ? ResStr::WfiNoStatus : FHttpCli->ReasonPhrase();
    } catch (...) {
        cleanUp();
        throw;
    }
    cleanUp();
    return ok;
}

void TWebFileInfo::ReportProgress(qint64 BytesReceived, qint64 FileSize)
{
    if (FProgressWindow && !FProgressWindow->Cancelled) {
        if (FileSize > 0) {
            const qint64 percent = BytesReceived * 100 / FileSize;
            FProgressWindow->lblProgress->setText(
                ResStr::WfiBytesOfReceived.arg(FormatThousands(BytesReceived), FormatThousands(FileSize)));
            if (percent > FProgressWindow->pbarProgress->value())
                FProgressWindow->pbarProgress->setValue(static_cast<int>(std::min<qint64>(percent, 100)));
        } else {
            FProgressWindow->lblProgress->setText(ResStr::WfiBytesReceived.arg(FormatThousands(BytesReceived)));
        }
    }
    if (OnDownloadProgress)
        OnDownloadProgress(this, BytesReceived, FileSize);
}
