#include "ConsoleHandOver.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace ConsoleIODetail {

HandOverQueue& HandOverQueue::Instance()
{
    // Never destroyed: a worker that outlived its runner may still post to it at exit.
    static HandOverQueue* queue = new HandOverQueue;
    return *queue;
}

void HandOverQueue::Post(const std::shared_ptr<Link>& link)
{
    // The wake-up event is made under the lock: the main thread takes the same lock before
    // the event can be freed, so even a race detector that cannot see into Qt sees the order.
    std::lock_guard lock(FMutex);
    FPending.push_back(link);
    if (!FWakeUpPending) {
        FWakeUpPending = true;
        QMetaObject::invokeMethod(this, "RunPending", Qt::QueuedConnection);
    }
}

bool HandOverQueue::Run(const std::shared_ptr<Link>& link, HandOverCall call)
{
    Link& l = *link;
    {
        std::lock_guard lock(l.Mutex);
        if (l.Destroying.load())
            return false;
        l.Call = std::move(call);
        l.CallState = Link::Queued;
        l.Result = false;
        l.Error = nullptr;
    }
    Instance().Post(link);
    std::unique_lock lock(l.Mutex);
    l.Changed.wait(lock, [&] { return l.CallState == Link::Done || l.Destroying.load(); });
    if (l.CallState != Link::Done)
        return false;  // given up: the main thread drops the call when it gets to it
    l.CallState = Link::NoCall;
    if (l.Error) {
        std::exception_ptr error = std::exchange(l.Error, nullptr);
        lock.unlock();
        std::rethrow_exception(error);
    }
    return l.Result;
}

void HandOverQueue::RunPending()
{
    std::vector<std::shared_ptr<Link>> pending;
    {
        std::lock_guard lock(FMutex);
        pending.swap(FPending);
        FWakeUpPending = false;
    }
    for (const std::shared_ptr<Link>& link : pending) {
        Link& l = *link;
        HandOverCall call;
        bool end = false;
        {
            std::lock_guard lock(l.Mutex);
            if (l.CallState == Link::Queued) {
                call = std::move(l.Call);
                l.Call = nullptr;
                l.CallState = Link::Running;
            }
            end = std::exchange(l.EndQueued, false);
        }
        if (call) {
            bool result = false;
            std::exception_ptr error;
            // The runner is destroyed on this thread too: once that has begun, neither the
            // handler nor the Sender may be touched.
            if (!l.Destroying.load()) {
                try {
                    result = call(l.Events, l.Owner);
                } catch (...) {
                    error = std::current_exception();
                }
            }
            call = nullptr;  // what it carried is released here, before the worker goes on
            {
                std::lock_guard lock(l.Mutex);
                l.Result = result;
                // Moved, not copied: the worker holds the only reference and frees it.
                l.Error = std::move(error);
                l.CallState = Link::Done;
            }
            l.Changed.notify_all();
        }
        if (end && !l.Destroying.load())
            l.Owner->ThreadDone(link.get());
    }
}

}  // namespace ConsoleIODetail
