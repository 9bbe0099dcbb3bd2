#include "board/board.h"
#include "board/tables.h"

namespace vardo {

namespace {

// Castling geometry by the king's destination: the squares that must be empty, the two that
// must not be attacked, the king's home square, and where the rook comes from and goes to.
struct CastleRule {
    int to;
    int king;
    int empty[3];
    int emptyCount;
    int safe[2];
    int rookFrom;
    int rookTo;
};

constexpr CastleRule CASTLE_RULES[4] = {
    {62, 60, {61, 62, 0}, 2, {61, 62}, 63, 61},
    {58, 60, {57, 58, 59}, 3, {58, 59}, 56, 59},
    {6, 4, {5, 6, 0}, 2, {5, 6}, 7, 5},
    {2, 4, {1, 2, 3}, 3, {2, 3}, 0, 3},
};

const CastleRule* FindCastleRule(int to) {
    for (const CastleRule& rule : CASTLE_RULES)
        if (rule.to == to) return &rule;
    return nullptr;
}

}  // namespace

// Whether the castling move to `to` may be made: not out of check, king and rook on their
// home squares (a FEN can grant rights the position does not support), the squares between
// them empty and the squares the king crosses not attacked.
bool Board::CastleAllowed(int to) const {
    const CastleRule* rule = FindCastleRule(to);
    if (rule == nullptr) return false;
    if (InCheck(side)) return false;
    if (piece[rule->king] != KING || colour[rule->king] != side) return false;
    if (piece[rule->rookFrom] != ROOK || colour[rule->rookFrom] != side) return false;
    for (int i = 0; i < rule->emptyCount; ++i)
        if (piece[rule->empty[i]] != EMPTY) return false;
    const int them = Other(side);
    return !Attacked(rule->safe[0], them) && !Attacked(rule->safe[1], them);
}

bool Board::MakeMove(Move move) {
    const int from = move.from;
    const int to = move.to;
    if (from == 0 && to == 0) return false;
    if (from < 0 || from > 63 || to < 0 || to > 63) return false;
    if (piece[from] == EMPTY || colour[from] == NO_COLOUR) return false;

    const int us = side;
    // Records that no generator makes are refused rather than written off the board.
    if ((move.bits & PROMOTION) && (move.promote < KNIGHT || move.promote > QUEEN)) return false;
    if (move.bits & EN_PASSANT) {
        const int taken = us == WHITE ? to + 8 : to - 8;
        if (taken < 0 || taken > 63) return false;
    }
    if (move.bits & CASTLE) {
        if (!CastleAllowed(to) || from != FindCastleRule(to)->king) return false;
        const CastleRule* rule = FindCastleRule(to);
        colour[rule->rookTo] = colour[rule->rookFrom];
        piece[rule->rookTo] = piece[rule->rookFrom];
        colour[rule->rookFrom] = NO_COLOUR;
        piece[rule->rookFrom] = EMPTY;
    }

    undoStack.push_back({piece[to], castle, enPassant, fifty, move});
    castle &= castleMask[from] & castleMask[to];
    if (move.bits & DOUBLE_PUSH)
        enPassant = us == WHITE ? to + 8 : to - 8;
    else
        enPassant = NO_SQUARE;
    if (move.bits & (CAPTURE | PAWN_MOVE))
        fifty = 0;
    else
        ++fifty;

    const int moving = piece[from];
    colour[to] = us;
    piece[to] = (move.bits & PROMOTION) ? move.promote : moving;
    colour[from] = NO_COLOUR;
    piece[from] = EMPTY;
    if (moving == KING) kingSquare[us] = to;

    if (move.bits & EN_PASSANT) {
        const int taken = us == WHITE ? to + 8 : to - 8;
        colour[taken] = NO_COLOUR;
        piece[taken] = EMPTY;
    }

    side = Other(us);
    plyMoves.push_back();

    if (InCheck(us)) {
        TakeBack();
        return false;
    }
    return true;
}

void Board::TakeBack() {
    if (undoStack.empty()) return;
    const UndoRecord& record = undoStack.back();
    const Move move = record.move;
    const int from = move.from;
    const int to = move.to;
    const int mover = Other(side);
    side = mover;
    castle = record.castle;
    enPassant = record.enPassant;
    fifty = record.fifty;

    const int moved = piece[to];
    colour[from] = mover;
    piece[from] = (move.bits & PROMOTION) ? PAWN : moved;
    if (moved == KING) kingSquare[mover] = from;

    if (record.captured != EMPTY) {
        colour[to] = Other(mover);
        piece[to] = record.captured;
    } else {
        colour[to] = NO_COLOUR;
        piece[to] = EMPTY;
    }

    if (move.bits & CASTLE) {
        const CastleRule* rule = FindCastleRule(to);
        if (rule != nullptr) {
            colour[rule->rookFrom] = mover;
            piece[rule->rookFrom] = ROOK;
            colour[rule->rookTo] = NO_COLOUR;
            piece[rule->rookTo] = EMPTY;
        }
    }

    if (move.bits & EN_PASSANT) {
        if (mover == WHITE) {
            colour[to + 8] = BLACK;
            piece[to + 8] = PAWN;
        } else {
            colour[to - 8] = WHITE;
            piece[to - 8] = PAWN;
        }
    }

    plyMoves.pop_back();
    undoStack.pop_back();
}

}  // namespace vardo
