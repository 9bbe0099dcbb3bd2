#include "board/tables.h"

#include <array>

namespace vardo {

const int initialColour[64] = {
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
    2, 2, 2, 2, 2, 2, 2, 2,  //
    2, 2, 2, 2, 2, 2, 2, 2,  //
    2, 2, 2, 2, 2, 2, 2, 2,  //
    2, 2, 2, 2, 2, 2, 2, 2,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,
};

const int initialPiece[64] = {
    3, 1, 2, 4, 5, 2, 1, 3,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    3, 1, 2, 4, 5, 2, 1, 3,
};

namespace {

// A fixed, well-mixed sequence (splitmix64 from a fixed seed), computed at compile time.
constexpr std::array<std::uint64_t, 768> MakeZobristKeys() {
    std::array<std::uint64_t, 768> keys{};
    std::uint64_t state = 0x5641524430373254ULL;
    for (auto& key : keys) {
        state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        key = z ^ (z >> 31);
    }
    return keys;
}

}  // namespace

const std::array<std::uint64_t, 768> zobristKeys = MakeZobristKeys();

}  // namespace vardo
