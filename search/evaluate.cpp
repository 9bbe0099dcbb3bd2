#include "search/evaluate.h"

#include <array>
#include <bit>
#include <cstdint>

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

// Table set a colour picks for itself from its king's file when its score is high enough.
constexpr int SetForKingFile(int current, int kingFile) {
    if (kingFile > KING_SIDE_KING_FILE) return TABLE_SET_KING_SIDE;
    if (kingFile < QUEEN_SIDE_KING_FILE) return TABLE_SET_QUEEN_SIDE;
    return current;
}

// The piece-square values of all four table sets side by side, [piece][square][set], so one
// pass over the pieces sums every set at once and the sets are chosen afterwards.
struct alignas(16) SetValues {
    int value[TABLE_SETS];
};
constexpr std::array<SetValues, 6 * 64> BuildSetValues() {
    std::array<SetValues, 6 * 64> all{};
    for (int piece = 0; piece < 6; ++piece)
        for (int square = 0; square < 64; ++square)
            for (int set = 0; set < TABLE_SETS; ++set)
                all[piece * 64 + square].value[set] = (*TABLES[piece][set])[square];
    return all;
}
constinit const std::array<SetValues, 6 * 64> SET_VALUES = BuildSetValues();

// What one pass over one colour's pieces learns.
struct Census {
    int score = 0;            // material, then pawn structure
    int pawns = 0;            // number of pawns
    unsigned pawnFiles = 0;   // bit f set: a pawn on file f
    std::uint64_t rooks = 0;  // the rooks' squares
    int kingFile = MISSING_KING_FILE;
    SetValues placement{};  // piece-square sums in each table set
};

inline Census TakeCensus(const Board& board, std::uint64_t squares, int colour) {
    Census census;
    const int mirror = colour == WHITE ? 0 : 56;
    for (; squares; squares &= squares - 1) {
        const int square = std::countr_zero(squares);
        const int piece = board.piece[square];
        const unsigned isPawn = piece == PAWN;
        census.score += PIECE_VALUE[piece];
        census.pawns += isPawn;
        census.pawnFiles |= isPawn << FileOf(square);
        census.rooks |= std::uint64_t{piece == ROOK} << square;
        census.kingFile = piece == KING ? FileOf(square) : census.kingFile;
        const SetValues& values = SET_VALUES[piece * 64 + (square ^ mirror)];
        for (int set = 0; set < TABLE_SETS; ++set) census.placement.value[set] += values.value[set];
    }
    return census;
}

// Number of files in each 8-bit set of files.
constexpr std::array<int, 256> FILE_COUNT = [] {
    std::array<int, 256> counts{};
    for (unsigned files = 0; files < 256; ++files) counts[files] = std::popcount(files);
    return counts;
}();

// Doubled pawns (every pawn beyond the first on its file) and isolated pawns (files b to e
// only, once per file) of one colour, as a negative score.
inline int PawnStructure(const Census& census) {
    int penalty = DOUBLED_PAWN_PENALTY * (census.pawns - FILE_COUNT[census.pawnFiles]);
    for (int file = FIRST_ISOLATION_FILE; file <= LAST_ISOLATION_FILE; ++file) {
        const unsigned neighbours = (1u << (file - 1)) | (1u << (file + 1));
        if ((census.pawnFiles >> file & 1u) && !(census.pawnFiles & neighbours))
            penalty += ISOLATED_PAWN_PENALTY;
    }
    return -penalty;
}

// Every square of the files in an 8-bit set of files.
constexpr std::uint64_t SquaresOfFiles(unsigned files) {
    return std::uint64_t{files & 0xFFu} * 0x0101010101010101ull;
}

}  // namespace

int Evaluator::Evaluate(const Board& board) const {
    // One pass over each colour's pieces, through the board's occupancy bits: material, pawns,
    // the king's file, the rooks, and the piece-square sums of every table set.
    const Census census[2] = {TakeCensus(board, board.Occupancy(WHITE), WHITE),
                              TakeCensus(board, board.Occupancy(BLACK), BLACK)};
    int score[2];
    for (int colour = WHITE; colour <= BLACK; ++colour)
        score[colour] = census[colour].score + PawnStructure(census[colour]);

    // Table sets: White first, then Black, so a low Black score overrides White's own choice
    // and a high Black score overrides the endgame set White's low score gave Black.
    int set[2] = {TABLE_SET_DEFAULT, TABLE_SET_DEFAULT};
    for (int colour = WHITE; colour <= BLACK; ++colour) {
        if (score[colour] >= TABLE_SET_THRESHOLD)
            set[colour] = SetForKingFile(set[colour], census[colour].kingFile);
        else
            set[Other(colour)] = TABLE_SET_ENDGAME;
    }

    // Piece-square values of the chosen sets, and rooks on files without pawns of either
    // colour.
    const std::uint64_t openFiles =
        SquaresOfFiles(~(census[WHITE].pawnFiles | census[BLACK].pawnFiles));
    for (int colour = WHITE; colour <= BLACK; ++colour)
        score[colour] += census[colour].placement.value[set[colour]] +
                         OPEN_FILE_ROOK_BONUS * std::popcount(census[colour].rooks & openFiles);

    return board.side == WHITE ? score[WHITE] - score[BLACK] : score[BLACK] - score[WHITE];
}

}  // namespace vardo
