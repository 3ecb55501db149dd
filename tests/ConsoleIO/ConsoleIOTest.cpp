// The runner with a real child: lines, events and their order, the silence rule, stopping,
// failures, and the runner's destruction during a run.
#include "ConsoleIO.h"
#include "ConsoleTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cstring>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

std::string Normal() { return std::string("status:") + SNormalThreadTermination; }

// The number after `key` in the first line starting with it.
long long NumberAfter(const EventRecord& r, const std::string& key)
{
    for (const QByteArray& l : r.Lines)
        if (l.startsWith(QByteArray::fromStdString(key + " ")))
            return l.mid(static_cast<qsizetype>(key.size()) + 1).split(' ').front().toLongLong();
    return -1;
}

}  // namespace

TEST(ConsoleRun, DeliversCompleteNonEmptyLinesInOrderWithTheEventsAroundThem)
{
    TGUI2Console c;
    auto r = Record(c);
    const QString command = ChildCommand({S("out:a\\r\\nb\\r\\n"), S("out:12\\r13\\r14"), S("sleep:30"),
                                          S("out:\\n\\n\\r\\n"), S("out:abc\\r"), S("sleep:30"), S("out:\\ndef\\n"),
                                          S("out:x\\0y\\nz\\n"), S("out:never\\sdelivered"), S("exit:3")});
    c.SetCommand(command);
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Events, ElementsAre("start:" + command.toStdString(), "line:a", "line:b", "line:12", "line:13",
                                       "line:14", "line:abc", "line:def", "line:x", "line:z", "preterminate",
                                       Normal(), "done"));
}

TEST(ConsoleRun, LinesWithinTheIntervalWaitAndGoOverBeforeWhatFollows)
{
    // The first line goes at once; the next ones wait for the interval (a second), but neither
    // the run's end nor the prompt that silence brings may overtake them.
    struct Case {
        const char* name;
        QStringList script;
        std::vector<std::string> expected;  // after the start
    };
    const std::vector<Case> cases = {
        {"end", {S("out:a\\n"), S("sleep:30"), S("out:b\\n"), S("sleep:30"), S("out:c\\n"), S("exit:0")},
         {"line:a", "line:b", "line:c", "preterminate", Normal(), "done"}},
        {"prompt", {S("out:a\\n"), S("sleep:30"), S("out:b\\nStatus:"), S("sleep:300")},
         {"line:a", "line:b", "prompt:Status:", "preterminate", Normal(), "done"}},
    };
    for (const Case& t : cases) {
        TGUI2Console c;
        auto r = Record(c);
        c.SetLineInterval(1000);
        c.SetPrompt(S("Status:"));
        c.SetTimeOutDelay(20);
        c.SetCommand(ChildCommand(t.script));
        ASSERT_TRUE(RunToEnd(c)) << t.name;
        ASSERT_FALSE(r->Events.empty()) << t.name;
        EXPECT_EQ(std::vector<std::string>(r->Events.begin() + 1, r->Events.end()), t.expected) << t.name;
    }
}

TEST(ConsoleRun, OutputAndErrorShareOnePipeAndLongLinesSurviveSmallReads)
{
    TGUI2Console c;
    c.SetBufferSize(bs256);
    c.SetPipeSize(ps1k);
    auto r = Record(c);
    const QString longLine(3000, u'L');
    c.SetCommand(ChildCommand({S("out:one\\n"), S("err:two\\n"), S("out:three\\n"), S("out:") + longLine + S("\\r\\n")}));
    ASSERT_TRUE(RunToEnd(c));
    ASSERT_EQ(r->Lines.size(), 4u);
    EXPECT_EQ(r->Lines[0], "one");
    EXPECT_EQ(r->Lines[1], "two");
    EXPECT_EQ(r->Lines[2], "three");
    EXPECT_EQ(r->Lines[3], longLine.toUtf8());
}

