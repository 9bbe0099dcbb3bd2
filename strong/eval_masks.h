// The squares the strong evaluation asks about, precomputed per square and colour: the files
// beside a square, what lies ahead of a pawn, the zone around a king, and the distance between
// two squares.
#pragma once

#include <algorithm>
#include <cstdint>

#include "board/geometry.h"
#include "board/types.h"

namespace vardo {

constexpr std::uint64_t SquareBit(int square) {
    return std::uint64_t{1} << square;
}
// The number of squares in a set, by adding bit counts in ever wider fields: std::popcount
// becomes a library call where the baseline instruction set has no population count, and the
// evaluation counts at every node.
constexpr int CountSquares(std::uint64_t squares) {
    squares -= (squares >> 1) & 0x5555555555555555ull;
    squares = (squares & 0x3333333333333333ull) + ((squares >> 2) & 0x3333333333333333ull);
    squares = (squares + (squares >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((squares * 0x0101010101010101ull) >> 56);
}

inline constexpr std::uint64_t FILE_A_SQUARES = 0x0101010101010101ull;
inline constexpr std::uint64_t FILE_H_SQUARES = FILE_A_SQUARES << 7;
constexpr std::uint64_t FileSquares(int file) {
    return FILE_A_SQUARES << file;
}
// The rank of a square seen from a colour's side: 0 for its first rank, 7 for its last.
constexpr int RelativeRank(int colour, int square) {
    return colour == WHITE ? 7 - (square >> 3) : square >> 3;
}
// The step of a colour's pawn push, in square numbers (rank 8 has the lowest).
constexpr int PawnPush(int colour) {
    return colour == WHITE ? -8 : 8;
}
// The squares a colour's pawns attack.
constexpr std::uint64_t PawnAttacks(int colour, std::uint64_t pawns) {
    return colour == WHITE ? ((pawns >> 7) & ~FILE_A_SQUARES) | ((pawns >> 9) & ~FILE_H_SQUARES)
                           : ((pawns << 9) & ~FILE_A_SQUARES) | ((pawns << 7) & ~FILE_H_SQUARES);
}
// The squares two of a colour's pawns attack.
constexpr std::uint64_t PawnDoubleAttacks(int colour, std::uint64_t pawns) {
    return colour == WHITE ? ((pawns >> 7) & ~FILE_A_SQUARES) & ((pawns >> 9) & ~FILE_H_SQUARES)
                           : ((pawns << 9) & ~FILE_A_SQUARES) & ((pawns << 7) & ~FILE_H_SQUARES);
}

struct EvalMasks {
    static constexpr int Apart(int a, int b) { return a > b ? a - b : b - a; }
    std::uint64_t adjacentFiles[8];
    // Ahead of a square, seen from a colour's side: every square of the ranks ahead, the
    // squares ahead on its file, and those ahead on the neighbouring files.
    std::uint64_t ranksAhead[2][64];
    std::uint64_t front[2][64];
    std::uint64_t attackSpan[2][64];
    // The king's square and those it attacks.
    std::uint64_t kingZone[64];
    // Squares between two, counted as a king walks.
    std::uint8_t distance[64][64];

    constexpr EvalMasks()
        : adjacentFiles(), ranksAhead(), front(), attackSpan(), kingZone(), distance() {
        for (int f = 0; f < 8; ++f)
            adjacentFiles[f] = (f > 0 ? FileSquares(f - 1) : 0) | (f < 7 ? FileSquares(f + 1) : 0);
        for (int s = 0; s < 64; ++s) {
            const int row = s >> 3;
            std::uint64_t above = 0;  // rows nearer rank 8
            std::uint64_t below = 0;
            for (int r = 0; r < 8; ++r) {
                const std::uint64_t rank = std::uint64_t{0xFF} << (8 * r);
                if (r < row) above |= rank;
                if (r > row) below |= rank;
            }
            ranksAhead[WHITE][s] = above;
            ranksAhead[BLACK][s] = below;
            for (int c = WHITE; c <= BLACK; ++c) {
                front[c][s] = ranksAhead[c][s] & FileSquares(s & 7);
                attackSpan[c][s] = ranksAhead[c][s] & adjacentFiles[s & 7];
            }
            kingZone[s] = GEOMETRY.king[s] | SquareBit(s);
            for (int t = 0; t < 64; ++t)
                distance[s][t] =
                    static_cast<std::uint8_t>(std::max(Apart(s >> 3, t >> 3), Apart(s & 7, t & 7)));
        }
    }
};

inline constexpr EvalMasks EVAL_MASKS{};

}  // namespace vardo
