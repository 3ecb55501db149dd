#pragma once
// Waiting in tests by running the event loop: until a condition holds (the time given only
// guards against hangs), or for a while when a test checks that something does NOT happen.
#include <functional>

// Spins the event loop until `done` holds; false when the hang guard ran out first.
// Conditions that other threads change are looked at every few milliseconds.
bool SpinUntil(const std::function<bool()>& done, int guardMs = 60000);

// Spins the event loop for `ms` milliseconds.
void SpinFor(int ms);
