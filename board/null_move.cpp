#include <cassert>

#include "board/board.h"

namespace vardo {

Board::NullMoveRecord Board::MakeNullMove() {
    assert(!InCheck(side));
    const NullMoveRecord record{enPassant, fifty};
    enPassant = NO_SQUARE;
    fifty = 0;
    side = Other(side);
    plyMoves.push_back();
    return record;
}

void Board::TakeBackNullMove(const NullMoveRecord& record) {
    plyMoves.pop_back();
    side = Other(side);
    enPassant = record.enPassant;
    fifty = record.fifty;
}

}  // namespace vardo
