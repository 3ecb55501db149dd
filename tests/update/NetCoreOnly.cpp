// Proves that the network library needs QtCore only: a program built from it alone (no test
// main, no widgets) fetches a document over loopback, and no Qt GUI library is loaded into it.
#include "HttpProt.h"
#include "ScriptedServer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read /proc/self/maps\n");
        return 1;
    }
    const QByteArray mapped = maps.readAll();
    for (const char* gui : {"libQt6Gui", "libQt6Widgets"})
        if (mapped.contains(gui)) {
            std::fprintf(stderr, "%s is loaded: the network library must need QtCore only\n", gui);
            return 1;
        }

    ScriptedServer server({[](ServerConnection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhi");
    }});
    THttpCli cli;
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    cli.SetReceiveStream(&body);
    bool done = false;
    cli.OnRequestDone = [&](QObject*, THttpRequest, std::uint16_t) { done = true; };
    cli.SetURL(QStringLiteral("http://127.0.0.1:%1/").arg(server.Port()));
    cli.StartGet();
    if (!QTest::qWaitFor([&] { return done; }, WaitGuardMs) || cli.StatusCode() != 200 || body.data() != "hi") {
        std::fprintf(stderr, "the loopback GET failed: %d %s\n", cli.StatusCode(), qPrintable(cli.ReasonPhrase()));
        return 1;
    }
    return 0;
}
