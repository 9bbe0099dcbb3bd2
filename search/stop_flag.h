// The process-wide stop flag of the search: raised by the timer, by "?" and "new" and at
// shutdown; lowered by the search driver before a search begins; polled at every node.
#pragma once

#include <atomic>

namespace vardo {

extern std::atomic<bool> stopFlag;

}  // namespace vardo
