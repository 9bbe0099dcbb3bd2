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

// A fixed, well-mixed sequence (splitmix64 from a fixed seed), computed at compile time: the
// placement keys first, then side, castling and en-passant keys.
constexpr std::size_t KEY_COUNT = 768 + 1 + 16 + 64;
constexpr std::array<std::uint64_t, KEY_COUNT> MakeZobristKeys() {
    std::array<std::uint64_t, KEY_COUNT> keys{};
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

constexpr std::array<std::uint64_t, KEY_COUNT> ALL_KEYS = MakeZobristKeys();

template <std::size_t N>
constexpr std::array<std::uint64_t, N> KeysFrom(std::size_t first) {
    std::array<std::uint64_t, N> keys{};
    for (std::size_t i = 0; i < N; ++i) keys[i] = ALL_KEYS[first + i];
    return keys;
}

}  // namespace

const std::array<std::uint64_t, 768> zobristKeys = KeysFrom<768>(0);
const std::uint64_t blackToMoveKey = ALL_KEYS[768];
const std::array<std::uint64_t, 16> castlingKeys = KeysFrom<16>(769);
const std::array<std::uint64_t, 64> enPassantKeys = KeysFrom<64>(785);

}  // namespace vardo
