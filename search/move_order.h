// The order in which a search node tries its moves: best ordering score first, as the
// generator scores them, and among moves of equal score the one most likely to cause a cutoff
// first. The scores alone decide the order wherever they differ.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/move_list.h"
#include "board/tables.h"
#include "board/types.h"

namespace vardo {

// What breaks ties between moves of equal ordering score, kept by the searcher.
struct TieBreaks {
    // The move the previous iteration's line plays at this node, when the node lies on that
    // line; the null move otherwise.
    Move lineMove;
    // The last two quiet moves that raised alpha at this ply.
    Move killers[2];
    // How often (weighted by depth) each from-to pair of the side to move raised alpha, kept
    // across iterations and turns.
    const std::uint16_t (*successes)[64] = nullptr;
};

// Sort keys for one node's list, parallel to its entries. A node may order its list in
// ranges, one after the other: each range is prepared, then picked from its first index on.
class MoveOrder {
   public:
    // Gives the entries first..end-1 of `moves` their keys: the ordering score in the high
    // half, the tie-break in the low half.
    void Prepare(const MoveList& moves, const TieBreaks& ties, int first, int end) {
        rangeFirst = first;
        rangeEnd = end;
        for (int i = first; i < end; ++i) {
            const Move move = moves[i].move;
            std::uint32_t tie = ties.successes[move.from][move.to];
            if (move == ties.killers[1]) tie += KILLER_BONUS;
            if (move == ties.killers[0]) tie += 2 * KILLER_BONUS;
            if (move == ties.lineMove) tie += LINE_BONUS;
            keys[i] = static_cast<std::int64_t>(moves[i].score) * (std::int64_t{1} << 32) + tie;
        }
    }

    // The order of a node below the root that is not one ply above the horizon, where every
    // order gives the same score and the search's own is used: captures and promotions first,
    // best ordering score first, except captures by a man worth more than its victim onto a
    // square the other side attacks, which likely lose material and come last; then the
    // killers; then the other quiet moves by their successes.
    void PrepareOwn(const Board& board, const MoveList& moves, const TieBreaks& ties, int first,
                    int end) {
        rangeFirst = first;
        rangeEnd = end;
        const int them = Other(board.side);
        for (int i = first; i < end; ++i) {
            const Move move = moves[i].move;
            const std::int64_t score = moves[i].score;
            std::int64_t key;
            if (move.bits & (CAPTURE | PROMOTION)) {
                const bool losing =
                    (move.bits & CAPTURE) && !(move.bits & EN_PASSANT) &&
                    captureValue[board.piece[move.from]] > captureValue[board.piece[move.to]] &&
                    board.Attacked(move.to, them);
                key = (losing ? 0 : 3 * CLASS) + score;
            } else if (move == ties.killers[0] || move == ties.killers[1]) {
                key = 2 * CLASS + (move == ties.killers[0]);
            } else {
                key = CLASS + ties.successes[move.from][move.to];
            }
            keys[i] = key;
        }
    }

    // Puts at index i the entry with the highest key among those of the prepared range from
    // i on. The range's first pick selects; its second sorts the rest at once, since a node
    // that did not cut off after its first move usually tries them all.
    void PickNext(MoveList& moves, int i) {
        if (i == rangeFirst) {
            int best = i;
            for (int j = i + 1; j < rangeEnd; ++j)
                if (keys[j] > keys[best]) best = j;
            Swap(moves, i, best);
        } else if (i == rangeFirst + 1) {
            for (int j = i + 1; j < rangeEnd; ++j) {
                const std::int64_t key = keys[j];
                const MoveEntry entry = moves[j];
                int k = j;
                while (k > i && keys[k - 1] < key) {
                    keys[k] = keys[k - 1];
                    moves[k] = moves[k - 1];
                    --k;
                }
                keys[k] = key;
                moves[k] = entry;
            }
        }
    }

   private:
    // Success counts stay below KILLER_BONUS; a killer outranks any count, the line's move
    // outranks both killers.
    static constexpr std::uint32_t KILLER_BONUS = 1u << 16;
    static constexpr std::uint32_t LINE_BONUS = 1u << 18;
    // PrepareOwn's classes: losing captures, quiet moves, killers, other captures.
    static constexpr std::int64_t CLASS = std::int64_t{1} << 56;

    void Swap(MoveList& moves, int a, int b) {
        if (a == b) return;
        const MoveEntry entry = moves[a];
        moves[a] = moves[b];
        moves[b] = entry;
        const std::int64_t key = keys[a];
        keys[a] = keys[b];
        keys[b] = key;
    }

    int rangeFirst = 0;
    int rangeEnd = 0;
    std::int64_t keys[MAX_MOVES];
};

}  // namespace vardo
