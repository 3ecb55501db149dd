// The update check against a scripted loopback server: the page's rules, the whole road from
// the check to a finished download, and every failure box on the way.
#include "AppPaths.h"
#include "Dialogs.h"
#include "Main.h"
#include "ResStr.h"
#include "ScriptedDialogs.h"
#include "ScriptedServer.h"
#include "TestTls.h"
#include "WebFileInfo.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include "WindowTestSupport.h"
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QByteArray Meta(const char* tag, const QByteArray& value)
{
    return "<META HTTP-EQUIV=\"" + QByteArray(tag) + "\" CONTENT=\"" + value + "\">\r\n";
}

QByteArray Html(const QByteArray& lines)
{
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><head>\r\n" + lines + "</head></html>\r\n";
}

ScriptedServer::Script Serve(const QByteArray& response)
{
    return [response](ServerConnection& c) {
        c.ReadRequest();
        c.Send(response);
    };
}

QString Url(int port, const char* path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QLatin1String(path));
}

QString SecureUrl(int port, const char* path)
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(port).arg(QLatin1String(path));
}

const TestCa& OurCa()
{
    static const TestCa ca = MakeTestCa("Tonewright test CA");
    return ca;
}

// A server for the downloads, which go over TLS only.
ssl_ctx_st* SecureServer()
{
    return MakeServerContext(OurCa(), {}, {QStringLiteral("127.0.0.1")});
}

// The files in `dir`, hidden ones too: a download leaves no temporary file behind.
QStringList FilesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// The main window's configuration, and what its command sets before each check.
void Configure(TWebFileInfo& wfi, const QString& home)
{
    ConfigureWebFileInfo1(wfi);
    wfi.SetTlsContext(TTlsContext::FromPem(OurCa().CertPem));
    wfi.SetHomeURL(home);
    wfi.SetCurrentVersion(QStringLiteral("1.2.0"));
}

// Calls `action` once for each new modal window that opens while it lives.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> action) : FAction(std::move(action))
    {
        QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != FLast && modal->isVisible()) {
                FLast = modal;
                FAction(modal);
            }
            if (!modal)
                FLast = nullptr;
        });
        FTimer.start(5);
    }
private:
    std::function<void(QWidget*)> FAction;
    QTimer FTimer;
    QWidget* FLast = nullptr;
};

std::vector<QString> Captions(const ScriptedMessageBoxes& boxes)
{
    std::vector<QString> captions;
    for (const AskedMessage& m : boxes.Asked())
        captions.push_back(m.Caption);
    return captions;
}

} // namespace

TEST(WebFileInfoRules, SettersAndProgressText)
{
    TWebFileInfo wfi;
    wfi.SetHomeURL(QStringLiteral("HTTP://example.org/info.htm"));
    EXPECT_EQ(wfi.HomeURL(), QStringLiteral("HTTP://example.org/info.htm"));
    wfi.SetHomeURL(QStringLiteral("ftp://example.org/info.htm"));
    wfi.SetHomeURL(QStringLiteral("http:/"));
    EXPECT_EQ(wfi.HomeURL(), QStringLiteral("HTTP://example.org/info.htm"));
    wfi.SetOptions({wfioRunUpdate});
    EXPECT_TRUE(wfi.Options() == (TWfiOptions{wfioRunUpdate, wfioDisplayUI}));

    qint64 reported = -1;
    wfi.OnDownloadProgress = [&](QObject*, qint64 received, qint64) { reported = received; };
    TWebDlProgress* window = wfi.CreateProgressWindow();
    wfi.ReportProgress(1234567, 2000000);
    EXPECT_EQ(window->lblProgress->text(), QStringLiteral("1,234,567 of 2,000,000 bytes received."));
    EXPECT_EQ(window->pbarProgress->value(), 61);
    wfi.ReportProgress(1000, 2000000); // the bar never moves back
    EXPECT_EQ(window->pbarProgress->value(), 61);
    wfi.ReportProgress(5000, 0); // no size known: no percentage, no division
    EXPECT_EQ(window->lblProgress->text(), QStringLiteral("5,000 bytes received."));
    EXPECT_EQ(reported, 5000);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Download Progress"));
}

