// Material values and piece-square tables of the evaluation. They live with the board
// because the board keeps their sums up to date as men are placed and lifted, so that the
// evaluation only reads totals instead of walking the pieces.
#pragma once

#include <array>
#include <cstdint>

namespace vardo {

// Material value per piece code (PAWN..KING).
inline constexpr int PIECE_VALUE[6] = {100, 300, 300, 500, 900, 0};

// Piece-square table sets, chosen per colour by the evaluation.
constexpr int TABLE_SET_DEFAULT = 0;
constexpr int TABLE_SET_KING_SIDE = 1;   // own king on files f to h
constexpr int TABLE_SET_QUEEN_SIDE = 2;  // own king on files a to c
constexpr int TABLE_SET_ENDGAME = 3;     // the opponent has little material left
constexpr int TABLE_SETS = 4;

// What one man adds to its colour's sums: its material value and its piece-square value in
// each table set, and one if it is a pawn. Also the type of the sums themselves. Eight 16-bit lanes
// (a side's sums stay far inside that range), so that adding two is one vector operation and the
// table is small enough to stay in the first-level cache.
struct alignas(16) PlacementValue {
    // Lane of the material value; table set s is lane 1 + s; then the number of pawns.
    static constexpr int MATERIAL = 0;
    static constexpr int PAWNS = 1 + TABLE_SETS;
    std::int16_t lane[8] = {};

    constexpr int Material() const { return lane[MATERIAL]; }
    constexpr int Set(int set) const { return lane[1 + set]; }
    constexpr int Pawns() const { return lane[PAWNS]; }

    constexpr PlacementValue& operator+=(const PlacementValue& other) {
        for (int i = 0; i < 8; ++i) lane[i] = static_cast<std::int16_t>(lane[i] + other.lane[i]);
        return *this;
    }
    constexpr PlacementValue& operator-=(const PlacementValue& other) {
        for (int i = 0; i < 8; ++i) lane[i] = static_cast<std::int16_t>(lane[i] - other.lane[i]);
        return *this;
    }
    friend bool operator==(const PlacementValue&, const PlacementValue&) = default;
};

// PLACEMENT[colour][piece][square]: what a man of that colour and piece on that square adds.
// The tables are written from White's side; Black reads them mirrored (square XOR 56).
using PlacementTable = std::array<std::array<std::array<PlacementValue, 64>, 6>, 2>;
extern const PlacementTable PLACEMENT;

// One piece-square table, rank 8 first, and the value it gives a piece of `piece` code in
// table set `set` on square `square` (from White's side).
int PieceSquareValue(int piece, int set, int square);

}  // namespace vardo
