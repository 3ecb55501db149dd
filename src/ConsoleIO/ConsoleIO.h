#pragma once
// The console process runner: starts one console program as a hidden child in its own
// process group, captures its standard output and standard error through one pipe, cuts the
// output into lines and hands every line, and the run's start, status, errors and end, to
// the owner's thread as events, one worker thread per run.
#include "Errors.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "LineSplitter.h"

// ---- value sets (ordinal = position, from 0) ----

// Size asked for each pipe; the kernel rounds it up to a power of two of whole pages.
enum TPipeSize : std::uint8_t { ps1k, ps2k, ps4k, ps8k, ps16k, ps32k, ps64k, ps96K, ps128k, ps256k };
// Size of the read buffer: the most bytes taken from the pipe in one poll.
enum TBufferSize : std::uint8_t { bs256, bs512, bs1k, bs2k, bs4k, bs8k };
// Kind of child program. Kept for the settings' sake; every child gets its own process group.
enum TAppType : std::uint8_t { at16bit, at32bit, atDontCare };
// Worker thread priority; see ThreadPriorityValue and ThreadPriorityNiceOffset.
enum TThreadPriority : std::uint8_t {
    tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical
};
// Milliseconds of output silence after which the silence rule acts, 10..10000.
using TTimeOutDelay = std::uint16_t;
inline constexpr TTimeOutDelay MinTimeOutDelay = 10;
inline constexpr TTimeOutDelay MaxTimeOutDelay = 10000;

int PipeSizeBytes(TPipeSize size);       // ps1k -> 1024 ... ps256k -> 262144
int BufferSizeBytes(TBufferSize size);   // bs256 -> 256 ... bs8k -> 8192
// The classic thread priority numbers: tpIdle -15, tpLowest -2, tpLower -1, tpNormal 0,
// tpHigher 1, tpHighest 2, tpTimeCritical 15.
int ThreadPriorityValue(TThreadPriority priority);
// The nice value change against the program's own that a worker of this priority runs at:
// tpIdle +19, tpLowest +2, tpLower +1, tpNormal 0, tpHigher -1, tpHighest -2,
// tpTimeCritical -10 (the result is kept within -20..19; raising needs privilege and is
// silently skipped without it).
int ThreadPriorityNiceOffset(TThreadPriority priority);

// ---- texts the runner reports ----
inline constexpr char SProcessAlreadyRunning[] = "Process Already Running";
inline constexpr char SNormalThreadTermination[] = "Normal Thread Termination";
inline constexpr char SErrorCreatingProcess[] = "Error Creating Process";
// "%0s  Error Code :%0d" (two blanks), "Error Opening Pipe Error Code :%0d",
// "Process Error Error Code :%0d", each followed by the system's words for the code in
// parentheses: built by the functions below.
// "Error Creating Process  Error Code :2 (No such file or directory)"
QString ProcessCreateMessage(int code);
QString PipeCreateMessage(int code);     // "Error Opening Pipe Error Code :24 (Too many open files)"
QString WaitErrorMessage(int code);      // "Process Error Error Code :9 (Bad file descriptor)"
// The system's words for an errno value (strerror), safe on any thread.
QString SystemErrorText(int code);

// Bytes of the kernel's argument space that a child started now may fill with its arguments
// (each one's bytes, its NUL and its pointer): the system's limit less what our environment,
// which the child inherits, takes and a small reserve.
qint64 ChildArgumentSpace();

// ---- errors ----
// The runner's error family. It derives from the silent abort, so the default error display
// does not show it; the runner itself turns it into the text of OnError.
class EConsoleIOError : public EAbort {
public:
    explicit EConsoleIOError(const QString& message);
    const char* what() const noexcept override;
    QString Message() const { return FMessage; }

private:
    QString FMessage;
    QByteArray FWhat;
};
class EProcessCreate : public EConsoleIOError { using EConsoleIOError::EConsoleIOError; };
class EPipeCreate : public EConsoleIOError { using EConsoleIOError::EConsoleIOError; };
class EWaitError : public EConsoleIOError { using EConsoleIOError::EConsoleIOError; };

// ---- events (all run on the owner's thread; the first argument is the runner) ----
class TGUI2Console;
using TStartEvent = std::function<void(TGUI2Console* Sender, const QString& Command)>;
// One complete, non-empty line: the raw bytes the child wrote, without its line break.
using TSendLine = std::function<void(TGUI2Console* Sender, const QByteArray& Line)>;
// The pending text at a prompt: the unfinished fragment, or empty when a complete line that
// OnLine already had ended with the prompt.
using TPromptEvent = std::function<void(TGUI2Console* Sender, const QByteArray& Line)>;
// Silence without a prompt: Kill is false on entry; setting it stops the run.
using TTimeOut = std::function<void(TGUI2Console* Sender, bool& Kill)>;
using TPreTerminateEvent = std::function<void(TGUI2Console* Sender)>;
using TStatusEvent = std::function<void(TGUI2Console* Sender, const QString& Status)>;
using TError = std::function<void(TGUI2Console* Sender, const QString& Error)>;
using TDoneEvent = std::function<void(TGUI2Console* Sender)>;