TEST(WebFileInfoCheck, NewerVersionReadMeSaveDownloadAndSilentEnd)
{
    QByteArray installer(300000, '\0');
    for (int i = 0; i < installer.size(); ++i)
        installer[i] = static_cast<char>(i * 7);
    int port = 0;
    ScriptedServer files({Serve("HTTP/1.0 200 OK\r\nContent-Length: 300000\r\n\r\n" + installer)}, false, SecureServer());
    ScriptedServer server({
        [&](ServerConnection& c) {
            c.ReadRequest();
            c.Send(Html(Meta("tw-version", "1.3.0") + Meta("tw-url", SecureUrl(files.Port(), "/dl/setup.exe").toLatin1())
                        + Meta("tw-readme", "http://127.0.0.1:" + QByteArray::number(port) + "/readme.txt")
                        + Meta("tw-name", "Tonewright") + Meta("tw-date", "Jan 05, 2027")));
        },
        Serve("HTTP/1.0 200 OK\r\n\r\nWhat is new:\r\nfaster encoding\n"),
    });
    port = server.Port();
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    boxes.Answer(IDYES); // view the read-me
    boxes.Answer(IDYES); // download
    // A name typed without extension is saved as typed.
    dialogs.AnswerSave(dir.filePath(QStringLiteral("tonewright-new")));
    QString readMeText;
    ModalWatcher watcher([&](QWidget* w) {
        if (w->windowTitle() == QLatin1String("Read Me")) {
            auto* text = w->findChild<QPlainTextEdit*>();
            readMeText = text->toPlainText();
            // Return in the text presses Ok.
            text->setFocus();
            wintest::Key(text, Qt::Key_Return, QStringLiteral("\r"));
        }
    });
    TWebFileInfo wfi;
    Configure(wfi, Url(port, "/info.htm"));
    std::vector<qint64> progress;
    wfi.OnDownloadProgress = [&](QObject*, qint64 received, qint64 size) {
        EXPECT_EQ(size, 300000);
        progress.push_back(received);
    };
    EXPECT_TRUE(wfi.CheckForUpdate());

    EXPECT_EQ(Captions(boxes), (std::vector<QString>{QStringLiteral("Update Available"), QStringLiteral("Update Available")}));
    EXPECT_EQ(boxes.Asked()[1].Text,
              QStringLiteral("Current version is 1.2.0.\nVersion 1.3.0 is available.\nDownload the update?"));
    EXPECT_EQ(readMeText, QStringLiteral("What is new:\nfaster encoding"));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    // The save dialog starts in the user's download folder.
    EXPECT_EQ(dialogs.Requests()[0].FileName,
              QDir(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)).filePath(QStringLiteral("setup.exe")));
    QFile saved(dir.filePath(QStringLiteral("tonewright-new")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == installer);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 300000);
    EXPECT_EQ(wfi.Page().Date, 0.0); // wfidNone: the date is not parsed
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("tonewright-new")});
}

