#include "ConsoleIO.h"

#include "ChildProcess.h"
#include "ConsoleHandOver.h"
#include "CommandLine.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------
// value sets, texts, errors

int PipeSizeBytes(TPipeSize size)
{
    static constexpr int bytes[] = {1024, 2048, 4096, 8192, 16384, 32768, 65536, 98304, 131072, 262144};
    return size <= ps256k ? bytes[size] : bytes[ps128k];
}

int BufferSizeBytes(TBufferSize size)
{
    static constexpr int bytes[] = {256, 512, 1024, 2048, 4096, 8192};
    return size <= bs8k ? bytes[size] : bytes[bs1k];
}

int ThreadPriorityValue(TThreadPriority priority)
{
    static constexpr int values[] = {-15, -2, -1, 0, 1, 2, 15};
    return priority <= tpTimeCritical ? values[priority] : 0;
}

int ThreadPriorityNiceOffset(TThreadPriority priority)
{
    static constexpr int offsets[] = {19, 2, 1, 0, -1, -2, -10};
    return priority <= tpTimeCritical ? offsets[priority] : 0;
}

QString SystemErrorText(int code)
{
    // The GNU strerror_r: thread-safe (messages are built on the worker), returns the text.
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(code, buffer, sizeof buffer));
}

namespace {
// "<text> Error Code :<n> (<the system's words for n>)"
QString WithCode(const QString& text, int code)
{
    return QStringLiteral("%1 Error Code :%2 (%3)").arg(text).arg(code).arg(SystemErrorText(code));
}
} // namespace

QString ProcessCreateMessage(int code)
{
    return WithCode(QLatin1String(SErrorCreatingProcess) + u' ', code);
}

QString PipeCreateMessage(int code)
{
    return WithCode(QStringLiteral("Error Opening Pipe"), code);
}

QString WaitErrorMessage(int code)
{
    return WithCode(QStringLiteral("Process Error"), code);
}

qint64 ChildArgumentSpace()
{
    // The kernel allows a quarter of the stack limit (sysconf's figure), but never more than
    // 6 MiB, for the argument and environment strings and their pointers together.
    constexpr qint64 kernelCeiling = 6 * 1024 * 1024;
    const long argMax = sysconf(_SC_ARG_MAX);
    qint64 space = argMax > 0 ? std::min<qint64>(argMax, kernelCeiling) : 128 * 1024;
    for (char** item = environ; item && *item; ++item)
        space -= qint64(std::strlen(*item)) + 1 + qint64(sizeof(char*));
    // The program's path is copied too, and the environment may grow a little before the start.
    constexpr qint64 reserve = 16 * 1024;
    return std::max<qint64>(space - reserve, 0);
}

EConsoleIOError::EConsoleIOError(const QString& message)
    : FMessage(message), FWhat(message.toUtf8())
{
}

const char* EConsoleIOError::what() const noexcept
{
    return FWhat.constData();
}

QString BuildConsoleCommandLine(const QString& application, const QString& command)
{
    if (!application.isEmpty() && !command.isEmpty())
        return application + u' ' + command;
    return command;
}

TChildEnd ChildEndOf(int waitStatus)
{
    if (waitStatus == -1)
        return {};
    if (WIFEXITED(waitStatus))
        return {TChildEnd::ceExited, WEXITSTATUS(waitStatus)};
    if (WIFSIGNALED(waitStatus))
        return {TChildEnd::ceSignaled, WTERMSIG(waitStatus)};
    return {};
}

bool EndsWithPrompt(const QByteArray& text, const QByteArray& prompt)
{
    return !prompt.isEmpty() && prompt.size() <= text.size() && text.endsWith(prompt);
}

namespace ConsoleIODetail {

QString MessageOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EConsoleIOError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

}  // namespace ConsoleIODetail

using ConsoleIODetail::Link;

namespace {

// Serialises Start for every runner of the process. Recursive, so that a handler called
// from Start may itself call Start and be refused instead of deadlocking.
std::recursive_mutex StartLock;

// How long a stopped child may take to end after SIGTERM before it is killed.
constexpr int StopGraceMs = 500;

// "NAME=value" items separated by NUL characters or line breaks.
std::vector<QByteArray> EnvironmentItems(const QString& environment)
{
    std::vector<QByteArray> items;
    const QByteArray bytes = environment.toLocal8Bit();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\0' || bytes[i] == '\r' || bytes[i] == '\n') {
            if (i > start)
                items.push_back(bytes.mid(start, i - start));
            start = i + 1;
        }
    }
    return items;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TConsoleThread

