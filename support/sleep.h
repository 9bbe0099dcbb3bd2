// Suspending the calling thread: the command loop's idle poll and the timer's watch.
#pragma once

namespace vardo {

// Suspends the calling thread for at least the given number of milliseconds; zero or less
// returns at once.
void SleepMs(int milliseconds);

}  // namespace vardo