TEST(ConsoleRun, TheChildsEndIsReadableFromOnDoneOnAndClearedByTheNextStart)
{
    TGUI2Console c;
    auto r = Record(c);
    std::vector<TChildEnd> seen;
    c.OnDone = [&](TGUI2Console* sender) { seen.push_back(sender->ChildEnd()); };
    EXPECT_EQ(c.ChildEnd().Kind, TChildEnd::ceNone);
    c.SetCommand(ChildCommand({S("out:a\\n"), S("exit:3")}));
    ASSERT_TRUE(RunToEnd(c));
    c.SetCommand(ChildCommand({S("out:a\\n")}));
    ASSERT_TRUE(RunToEnd(c));
    // Stopped by the owner: the runner ended it with a signal.
    c.OnLine = [](TGUI2Console* sender, const QByteArray&) { sender->Stop(); };
    c.SetCommand(ChildCommand({S("ignore"), S("out:a\\n"), S("hang")}));
    ASSERT_TRUE(RunToEnd(c));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].Kind, TChildEnd::ceExited);
    EXPECT_EQ(seen[0].Code, 3);
    EXPECT_EQ(seen[1].Kind, TChildEnd::ceExited);
    EXPECT_EQ(seen[1].Code, 0);
    EXPECT_EQ(seen[2].Kind, TChildEnd::ceSignaled);
    EXPECT_EQ(c.ChildEnd().Kind, TChildEnd::ceSignaled);

    // A program that cannot start has no end to report.
    c.SetCommand(S("/nonexistent/tonewright-no-such-program"));
    c.OnError = [](TGUI2Console*, const QString&) {};
    ASSERT_TRUE(RunToEnd(c));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[3].Kind, TChildEnd::ceNone);
}

TEST(ConsoleRun, ChildGetsItsOwnGroupAnOpenSilentInputAndNothingElse)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetCommand(ChildCommand({S("pid"), S("stdin"), S("fds")}));
    ASSERT_TRUE(RunToEnd(c));
    const long long pid = NumberAfter(*r, "pid");
    ASSERT_GT(pid, 0);
    EXPECT_NE(pid, getpid());
    bool ownGroup = false;
    for (const QByteArray& l : r->Lines)
        if (l.startsWith("pid "))
            ownGroup = l.endsWith(" pgid " + QByteArray::number(pid));
    EXPECT_TRUE(ownGroup);
    EXPECT_THAT(r->Events, ::testing::Contains("line:stdin open"));
    EXPECT_EQ(NumberAfter(*r, "fds"), 3) << "only standard input, output and error";
}

TEST(ConsoleRun, PipeSizeIsAskedForAndRoundedUpToPages)
{
    const long long page = sysconf(_SC_PAGESIZE);
    for (TPipeSize size : {ps1k, ps8k, ps96K, ps256k}) {
        TGUI2Console c;
        auto r = Record(c);
        c.SetPipeSize(size);
        c.SetCommand(ChildCommand({S("pipesize")}));
        ASSERT_TRUE(RunToEnd(c));
        // The kernel gives a power of two of whole pages.
        long long expected = page;
        while (expected < PipeSizeBytes(size))
            expected *= 2;
        EXPECT_EQ(NumberAfter(*r, "pipesize"), expected) << int(size);
    }
}

TEST(ConsoleRun, ArgumentsFolderEnvironmentAndApplication)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(S("work dir")));
    const QString home = dir.path() + S("/work dir");

    TGUI2Console c;
    auto r = Record(c);
    c.SetHomeDirectory(home);
    c.SetEnvironment(S("TW_ONE=1\nTW_TWO=two words\r\n\nTW_THREE=x=y"));
    c.SetCommand(ChildCommand({S("cwd"), S("env:TW_ONE"), S("env:TW_TWO"), S("env:TW_THREE"), S("env:PATH"), S("args"),
                               S("a b"), S("q\"uote"), S("back\\slash\\"), S("")}));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Events, ::testing::IsSupersetOf({"line:cwd " + home.toStdString(), std::string("line:env TW_ONE=1"),
                                                    std::string("line:env TW_TWO=two words"),
                                                    std::string("line:env TW_THREE=x=y"),
                                                    std::string("line:env PATH unset"), std::string("line:argc 11"),
                                                    std::string("line:arg 7 <a b>"), std::string("line:arg 8 <q\"uote>"),
                                                    std::string("line:arg 9 <back\\slash\\>"),
                                                    std::string("line:arg 10 <>")}));

    // Application names the program; Command then holds only the arguments.
    TGUI2Console a;
    auto ra = Record(a);
    a.SetApplication(ChildPath());
    a.SetCommand(S("out:via\\sapplication\\n \"out:two words\\n\""));
    ASSERT_TRUE(RunToEnd(a));
    EXPECT_THAT(ra->Events, ElementsAre("start:" + (ChildPath() + u' ' + a.Command()).toStdString(),
                                        "line:via application", "line:two words", "preterminate", Normal(), "done"));
}