// The event handlers of a run, copied into the worker beside its properties.
struct TConsoleEvents {
    TStartEvent OnStart;
    TDoneEvent OnDone;
    TSendLine OnLine;
    TError OnError;
    TTimeOut OnTimeOut;
    TStatusEvent OnStatus;
    TPromptEvent OnPrompt;
    TPreTerminateEvent OnPreTerminate;
};

// A run's settings, copied whole from the runner into the worker when the worker is built:
// a change to the runner during a run affects only the next run.
struct TConsoleProperties {
    TTimeOutDelay TimeOutDelay = 50;
    TPipeSize PipeSize = ps128k;
    TBufferSize BufferSize = bs1k;
    bool AutoTerminate = false;
    QString LogFile;
    QString Environment;
    QString Application;
    TAppType AppType = at32bit;
    QString Command;
    QString Prompt;
    std::int32_t PromptLength = 0;  // bytes of Prompt in UTF-8
    QString HomeDirectory;
    TThreadPriority Priority = tpNormal;
    std::uint16_t LineInterval = 0;  // ms, 0..1000; see TGUI2Console::SetLineInterval
};

// How a run's child ended, as the system reported it when the child was collected.
struct TChildEnd {
    enum TKind : std::uint8_t { ceNone, ceExited, ceSignaled };
    TKind Kind = ceNone;  // ceNone: no child was started, or none was collected
    int Code = 0;         // the exit status, or the number of the signal that ended it
};
// The end a wait status stands for (-1: none collected).
TChildEnd ChildEndOf(int waitStatus);

// The command line as handed to OnStart: Application + " " + Command when both are set,
// otherwise Command.
QString BuildConsoleCommandLine(const QString& application, const QString& command);
// True when text ends with prompt (byte-exact, case-sensitive); false when prompt is empty
// or longer than text.
bool EndsWithPrompt(const QByteArray& text, const QByteArray& prompt);

namespace ConsoleIODetail {
struct Link;
class HandOverQueue;
}

// One run's worker: a thread built suspended by TGUI2Console::Start, resumed once, which
// creates the child, reads its output and delivers the events through a blocking hand-over
// to the owner's thread. Members are the worker thread's own unless marked otherwise.
class TConsoleThread {
public:
    // Owner's thread: copies the settings and handlers, creates the output log (a failure is
    // left in LogError) and creates the thread, which waits for Resume or Cancel.
    TConsoleThread(TGUI2Console* owner, const TConsoleProperties& properties,
                   const TConsoleEvents& events);
    ~TConsoleThread();
    TConsoleThread(const TConsoleThread&) = delete;
    TConsoleThread& operator=(const TConsoleThread&) = delete;

    // Owner's thread, before Resume.
    void SetPriority(TThreadPriority priority) { FPriority = priority; }
    TThreadPriority Priority() const { return FPriority; }
    const QString& LogError() const { return FLogError; }
    void Resume();
    void Cancel();  // ends a never-resumed thread without running the body

    // Any thread: the stop request. It also wakes the worker from its wait.
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }

private:
    friend class TGUI2Console;

    void ThreadMain();
    void Execute();
    void CreateChild();
    void ReadLoop();
    int Poll();
    void SplitChunk(int count);
    void DeliverLines();  // hands FLines to OnLine, logs those delivered and empties FLines
    void IdleTick();
    bool WaitForChild();  // true when the child has ended
    void KillChild(const QString& status);
    void EndChild();
    void Cleanup();
    void ApplyNiceValue();

    // Runs call(events, sender) on the owner's thread and waits for it; rethrows what the
    // handler threw and returns what call returned. Once destruction has begun it returns
    // false at once, without running call.
    template <typename Call>
    bool HandOver(Call call);

    // Set on the owner's thread before the thread runs, read-only afterwards.
    TConsoleProperties FProps;
    TThreadPriority FPriority;
    QByteArray FPrompt;
    std::shared_ptr<ConsoleIODetail::Link> FLink;  // shared with the owner and the hand-overs
    QString FLogError;
    std::FILE* FLog = nullptr;

    // Owner's thread and worker.
    std::atomic<bool> FTerminated{false};
    int FWakeFd = -1;  // eventfd written by Terminate, polled by the worker

    // Worker's own.
    bool FPromptSeen = false;
    TLineSplitter FSplitter;
    std::vector<QByteArray> FLines;  // read, not yet handed over
    std::chrono::steady_clock::time_point FLinesDue;  // the next hand-over of lines, at the earliest
    std::vector<char> FReadBuffer;
    int FIdleTime = 0;  // silence so far, in whole 5 ms steps
    std::chrono::steady_clock::time_point FIdleMark;  // when FIdleTime was last brought up to date
    int FLastCount = 0;
    QByteArray FPendingLine;  // the line being delivered, or the unfinished fragment
    QString FStatusText;      // the text for OnStatus and OnError
    int FOutRead = -1, FOutWrite = -1, FInRead = -1, FInWrite = -1;
    int FPidFd = -1;
    pid_t FPid = -1;
    bool FChildLive = false;  // spawned and not yet reaped
    bool FPipeEnded = false;  // end of file or a read error: the pipe is not polled any more
    int FBaseNice = 0;
    TChildEnd FChildEnd;      // written before OnDone is handed over, read by the owner after it

    std::thread FThread;  // joined by the owner, or detached when the owner gives up waiting
};