TEST(WebFileInfoCheck, PagesThatGiveNoUpdate)
{
    const QByteArray pages[] = {
        Html(Meta("tw-version", "1.2.0")),                               // equal
        Html(Meta("tw-version", "1.1.9")),                               // older
        Html("<meta http-equiv=\"tw-version\" content=\"1.3.0\">\r\n"),  // lower case: CONTENT= not found
        Html(Meta("TW-VERSION", "1.3.0")),                               // the tag name in capitals
        Html("<META HTTP-EQUIV=\"tw-name\" CONTENT=\"T\"><META HTTP-EQUIV=\"tw-version\" CONTENT=\"9\">\r\n"),
    };
    std::vector<ScriptedServer::Script> scripts;
    for (const QByteArray& page : pages)
        scripts.push_back(Serve(page));
    ScriptedServer server(scripts);
    TWebFileInfo wfi;
    Configure(wfi, Url(server.Port(), "/info.htm"));
    const QString versions[] = {QStringLiteral("1.2.0"), QStringLiteral("1.1.9"), QStringLiteral("tp-equiv="), QString(),
                                QString()};
    for (const QString& version : versions) {
        ScriptedMessageBoxes boxes;
        boxes.Answer(IDOK);
        wfi.SetActive(false);
        EXPECT_FALSE(wfi.CheckForUpdate());
        SCOPED_TRACE(version.toStdString());
        ASSERT_EQ(boxes.Asked().size(), 1u);
        EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("No Update Found"));
        EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("There is no update available."));
        EXPECT_EQ(boxes.Asked()[0].Flags, MB_OK | MB_ICONINFORMATION);
        EXPECT_EQ(wfi.Page().Version, version);
    }
    EXPECT_EQ(wfi.Page().ProductName, QStringLiteral("T")); // two tags on a line: only the first counts
    EXPECT_EQ(server.Requests().size(), 5); // each check fetched the page again
}

TEST(WebFileInfoCheck, AnEmptyTagNameFillsTheEmptyEntries)
{
    ScriptedServer server({Serve(Html(Meta("tw-version", "1.0") + "<META HTTP-EQUIV=\"\" CONTENT=\"both\">\r\n"))});
    TWebFileInfo wfi;
    Configure(wfi, Url(server.Port(), "/info.htm"));
    ASSERT_TRUE(wfi.RetrieveInfo());
    EXPECT_EQ(wfi.Page().ReadMeExt, QStringLiteral("both"));
    EXPECT_EQ(wfi.Page().RunParams, QStringLiteral("both"));
    EXPECT_EQ(wfi.Page().Version, QStringLiteral("1.0"));
    EXPECT_TRUE(wfi.RetrieveInfo()); // active: not fetched again
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST(WebFileInfoCheck, RedirectPagesAndTheirFailures)
{
    int holder = -1;
    const int refusing = RefusingPort(&holder);
    int port = 0;
    ScriptedServer server(
        {
            [&](ServerConnection& c) {
                c.ReadRequest();
                c.Send(Html(Meta("tw-name", "first") + Meta("tw-redirect", Url(port, "/second.htm").toLatin1())));
            },
            Serve(Html(Meta("tw-version", "1.2.0"))),
            [&](ServerConnection& c) {
                c.ReadRequest();
                c.Send(Html(Meta("tw-redirect", Url(refusing, "/gone.htm").toLatin1())));
            },
            [&](ServerConnection& c) { // redirects to itself without end
                c.ReadRequest();
                c.Send(Html(Meta("tw-redirect", Url(port, "/loop.htm").toLatin1())));
            },
        },
        true);
    port = server.Port();
    TWebFileInfo wfi;
    Configure(wfi, Url(port, "/info.htm"));
    ASSERT_TRUE(wfi.RetrieveInfo());
    EXPECT_EQ(wfi.Page().Version, QStringLiteral("1.2.0"));
    EXPECT_EQ(wfi.Page().ProductName, QString()); // only the last page of a chain counts
    EXPECT_EQ(wfi.HomeURL(), Url(port, "/info.htm"));

    // The client's own failure is explained once, by its reason: no bare status box first.
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDOK);
    wfi.SetActive(false);
    EXPECT_FALSE(wfi.CheckForUpdate());
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Connection Error"));
    EXPECT_TRUE(boxes.Asked()[0].Text.startsWith(
        QStringLiteral("Could not retrieve version information from the Internet.\nError: \"Connection refused")))
        << boxes.Asked()[0].Text.toStdString();
    ::close(holder);

    boxes.Answer(IDOK);
    wfi.SetActive(false);
    const int before = static_cast<int>(server.Requests().size());
    EXPECT_FALSE(wfi.CheckForUpdate());
    EXPECT_EQ(boxes.Asked().back().Text,
              QStringLiteral("Could not retrieve version information from the Internet.\nError: \"Too many redirections.\""));
    EXPECT_EQ(server.Requests().size() - before, TUpdatePage::MaxRedirectPages);
}