TEST(ConsoleRun, ProgramPathWithBlanksNeedsNoQuotes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(S("my apps")));
    const QString program = dir.path() + S("/my apps/child");
    ASSERT_TRUE(QFile::link(ChildPath(), program));
    TGUI2Console c;
    auto r = Record(c);
    c.SetCommand(program + S(" out:found\\n"));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Lines, ElementsAre("found"));
}

TEST(ConsoleRun, ChildRunsAtTheProgramsPriorityAndTheWorkerOneStepBelow)
{
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, 0);
    if (base >= 19)
        GTEST_SKIP() << "already at the lowest priority";
    TGUI2Console c;
    auto r = Record(c);
    c.SetPriority(tpHighest);  // Start runs the worker at tpLower whatever this says
    std::vector<int> threadNices;
    c.OnLine = [&](TGUI2Console*, const QByteArray& line) {
        r->Lines.push_back(line);
        // The worker waits in this hand-over: look at every thread of this process.
        const QStringList tasks = QDir(S("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& t : tasks) {
            errno = 0;
            const int n = getpriority(PRIO_PROCESS, static_cast<id_t>(t.toInt()));
            if (errno == 0)
                threadNices.push_back(n);
        }
    };
    c.SetCommand(ChildCommand({S("nice")}));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(NumberAfter(*r, "nice"), base);
    EXPECT_THAT(threadNices, ::testing::Contains(base + 1));
    errno = 0;
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), base) << "the main thread keeps its own";
}

TEST(ConsoleSilence, FragmentEndingWithThePromptBringsOnePrompt)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetPrompt(S("Status:"));
    c.SetTimeOutDelay(20);
    c.SetCommand(ChildCommand({S("out:Progress\\sStatus:"), S("sleep:400")}));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Events, ElementsAre(::testing::StartsWith("start:"), "prompt:Progress Status:", "preterminate",
                                       Normal(), "done"));
}

TEST(ConsoleSilence, CompleteLineEndingWithThePromptBringsAnEmptyPromptLater)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetPrompt(S("Status:"));
    c.SetTimeOutDelay(20);
    c.SetCommand(ChildCommand({S("out:Done\\sStatus:\\n"), S("sleep:400"), S("out:status:"), S("sleep:400")}));
    ASSERT_TRUE(RunToEnd(c));
    // The lower-case fragment is no prompt; with no OnTimeOut handler silence does nothing.
    EXPECT_THAT(r->Events, ElementsAre(::testing::StartsWith("start:"), "line:Done Status:", "prompt:",
                                       "preterminate", Normal(), "done"));
}

TEST(ConsoleSilence, TimeOutAsksTheHandlerAndKillStopsTheRun)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetTimeOutDelay(20);
    int asked = 0;
    c.OnTimeOut = [&](TGUI2Console* sender, bool& kill) {
        EXPECT_EQ(sender, &c);
        EXPECT_FALSE(kill);
        r->Events.push_back("timeout");
        kill = ++asked == 3;
    };
    c.SetCommand(ChildCommand({S("pid"), S("ignore"), S("hang")}));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_EQ(asked, 3);
    EXPECT_THAT(r->Matching("preterminate"), ElementsAre("preterminate"));
    EXPECT_EQ(r->Events.back(), "done");
    EXPECT_FALSE(ProcessAlive(static_cast<pid_t>(NumberAfter(*r, "pid"))));
}

TEST(ConsoleSilence, AutoTerminateStopsWithoutAsking)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetTimeOutDelay(20);
    c.SetAutoTerminate(true);
    bool asked = false;
    c.OnTimeOut = [&](TGUI2Console*, bool&) { asked = true; };
    c.SetCommand(ChildCommand({S("out:hello\\n"), S("hang")}));
    ASSERT_TRUE(RunToEnd(c));  // the child never ends: only the silence can end the run
    EXPECT_FALSE(asked);
    // Whether "hello" came before the first silence depends on how fast the child starts.
    std::vector<std::string> ending(r->Events.end() - 3, r->Events.end());
    EXPECT_THAT(ending, ElementsAre("preterminate", Normal(), "done"));
    EXPECT_TRUE(r->Matching("error:").empty());
}

