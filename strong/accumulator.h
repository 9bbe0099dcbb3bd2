// The network's hidden values along the line a search is on, one entry a ply, each side's view.
// A move made records only the squares it changes and the men on them before and after; the
// values of a ply are worked out from its parent's when a position there is evaluated, so that
// moves searched and cut off before any evaluation cost nothing. Taking a move back costs
// nothing either: the parent's entry is still in place. A Debug build checks every worked-out
// entry against values computed anew.
#pragma once

#include <cassert>
#include <cstring>

#include "board/board.h"
#include "board/castling.h"
#include "search/line.h"
#include "strong/network.h"

namespace vardo {

class AccumulatorStack {
   public:
    static constexpr int PLIES = MAX_DEPTH + 8;

    // The root position at ply 0, computed anew with `net`.
    void Begin(const Network& net, const Board& root) {
        network = &net;
        net.Refresh(root, WHITE, entries[0].view[WHITE]);
        net.Refresh(root, BLACK, entries[0].view[BLACK]);
        entries[0].ready = true;
    }

    // Before `move` is made on `board` at `ply`: the squares it may change and their men.
    void Before(const Board& board, Move move, int ply) {
        Entry& child = entries[ply + 1];
        child.ready = false;
        child.count = 0;
        if (move.bits & CASTLE) {
            if (const CastleRule* rule = board.castling.Find(move.to)) {
                for (const int square : {rule->king, rule->kingTo, rule->rookFrom, rule->rookTo})
                    Touch(board, child, square);
                return;
            }
        }
        Touch(board, child, move.from);
        Touch(board, child, move.to);
        // The pawn taken en passant stands on the mover's rank, in the target's file.
        if (move.bits & EN_PASSANT) Touch(board, child, (move.from & ~7) | (move.to & 7));
    }
    // After the move is made: the men now on those squares.
    void After(const Board& board, int ply) {
        Entry& child = entries[ply + 1];
        for (int i = 0; i < child.count; ++i) child.after[i] = ManOn(board, child.square[i]);
    }
    // A null move at `ply`: the men stay where they are.
    void NullMove(int ply) {
        entries[ply + 1].ready = false;
        entries[ply + 1].count = 0;
    }

    // The network's score of `board`, the position at `ply`, from the side to move's view.
    int Evaluate(const Board& board, int ply) {
        int first = ply;
        while (!entries[first].ready) --first;  // ply 0 is always ready
        for (int p = first + 1; p <= ply; ++p) Apply(entries[p - 1], entries[p]);
#ifndef NDEBUG
        HiddenValues fresh;
        for (int view : {WHITE, BLACK}) {
            network->Refresh(board, view, fresh);
            assert(std::memcmp(fresh.values, entries[ply].view[view].values, sizeof fresh.values) ==
                   0);
        }
#endif
        const Entry& entry = entries[ply];
        return network->Output(entry.view[board.side], entry.view[Other(board.side)]);
    }

   private:
    static constexpr int NONE = -1;

    struct Entry {
        HiddenValues view[2];
        bool ready = false;
        int count = 0;  // squares the move to this ply changes (none for a null move)
        int square[4];
        int before[4];  // colour * 6 + kind, NONE for an empty square
        int after[4];
    };

    static int ManOn(const Board& board, int square) {
        return board.piece[square] == EMPTY ? NONE : board.colour[square] * 6 + board.piece[square];
    }
    static void Touch(const Board& board, Entry& entry, int square) {
        for (int i = 0; i < entry.count; ++i)
            if (entry.square[i] == square) return;
        entry.square[entry.count] = square;
        entry.before[entry.count] = ManOn(board, square);
        ++entry.count;
    }

    void Apply(const Entry& parent, Entry& child) const {
        for (int view : {WHITE, BLACK}) {
            InputChange change;
            for (int i = 0; i < child.count; ++i) {
                if (child.before[i] == child.after[i]) continue;
                if (child.before[i] != NONE)
                    change.removed[change.removedCount++] = NetworkInput(
                        view, child.before[i] / 6, child.before[i] % 6, child.square[i]);
                if (child.after[i] != NONE)
                    change.added[change.addedCount++] =
                        NetworkInput(view, child.after[i] / 6, child.after[i] % 6, child.square[i]);
            }
            ChangeInputs(*network, parent.view[view], child.view[view], change);
        }
        child.ready = true;
    }

    const Network* network = nullptr;
    Entry entries[PLIES];
};

}  // namespace vardo
