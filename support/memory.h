// Memory for large tables: how much the machine has, and blocks that the system may back with
// huge pages, so that a table probed at random costs fewer address-translation misses.
#pragma once

#include <cstddef>

namespace vardo {

// Bytes of physical memory; 0 when the system does not say.
std::size_t PhysicalMemoryBytes();

// A zeroed block of at least `bytes`, aligned to at least 64 KB (to a huge page where the
// system gives them); null when the system cannot give it. Its pages are backed only as they are
// first written, so a large block costs nothing until it is used. Free it with FreeLarge and the
// same size.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* block, std::size_t bytes);

}  // namespace vardo