TEST(WebFileInfoCheck, AMissingPageShowsItsStatusThenConnectionError)
{
    ScriptedServer server({Serve("HTTP/1.0 404 Not Found\r\n\r\n")});
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDOK);
    boxes.Answer(IDOK);
    TWebFileInfo wfi;
    Configure(wfi, Url(server.Port(), "/info.htm"));
    EXPECT_FALSE(wfi.CheckForUpdate());
    ASSERT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("404"));
    EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Tonewright"));
    EXPECT_EQ(boxes.Asked()[1].Text,
              QStringLiteral("Could not retrieve version information from the Internet.\nError: \"Not Found.\""));
    EXPECT_EQ(boxes.Asked()[1].Flags, MB_OK | MB_ICONWARNING);
    EXPECT_FALSE(wfi.Active());
}

// A cancelled or failed download leaves the file it was to replace byte for byte as it was,
// and no temporary file beside it.
TEST(WebFileInfoDownload, CancelAndACutDownloadLeaveTheOldFileAlone)
{
    ScriptedServer server({
        [](ServerConnection& c) { // slow: cancelled on the way
            c.ReadRequest();
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n");
            c.SendInPieces(QByteArray(20000, 'a'), 100);
        },
        [](ServerConnection& c) { // closes short of its length
            c.ReadRequest();
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(4000, 'b'));
        },
    }, false, SecureServer());
    ScriptedServer pages({Serve(Html(Meta("tw-version", "2.0") + Meta("tw-url", SecureUrl(server.Port(), "/setup.exe").toLatin1())))});
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("setup.exe"));
    const QByteArray old = "the installer downloaded last year";
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    const auto unchanged = [&] {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) && f.readAll() == old && FilesIn(dir) == QStringList{QStringLiteral("setup.exe")};
    };
    TWebFileInfo wfi;
    Configure(wfi, Url(pages.Port(), "/info.htm"));
    bool cancelled = false;
    ModalWatcher watcher([&](QWidget* w) {
        auto* progress = dynamic_cast<TWebDlProgress*>(w);
        if (!progress || cancelled)
            return;
        cancelled = true;
        EXPECT_EQ(progress->lblDownloading->text(), QStringLiteral("Downloading Update"));
        QTimer::singleShot(50, progress->btnCancel, [progress] { progress->btnCancel->click(); });
    });
    {
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        boxes.Answer(IDYES);
        dialogs.AnswerSave(target);
        boxes.Answer(IDOK);
        EXPECT_FALSE(wfi.CheckForUpdate());
        ASSERT_EQ(boxes.Asked().size(), 2u);
        EXPECT_EQ(boxes.Asked()[1].Caption, QStringLiteral("Download Error"));
        EXPECT_EQ(boxes.Asked()[1].Text,
                  QStringLiteral("Error occurred while downloading update.\nError: \"Connection aborted on request.\""));
        EXPECT_TRUE(unchanged());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Accepted() == 1; }, WaitGuardMs));
    {
        ScriptedMessageBoxes boxes;
        EXPECT_FALSE(wfi.DownloadUpdate(dir.path() + QLatin1Char('/'))); // a folder: the URL's name is added
        EXPECT_EQ(wfi.DownloadPath(), target);
        EXPECT_EQ(wfi.LastError(), QStringLiteral("Connection closed before the whole document arrived"));
        EXPECT_TRUE(unchanged());
        EXPECT_TRUE(boxes.Asked().empty());
    }
    // A local file that cannot be created is reported with its reason.
    EXPECT_FALSE(wfi.DownloadUpdate(QStringLiteral("/nonexistent-folder/setup.exe")));
    EXPECT_TRUE(wfi.LastError().startsWith(QStringLiteral("Cannot create file /nonexistent-folder/setup.exe: ")));
}

