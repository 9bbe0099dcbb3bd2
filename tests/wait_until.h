// Polling helper for tests of threads: waits for a condition with a generous time limit.
#pragma once

#include "support/clock.h"
#include "support/sleep.h"

namespace vardo::test {

// Polls until the condition holds or the time runs out; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, float seconds = 5.0f) {
    const float end = ClockSeconds() + seconds;
    while (!condition()) {
        if (ClockSeconds() > end) return false;
        SleepMs(1);
    }
    return true;
}

}  // namespace vardo::test