TConsoleThread::TConsoleThread(TGUI2Console* owner, const TConsoleProperties& properties,
                               const TConsoleEvents& events)
    : FProps(properties), FPriority(properties.Priority), FPrompt(properties.Prompt.toUtf8()),
      FLink(std::make_shared<Link>())
{
    FLink->Owner = owner;
    FLink->Events = events;

    if (!FProps.LogFile.isEmpty()) {
        FLog = std::fopen(QFile::encodeName(FProps.LogFile).constData(), "wbe");
        if (!FLog) {
            const int code = errno;
            FLogError = QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(QDir::toNativeSeparators(FProps.LogFile),
                                 SystemErrorText(code));
        }
    }
    FWakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    FThread = std::thread([this] { ThreadMain(); });
}

void TConsoleThread::Terminate()
{
    FTerminated.store(true);
    if (FWakeFd >= 0) {
        const std::uint64_t one = 1;
        (void)!write(FWakeFd, &one, sizeof one);
    }
}

TConsoleThread::~TConsoleThread()
{
    if (FThread.joinable())
        FThread.join();
    if (FLog)
        std::fclose(FLog);
    if (FWakeFd >= 0)
        close(FWakeFd);
}

void TConsoleThread::Resume()
{
    {
        std::lock_guard lock(FLink->Mutex);
        FLink->Gate = Link::Resumed;
    }
    FLink->Changed.notify_all();
}

void TConsoleThread::Cancel()
{
    {
        std::lock_guard lock(FLink->Mutex);
        FLink->Gate = Link::Cancelled;
    }
    FLink->Changed.notify_all();
    if (FThread.joinable())
        FThread.join();
}

void TConsoleThread::ThreadMain()
{
    {
        std::unique_lock lock(FLink->Mutex);
        FLink->Changed.wait(lock, [this] { return FLink->Gate != Link::Waiting; });
        if (FLink->Gate == Link::Cancelled)
            return;
    }
    errno = 0;
    FBaseNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (errno != 0)
        FBaseNice = 0;

    Execute();

    // The end: from here on the runner may join and free this object at any moment, unless
    // it gave up waiting, in which case nobody else will free it.
    const std::shared_ptr<Link> link = FLink;
    bool orphaned, report;
    {
        std::lock_guard lock(link->Mutex);
        link->Finished = true;
        orphaned = link->Orphaned;
        report = !orphaned && !link->Destroying.load();
        link->EndQueued = report;
    }
    link->Changed.notify_all();
    if (orphaned)
        delete this;
    else if (report)
        ConsoleIODetail::HandOverQueue::Instance().Post(link);
}

template <typename Call>
bool TConsoleThread::HandOver(Call call)
{
    return ConsoleIODetail::HandOverQueue::Run(FLink, std::move(call));
}

void TConsoleThread::Execute()
{
    QString error;
    bool failed = false;
    try {
        FReadBuffer.assign(static_cast<size_t>(BufferSizeBytes(FProps.BufferSize)), 0);
        const QString commandLine = BuildConsoleCommandLine(FProps.Application, FProps.Command);
        if (FLink->Events.OnStart)
            HandOver([commandLine](const TConsoleEvents& e, TGUI2Console* sender) {
                e.OnStart(sender, commandLine);
                return false;
            });
        CreateChild();
        ReadLoop();
        if (FLink->Events.OnPreTerminate)
            HandOver([](const TConsoleEvents& e, TGUI2Console* sender) {
                e.OnPreTerminate(sender);
                return false;
            });
        KillChild(QLatin1String(SNormalThreadTermination));
    } catch (...) {
        failed = true;
        error = ConsoleIODetail::MessageOf(std::current_exception());
    }
    if (failed) {
        FStatusText = error;
        if (FLink->Events.OnError) {
            try {
                HandOver([error](const TConsoleEvents& e, TGUI2Console* sender) {
                    e.OnError(sender, error);
                    return false;
                });
            } catch (...) {
                // An error handler that fails has nowhere left to report to.
            }
        }
    }
    Cleanup();
}

