// The monotonic clock that the search and the timer measure thinking time with.
#pragma once

namespace vardo {

// Seconds on the steady clock since the first call in this process. The epoch is the
// process's own, not the machine's boot, so that a single-precision float keeps millisecond
// resolution for days of running instead of losing it to a large counter value.
float ClockSeconds();

}  // namespace vardo
