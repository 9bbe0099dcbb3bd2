#include "support/memory.h"

#include <unistd.h>

namespace vardo {

std::size_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

}  // namespace vardo