// Downloads come over HTTPS only, and a published SHA-256 must match: otherwise nothing is
// written. The read-me of either tag is shown as text in our window, never saved.
TEST(WebFileInfoDownload, OnlySecureAndMatchingDownloadsArrive)
{
    const QByteArray file = "the new installer";
    const QByteArray digest = QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex();
    ScriptedServer files({Serve("HTTP/1.0 200 OK\r\n\r\n" + file)}, true, SecureServer());
    ScriptedServer plain({Serve("HTTP/1.0 200 OK\r\n\r\n" + file)}, true);
    const QByteArray secureUrl = SecureUrl(files.Port(), "/new.bin").toLatin1();
    struct Case {
        const char* Name;
        QByteArray Tags;
        QString Error; // empty: arrives
    } cases[] = {
        {"plain", Meta("tw-url", Url(plain.Port(), "/new.bin").toLatin1()), ResStr::WfiDownloadNotSecure},
        {"secure", Meta("tw-url", secureUrl), {}},
        {"matching", Meta("tw-url", secureUrl) + Meta("tw-sha256", digest.toUpper()), {}},
        {"other digest", Meta("tw-url", secureUrl) + Meta("tw-sha256", QByteArray(64, 'a')),
         QStringLiteral("The downloaded file does not match the SHA-256 the page published")},
        {"no digest", Meta("tw-url", secureUrl) + Meta("tw-sha256", "abc"), ResStr::WfiBadSha256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedServer page({Serve(Html(Meta("tw-version", "2.0") + c.Tags))});
        TWebFileInfo wfi;
        Configure(wfi, Url(page.Port(), "/info.htm"));
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("new.bin"));
        EXPECT_EQ(wfi.DownloadUpdate(target), c.Error.isEmpty());
        EXPECT_EQ(wfi.LastError(), c.Error);
        QFile saved(target);
        if (c.Error.isEmpty())
            EXPECT_TRUE(saved.open(QIODevice::ReadOnly) && saved.readAll() == file);
        else
            EXPECT_TRUE(FilesIn(dir).isEmpty());
    }
    EXPECT_EQ(plain.Accepted(), 0);

    ScriptedServer readMe({Serve(Html(Meta("tw-version", "2.0") + "<META HTTP-EQUIV=\"\" CONTENT=\"" + SecureUrl(files.Port(), "/notes.sh").toLatin1() + "\">\r\n"))});
    TWebFileInfo wfi;
    Configure(wfi, Url(readMe.Port(), "/info.htm"));
    QString shown;
    ModalWatcher watcher([&](QWidget* w) {
        if (auto* text = w->findChild<QPlainTextEdit*>()) {
            shown = text->toPlainText();
            static_cast<QDialog*>(w)->accept();
        }
    });
    EXPECT_TRUE(wfi.ShowReadMe(false));
    EXPECT_EQ(shown, QString::fromLatin1(file));
    EXPECT_FALSE(QFile::exists(QDir::temp().filePath(QStringLiteral("notes.sh"))));
}

TEST(WebFileInfoRules, TheInstalledProgram)
{
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("lib/tonewright"));
    const QString programDir = prefix.filePath(QStringLiteral("lib/tonewright"));
    EXPECT_FALSE(IsInstalledProgramFolder(programDir)); // no menu entry: a copy someone put there
    QDir(prefix.path()).mkpath(QStringLiteral("share/applications"));
    QFile(prefix.filePath(QStringLiteral("share/applications/tonewright.desktop"))).open(QIODevice::WriteOnly);
    EXPECT_TRUE(IsInstalledProgramFolder(programDir));
    EXPECT_FALSE(IsInstalledProgramFolder(prefix.path()));
}

