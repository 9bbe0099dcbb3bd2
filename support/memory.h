// How much memory the machine has, so that a table asked for is never larger than it can give.
#pragma once

#include <cstddef>

namespace vardo {

// Bytes of physical memory; 0 when the system does not say.
std::size_t PhysicalMemoryBytes();

}  // namespace vardo
