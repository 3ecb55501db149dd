#pragma once
// Waiting in tests runs the event loop through Qt's own QTest::qWaitFor (until a condition
// holds; the time given only guards against hangs) and QTest::qWait (for a while, when a test
// checks that something does NOT happen).
#include <QtCore/qtestsupport_core.h>

// The hang guard of a wait that has no bound of its own.
constexpr int WaitGuardMs = 60000;
