#pragma once
// Helpers of the runner's tests: the scripted child, a recorder of every event, and the
// processes and descriptors this test process holds.
#include "ConsoleIO.h"
#include "Spin.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStringList>

#include <dirent.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

inline QString ChildPath() { return QStringLiteral(TW_CONSOLE_CHILD); }

// Quotes one argument so that the command-line split gives it back unchanged.
inline QString QuoteArgument(const QString& arg)
{
    if (!arg.isEmpty() && !arg.contains(u' ') && !arg.contains(u'\t') && !arg.contains(u'"'))
        return arg;
    QString out = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (QChar c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') {
            out += QString(backslashes * 2 + 1, u'\\');
            out += u'"';
        } else {
            out += QString(backslashes, u'\\');
            out += c;
        }
        backslashes = 0;
    }
    out += QString(backslashes * 2, u'\\');
    out += u'"';
    return out;
}

// The child's command line with the given steps.
inline QString ChildCommand(const QStringList& steps)
{
    QString command = QuoteArgument(ChildPath());
    for (const QString& s : steps)
        command += u' ' + QuoteArgument(s);
    return command;
}

// Every event of a runner as a text, in order. Kept in a shared record so that events
// arriving after the runner's destruction would still be seen.
struct EventRecord {
    std::vector<std::string> Events;
    std::vector<QByteArray> Lines;
    int Done = 0;
    std::vector<std::string> Matching(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& e : Events)
            if (e.rfind(prefix, 0) == 0)
                out.push_back(e);
        return out;
    }
};

inline std::shared_ptr<EventRecord> Record(TGUI2Console& console)
{
    auto r = std::make_shared<EventRecord>();
    console.OnStart = [r](TGUI2Console*, const QString& c) { r->Events.push_back("start:" + c.toStdString()); };
    console.OnLine = [r](TGUI2Console*, const QByteArray& l) {
        r->Events.push_back("line:" + l.toStdString());
        r->Lines.push_back(l);
    };
    console.OnPrompt = [r](TGUI2Console*, const QByteArray& l) { r->Events.push_back("prompt:" + l.toStdString()); };
    console.OnPreTerminate = [r](TGUI2Console*) { r->Events.push_back("preterminate"); };
    console.OnStatus = [r](TGUI2Console*, const QString& s) { r->Events.push_back("status:" + s.toStdString()); };
    console.OnError = [r](TGUI2Console*, const QString& e) { r->Events.push_back("error:" + e.toStdString()); };
    console.OnDone = [r](TGUI2Console*) {
        r->Events.push_back("done");
        ++r->Done;
    };
    return r;
}

// Runs the event loop until the runner is idle. Woken by the runner's Idle signal rather than
// QTest::qWaitFor: the worker waits for the main thread at every line, and qWaitFor's 10 ms naps
// between looks would hold up a stream of lines.
inline bool WaitForIdle(TGUI2Console& console, int guardMs = 60000)
{
    QSignalSpy idle(&console, &TGUI2Console::Idle);
    return !console.Running() || idle.wait(guardMs);
}

// Starts a run and waits until the runner is idle again.
inline bool RunToEnd(TGUI2Console& console, int guardMs = 60000)
{
    console.Start();
    return WaitForIdle(console, guardMs);
}

// The processes whose parent is this test process (zombies included).
inline std::set<pid_t> ChildrenOfThisProcess()
{
    std::set<pid_t> out;
    const pid_t self = getpid();
    DIR* dir = opendir("/proc");
    if (!dir)
        return out;
    while (dirent* e = readdir(dir)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == self)
            out.insert(pid);
    }
    closedir(dir);
    return out;
}

// True while the process exists and is not a zombie.
inline bool ProcessAlive(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

inline int OpenDescriptorCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}
