#include "WebFileInfo.h"

#include "Dialogs.h"
#include "DownloadFile.h"
#include "ResStr.h"

#include <QApplication>
#include <QBuffer>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
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

constexpr Qt::WindowFlags BuiltWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

void CenterOnScreen(QWidget* window, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.left() + (area.width() - window->width()) / 2, area.top() + (area.height() - window->height()) / 2);
}

// The wait window: no button; Esc or the close box abandon the request, which then ends and
// closes the window, so a stalled check can always be left.
class TWebWaitWindow : public QDialog {
public:
    using QDialog::QDialog;
    std::function<void()> AbortRequest;
    void reject() override
    {
        if (AbortRequest)
            AbortRequest();
    }
};

class TWebReadMeWindow : public QDialog {
public:
    using QDialog::QDialog;
    QPlainTextEdit* Text = nullptr;
};

bool IsWebAddress(const QString& url, bool secureOnly)
{
    const QString lower = url.left(8).toLower();
    return (lower.startsWith(QLatin1String("https://")) && url.size() > 8)
           || (!secureOnly && lower.startsWith(QLatin1String("http://")) && url.size() > 7);
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

QString WithFilterExtension(const QString& path, int filterIndex)
{
    if (QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    if (filterIndex == 1)
        return path + QStringLiteral(".EXE");
    if (filterIndex == 2)
        return path + QStringLiteral(".ZIP");
    return path;
}

TWebDlProgress::TWebDlProgress(QWidget* parent, const QFont& font) : QDialog(parent, BuiltWindowFlags)
{
    setWindowTitle(ResStr::WfiProgressCaption);
    setFont(font);
    setFixedSize(272, 123);
    setCursor(Qt::WaitCursor);
    lblDownloading = new QLabel(this);
    lblDownloading->setGeometry(2, 10, 268, 18);
    lblDownloading->setAlignment(Qt::AlignCenter);
    pbarProgress = new QProgressBar(this);
    pbarProgress->setGeometry(36, 40, 200, 14);
    pbarProgress->setRange(0, 100);
    pbarProgress->setTextVisible(false);
    pbarProgress->setFocusPolicy(Qt::TabFocus);
    lblProgress = new QLabel(this);
    lblProgress->setGeometry(2, 60, 268, 22);
    lblProgress->setAlignment(Qt::AlignCenter);
    btnCancel = new QPushButton(ResStr::WfiCancel, this);
    btnCancel->setGeometry(102, 94, 68, 22);
    btnCancel->setCursor(Qt::ArrowCursor);
    setTabOrder(pbarProgress, btnCancel);
    connect(btnCancel, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnCancelClick(); }); });
}

void TWebDlProgress::btnCancelClick()
{
    Cancelled = true;
    if (AbortDownload)
        AbortDownload();
}

void TWebDlProgress::reject()
{
    btnCancelClick();
}

TWebFileInfo::TWebFileInfo(QObject* owner) : QObject(owner)
{
    FUIFont = QFont(QStringLiteral("MS Sans Serif"), 8);
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
    return WfiIsNewerVersion(FCurrentVersion, FProductVersion, FVersionFormat);
}

void TWebFileInfo::ClearValues()
{
    FDownloadURL.clear();
    FProductName.clear();
    FProductAuthor.clear();
    FProductAuthorEMail.clear();
    FProductDate = 0;
    FProductDateStr.clear();
    FProductReadMe.clear();
    FProductReadMeExt.clear();
    FProductVersion.clear();
    FRedirectURL.clear();
    FRunParams.clear();
    m_downloadSha256.clear();
}

