// The update check against a scripted loopback server: the page's rules, the whole road from
// the check to a finished download, and every failure box on the way.
#include "Dialogs.h"
#include "Main.h"
#include "ResStr.h"
#include "ScriptedDialogs.h"
#include "ScriptedServer.h"
#include "WebFileInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
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

// The main window's configuration, and what its command sets before each check.
void Configure(TWebFileInfo& wfi, const QString& home)
{
    ConfigureWebFileInfo1(wfi);
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

TEST(WebFileInfoRules, VersionsTagsAndNumbers)
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
    EXPECT_EQ(ParseDFSDate(QStringLiteral("dec  9, 1999")), 36503.0);
    EXPECT_THROW(ParseDFSDate(QStringLiteral("Feb 31, 2001")), Exception);
    EXPECT_EQ(WithFilterExtension(QStringLiteral("/tmp/setup"), 1), QStringLiteral("/tmp/setup.EXE"));
    EXPECT_EQ(WithFilterExtension(QStringLiteral("/tmp.d/setup.bin"), 2), QStringLiteral("/tmp.d/setup.bin"));
}

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
    EXPECT_EQ(window->size(), QSize(272, 123));
}

TEST(WebFileInfoCheck, NewerVersionReadMeSaveDownloadAndSilentEnd)
{
    QByteArray installer(300000, '\0');
    for (int i = 0; i < installer.size(); ++i)
        installer[i] = static_cast<char>(i * 7);
    int port = 0;
    ScriptedServer server({
        [&](ServerConnection& c) {
            c.ReadRequest();
            c.Send(Html(Meta("tw-version", "1.3.0") + Meta("tw-url", "http://127.0.0.1:" + QByteArray::number(port) + "/dl/setup.exe")
                        + Meta("tw-readme", "http://127.0.0.1:" + QByteArray::number(port) + "/readme.txt")
                        + Meta("tw-name", "Tonewright") + Meta("tw-date", "Jan 05, 2027")));
        },
        Serve("HTTP/1.0 200 OK\r\n\r\nWhat is new:\r\nfaster encoding\n"),
        Serve("HTTP/1.0 200 OK\r\nContent-Length: 300000\r\n\r\n" + installer),
    });
    port = server.Port();
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    boxes.Answer(IDYES); // view the read-me
    boxes.Answer(IDYES); // download
    dialogs.AnswerSave(dir.filePath(QStringLiteral("setup.exe")));
    QString readMeText;
    ModalWatcher watcher([&](QWidget* w) {
        if (w->windowTitle() == QLatin1String("Read Me")) {
            readMeText = w->findChild<QPlainTextEdit*>()->toPlainText();
            static_cast<QDialog*>(w)->accept();
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
    EXPECT_EQ(dialogs.Requests()[0].FileName, QStringLiteral("setup.exe"));
    QFile saved(dir.filePath(QStringLiteral("setup.exe")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == installer);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 300000);
    EXPECT_EQ(wfi.ProductDate(), 0.0); // wfidNone: the date is not parsed
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
        EXPECT_EQ(wfi.ProductVersion(), version);
    }
    EXPECT_EQ(wfi.ProductName(), QStringLiteral("T")); // two tags on a line: only the first counts
    EXPECT_EQ(server.Requests().size(), 5); // each check fetched the page again
}

TEST(WebFileInfoCheck, AnEmptyTagNameFillsTheEmptyEntries)
{
    ScriptedServer server({Serve(Html(Meta("tw-version", "1.0") + "<META HTTP-EQUIV=\"\" CONTENT=\"both\">\r\n"))});
    TWebFileInfo wfi;
    Configure(wfi, Url(server.Port(), "/info.htm"));
    ASSERT_TRUE(wfi.RetrieveInfo());
    EXPECT_EQ(wfi.ProductReadMeExt(), QStringLiteral("both"));
    EXPECT_EQ(wfi.RunParams(), QStringLiteral("both"));
    EXPECT_EQ(wfi.ProductVersion(), QStringLiteral("1.0"));
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
    EXPECT_EQ(wfi.ProductVersion(), QStringLiteral("1.2.0"));
    EXPECT_EQ(wfi.ProductName(), QString()); // only the last page of a chain counts
    EXPECT_EQ(wfi.HomeURL(), Url(port, "/info.htm"));

    // The client's own failure carries 404: the number first, then the reason.
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDOK);
    boxes.Answer(IDOK);
    wfi.SetActive(false);
    EXPECT_FALSE(wfi.CheckForUpdate());
    ASSERT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(boxes.Asked()[0].Text, QStringLiteral("404"));
    EXPECT_EQ(boxes.Asked()[1].Caption, QStringLiteral("Connection Error"));
    EXPECT_TRUE(boxes.Asked()[1].Text.startsWith(
        QStringLiteral("Could not retrieve version information from the Internet.\nError: \"Connection refused")))
        << boxes.Asked()[1].Text.toStdString();
    ::close(holder);

    boxes.Answer(IDOK);
    wfi.SetActive(false);
    const int before = static_cast<int>(server.Requests().size());
    EXPECT_FALSE(wfi.CheckForUpdate());
    EXPECT_EQ(boxes.Asked().back().Text,
              QStringLiteral("Could not retrieve version information from the Internet.\nError: \"Too many redirections.\""));
    EXPECT_EQ(server.Requests().size() - before, TWebFileInfo::MaxRedirectPages);
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

TEST(WebFileInfoDownload, CancelAndACutDownloadLeaveNoFile)
{
    int port = 0;
    const QByteArray page = Html(Meta("tw-version", "2.0") + "<META HTTP-EQUIV=\"tw-url\" CONTENT=\"http://127.0.0.1:PORT/setup.exe\">\r\n");
    ScriptedServer server({
        [&](ServerConnection& c) {
            c.ReadRequest();
            c.Send(QByteArray(page).replace("PORT", QByteArray::number(port)));
        },
        [](ServerConnection& c) { // slow: cancelled on the way
            c.ReadRequest();
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n");
            c.SendInPieces(QByteArray(20000, 'a'), 100);
        },
        [](ServerConnection& c) { // closes short of its length
            c.ReadRequest();
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(4000, 'b'));
        },
    });
    port = server.Port();
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("setup.exe"));
    TWebFileInfo wfi;
    Configure(wfi, Url(port, "/info.htm"));
    bool cancelled = false;
    ModalWatcher watcher([&](QWidget* w) {
        auto* progress = dynamic_cast<TWebDlProgress*>(w);
        if (!progress || cancelled)
            return;
        cancelled = true;
        EXPECT_TRUE(QFile::exists(target));
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
        EXPECT_FALSE(QFile::exists(target));
    }
    ASSERT_TRUE(SpinUntil([&] { return server.Accepted() == 2; }));
    {
        ScriptedMessageBoxes boxes;
        EXPECT_FALSE(wfi.DownloadUpdate(dir.path() + QLatin1Char('/'))); // a folder: the URL's name is added
        EXPECT_EQ(wfi.DownloadPath(), target);
        EXPECT_EQ(wfi.LastError(), QStringLiteral("Connection closed before the whole document arrived"));
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_TRUE(boxes.Asked().empty());
    }
    // A local file that cannot be created is reported with its reason.
    EXPECT_FALSE(wfi.DownloadUpdate(QStringLiteral("/nonexistent-folder/setup.exe")));
    EXPECT_TRUE(wfi.LastError().startsWith(QStringLiteral("Cannot create file /nonexistent-folder/setup.exe: ")));
}

// An EHttpException that escapes a handler during a check ends it with the "Exception" box,
// and the handler that was there before the check is back afterwards.
TEST(WebFileInfoDownload, AnHttpErrorFromAHandlerEndsTheDownloadWithTheExceptionBox)
{
    int port = 0;
    ScriptedServer server({
        [&](ServerConnection& c) {
            c.ReadRequest();
            c.Send(Html(Meta("tw-version", "2.0") + Meta("tw-url", Url(port, "/f.bin").toLatin1())));
        },
        [](ServerConnection& c) {
            c.ReadRequest();
            c.Send("HTTP/1.0 200 OK\r\n\r\n" + QByteArray(5000, 'x'));
            c.WaitPeerClose();
        },
    });
    port = server.Port();
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
