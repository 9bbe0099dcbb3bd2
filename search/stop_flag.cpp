#include "search/stop_flag.h"

namespace vardo {

std::atomic<bool> stopFlag{false};

}  // namespace vardo
