// What the selective search learns as it searches, one place for every table: the butterfly
// history of quiet moves, the continuation histories (a quiet move's record after the moves one
// and two plies before it), the capture history, the killers and the counter moves, and the
// correction histories of the static evaluation. Every move counter moves by the same bounded
// rule, so that none leaves its bound whatever bonuses it is given; between searches each is
// halved, so that old successes count for less.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "board/board.h"
#include "board/types.h"
#include "search/line.h"

namespace vardo {

// Every history counter stays within +-HISTORY_BOUND.
inline constexpr int HISTORY_BOUND = 16384;

// Moves a counter by `bonus` (negative: a malus), the more slowly the nearer it already is to
// the bound on that side: counter + bonus - counter * |bonus| / HISTORY_BOUND. For |bonus| up to
// the bound the result stays within it; a larger bonus is clamped first.
inline void AddHistoryBonus(std::int16_t& counter, int bonus) {
    bonus = std::clamp(bonus, -HISTORY_BOUND, HISTORY_BOUND);
    const int value = counter + bonus - counter * std::abs(bonus) / HISTORY_BOUND;
    counter = static_cast<std::int16_t>(std::clamp(value, -HISTORY_BOUND, HISTORY_BOUND));
}

// The correction histories count in 1/CORRECTION_GRAIN of a centipawn, and each entry stays
// within +-CORRECTION_BOUND centipawns.
inline constexpr int CORRECTION_GRAIN = 256;
inline constexpr int CORRECTION_BOUND = 200;
inline constexpr int CORRECTION_ENTRIES = 16384;  // a power of two

// Keys of the parts of a position the correction histories learn by: where the pawns stand, and
// where one colour's other men (king included) stand.
std::uint64_t PawnKey(const Board& board);
std::uint64_t MenKey(const Board& board, int colour);

// A man with its colour, 0 to 11, as the continuation and capture histories index men.
inline int ColouredMan(int colour, int kind) {
    return colour * 6 + kind;
}

// The kind of man a move takes (EMPTY for none), as the capture history indexes it.
inline int CapturedMan(const Board& board, Move move) {
    return (move.bits & EN_PASSANT) ? PAWN : board.piece[move.to];
}

// A quiet move's record after one move: by the man that moves now and its target square.
using ContinuationRow = std::array<std::array<std::int16_t, 64>, 12>;

class Histories {
   public:
    // The killers of each ply a search can reach.
    static constexpr int PLIES = MAX_DEPTH + 2;

    // Forgets everything.
    void Clear() {
        std::memset(butterfly, 0, sizeof butterfly);
        std::memset(continuation, 0, sizeof continuation);
        std::memset(capture, 0, sizeof capture);
        std::memset(pawnCorrection, 0, sizeof pawnCorrection);
        std::memset(menCorrection, 0, sizeof menCorrection);
        for (auto& row : counterMoves) std::fill(std::begin(row), std::end(row), Move());
        ClearKillers();
    }
    // Halves every counter, before a new search. Killers, which belong to one search, go.
    void Age() {
        Halve(&butterfly[0][0][0], sizeof butterfly);
        Halve(&continuation[0][0][0][0], sizeof continuation);
        Halve(&capture[0][0][0], sizeof capture);
        ClearKillers();
    }
    void ClearKillers() {
        std::fill(std::begin(killers), std::end(killers), std::array<Move, 2>{});
    }
    // The capture history entry of `move` on `board` (a capture or promotion).
    std::int16_t& CaptureEntry(const Board& board, Move move) {
        return capture[ColouredMan(board.side, board.piece[move.from])][move.to]
                      [CapturedMan(board, move)];
    }
    // The counter move slot of `previous`, the move just made on `board`.
    Move& CounterSlot(const Board& board, Move previous) {
        const int there = board.piece[previous.to];
        return counterMoves[there == EMPTY ? 0 : there][previous.to];
    }

    // Quiet moves by side, from and to.
    std::int16_t butterfly[2][64][64] = {};
    // The rows of continuation history: the row of the move a man of colour-and-kind (see
    // ColouredMan) made to a square. Both one and two plies back read the same rows.
    ContinuationRow continuation[12][64] = {};
    // Captures and promotions by the man that moves (coloured), its target square and the kind
    // taken (EMPTY for a promotion that takes nothing).
    std::int16_t capture[12][64][7] = {};
    // Counter moves by the previous move's target square and the kind of man that stands there.
    Move counterMoves[6][64] = {};
    // Two killers a ply: quiet moves that cut off at that ply lately, newest first.
    std::array<Move, 2> killers[PLIES] = {};

    // How far the static evaluation of `board` (side to move's view) is likely off, in
    // centipawns, from what searches found of positions with its pawns and its men.
    int Correction(const Board& board) const {
        const int side = board.side;
        const int pawn = pawnCorrection[side][Slot(PawnKey(board))];
        const int white = menCorrection[side][WHITE][Slot(MenKey(board, WHITE))];
        const int black = menCorrection[side][BLACK][Slot(MenKey(board, BLACK))];
        return (2 * pawn + white + black) / (4 * CORRECTION_GRAIN);
    }
    // A search of `depth` plies found `board` worth `searched` where its evaluation, before any
    // correction, said `evaluated`: each entry moves toward the difference, the more the deeper
    // the search.
    void LearnCorrection(const Board& board, int depth, int searched, int evaluated) {
        const int target = std::clamp(searched - evaluated, -CORRECTION_BOUND, CORRECTION_BOUND) *
                           CORRECTION_GRAIN;
        const int weight = std::min(depth + 1, 16);
        const int side = board.side;
        Blend(pawnCorrection[side][Slot(PawnKey(board))], target, weight);
        Blend(menCorrection[side][WHITE][Slot(MenKey(board, WHITE))], target, weight);
        Blend(menCorrection[side][BLACK][Slot(MenKey(board, BLACK))], target, weight);
    }

    // Makes `move` its ply's first killer.
    void AddKiller(int ply, Move move) {
        std::array<Move, 2>& pair = killers[ply];
        if (pair[0] == move) return;
        pair[1] = pair[0];
        pair[0] = move;
    }

   private:
    // Correction entries by side to move and key: the pawns', and each colour's other men's.
    std::int32_t pawnCorrection[2][CORRECTION_ENTRIES] = {};
    std::int32_t menCorrection[2][2][CORRECTION_ENTRIES] = {};
    static std::size_t Slot(std::uint64_t key) {
        return static_cast<std::size_t>(key >>
                                        (64 - std::countr_zero(unsigned(CORRECTION_ENTRIES))));
    }
    // A weighted mean of the entry (256 - weight) and the target (weight).
    static void Blend(std::int32_t& entry, int target, int weight) {
        entry = (entry * (256 - weight) + target * weight) / 256;
    }
    static void Halve(std::int16_t* counters, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes / sizeof(std::int16_t); ++i)
            counters[i] = static_cast<std::int16_t>(counters[i] / 2);
    }
};

}  // namespace vardo
