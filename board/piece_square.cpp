#include "board/piece_square.h"

namespace vardo {

namespace {

using Table = std::array<int, 64>;

// Each table is a diagram from White's side: rank 8 first (a8..h8), rank 1 last (a1..h1).

constexpr Table PAWN_DEFAULT = {
    0, 0,  0,  0,   0,   0,  0,  0,  //
    5, 10, 15, 20,  20,  15, 10, 5,  //
    4, 8,  12, 16,  16,  12, 8,  4,  //
    3, 6,  9,  12,  12,  9,  6,  3,  //
    2, 4,  6,  8,   8,   6,  4,  2,  //
    1, 2,  3,  -10, -10, 3,  2,  1,  //
    0, 0,  0,  -40, -40, 0,  0,  0,  //
    0, 0,  0,  0,   0,   0,  0,  0,
};

constexpr Table PAWN_KING_SIDE = {
    0, 0,  0,  0,   0,   0,  0,  0,   //
    6, 10, 15, 20,  20,  15, 10, 5,   //
    5, 8,  12, 16,  16,  12, 8,  4,   //
    4, 6,  9,  12,  12,  9,  6,  3,   //
    3, 4,  6,  8,   8,   0,  0,  0,   //
    1, 2,  3,  -10, -10, 0,  0,  5,   //
    0, 0,  0,  -40, -40, 5,  20, 10,  //
    0, 0,  0,  0,   0,   0,  0,  0,
};

constexpr Table PAWN_QUEEN_SIDE = {
    0,  0,  0,  0,   0,   0,  0,  0,  //
    5,  10, 15, 20,  20,  15, 10, 5,  //
    4,  8,  12, 16,  16,  12, 8,  4,  //
    3,  6,  9,  12,  12,  9,  6,  3,  //
    0,  0,  0,  8,   8,   6,  4,  2,  //
    5,  0,  0,  -10, -10, 3,  2,  1,  //
    10, 15, 15, -40, -40, 0,  0,  0,  //
    0,  0,  0,  0,   0,   0,  0,  0,
};

constexpr Table PAWN_ENDGAME = {
    0,   0,   0,   0,   0,   0,   0,   0,    //
    20,  20,  20,  20,  20,  20,  20,  20,   //
    15,  15,  15,  15,  15,  15,  15,  15,   //
    10,  10,  10,  10,  10,  10,  10,  10,   //
    5,   5,   5,   5,   5,   5,   5,   5,    //
    0,   0,   0,   0,   0,   0,   0,   0,    //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    0,   0,   0,   0,   0,   0,   0,   0,
};

constexpr Table KNIGHT_ALL = {
    -10, -10, -10, -10, -10, -10, -10, -10,  //
    -10, 0,   0,   0,   0,   0,   0,   -10,  //
    -10, 0,   5,   5,   5,   5,   0,   -10,  //
    -10, 0,   5,   10,  10,  5,   0,   -10,  //
    -10, 0,   5,   10,  10,  5,   0,   -10,  //
    -10, 0,   5,   5,   5,   5,   0,   -10,  //
    -10, 0,   0,   0,   0,   0,   0,   -10,  //
    -10, -30, -10, -10, -10, -10, -30, -10,
};

constexpr Table BISHOP_ALL = {
    -10,  -210, -10, -10, -10, -10, -210, -10,   //
    -210, 0,    0,   0,   0,   0,   0,    -210,  //
    -10,  0,    5,   5,   5,   5,   0,    -10,   //
    -10,  0,    5,   10,  10,  5,   0,    -10,   //
    -10,  0,    5,   10,  10,  5,   0,    -10,   //
    -10,  0,    5,   5,   5,   5,   0,    -10,   //
    -10,  0,    0,   0,   0,   0,   0,    -10,   //
    -10,  -10,  -20, -10, -10, -20, -10,  -10,
};

constexpr Table ROOK_DEFAULT = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    10, 10, 10, 20, 20, 10, 10, 10,  //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,
};

constexpr Table ROOK_KING_SIDE = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    10, 10, 10, 20, 20, 10, 10, 10,  //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    -1, 0,  0,  5,  5,  -1, 0,  0,
};

constexpr Table ROOK_QUEEN_SIDE = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    20, 20, 10, 10, 10, 10, 10, 10,  //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  5,  5,  0,  0,  -1,
};

constexpr Table ZERO = {};

constexpr Table KING_MIDDLE = {
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -20, -20, -20, -20, -20, -20, -20, -20,  //
    0,   20,  40,  -20, 0,   -20, 40,  20,
};

constexpr Table KING_ENDGAME = {
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    20,  30,  40,  40,  40,  40,  30,  20,   //
    10,  15,  20,  30,  30,  20,  15,  20,   //
    5,   7,   10,  10,  10,  10,  7,   5,    //
    0,   3,   5,   5,   5,   3,   0,   0,    //
    -10, -5,  0,   0,   0,   0,   -5,  -10,  //
    -20, -15, -10, -10, -10, -10, -15, -20,  //
    -40, -35, -30, -30, -30, -35, -35, -40,
};

// The tables of each piece code in set order 0 (default), 1 (king side), 2 (queen side),
// 3 (endgame).
constexpr const Table* TABLES[6][TABLE_SETS] = {
    {&PAWN_DEFAULT, &PAWN_KING_SIDE, &PAWN_QUEEN_SIDE, &PAWN_ENDGAME},
    {&KNIGHT_ALL, &KNIGHT_ALL, &KNIGHT_ALL, &KNIGHT_ALL},
    {&BISHOP_ALL, &BISHOP_ALL, &BISHOP_ALL, &BISHOP_ALL},
    {&ROOK_DEFAULT, &ROOK_KING_SIDE, &ROOK_QUEEN_SIDE, &ZERO},
    {&ZERO, &ZERO, &ZERO, &ZERO},
    {&KING_MIDDLE, &KING_MIDDLE, &KING_MIDDLE, &KING_ENDGAME},
};

constexpr PlacementTable BuildPlacement() {
    PlacementTable all{};
    for (int colour = 0; colour < 2; ++colour)
        for (int piece = 0; piece < 6; ++piece)
            for (int square = 0; square < 64; ++square) {
                PlacementValue& value = all[colour][piece][square];
                value.lane[PlacementValue::MATERIAL] =
                    static_cast<std::int16_t>(PIECE_VALUE[piece]);
                value.lane[PlacementValue::PAWNS] = piece == 0 ? 1 : 0;
                const int seen = colour == 0 ? square : square ^ 56;
                for (int set = 0; set < TABLE_SETS; ++set)
                    value.lane[1 + set] = static_cast<std::int16_t>((*TABLES[piece][set])[seen]);
            }
    return all;
}

}  // namespace

constinit const PlacementTable PLACEMENT = BuildPlacement();

int PieceSquareValue(int piece, int set, int square) {
    return (*TABLES[piece][set])[square];
}

}  // namespace vardo