// The component. Lives on the thread that creates it (the main thread), which calls Start,
// Stop and the destructor and runs every event handler.
// Its events (OnStart, OnLine, ...; an empty one is skipped) are the public members of
// TConsoleEvents, which a run copies into its worker.
class TGUI2Console : public QObject, public TConsoleEvents {
    Q_OBJECT
public:
    explicit TGUI2Console(QObject* parent = nullptr);
    // Stops a running worker (its child is killed) and waits until it has ended; no event
    // reaches the owner once destruction has begun.
    ~TGUI2Console() override;

    // Begins a run. While a run is active (until its end has been processed on this thread,
    // also between OnDone and that), only calls OnError with "Process Already Running".
    void Start();
    // Asks the running worker to stop; returns at once. The worker then delivers
    // OnPreTerminate, OnStatus "Normal Thread Termination", ends the child (SIGTERM to its
    // process group, SIGKILL after 500 ms) and ends with OnDone.
    void Stop();
    // True from Start until the worker's end has been processed on the owner's thread.
    bool Running() const { return FWorker != nullptr; }
    // How the last run's child ended: set when OnDone runs (also a stopped run's, which the
    // runner killed), cleared by Start. Read-only.
    const TChildEnd& ChildEnd() const { return FChildEnd; }

    // Properties. A change takes effect at the next Start.
    QString Application() const { return FProps.Application; }
    void SetApplication(const QString& value) { FProps.Application = value; }
    TAppType AppType() const { return FProps.AppType; }
    void SetAppType(TAppType value) { FProps.AppType = value; }
    // The child's whole environment as "NAME=value" items separated by NUL characters or line
    // breaks; empty = the child inherits the runner's environment.
    QString Environment() const { return FProps.Environment; }
    void SetEnvironment(const QString& value) { FProps.Environment = value; }
    // One text, split into program and arguments by SplitCommandLine (CommandLine.h).
    QString Command() const { return FProps.Command; }
    void SetCommand(const QString& value) { FProps.Command = value; }
    // Working directory of the child; empty = the runner's current directory.
    QString HomeDirectory() const { return FProps.HomeDirectory; }
    void SetHomeDirectory(const QString& value) { FProps.HomeDirectory = value; }
    // Optional output log: every delivered line followed by CR LF (only while OnLine is set).
    QString LogFile() const { return FProps.LogFile; }
    void SetLogFile(const QString& value) { FProps.LogFile = value; }
    QString Prompt() const { return FProps.Prompt; }
    void SetPrompt(const QString& value);
    std::int32_t PromptLength() const { return FProps.PromptLength; }
    bool AutoTerminate() const { return FProps.AutoTerminate; }
    void SetAutoTerminate(bool value) { FProps.AutoTerminate = value; }
    TPipeSize PipeSize() const { return FProps.PipeSize; }
    void SetPipeSize(TPipeSize value) { FProps.PipeSize = value; }
    TBufferSize BufferSize() const { return FProps.BufferSize; }
    void SetBufferSize(TBufferSize value) { FProps.BufferSize = value; }
    TTimeOutDelay TimeOutDelay() const { return FProps.TimeOutDelay; }
    void SetTimeOutDelay(int value);  // kept within 10..10000
    TThreadPriority Priority() const { return FProps.Priority; }
    void SetPriority(TThreadPriority value) { FProps.Priority = value; }
    // The least time between two hand-overs of lines to OnLine, in milliseconds (0..1000; 0,
    // the default: the lines of every read at once). Lines that come sooner wait and go over
    // together, still one OnLine each, in order; they go before a prompt, a time-out or the
    // run's end, and a stop request drops them like the lines still in the pipe. For a child
    // that writes many short lines, one wake-up of this thread per interval instead of one per line.
    int LineInterval() const { return FProps.LineInterval; }
    void SetLineInterval(int value);

Q_SIGNALS:
    // A run's end has been processed (after its OnDone): Start now begins a new run.
    void Idle();

private:
    friend class TConsoleThread;
    friend class ConsoleIODetail::HandOverQueue;
    // Main thread, after the worker's body has ended: clears the worker reference.
    void ThreadDone(const ConsoleIODetail::Link* link);

    TConsoleProperties FProps;
    TChildEnd FChildEnd;
    std::unique_ptr<TConsoleThread> FWorker;  // the current worker; none when idle
};
