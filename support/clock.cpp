#include "support/clock.h"

#include <chrono>

namespace vardo {

float ClockSeconds() {
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point epoch = Clock::now();
    const std::chrono::duration<double> since = Clock::now() - epoch;
    return static_cast<float>(since.count());
}

}  // namespace vardo
