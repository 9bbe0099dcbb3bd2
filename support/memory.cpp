#include "support/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace vardo {

namespace {
constexpr std::size_t HUGE_PAGE_BYTES = std::size_t{2} << 20;
constexpr std::size_t CACHE_LINE_BYTES = 64;
}  // namespace

std::size_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

void* AllocateLarge(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    const std::size_t alignment = bytes >= HUGE_PAGE_BYTES ? HUGE_PAGE_BYTES : CACHE_LINE_BYTES;
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* block = std::aligned_alloc(alignment, rounded);
    if (block == nullptr) return nullptr;
#ifdef MADV_HUGEPAGE
    // Only advice: where huge pages are not to be had, ordinary pages serve the same.
    if (alignment == HUGE_PAGE_BYTES) madvise(block, rounded, MADV_HUGEPAGE);
#endif
    // Zeroing touches every page now, so the pages are in place before the first search.
    std::memset(block, 0, rounded);
    return block;
}

void FreeLarge(void* block) {
    std::free(block);
}

}  // namespace vardo
