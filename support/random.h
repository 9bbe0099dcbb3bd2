// A small, fast generator whose sequence is the same on every system (the standard library's
// distributions are not), seeded by splitmix64: the data generator's games and the levels'
// choices.
#pragma once

#include <cstdint>

namespace vardo {

class Random {
   public:
    explicit Random(std::uint64_t seed = 0) : state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to n - 1; n is at least 1.
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

   private:
    std::uint64_t state;
};

}  // namespace vardo