void TWebFileInfo::ParseInfoLines(const QStringList& lines)
{
    const std::pair<const QString*, QString*> targets[] = {
        {&FInfoTags.ProductNameTag, &FProductName}, {&FInfoTags.ReadMeTag, &FProductReadMe},
        {&FInfoTags.ReadMeExtTag, &FProductReadMeExt}, {&FInfoTags.VersionTag, &FProductVersion},
        {&FInfoTags.DateTag, &FProductDateStr}, {&FInfoTags.AuthorTag, &FProductAuthor},
        {&FInfoTags.AuthorEMailTag, &FProductAuthorEMail}, {&FInfoTags.DownloadTag, &FDownloadURL},
        {&FInfoTags.RedirectTag, &FRedirectURL}, {&FInfoTags.RunParamsTag, &FRunParams},
        {&FInfoTags.Sha256Tag, &m_downloadSha256},
    };
    for (const QString& line : lines) {
        QString name;
        if (!ExtractTagName(line, &name))
            continue;
        for (const auto& [tag, value] : targets)
            if (*tag == name)
                *value = ExtractTagContent(line);
    }
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

QDialog* TWebFileInfo::CreateWaitWindow(const QString& text)
{
    auto window = std::make_unique<TWebWaitWindow>(OwnerWindow(), BuiltWindowFlags);
    window->AbortRequest = [this] {
        if (FHttpCli)
            FHttpCli->Abort();
    };
    window->setWindowTitle(ResStr::WfiWaitCaption);
    window->setFont(UIFont());
    window->setFixedSize(240, 100);
    window->setCursor(Qt::WaitCursor);
    auto* label = new QLabel(text, window.get());
    label->setGeometry(0, 27, 232, 23);
    label->setAlignment(Qt::AlignCenter);
    CenterOnScreen(window.get(), OwnerWindow());
    FWaitWindow = std::move(window);
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

std::unique_ptr<QDialog> TWebFileInfo::CreateReadMeWindow()
{
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    FLastError.clear();
    CreateWaitWindow(ResStr::WfiRetrievingReadMe);
    try {
        FetchModal(FProductReadMe.isEmpty() ? FProductReadMeExt : FProductReadMe, &stream, FWaitWindow.get(), MaxPageSize);
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

    auto window = std::make_unique<TWebReadMeWindow>(OwnerWindow(), BuiltWindowFlags);
    window->setWindowTitle(ResStr::WfiReadMeCaption);
    window->setFont(UIFont());
    const QScreen* screen = OwnerWindow() ? OwnerWindow()->screen() : QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->size() : QSize(800, 600);
    const int w = area.width() * 4 / 5;
    const int h = area.height() * 4 / 5;
    window->setFixedSize(w, h);
    window->Text = new QPlainTextEdit(window.get());
    // Read only: Return goes to the window and presses Ok.
    window->Text->setReadOnly(true);
    window->Text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    window->Text->setGeometry(10, 10, w - 25, h - 80);
    window->Text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    window->Text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window->Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window->Text->setPlainText(WfiSplitLines(QString::fromUtf8(stream.data())).join(QLatin1Char('\n')));
    auto* ok = new QPushButton(ResStr::WfiOk, window.get());
    ok->setGeometry(w / 2 - 34, h - 56, 68, 22);
    ok->setDefault(true);
    QDialog* dialog = window.get();
    connect(ok, &QPushButton::clicked, dialog, [dialog] { dialog->accept(); });
    CenterOnScreen(dialog, OwnerWindow());
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
    const TWfiTags& t = FInfoTags;
    if (t.ProductNameTag.isEmpty() && t.ReadMeTag.isEmpty() && t.ReadMeExtTag.isEmpty() && t.VersionTag.isEmpty()
        && t.DateTag.isEmpty() && t.AuthorTag.isEmpty() && t.DownloadTag.isEmpty() && t.RedirectTag.isEmpty()
        && t.RunParamsTag.isEmpty()) {
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
        FetchModal(FRedirectURL.isEmpty() ? FHomeURL : FRedirectURL, &stream, FWaitWindow.get(), MaxPageSize);

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
        ClearValues();
        if (!failed) {
            ParseInfoLines(WfiSplitLines(QString::fromUtf8(stream.data())));
            if (!FProductDateStr.isEmpty() && FDateFormat == wfidDFSDate)
                FProductDate = ParseDFSDate(FProductDateStr);
            FDownloadFileName = SafeDownloadName(DownloadFileNameOf(FDownloadURL));
            ok = true;
        }
    } catch (...) {
        FWaitWindow.reset();
        throw;
    }

    if (!FRedirectURL.isEmpty()) {
        if (page + 1 < MaxRedirectPages)
            return RetrievePage(page + 1);
        // A page that names itself, or a chain without end.
        FRedirectURL.clear();
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
    const QString versionText = ResStr::WfiVersionText.arg(FCurrentVersion, FProductVersion);
    if (ShowMessageBox(versionText + QLatin1Char('\n') + ResStr::WfiDownloadQuestion, ResStr::WfiUpdateAvailableCaption,
                       MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return false;

    int chosenFilter = 1;
    FileDialogRequest request;
    request.Parent = OwnerWindow();
    request.Filter = ResStr::WfiSaveFilter;
    request.FilterIndex = 1;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    request.FileName = downloads.isEmpty() ? FDownloadFileName : QDir(downloads).filePath(FDownloadFileName);
    request.ChosenFilter = &chosenFilter;
    const QString chosen = ShowSaveFileDialog(request);
    if (chosen.isEmpty())
        return false;
    if (!DownloadUpdate(WithFilterExtension(chosen, chosenFilter))) {
        ShowDownloadError();
        return false;
    }
    return true;
}

void TWebFileInfo::AnnounceToInstalledProgram()
{
    if (!FProductReadMe.isEmpty() || !FProductReadMeExt.isEmpty())
        if (std::unique_ptr<QDialog> window = CreateReadMeWindow())
            window->exec();
    ShowMessageBox(ResStr::WfiVersionText.arg(FCurrentVersion, FProductVersion) + QLatin1Char('\n')
                       + ResStr::WfiUpdateFromPackageManager,
                   ResStr::WfiUpdateAvailableCaption, MB_OK | MB_ICONINFORMATION);
    if (OpenUrl)
        OpenUrl(QUrl(FHomeURL));
}

bool TWebFileInfo::ShowReadMe(bool Ask)
{
    if (!FActive && !RetrieveInfo())
        return false;
    if (FProductReadMe.isEmpty() && FProductReadMeExt.isEmpty())
        return false;
    if (Ask) {
        const QString text = ResStr::WfiVersionText.arg(FCurrentVersion, FProductVersion) + QLatin1Char('\n')
                             + ResStr::WfiReadMeQuestion;
        if (ShowMessageBox(text, ResStr::WfiUpdateAvailableCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
    }
    // Either read-me is shown as text in our own window, never saved or opened elsewhere.
    if (std::unique_ptr<QDialog> window = CreateReadMeWindow())
        window->exec();
    return true;
}

bool TWebFileInfo::DownloadUpdate(const QString& Path)
{
    if (!FActive && !RetrieveInfo())
        return false;
    FDownloadPath = Path.endsWith(QLatin1Char('/')) ? Path + SafeDownloadName(FDownloadFileName) : Path;
    if (!FOptions.Has(wfioAlwaysOverwrite) && !FOptions.Has(wfioDisplayUI) && QFileInfo::exists(FDownloadPath)
        && ShowMessageBox(ResStr::WfiFileExists.arg(FDownloadPath), ResStr::WfiFileExistsCaption, MB_YESNO | MB_ICONQUESTION)
               != IDYES)
        return false;
    if (!IsWebAddress(FDownloadURL, true)) {
        FLastError = ResStr::WfiDownloadNotSecure;
        return false;
    }
    if (!m_downloadSha256.isEmpty() && !IsSha256Hex(m_downloadSha256.trimmed())) {
        FLastError = ResStr::WfiBadSha256;
        return false;
    }
    return DownloadFile(FDownloadURL, FDownloadPath, ResStr::WfiDownloadingUpdate);
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
        if (ok && !file.Finish(m_downloadSha256)) {
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
