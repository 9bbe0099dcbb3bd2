// The one flag that ends a search early. The timer, the "?" and "new" commands and the
// engine's shutdown raise it; the driver clears it before a search starts; every node reads it.
#pragma once

#include <atomic>

namespace vardo {

extern std::atomic<bool> stopFlag;

}  // namespace vardo
