// The four castling moves: which right each needs, where king and rook stand and go, and which
// squares must be empty or safe. Every part of the rules that deals with castling reads it here.
#pragma once

#include <array>

#include "board/types.h"

namespace vardo {

struct CastleRule {
    int right;     // CASTLE_WK, CASTLE_WQ, CASTLE_BK or CASTLE_BQ
    int king;      // the king's home square
    int to;        // where the king goes
    int rookFrom;  // the rook's home square
    int rookTo;    // where the rook goes
    int empty[3];  // the squares between king and rook
    int emptyCount;
    int safe[2];  // the squares the king crosses and lands on, besides its own
};

// White's king side, White's queen side, Black's king side, Black's queen side.
inline constexpr CastleRule CASTLE_RULES[4] = {
    {CASTLE_WK, 60, 62, 63, 61, {61, 62, 0}, 2, {61, 62}},
    {CASTLE_WQ, 60, 58, 56, 59, {57, 58, 59}, 3, {58, 59}},
    {CASTLE_BK, 4, 6, 7, 5, {5, 6, 0}, 2, {5, 6}},
    {CASTLE_BQ, 4, 2, 0, 3, {1, 2, 3}, 3, {2, 3}},
};

// The rule of one side's castling move on the king's side or the queen's side.
constexpr const CastleRule& CastleRuleFor(int side, bool queenSide) {
    return CASTLE_RULES[2 * side + (queenSide ? 1 : 0)];
}

// The rule whose king goes to `to`, or null.
constexpr const CastleRule* FindCastleRule(int to) {
    for (const CastleRule& rule : CASTLE_RULES)
        if (rule.to == to) return &rule;
    return nullptr;
}

// The move record of a castling move (flag CASTLE only).
constexpr Move CastleMove(const CastleRule& rule) {
    return Move{static_cast<std::int8_t>(rule.king), static_cast<std::int8_t>(rule.to), 0,
                static_cast<std::uint8_t>(CASTLE)};
}

// Rights that survive a move touching each square: moving or taking a king or rook from its
// home square gives up the castling that needs it. MakeMove ANDs the entries of from and to.
inline constexpr std::array<int, 64> CASTLE_MASK = [] {
    std::array<int, 64> mask{};
    for (int& rights : mask) rights = CASTLE_WK | CASTLE_WQ | CASTLE_BK | CASTLE_BQ;
    for (const CastleRule& rule : CASTLE_RULES) {
        mask[rule.king] &= ~rule.right;
        mask[rule.rookFrom] &= ~rule.right;
    }
    return mask;
}();

}  // namespace vardo