TEST(ConsoleStop, NoLineAfterStopThenTheEndingEventsAndTheChildIsKilled)
{
    TGUI2Console c;
    auto r = Record(c);
    long long pid = -1;
    c.OnLine = [&](TGUI2Console* sender, const QByteArray& line) {
        r->Events.push_back("line:" + line.toStdString());
        r->Lines.push_back(line);
        if (line.startsWith("pid "))
            pid = line.mid(4).split(' ').front().toLongLong();
        if (line == "b")
            sender->Stop();
    };
    // The log holds the lines delivered, and only those.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    c.SetLogFile(dir.filePath(S("out.log")));
    // a, b and c arrive in one read: the request is seen before c.
    c.SetCommand(ChildCommand({S("ignore"), S("pid"), S("sleep:50"), S("out:a\\nb\\nc\\n"), S("sleep:50"),
                               S("out:d\\n"), S("hang")}));
    ASSERT_TRUE(RunToEnd(c));
    ASSERT_GT(pid, 0);
    EXPECT_THAT(r->Events, ElementsAre(::testing::StartsWith("start:"), ::testing::StartsWith("line:pid"), "line:a",
                                       "line:b", "preterminate", Normal(), "done"));
    QFile log(c.LogFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().endsWith("\r\na\r\nb\r\n"));
    EXPECT_FALSE(ProcessAlive(static_cast<pid_t>(pid)));
    EXPECT_TRUE(ChildrenOfThisProcess().empty());
}

TEST(ConsoleStop, StopFromOutsideWhileTheChildIsSilent)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetCommand(ChildCommand({S("out:ready\\n"), S("hang")}));
    c.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r->Lines.empty(); }, WaitGuardMs));
    c.Stop();
    c.Stop();  // a second request changes nothing
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.Running(); }, WaitGuardMs));
    EXPECT_THAT(r->Events, ElementsAre(::testing::StartsWith("start:"), "line:ready", "preterminate", Normal(), "done"));
    c.Stop();  // idle: nothing happens
    QTest::qWait(20);
    EXPECT_EQ(r->Done, 1);
}

TEST(ConsoleStop, StopWakesAWorkerThatSleepsThroughALongSilence)
{
    // With the longest time-out delay the worker sleeps until the silence could matter; the
    // stop request must wake it rather than wait out the 10 seconds.
    TGUI2Console c;
    auto r = Record(c);
    c.SetTimeOutDelay(MaxTimeOutDelay);
    bool timedOut = false;
    c.OnTimeOut = [&](TGUI2Console*, bool&) { timedOut = true; };
    c.SetCommand(ChildCommand({S("out:ready\\n"), S("hang")}));
    c.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r->Lines.empty(); }, WaitGuardMs));
    QTest::qWait(50);
    c.Stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.Running(); }, MaxTimeOutDelay / 2));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(r->Events.back(), "done");
    EXPECT_TRUE(ChildrenOfThisProcess().empty());
}

namespace {
// The recorded error event for a failed start with `code`: the number and its words.
std::string CreateError(int code)
{
    return "error:Error Creating Process  Error Code :" + std::to_string(code) + " (" + std::strerror(code) + ")";
}
} // namespace

TEST(ConsoleFailure, MissingProgramReportsFileNotFound)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetCommand(S("/nonexistent/tw-no-such-program -x"));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Events, ElementsAre("start:/nonexistent/tw-no-such-program -x",
                                       CreateError(2), "done"));

    TGUI2Console bare;
    auto rb = Record(bare);
    bare.SetCommand(S("tw-no-such-program-anywhere"));
    ASSERT_TRUE(RunToEnd(bare));
    EXPECT_THAT(rb->Matching("error:"), ElementsAre(CreateError(2)));

    TGUI2Console empty;
    auto re = Record(empty);
    ASSERT_TRUE(RunToEnd(empty));
    EXPECT_THAT(re->Events, ElementsAre("start:", CreateError(2), "done"));

    // A folder cannot be run (EACCES), nor can a child start in a missing folder (ENOENT).
    TGUI2Console folder;
    auto rf = Record(folder);
    folder.SetCommand(S("/tmp"));
    ASSERT_TRUE(RunToEnd(folder));
    EXPECT_THAT(rf->Matching("error:"), ElementsAre(CreateError(13)));

    TGUI2Console home;
    auto rh = Record(home);
    home.SetHomeDirectory(S("/nonexistent/tw-folder"));
    home.SetCommand(ChildCommand({S("out:x\\n")}));
    ASSERT_TRUE(RunToEnd(home));
    EXPECT_THAT(rh->Events, ElementsAre(::testing::StartsWith("start:"), CreateError(2), "done"));
    EXPECT_TRUE(ChildrenOfThisProcess().empty());
}

