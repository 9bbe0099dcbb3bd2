#include "support/memory.h"

#include <cstdint>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vardo {

namespace {
constexpr std::size_t HUGE_PAGE_BYTES = std::size_t{2} << 20;

std::size_t Rounded(std::size_t bytes) {
    return (bytes + HUGE_PAGE_BYTES - 1) / HUGE_PAGE_BYTES * HUGE_PAGE_BYTES;
}
}  // namespace

#ifdef _WIN32

std::size_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return static_cast<std::size_t>(status.ullTotalPhys);
}

void* AllocateLarge(std::size_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX - 2 * HUGE_PAGE_BYTES) return nullptr;
    const std::size_t size = Rounded(bytes);
    // Committed memory comes zeroed, and its pages are backed only as they are first written.
    // Large pages are locked in memory and need a privilege that a player's account seldom has,
    // so they are only tried, never required; without them the block is only 64 KB aligned,
    // which is all the table needs of it (a whole number of cache lines).
    const SIZE_T largePage = GetLargePageMinimum();
    if (largePage != 0 && size % largePage == 0) {
        if (void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES,
                                       PAGE_READWRITE))
            return block;
    }
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeLarge(void* block, std::size_t) {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

#else

std::size_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
}

void* AllocateLarge(std::size_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX - 2 * HUGE_PAGE_BYTES) return nullptr;
    const std::size_t size = Rounded(bytes);
    // An anonymous mapping comes zeroed. One huge page more than needed is mapped, so that an
    // aligned block can be cut from it; the ends left over are given back.
    const std::size_t mapped = size + HUGE_PAGE_BYTES;
    void* area = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t aligned = (start + HUGE_PAGE_BYTES - 1) & ~(HUGE_PAGE_BYTES - 1);
    if (aligned > start) munmap(area, aligned - start);
    const std::size_t tail = start + mapped - (aligned + size);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // Only advice: where huge pages are not to be had, ordinary pages serve the same.
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void FreeLarge(void* block, std::size_t bytes) {
    if (block != nullptr) munmap(block, Rounded(bytes));
}

#endif

}  // namespace vardo