// An installed program shows what is new and sends the user to the product page: it downloads
// and saves nothing.
TEST(WebFileInfoCheck, AnInstalledProgramPointsToThePackageManager)
{
    ScriptedServer notes({Serve("HTTP/1.0 200 OK\r\n\r\nbetter in every way")});
    ScriptedServer server({Serve(Html(Meta("tw-version", "2.0") + Meta("tw-url", "https://127.0.0.1:1/setup.exe")
                                      + Meta("tw-readme", Url(notes.Port(), "/notes.txt").toLatin1())))});
    TWebFileInfo wfi;
    Configure(wfi, Url(server.Port(), "/info.htm"));
    wfi.SetInstalledFromPackage(true);
    QList<QUrl> opened;
    wfi.OnDownloadProgress = [](QObject*, qint64, qint64) { ADD_FAILURE() << "downloaded"; };
    wfi.OpenUrl = [&](const QUrl& url) { opened << url; };
    QString shown;
    ModalWatcher watcher([&](QWidget* w) {
        if (auto* text = w->findChild<QPlainTextEdit*>()) {
            shown = text->toPlainText();
            static_cast<QDialog*>(w)->accept();
        }
    });
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    boxes.Answer(IDOK);
    EXPECT_FALSE(wfi.CheckForUpdate());
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text, ResStr::WfiVersionText.arg(QStringLiteral("1.2.0"), QStringLiteral("2.0")) + QLatin1Char('\n')
                                         + ResStr::WfiUpdateFromPackageManager);
    EXPECT_EQ(opened, QList<QUrl>{QUrl(Url(server.Port(), "/info.htm"))});
    EXPECT_TRUE(dialogs.Requests().empty());
    EXPECT_EQ(shown, QStringLiteral("better in every way"));
}

// An EHttpException that escapes a handler during a check ends it with the "Exception" box,
// and the handler that was there before the check is back afterwards.
TEST(WebFileInfoDownload, AnHttpErrorFromAHandlerEndsTheDownloadWithTheExceptionBox)
{
    ScriptedServer files({[](ServerConnection& c) {
                             c.ReadRequest();
                             c.Send("HTTP/1.0 200 OK\r\n\r\n" + QByteArray(5000, 'x'));
                             c.WaitPeerClose();
                         }},
                         false, SecureServer());
    ScriptedServer server({Serve(Html(Meta("tw-version", "2.0") + Meta("tw-url", SecureUrl(files.Port(), "/f.bin").toLatin1())))});
    const int port = server.Port();
    QStringList previousSaw;
    const TExceptionHandler previous = SetApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            previousSaw << QString::fromUtf8(x.what());
        }
    });
    {
        TWebFileInfo wfi;
        Configure(wfi, Url(port, "/info.htm"));
        ASSERT_TRUE(wfi.RetrieveInfo());
        wfi.OnDownloadProgress = [](QObject*, qint64, qint64) {
            throw EHttpException(QStringLiteral("HTTP component is busy"), 1);
        };
        ScriptedMessageBoxes boxes;
        boxes.Answer(IDOK);
        QTemporaryDir dir;
        EXPECT_FALSE(wfi.DownloadUpdate(dir.filePath(QStringLiteral("f.bin"))));
        ASSERT_EQ(boxes.Asked().size(), 1u);
        EXPECT_EQ(boxes.Asked()[0].Caption, QStringLiteral("Exception"));
        EXPECT_EQ(boxes.Asked()[0].Text,
                  QStringLiteral("Error retrieving update information.\nException: HTTP component is busy."));
        EXPECT_EQ(wfi.LastError(), QStringLiteral("HTTP component is busy"));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("f.bin"))));
        EXPECT_TRUE(previousSaw.isEmpty());
    }
    HandleApplicationException(std::make_exception_ptr(Exception(QStringLiteral("later"))));
    EXPECT_EQ(previousSaw, QStringList{QStringLiteral("later")});
    SetApplicationExceptionHandler(previous);
}