TEST(ConsoleFailure, StartWhileRunningIsRefusedAtOnceUntilTheEndIsProcessed)
{
    TGUI2Console c;
    auto r = Record(c);
    bool refusedInDone = false;
    c.OnDone = [&](TGUI2Console* sender) {
        r->Events.push_back("done");
        ++r->Done;
        const size_t before = r->Events.size();
        sender->Start();  // the end has not been processed yet
        refusedInDone = r->Events.size() == before + 1
            && r->Events.back() == std::string("error:") + SProcessAlreadyRunning;
    };
    c.SetCommand(ChildCommand({S("sleep:100"), S("out:once\\n")}));
    c.Start();
    c.Start();  // refused right here, before returning
    ASSERT_EQ(r->Events.size(), 1u);
    EXPECT_EQ(r->Events[0], std::string("error:") + SProcessAlreadyRunning);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.Running(); }, WaitGuardMs));
    EXPECT_TRUE(refusedInDone);
    EXPECT_EQ(r->Matching("start:").size(), 1u);
    EXPECT_EQ(r->Matching("line:").size(), 1u);
    EXPECT_EQ(r->Done, 1);

    // Once idle, the runner runs again, with the properties as they are now.
    r->Events.clear();
    c.OnDone = [r](TGUI2Console*) { r->Events.push_back("done"); };
    c.SetCommand(ChildCommand({S("out:again\\n")}));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Matching("line:"), ElementsAre("line:again"));
}

TEST(ConsoleFailure, HandlerThatThrowsEndsTheRunThroughOnError)
{
    TGUI2Console c;
    auto r = Record(c);
    long long pid = -1;
    c.OnLine = [&](TGUI2Console*, const QByteArray& line) {
        r->Events.push_back("line:" + line.toStdString());
        if (line.startsWith("pid "))
            pid = line.mid(4).split(' ').front().toLongLong();
        if (line == "bad")
            throw Exception(S("Cannot write the log"));
    };
    c.SetCommand(ChildCommand({S("ignore"), S("pid"), S("out:bad\\nnext\\n"), S("hang")}));
    ASSERT_TRUE(RunToEnd(c));
    EXPECT_THAT(r->Events, ElementsAre(::testing::StartsWith("start:"), ::testing::StartsWith("line:pid"), "line:bad",
                                       "error:Cannot write the log", "done"));
    // The run is over, so its child is too.
    EXPECT_FALSE(ProcessAlive(static_cast<pid_t>(pid)));
    EXPECT_TRUE(ChildrenOfThisProcess().empty());

    // A failing OnStart: no child at all. A failing OnError still ends with OnDone.
    TGUI2Console s;
    auto rs = Record(s);
    s.OnStart = [](TGUI2Console*, const QString&) { throw std::runtime_error("no start"); };
    s.OnError = [rs](TGUI2Console*, const QString& e) {
        rs->Events.push_back("error:" + e.toStdString());
        throw std::runtime_error("error handler fails too");
    };
    s.SetCommand(ChildCommand({S("out:x\\n")}));
    ASSERT_TRUE(RunToEnd(s));
    EXPECT_THAT(rs->Events, ElementsAre("error:no start", "done"));

    // A failing OnDone is swallowed: nothing follows it.
    TGUI2Console d;
    auto rd = Record(d);
    d.OnDone = [rd](TGUI2Console*) {
        rd->Events.push_back("done");
        throw std::runtime_error("done fails");
    };
    d.SetCommand(ChildCommand({S("out:x\\n")}));
    ASSERT_TRUE(RunToEnd(d));
    EXPECT_EQ(rd->Events.back(), "done");
    EXPECT_TRUE(rd->Matching("error:").empty());
}

