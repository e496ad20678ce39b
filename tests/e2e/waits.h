// Waiting for a condition, by the clock: every wait in the end-to-end tests
// counts real time, however long one look at the condition takes.
#pragma once

#include <chrono>
#include <thread>

namespace pwtest {

// Looks at `done()` every `poll_ms` until it is true (then true) or
// `timeout_ms` have passed (then false).
template <typename Condition>
bool WaitUntil(Condition done, int timeout_ms, int poll_ms = 20) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
  }
}

}  // namespace pwtest