void TConsoleThread::CreateChild()
{
    using namespace ChildProcess;
    const int pipeSize = PipeSizeBytes(FProps.PipeSize);
    Pipe output, input;
    if (int e = CreatePipe(output, pipeSize))
        throw EPipeCreate(PipeCreateMessage(e));
    FOutRead = output.Read;
    FOutWrite = output.Write;
    if (int e = CreatePipe(input, pipeSize))
        throw EPipeCreate(PipeCreateMessage(e));
    FInRead = input.Read;
    FInWrite = input.Write;
    if (fcntl(FOutRead, F_SETFL, fcntl(FOutRead, F_GETFL) | O_NONBLOCK) != 0)
        throw EPipeCreate(PipeCreateMessage(errno));

    SpawnRequest request;
    if (!FProps.Application.isEmpty()) {
        request.Program = QFile::encodeName(FProps.Application);
        request.Arguments.push_back(request.Program);
        for (const QString& a : SplitCommandLineArguments(FProps.Command))
            request.Arguments.push_back(QFile::encodeName(a));
    } else {
        const QStringList items = SplitCommandLine(FProps.Command);
        if (!items.isEmpty()) {
            request.Program = QFile::encodeName(items.front());
            request.SearchPath = !items.front().contains(u'/');
            for (const QString& a : items)
                request.Arguments.push_back(QFile::encodeName(a));
        }
    }
    if (!FProps.Environment.isEmpty()) {
        request.ReplaceEnvironment = true;
        request.Environment = EnvironmentItems(FProps.Environment);
    }
    request.WorkingDirectory = QFile::encodeName(FProps.HomeDirectory);
    request.Input = FInRead;
    request.Output = FOutWrite;

    pid_t pid = -1;
    const int e = Spawn(request, pid);
    CloseFd(FOutWrite);
    CloseFd(FInRead);
    if (e != 0)
        throw EProcessCreate(ProcessCreateMessage(e));
    FPid = pid;
    FChildLive = true;
    FPidFd = OpenPidFd(pid);
    // The child has inherited this thread's nice value, the program's own; only now does the
    // worker take its own priority.
    ApplyNiceValue();
}

void TConsoleThread::ApplyNiceValue()
{
    const int target = std::clamp(FBaseNice + ThreadPriorityNiceOffset(FPriority), -20, 19);
    if (target != FBaseNice)
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), target);
}

void TConsoleThread::ReadLoop()
{
    FIdleTime = 0;
    FIdleMark = std::chrono::steady_clock::now();
    FSplitter.Clear();
    for (;;) {
        FLastCount = Poll();
        const bool ended = WaitForChild();
        if (ended || Terminated())
            break;
    }
    if (Terminated())
        return;
    // What the child wrote before it ended is in the pipe, which holds at most its capacity;
    // whatever comes beyond that is from a process it left behind, which is killed next.
    const int bufferSize = static_cast<int>(FReadBuffer.size());
    int capacity = fcntl(FOutRead, F_GETPIPE_SZ);
    if (capacity <= 0)
        capacity = PipeSizeBytes(ps256k);
    qint64 drained = 0;
    do {
        FLastCount = Poll();
        drained += FLastCount;
    } while (FLastCount >= bufferSize && !Terminated() && drained < capacity + bufferSize);
    if (!FLines.empty())
        DeliverLines();
}

int TConsoleThread::Poll()
{
    if (!FPipeEnded) {
        ssize_t n;
        do {
            n = read(FOutRead, FReadBuffer.data(), FReadBuffer.size());
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            FIdleTime = 0;
            FIdleMark = std::chrono::steady_clock::now();
            SplitChunk(static_cast<int>(n));
            return static_cast<int>(n);
        }
        if (n == 0 || errno != EAGAIN)
            FPipeEnded = true;
    }
    if (!FLines.empty() && std::chrono::steady_clock::now() >= FLinesDue)
        DeliverLines();
    IdleTick();
    return 0;
}

void TConsoleThread::SplitChunk(int count)
{
    const size_t held = FLines.size();
    FSplitter.Feed(FReadBuffer.data(), count, FLines);
    if (FLines.size() > held) {
        FPromptSeen = EndsWithPrompt(FLines.back(), FPrompt);
        if (!FLink->Events.OnLine)
            FLines.clear();
        else if (std::chrono::steady_clock::now() >= FLinesDue)
            DeliverLines();
    }
    FPendingLine.clear();
    if (FSplitter.HasFragment())
        FPromptSeen = FSplitter.FragmentEndsWith(FPrompt);
}