TEST(ConsoleFailure, ChildLeavingAProcessThatHoldsThePipeStillEnds)
{
    TGUI2Console c;
    auto r = Record(c);
    c.SetCommand(ChildCommand({S("grandchild:120000"), S("out:bye\\n"), S("exit:0")}));
    ASSERT_TRUE(RunToEnd(c, 30000)) << "the run waited for the pipe instead of the child";
    const long long grandchild = NumberAfter(*r, "grandchild");
    ASSERT_GT(grandchild, 0);
    EXPECT_THAT(r->Events, ::testing::IsSupersetOf({std::string("line:bye"), std::string("preterminate"), Normal()}));
    EXPECT_EQ(r->Events.back(), "done");
    // The process left behind was in the child's group and went with it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessAlive(static_cast<pid_t>(grandchild)); }, 10000));

    // A child that closes its output but goes on running is still waited for, not spun on.
    TGUI2Console closer;
    auto rc = Record(closer);
    closer.SetCommand(ChildCommand({S("out:first\\n"), S("closeout"), S("sleep:200")}));
    ASSERT_TRUE(RunToEnd(closer));
    EXPECT_THAT(rc->Events, ElementsAre(::testing::StartsWith("start:"), "line:first", "preterminate", Normal(), "done"));
}

TEST(ConsoleLogFile, LinesAreWrittenWithCrLfAndAFailureIsReportedAtStart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + S("/out.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content that must go\n");
    }
    TGUI2Console c;
    auto r = Record(c);
    c.SetLogFile(path);
    c.SetCommand(ChildCommand({S("out:a\\nb\\r\\n\\nc\\r")}));
    ASSERT_TRUE(RunToEnd(c));
    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray("a\r\nb\r\nc\r\n"));

    TGUI2Console bad;
    auto rb = Record(bad);
    bad.SetLogFile(dir.path() + S("/missing/out.log"));
    bad.SetCommand(ChildCommand({S("out:still\\n")}));
    bad.Start();
    ASSERT_EQ(rb->Events.size(), 1u) << "reported at once";
    EXPECT_THAT(rb->Events[0], HasSubstr("missing/out.log"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bad.Running(); }, WaitGuardMs));
    EXPECT_THAT(rb->Lines, ElementsAre("still"));
}

TEST(ConsoleDestruction, NoEventReachesTheOwnerOnceItsDestructionHasBegun)
{
    auto* c = new TGUI2Console;
    auto r = Record(*c);
    c->SetCommand(ChildCommand({S("ignore"), S("pid"), S("short:100000000")}));
    c->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return r->Lines.size() >= 3; }, WaitGuardMs));
    const pid_t pid = static_cast<pid_t>(NumberAfter(*r, "pid"));
    const size_t seen = r->Events.size();
    delete c;
    // The child went with the runner, and nothing arrives later.
    EXPECT_FALSE(ProcessAlive(pid));
    EXPECT_TRUE(ChildrenOfThisProcess().empty());
    QTest::qWait(100);
    EXPECT_EQ(r->Events.size(), seen);
    EXPECT_EQ(r->Done, 0);
}

TEST(ConsoleDestruction, OwnerDestroyedInsideItsOwnHandler)
{
    auto* c = new TGUI2Console;
    auto r = Record(*c);
    pid_t pid = -1;
    bool deleted = false;
    c->OnLine = [&, r](TGUI2Console* sender, const QByteArray& line) {
        r->Events.push_back("line:" + line.toStdString());
        if (line.startsWith("pid ")) {
            pid = static_cast<pid_t>(line.mid(4).split(' ').front().toInt());
            return;
        }
        delete sender;  // the worker waits in this very hand-over
        deleted = true;
        r->Events.push_back("after delete of " + line.toStdString());  // the line outlives it
    };
    c->SetCommand(ChildCommand({S("pid"), S("out:one\\ntwo\\n"), S("hang")}));
    c->Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return deleted; }, WaitGuardMs));
    QTest::qWait(100);
    EXPECT_THAT(r->Events, ElementsAre(::testing::StartsWith("start:"), ::testing::StartsWith("line:pid"), "line:one",
                                       "after delete of one"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessAlive(pid); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ChildrenOfThisProcess().empty(); }, 10000));
}

TEST(ConsoleDestruction, DestroyedRightAfterStartOrAfterStop)
{
    for (int round = 0; round < 20; ++round) {
        auto* c = new TGUI2Console;
        auto r = Record(*c);
        c->SetCommand(ChildCommand({S("out:x\\n"), S("hang")}));
        c->Start();
        if (round % 2)
            c->Stop();  // already asked: still waited for, so no child is left
        delete c;
        EXPECT_TRUE(ChildrenOfThisProcess().empty()) << round;
        QTest::qWait(5);
        EXPECT_EQ(r->Done, 0);
    }
}
