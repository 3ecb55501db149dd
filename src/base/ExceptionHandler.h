#pragma once
// Where an error goes that escapes an event handler run from the event loop (Qt lets none pass
// through its loop). The program points it at its error display, and the update check puts its
// own handler in front for the time of a check. Without a handler the error is written to the
// standard error stream. Main thread only.
#include <QtGlobal>

#include <exception>
#include <functional>
#include <utility>

using TExceptionHandler = std::function<void(std::exception_ptr Error)>;

namespace ExceptionHandlerDetail {
// One per process: an inline function's static is shared by every library that includes this.
inline TExceptionHandler& Installed()
{
    static TExceptionHandler handler;
    return handler;
}
} // namespace ExceptionHandlerDetail

// Installs `handler` (empty: none) and returns the one it replaces.
inline TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler)
{
    return std::exchange(ExceptionHandlerDetail::Installed(), std::move(handler));
}

// Hands `error` to the installed handler; never throws.
inline void HandleApplicationException(std::exception_ptr error) noexcept
{
    if (!error)
        return;
    try {
        // A copy: the handler may replace itself while it runs.
        const TExceptionHandler handler = ExceptionHandlerDetail::Installed();
        if (handler) {
            handler(error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        qWarning("Unhandled error: %s", e.what());
    } catch (...) {
        qWarning("Unhandled error of an unknown kind");
    }
}