void TConsoleThread::DeliverLines()
{
    // The lines waiting cross in one hand-over: one wake-up of the owner's thread per read (or
    // per line interval) instead of one per line. Between two lines the owner's thread looks
    // for what the worker looked for between two hand-overs: a stop request, and the runner's
    // destruction, after which this worker may be gone, so nothing of it is touched any more.
    // After a stop request nothing more is delivered.
    if (Terminated()) {
        FLines.clear();
        return;
    }
    size_t delivered = 0;  // written on the owner's thread while the worker waits
    const auto writeLog = [this, &delivered] {
        if (!FLog)
            return;
        for (size_t i = 0; i < delivered; ++i) {
            std::fwrite(FLines[i].constData(), 1, static_cast<size_t>(FLines[i].size()), FLog);
            std::fwrite("\r\n", 1, 2, FLog);
        }
    };
    const Link* link = FLink.get();
    try {
        // The call owns its copies of the lines: a handler that destroys the runner destroys this
        // worker too, while its line must stay valid.
        HandOver([this, link, &delivered, lines = FLines](const TConsoleEvents& e, TGUI2Console* sender) {
            for (const QByteArray& line : lines) {
                ++delivered;  // before the call: a line whose handler fails counts as delivered
                e.OnLine(sender, line);
                if (link->Destroying.load() || Terminated())
                    break;
            }
            return false;
        });
    } catch (...) {
        writeLog();
        FLines.clear();
        throw;
    }
    writeLog();
    FLines.clear();
    FLinesDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(FProps.LineInterval);
}

void TConsoleThread::IdleTick()
{
    // Silence is counted in whole 5 ms steps of the monotonic clock, at least one step per
    // empty poll, so a long wait counts for all the time it slept.
    const auto now = std::chrono::steady_clock::now();
    const auto steps = std::max<std::int64_t>(
        1, std::chrono::duration_cast<std::chrono::milliseconds>(now - FIdleMark).count() / 5);
    FIdleMark += std::chrono::milliseconds(steps * 5);
    if (FIdleMark > now)
        FIdleMark = now;
    FIdleTime = static_cast<int>(std::min<std::int64_t>(FIdleTime + steps * 5, FProps.TimeOutDelay));
    if (FIdleTime < FProps.TimeOutDelay)
        return;
    FIdleTime = 0;
    FIdleMark = now;
    // Lines that wait for their interval come before whatever the silence brings.
    if (!FLines.empty())
        DeliverLines();
    if (FPromptSeen) {
        FPendingLine = FSplitter.Fragment();
        if (FLink->Events.OnPrompt) {
            const QByteArray pending = FPendingLine;
            HandOver([pending](const TConsoleEvents& e, TGUI2Console* sender) {
                e.OnPrompt(sender, pending);
                return false;
            });
        }
        FPromptSeen = false;
    } else if (FProps.AutoTerminate) {
        Terminate();
    } else if (FLink->Events.OnTimeOut) {
        const bool kill = HandOver([](const TConsoleEvents& e, TGUI2Console* sender) {
            bool k = false;
            e.OnTimeOut(sender, k);
            return k;
        });
        if (kill)
            Terminate();
    }
}

bool TConsoleThread::WaitForChild()
{
    pollfd fds[3];
    nfds_t count = 0;
    if (FPidFd >= 0)
        fds[count++] = pollfd{FPidFd, POLLIN, 0};
    if (!FPipeEnded)
        fds[count++] = pollfd{FOutRead, POLLIN, 0};
    if (FWakeFd >= 0)
        fds[count++] = pollfd{FWakeFd, POLLIN, 0};
    // New output, the child's end and a stop request all wake the worker at once, so while
    // the child is silent it sleeps until the silence could matter (the time-out delay)
    // instead of waking every 5 ms. Without a pidfd the child's end is only seen by
    // looking, so then it looks every 5 ms.
    int timeout = 5;
    if (FPidFd >= 0 && FWakeFd >= 0)
        timeout = std::max(5, FProps.TimeOutDelay - FIdleTime);
    // Lines waiting for their interval are handed over when it ends, output or not.
    if (!FLines.empty()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(FLinesDue - std::chrono::steady_clock::now());
        timeout = std::clamp(static_cast<int>(wait.count()), 0, timeout);
    }
    const int r = poll(fds, count, timeout);
    if (r < 0) {
        if (errno == EINTR)
            return false;
        throw EWaitError(WaitErrorMessage(errno));
    }
    if (FPidFd >= 0)
        return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return ChildProcess::HasEnded(FPid);
}

