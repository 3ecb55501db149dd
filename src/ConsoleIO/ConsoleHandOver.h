#pragma once
// The blocking hand-over of the console runner: a worker thread queues one call at a time for
// the main thread and waits until it has run. Everything a call carries crosses threads under
// the link's own mutex; the Qt event that wakes the main thread carries nothing.
#include "ConsoleIO.h"

#include <QObject>

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ConsoleIODetail {

using HandOverCall = std::function<bool(const TConsoleEvents& events, TGUI2Console* sender)>;

// Shared by a runner, its worker and the queue, so that whichever ends last can still look at
// it. Owner and Events are set before the worker starts and never change.
struct Link {
    TGUI2Console* Owner = nullptr;  // the Sender; dereferenced only on the main thread
    TConsoleEvents Events;
    std::atomic<bool> Destroying{false};  // written on the main thread only

    std::mutex Mutex;  // guards everything below
    std::condition_variable Changed;
    enum { Waiting, Resumed, Cancelled } Gate = Waiting;
    bool Finished = false;  // the worker's body is over; nothing in it touches the runner
    bool Orphaned = false;  // the runner stopped waiting: the worker frees itself at its end

    // The call in flight.
    enum { NoCall, Queued, Running, Done } CallState = NoCall;
    HandOverCall Call;
    bool Result = false;
    std::exception_ptr Error;
    bool EndQueued = false;  // the worker's end waits to be processed on the main thread
};

// Lives on the main thread; created by the first runner.
class HandOverQueue : public QObject {
    Q_OBJECT
public:
    static HandOverQueue& Instance();

    // Worker thread: queue the link's call (or its end) and wake the main thread.
    void Post(const std::shared_ptr<Link>& link);
    // Worker thread: queue call, wait until it has run; rethrows what it threw. Returns false
    // at once, without running it, when destruction of the runner has begun.
    static bool Run(const std::shared_ptr<Link>& link, HandOverCall call);

    // Main thread.
    Q_INVOKABLE void RunPending();

private:
    HandOverQueue() = default;
    std::mutex FMutex;
    std::vector<std::shared_ptr<Link>> FPending;
    bool FWakeUpPending = false;  // a RunPending is queued and has not started yet
};

}  // namespace ConsoleIODetail