void TConsoleThread::KillChild(const QString& status)
{
    FStatusText = status;
    if (FLink->Events.OnStatus)
        HandOver([status](const TConsoleEvents& e, TGUI2Console* sender) {
            e.OnStatus(sender, status);
            return false;
        });
    EndChild();
}

void TConsoleThread::EndChild()
{
    if (!FChildLive)
        return;
    // A child still running is asked to end first, so that it can remove what it has half
    // written (an encoder's temporary file); only one that does not end in time is killed.
    if (!ChildProcess::HasEnded(FPid))
        (void)ChildProcess::TerminateGroup(FPid, FPidFd, StopGraceMs);
    // The group goes too: a process the child left behind must not keep our pipe or run on.
    ChildProcess::KillGroup(FPid);
    FChildEnd = ChildEndOf(ChildProcess::Reap(FPid));
    FChildLive = false;
}

void TConsoleThread::Cleanup()
{
    // Also after an error: no child outlives its run, and none stays unreaped.
    EndChild();
    ChildProcess::CloseFd(FPidFd);
    ChildProcess::CloseFd(FOutRead);
    ChildProcess::CloseFd(FOutWrite);
    ChildProcess::CloseFd(FInRead);
    ChildProcess::CloseFd(FInWrite);
    std::vector<char>().swap(FReadBuffer);
    if (FLog)
        std::fflush(FLog);
    if (FLink->Events.OnDone) {
        try {
            HandOver([end = FChildEnd](const TConsoleEvents& e, TGUI2Console* sender) {
                sender->FChildEnd = end;
                e.OnDone(sender);
                return false;
            });
        } catch (...) {
            // OnDone is the last event: nothing may follow it, not even OnError.
        }
    }
}

// ---------------------------------------------------------------------------------------
// TGUI2Console

TGUI2Console::TGUI2Console(QObject* parent) : QObject(parent)
{
    ConsoleIODetail::HandOverQueue::Instance();  // made on this, the main, thread
}

TGUI2Console::~TGUI2Console()
{
    if (!FWorker)
        return;
    Link& link = *FWorker->FLink;
    {
        std::lock_guard lock(link.Mutex);
        link.Destroying.store(true);
    }
    link.Changed.notify_all();  // a worker waiting for a hand-over gives it up
    FWorker->Terminate();

    // The worker no longer needs this thread for anything, so waiting cannot deadlock; it
    // is woken from its wait by the request, then kills and reaps the child.
    {
        std::unique_lock lock(link.Mutex);
        if (!link.Changed.wait_for(lock, std::chrono::seconds(10), [&] { return link.Finished; })) {
            link.Orphaned = true;
            FWorker->FThread.detach();
            (void)FWorker.release();  // frees itself at its end
            return;
        }
    }
    FWorker.reset();  // joins the thread, which is past its last use of this runner
}

void TGUI2Console::Start()
{
    std::lock_guard lock(StartLock);
    if (FWorker) {
        if (OnError)
            OnError(this, QLatin1String(SProcessAlreadyRunning));
        return;
    }
    const TConsoleEvents& events = *this;
    FChildEnd = {};
    auto worker = std::make_unique<TConsoleThread>(this, FProps, events);
    worker->SetPriority(tpLower);
    if (!worker->LogError().isEmpty() && OnError) {
        try {
            OnError(this, worker->LogError());
        } catch (...) {
            worker->Cancel();
            throw;
        }
    }
    FWorker = std::move(worker);
    FWorker->Resume();
}

void TGUI2Console::Stop()
{
    if (FWorker)
        FWorker->Terminate();
}

void TGUI2Console::SetPrompt(const QString& value)
{
    FProps.Prompt = value;
    FProps.PromptLength = static_cast<std::int32_t>(value.toUtf8().size());
}

void TGUI2Console::SetLineInterval(int value)
{
    FProps.LineInterval = static_cast<std::uint16_t>(std::clamp(value, 0, 1000));
}

void TGUI2Console::SetTimeOutDelay(int value)
{
    FProps.TimeOutDelay = static_cast<TTimeOutDelay>(std::clamp<int>(value, MinTimeOutDelay, MaxTimeOutDelay));
}

void TGUI2Console::ThreadDone(const ConsoleIODetail::Link* link)
{
    if (FWorker && FWorker->FLink.get() == link) {
        FChildEnd = FWorker->FChildEnd;  // written before the worker's end was handed over
        FWorker.reset();  // joins the thread, which is at its very end
        Q_EMIT Idle();
    }
}
